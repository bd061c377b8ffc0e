// What failed, as the program's messages name it: the file or folder and the
// system's reason, and whose folder it lies in, so that a message sends the
// user to the folder that is really at fault.
#pragma once

#include <exception>
#include <string>

namespace app {

// "path: the system's reason" for a file error, the runtime's own text for
// any other error (out of memory, an index out of range, a failed system
// call).
std::string DescribeError(const std::exception_ptr& error);

// Where a failure of a copy between the game's folder and the program's own
// lies.
struct FailurePlace {
    enum class Where {
        GameFolder,  // a file or folder of the game, or reached through it, or
                     // a path text that names nothing
        OwnFolder,   // the program's own folder: BACKUP, CFG, levels, ...
        Unknown      // no file or folder failed (out of memory, say)
    };
    Where where = Where::Unknown;
    // OwnFolder: the folder of the program's that failed to take the file.
    std::string folder;
};
FailurePlace PlaceOfFailure(const std::exception_ptr& error, const std::string& gameDir);

}  // namespace app
