// Whether another process of this program is running.
#pragma once

#include <string>

namespace platform {

// Takes the program's single-instance lock for the rest of the process and
// reports whether another process holds it already. The lock is an advisory
// lock on a file, so it goes with its process, a crash included, and never
// needs cleaning up. Programs in different folders are different programs.
bool anotherInstanceRunning(const std::string& programPath);

}  // namespace platform
