#include "platform/FileError.h"

namespace platform {

std::string describe(const forms::RuntimeError& error) {
    const auto* file = dynamic_cast<const FileError*>(&error);
    return file != nullptr && !file->Path().empty() ? file->Path() + ": " + error.Description()
                                                    : error.Description();
}

}  // namespace platform
