#include "platform/Instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

namespace platform {

bool anotherInstanceRunning(const std::string& programPath) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtimeDir != nullptr && *runtimeDir != '\0' ? runtimeDir : "/tmp";
    std::string lockFile =
        folder + "/zekskirmish-" + std::to_string(std::hash<std::string>{}(programPath)) + ".lock";
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;  // no lock to be had: let this one run
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return false;  // held until the process ends; the descriptor stays open
    }
    ::close(fd);
    return true;
}

}  // namespace platform
