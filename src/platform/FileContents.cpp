#include "platform/FileContents.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/CopySet.h"
#include "platform/FileError.h"
#include "platform/FileSystemCalls.h"
#include "platform/PathResolver.h"

namespace platform {

using namespace detail;

std::string readTextFile(const std::string& path) {
    Resolver resolver;
    std::string native;
    Fd in = openText(resolver, path, native);
    if (in.get() < 0) {
        raise(errno, native);
    }
    std::string text;
    char buffer[4096];
    while (std::size_t n = readSome(in.get(), buffer, sizeof buffer, native)) {
        text.append(buffer, n);
    }
    return text;
}

void writeTextFile(const std::string& path, const std::string& text) {
    FileOperation operation;
    writeTextFile(operation, path, text);
}

void writeTextFile(FileOperation& operation, const std::string& path, const std::string& text) {
    CopySet set(operation);
    set.addBytes(path, text);
    set.commit(CopySet::OnFailure::Stop);
}

namespace {

// Opens a record file in the case it is written in, and looks for another
// spelling only when there is no such file: the patch opens 300 record files
// in a row, nearly all of them in their exact case. Only a regular file is
// opened: the open does not wait, and what it opened must be one (a pipe
// would make the transfer wait for ever).
Fd openRecord(const std::string& path, int flags, std::string& native, struct stat* status) {
    auto open = [status](const std::string& file, int how) {
        how |= O_NONBLOCK | O_NOCTTY;
        Fd fd(openPath(file, how, newFileMode()));
        // Only a file's owner may read it without touching its access time.
        if (fd.get() < 0 && errno == EPERM && (how & O_NOATIME) != 0) {
            fd = Fd(openPath(file, how & ~O_NOATIME, newFileMode()));
        }
        // A writer needs the status (for the read-only check); a reader
        // does without: a read of a pipe or a folder fails at once.
        struct stat st {};
        if (status != nullptr && fd.get() >= 0 &&
            (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))) {
            const int error = S_ISREG(st.st_mode) ? errno : kNotRegular;
            fd = Fd();
            errno = error;
        }
        if (status != nullptr) {
            *status = st;
        }
        return fd;
    };
    native = slashed(path);
    Fd fd = open(native, flags);
    if (fd.get() < 0 && missing(errno)) {
        native = Resolver().resolve(path, true);
        fd = open(native, flags);
        if (fd.get() < 0 && errno == ENOENT) {
            fd = open(native, flags | O_CREAT);
        }
    }
    return fd;
}

// The first `length` bytes of an open record file, NUL bytes past its end.
std::string readAt(int fd, std::size_t length, const std::string& native, std::size_t* read) {
    std::string record(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::pread(fd, record.data() + got, length - got, static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            raise(errno == ESPIPE ? kNotRegular : errno, native);
        }
        if (n == 0) {
            break;  // a shorter file: the rest stays NUL
        }
        got += static_cast<std::size_t>(n);
    }
    if (read != nullptr) {
        *read = got;
    }
    return record;
}

// A record file opened for writing, refused when it is read-only.
Fd openForWriting(const std::string& path, int flags, std::string& native) {
    struct stat st {};
    Fd out = openRecord(path, flags, native, &st);
    if (out.get() < 0) {
        int error = errno;
        if (statPath(native, &st) == 0 && S_ISREG(st.st_mode) && isReadOnly(st)) {
            throw FileError(forms::err::PathFileAccess, "Path/File access error", native);
        }
        raise(error, native);
    }
    if (isReadOnly(st)) {
        throw FileError(forms::err::PathFileAccess, "Path/File access error", native);
    }
    return out;
}

// Writes the record at byte 1 of the open file and closes it.
void writeAt(Fd out, const std::string& record, const std::string& native) {
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

}  // namespace

std::string readRecord(const std::string& path, std::size_t length, std::size_t* read) {
    std::string native;
    // Reading needs no write access, so a read-only file reads like any
    // other; a missing one is created, as a binary open does. The access
    // time is left alone: with relative access times, a read of a file
    // written since it was last read costs a journalled inode update, and
    // every attribute file the patch reads was written by the patch before.
    Fd in = openRecord(path, O_RDONLY | O_NOATIME, native, nullptr);
    if (in.get() < 0) {
        raise(errno, native);
    }
    return readAt(in.get(), length, native, read);
}

// A record is small enough to go in one write, in place.
void writeRecord(const std::string& path, const std::string& record) {
    std::string native;
    Fd out = openForWriting(path, O_WRONLY, native);
    writeAt(std::move(out), record, native);
}

std::string updateRecord(const std::string& path, std::size_t length,
                         const std::function<void(std::string&)>& change) {
    std::string native;
    Fd file = openForWriting(path, O_RDWR, native);
    std::string record = readAt(file.get(), length, native, nullptr);
    change(record);
    writeAt(std::move(file), record, native);
    return record;
}

}  // namespace platform
