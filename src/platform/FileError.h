// How the file layer reports a failure: every one raises a FileError, a
// forms::RuntimeError with the runtime's error number (so callers trap it
// the same way whatever failed) that also names the file or folder it
// concerns, for messages that say what failed.
#pragma once

#include <string>
#include <utility>

#include "forms/Error.h"

namespace platform {

class FileError : public forms::RuntimeError {
public:
    FileError(int number, const std::string& description, std::string path)
        : forms::RuntimeError(number, description), path_(std::move(path)) {}
    // The native path of the file or folder that failed.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// "path: the system's reason", for a message: the path when the error
// names one.
std::string describe(const forms::RuntimeError& error);

}  // namespace platform
