#include "platform/FileSystemCalls.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "forms/Error.h"
#include "platform/FileError.h"

namespace platform::detail {

bool faulted(const std::string& native) {
    // A path text holding a NUL byte names nothing: the system would stop
    // reading it at the NUL, at another file.
    if (native.find('\0') != std::string::npos) {
        errno = ENOENT;
        return true;
    }
    if (int error = accessFault(native); error != 0) {
        errno = error;
        return true;
    }
    return false;
}

int lstatPath(const std::string& native, struct stat* st) {
    return faulted(native) ? -1 : ::lstat(native.c_str(), st);
}

int statPath(const std::string& native, struct stat* st) {
    return faulted(native) ? -1 : ::stat(native.c_str(), st);
}

int openPath(const std::string& native, int flags, mode_t mode) {
    return faulted(native) ? -1 : ::open(native.c_str(), flags | O_CLOEXEC, mode);
}

bool isFolder(const std::string& native) {
    struct stat st {};
    return statPath(native, &st) == 0 && S_ISDIR(st.st_mode);
}

// A missing entry is "file not found" when its folder exists and "path not
// found" when the folder itself is missing.
[[noreturn]] void raise(int error, const std::string& native) {
    if (native.empty() || native.find('\0') != std::string::npos) {
        // A path text that names nothing the system can look up (empty, or
        // holding a NUL byte).
        throw FileError(forms::err::BadFileName, "Bad file name or number", "");
    }
    struct Report {
        int number;
        const char* description;
    };
    auto report = [&]() -> Report {
        switch (error) {
            case ENOENT:
            case ENOTDIR:
                if (isFolder(parentOf(native))) {
                    return {forms::err::FileNotFound, "File not found"};
                }
                return {forms::err::PathNotFound, "Path not found"};
            case EACCES:
            case EPERM:
            case EROFS:
            case ETXTBSY:
                return {forms::err::PermissionDenied, "Permission denied"};
            case ENOSPC:
            case EDQUOT:
                return {forms::err::DiskFull, "Disk full"};
            case EEXIST:
                return {forms::err::FileAlreadyExists, "File already exists"};
            case EISDIR:
                return {forms::err::PathFileAccess, "Path/File access error"};
            case ENAMETOOLONG:
                return {forms::err::BadFileName, "File name too long"};
            case kNotRegular:
                return {forms::err::PathFileAccess, "Not a regular file"};
            default:
                return {forms::err::DeviceIO, "Device I/O error"};
        }
    }();
    throw FileError(report.number, report.description, native);
}

// Checked by hand because the program may run with rights that ignore mode
// bits, and a read-only game file must stay untouched all the same.
bool isReadOnly(const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

mode_t currentUmask() {
    static const mode_t mask = [] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

// The program never changes who it runs as, so who that is is asked once.
uid_t effectiveUser() {
    static const uid_t user = ::geteuid();
    return user;
}

gid_t effectiveGroup() {
    static const gid_t group = ::getegid();
    return group;
}

mode_t newFileMode() {
    return static_cast<mode_t>(0666 & ~currentUmask());
}

Fd::~Fd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

void writeAll(int fd, const char* data, std::size_t size, const std::string& native) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            raise(errno, native);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::size_t readSome(int fd, char* buffer, std::size_t size, const std::string& native) {
    while (true) {
        ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno == EAGAIN) {
            pollfd ready{fd, POLLIN, 0};
            ::poll(&ready, 1, -1);
        } else if (errno != EINTR) {
            raise(errno, native);
        }
    }
}

// A pipe in a game file's place would make the open, or the first read, wait
// for a writer that never comes, and a device is no game file. The status is
// asked first, so such a path is never opened; the open does not wait
// either, and what it opened is checked again, since the path may have
// changed in between.
Fd openForReading(const std::string& native, struct stat* status) {
    struct stat st {};
    if (statPath(native, &st) != 0) {
        return Fd();
    }
    if (!S_ISREG(st.st_mode)) {
        errno = kNotRegular;
        return Fd();
    }
    Fd fd(openPath(native, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        return fd;
    }
    int error = 0;
    if (::fstat(fd.get(), &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = kNotRegular;
    }
    // O_NONBLOCK stays: reads of a regular file ignore it, and should a
    // read ever answer "try again", readSome waits for the data.
    if (status != nullptr) {
        *status = st;
    }
    if (error != 0) {
        fd = Fd();
        errno = error;
    }
    return fd;
}

Target targetOf(std::string path) {
    Target target;
    for (int hops = 0; hops < 40; ++hops) {
        if (lstatPath(path, &target.st) != 0) {
            if (!missing(errno)) {
                raise(errno, path);
            }
            target.path = path;
            return target;  // a new file (or a link to one yet to be made)
        }
        if (!S_ISLNK(target.st.st_mode)) {
            target.path = path;
            target.exists = true;
            return target;
        }
        std::string link(static_cast<std::size_t>(target.st.st_size) + 256, '\0');
        ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            raise(errno, path);
        }
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : joined(parentOf(path), link);
    }
    raise(ELOOP, path);
}

void syncFolderOf(std::string native) {
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    const std::string parent = parentOf(native);
    Fd folder(openPath(parent, O_RDONLY | O_DIRECTORY));
    if (folder.get() < 0 || ::fsync(folder.get()) != 0) {
        raise(errno, native);
    }
    record(FileStep::SyncFolder, parent);
}

}  // namespace platform::detail
