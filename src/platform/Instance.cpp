#include "platform/Instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr const char* kLockName = "zekskirmish.lock";

}  // namespace

InstanceCheck lockProgramFolder(const std::string& programFolder) {
    const std::string lockFile =
        (programFolder.empty() || programFolder.back() != '/' ? programFolder + "/"
                                                              : programFolder) +
        kLockName;
    // The descriptor stays open, and with it the lock, until the process
    // ends.
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        // A lock file that may not be written (the folder is shared read
        // only): a read lock is a lock all the same.
        fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (fd < 0) {
        return {false, lockFile + ": " + std::strerror(errno)};
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return {true, ""};
        }
        return {false, lockFile + ": " + std::strerror(error)};
    }
    return {};
}

}  // namespace platform
