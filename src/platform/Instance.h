// One running program per program folder.
#pragma once

#include <string>

namespace platform {

// Takes the program's single-instance lock for the rest of the process: an
// advisory lock on the program folder itself, the data it guards, so that
// two starts on one folder see each other whatever their environment and
// whatever happens to the files in it. The lock goes with its process, a
// crash included, and never needs cleaning up. Programs in different
// folders are different programs.
struct InstanceCheck {
    bool anotherRunning = false;
    // Why the lock could not be taken for another reason (the folder is
    // missing or cannot be read, say); empty when it was taken or another
    // process holds it.
    std::string failure;
};
InstanceCheck lockProgramFolder(const std::string& programFolder);

}  // namespace platform
