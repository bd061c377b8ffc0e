#include "platform/Instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// The file locked where the folder itself cannot be (see below).
constexpr const char* kLockName = "zekskirmish.lock";

enum class Lock { Taken, Held, Unsupported, Failed };

// Takes an exclusive lock on the open file without waiting. The descriptor
// is closed unless the lock was taken.
Lock lockOpen(int fd, int& error) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno;
        if (error == EINTR) {
            continue;
        }
        ::close(fd);
        switch (error) {
            case EWOULDBLOCK:
                return Lock::Held;
            // A network file system locks only what is open for writing,
            // which a folder never is.
            case EBADF:
            case ENOLCK:
            case EOPNOTSUPP:
            case EINVAL:
                return Lock::Unsupported;
            default:
                return Lock::Failed;
        }
    }
    return Lock::Taken;
}

InstanceCheck outcome(Lock lock, const std::string& path, int error) {
    if (lock == Lock::Taken) {
        return {};
    }
    if (lock == Lock::Held) {
        return {true, ""};
    }
    return {false, path + ": " + std::strerror(error)};
}

}  // namespace

InstanceCheck lockProgramFolder(const std::string& programFolder) {
    // The lock is on the folder itself, not on a file in it: a file can be
    // deleted or replaced under a running program (by a cleaner, or by a
    // user who takes it for a stale lock), and a second start would then
    // lock the new one. The folder is the data guarded, and it cannot go
    // while it holds the user's files. The descriptor stays open, and with
    // it the lock, until the process ends.
    int error = 0;
    int fd = ::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {false, programFolder + ": " + std::strerror(errno)};
    }
    Lock lock = lockOpen(fd, error);
    if (lock != Lock::Unsupported) {
        return outcome(lock, programFolder, error);
    }
    // Where a folder cannot be locked, a file in it is, opened for writing.
    const std::string lockFile =
        (programFolder.back() == '/' ? programFolder : programFolder + "/") + kLockName;
    fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return {false, lockFile + ": " + std::strerror(errno)};
    }
    lock = lockOpen(fd, error);
    return outcome(lock, lockFile, error);
}

}  // namespace platform
