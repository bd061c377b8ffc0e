#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "forms/Error.h"

namespace platform {

namespace {

std::optional<CopyFault> copyFault;

bool equalsIgnoringCase(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The entry of a folder whose name equals `name` but for case, if any. When
// several do, the first in name order wins, so the choice is stable.
std::optional<std::string> findIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> matches;
    while (dirent* entry = readdir(dir)) {
        if (equalsIgnoringCase(name, entry->d_name)) {
            matches.emplace_back(entry->d_name);
        }
    }
    closedir(dir);
    if (matches.empty()) {
        return std::nullopt;
    }
    return *std::min_element(matches.begin(), matches.end());
}

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isFolder(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What the classic runtime reports for a failed file operation. A missing
// entry is "file not found" when its folder exists and "path not found" when
// the folder itself is missing.
[[noreturn]] void raise(int error, const std::string& native) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            if (isFolder(parentOf(native))) {
                throw forms::RuntimeError(forms::err::FileNotFound, "File not found");
            }
            throw forms::RuntimeError(forms::err::PathNotFound, "Path not found");
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            throw forms::RuntimeError(forms::err::PermissionDenied, "Permission denied");
        case ENOSPC:
        case EDQUOT:
            throw forms::RuntimeError(forms::err::DiskFull, "Disk full");
        case EEXIST:
            throw forms::RuntimeError(forms::err::FileAlreadyExists, "File already exists");
        case EISDIR:
            throw forms::RuntimeError(forms::err::PathFileAccess, "Path/File access error");
        default:
            throw forms::RuntimeError(forms::err::DeviceIO, "Device I/O error");
    }
}

// The read-only attribute: a file nobody may write. Checked by hand because
// the program may run with rights that ignore mode bits, and a read-only
// game file must stay untouched all the same.
bool isReadOnly(const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

mode_t newFileMode() {
    static const mode_t mode = [] {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

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

// Replaces a file's content whole. The new content goes into a temporary
// file beside the destination, which is renamed over it only once complete:
// the destination holds either its old content or the new one, never a part.
// The temporary lies in the destination's own folder so that the rename
// stays on one file system and is atomic.
void replaceWhole(const std::string& native,
                  const std::function<void(int fd, const std::string& temp)>& fill) {
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            raise(EISDIR, native);
        }
        if (isReadOnly(st)) {
            raise(EACCES, native);
        }
    }
    std::string folder = parentOf(native);
    if (!isFolder(folder)) {
        raise(ENOENT, native);
    }
    std::string temp = folder + "/." + nameOf(native) + ".zektmp-XXXXXX";
    std::vector<char> pattern(temp.begin(), temp.end());
    pattern.push_back('\0');
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        raise(errno, native);
    }
    temp.assign(pattern.data());
    Fd out(fd);
    try {
        fill(out.get(), temp);
        if (::fchmod(out.get(), newFileMode()) != 0) {
            raise(errno, native);
        }
        if (::close(out.release()) != 0) {
            raise(errno, native);
        }
        if (::rename(temp.c_str(), native.c_str()) != 0) {
            raise(errno, native);
        }
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

}  // namespace

std::string nativePath(const std::string& path) {
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (slashed.empty()) {
        return slashed;
    }
    bool absolute = slashed.front() == '/';
    std::string resolved = absolute ? "" : ".";
    std::size_t pos = 0;
    bool resolving = true;
    while (pos <= slashed.size()) {
        std::size_t next = slashed.find('/', pos);
        if (next == std::string::npos) {
            next = slashed.size();
        }
        std::string part = slashed.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) {
            continue;
        }
        std::string base = resolved.empty() ? "/" : resolved;
        std::string candidate = (resolved == "/" ? "" : resolved) + "/" + part;
        if (resolving && part != "." && part != "..") {
            struct stat st {};
            if (::lstat(candidate.c_str(), &st) != 0) {
                if (auto match = findIgnoringCase(base, part)) {
                    candidate = (resolved == "/" ? "" : resolved) + "/" + *match;
                } else {
                    resolving = false;  // what follows cannot exist either
                }
            }
        }
        resolved = candidate;
    }
    if (resolved.empty()) {
        return "/";
    }
    if (!absolute && resolved.rfind("./", 0) == 0) {
        resolved.erase(0, 2);
    }
    // A trailing separator names the folder itself.
    if (slashed.back() == '/' && resolved.back() != '/') {
        resolved += '/';
    }
    return resolved;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    return isFolder(nativePath(path));
}

void copyFile(const std::string& source, const std::string& destination) {
    std::string from = nativePath(source);
    std::string to = nativePath(destination);
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        raise(errno, from);
    }
    struct stat sourceStat {};
    if (::fstat(in.get(), &sourceStat) != 0) {
        raise(errno, from);
    }
    if (S_ISDIR(sourceStat.st_mode)) {
        raise(EISDIR, from);
    }
    struct stat destinationStat {};
    if (::stat(to.c_str(), &destinationStat) == 0 && destinationStat.st_dev == sourceStat.st_dev &&
        destinationStat.st_ino == sourceStat.st_ino) {
        return;  // the file onto itself: nothing to do, and nothing to lose
    }
    std::optional<std::size_t> failAfter;
    if (copyFault && copyFault->when && copyFault->when(source, destination)) {
        failAfter = copyFault->afterBytes;
    }
    replaceWhole(to, [&](int out, const std::string&) {
        std::vector<char> buffer(1 << 16);
        std::size_t written = 0;
        while (true) {
            ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                raise(errno, from);
            }
            if (n == 0) {
                break;
            }
            std::size_t chunk = static_cast<std::size_t>(n);
            if (failAfter && written + chunk > *failAfter) {
                writeAll(out, buffer.data(), *failAfter - written, to);
                throw forms::RuntimeError(forms::err::DeviceIO, "Device I/O error");
            }
            writeAll(out, buffer.data(), chunk, to);
            written += chunk;
        }
        if (failAfter) {
            throw forms::RuntimeError(forms::err::DeviceIO, "Device I/O error");
        }
    });
}

void makeFolder(const std::string& path) {
    std::string native = nativePath(path);
    if (::mkdir(native.c_str(), 0777) != 0) {
        if (errno == EEXIST) {
            throw forms::RuntimeError(forms::err::PathFileAccess, "Path/File access error");
        }
        raise(errno, native);
    }
}

std::string readTextFile(const std::string& path) {
    std::string native = nativePath(path);
    Fd in(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        raise(errno, native);
    }
    std::string text;
    char buffer[4096];
    while (true) {
        ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            raise(errno, native);
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::string native = nativePath(path);
    replaceWhole(native, [&](int out, const std::string&) {
        writeAll(out, text.data(), text.size(), native);
    });
}

std::string readRecord(const std::string& path, std::size_t length) {
    std::string native = nativePath(path);
    std::string record(length, '\0');
    // The open creates a missing file, as a binary open does; a read-only
    // file is opened for reading only.
    struct stat st {};
    bool readOnly = ::stat(native.c_str(), &st) == 0 && isReadOnly(st);
    int flags = readOnly ? O_RDONLY : (O_RDWR | O_CREAT);
    Fd in(::open(native.c_str(), flags | O_CLOEXEC, newFileMode()));
    if (in.get() < 0) {
        raise(errno, native);
    }
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::pread(in.get(), record.data() + got, length - got, static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            raise(errno, native);
        }
        if (n == 0) {
            break;  // a shorter file: the rest stays NUL
        }
        got += static_cast<std::size_t>(n);
    }
    return record;
}

// A record is written in place, not by replacing the file: the file keeps
// any bytes beyond the record, its identity and its mode, exactly as a
// binary write at byte 1 does. A record is small enough to go in one write.
void writeRecord(const std::string& path, const std::string& record) {
    std::string native = nativePath(path);
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && isReadOnly(st)) {
        throw forms::RuntimeError(forms::err::PathFileAccess, "Path/File access error");
    }
    Fd out(::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, newFileMode()));
    if (out.get() < 0) {
        raise(errno, native);
    }
    std::size_t done = 0;
    while (done < record.size()) {
        ssize_t n = ::pwrite(out.get(), record.data() + done, record.size() - done,
                             static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            raise(errno, native);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(out.release()) != 0) {
        raise(errno, native);
    }
}

void setCopyFault(std::optional<CopyFault> fault) {
    copyFault = std::move(fault);
}

}  // namespace platform
