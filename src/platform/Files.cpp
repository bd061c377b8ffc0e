#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "forms/Error.h"

namespace platform {

namespace {

std::optional<CopyFault> copyFault;
std::function<void(const FileEvent&)> recorder;
std::function<int(const std::string&)> accessFault;

// Whether a test records the steps: the paths of a step are only put
// together for a recorder.
bool recording() {
    return static_cast<bool>(recorder);
}

void record(FileStep step, const std::string& path, const std::string& target = {}) {
    if (recorder) {
        recorder(FileEvent{step, path, target});
    }
}

// Case is folded for ASCII letters only, whatever the locale: the game's
// names are ASCII, and a user's locale must not change which file a name
// stands for.
char lowerLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), lowerLetter);
    return text;
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
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

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool missing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// Our own error number for a path that is there but is no regular file (a
// folder, a pipe, a device): reading it could block for ever or read
// something that is no game file. Outside the system's numbers.
constexpr int kNotRegular = -1;

// ---- the system calls on paths, where tests inject their faults

bool faulted(const std::string& native) {
    // A path text holding a NUL byte names nothing: the system would stop
    // reading it at the NUL, at another file.
    if (native.find('\0') != std::string::npos) {
        errno = ENOENT;
        return true;
    }
    if (accessFault) {
        if (int error = accessFault(native); error != 0) {
            errno = error;
            return true;
        }
    }
    return false;
}

int lstatPath(const std::string& native, struct stat* st) {
    return faulted(native) ? -1 : ::lstat(native.c_str(), st);
}

int statPath(const std::string& native, struct stat* st) {
    return faulted(native) ? -1 : ::stat(native.c_str(), st);
}

int openPath(const std::string& native, int flags, mode_t mode = 0) {
    return faulted(native) ? -1 : ::open(native.c_str(), flags | O_CLOEXEC, mode);
}

bool isFolder(const std::string& native) {
    struct stat st {};
    return statPath(native, &st) == 0 && S_ISDIR(st.st_mode);
}

// What the classic runtime reports for a failed file operation. A missing
// entry is "file not found" when its folder exists and "path not found" when
// the folder itself is missing.
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
            case kNotRegular:
                return {forms::err::PathFileAccess, "Not a regular file"};
            default:
                return {forms::err::DeviceIO, "Device I/O error"};
        }
    }();
    throw FileError(report.number, report.description, native);
}

// The read-only attribute: a file nobody may write. Checked by hand because
// the program may run with rights that ignore mode bits, and a read-only
// game file must stay untouched all the same.
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

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) {
                ::close(fd_);
            }
            fd_ = other.release();
        }
        return *this;
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

// One read, repeated when a signal interrupts it; 0 at the end of the file.
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

// Opens a file for reading only when it is a regular file (or a link to
// one): a pipe in a game file's place would make the open, or the first
// read, wait for a writer that never comes, and a device is no game file.
// The status is asked first, so such a path is never opened; the open does
// not wait either, and what it opened is checked again, since the path may
// have changed in between. On failure `errno` tells why (kNotRegular for
// what is not a regular file). `status`, when given, receives the status of
// the file opened.
Fd openForReading(const std::string& native, struct stat* status = nullptr) {
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

// ---- temporary files

constexpr const char* kTempMark = ".zektmp-";
constexpr std::size_t kTempSuffix = 6;

// ".NAME.zektmp-XXXXXX": only the program writes such names, and only while
// a copy is under way. The single-instance lock on the program folder means
// that one found before a copy starts is a leftover of a copy that was
// killed.
bool isOwnTemporary(const std::string& name) {
    const std::size_t markLength = std::strlen(kTempMark);
    if (name.size() < 2 + markLength + kTempSuffix || name.front() != '.') {
        return false;
    }
    return name.compare(name.size() - kTempSuffix - markLength, markLength, kTempMark) == 0;
}

std::string temporaryName(const std::string& name) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::minstd_rand random(static_cast<unsigned>(::getpid()) ^
                                   static_cast<unsigned>(std::random_device{}()));
    std::string temp = "." + name + kTempMark;
    for (std::size_t i = 0; i < kTempSuffix; ++i) {
        temp += kChars[random() % (sizeof kChars - 1)];
    }
    return temp;
}

// ---- names in any case

// The entries of one folder, to find a name in another case. When several
// entries differ from a name only in case, the first in name order wins, so
// the same text always names the same file. The program's own temporary
// files are kept apart: nothing looks them up, and the sweep removes them.
// A folder that cannot be read lists as empty.
class Listing {
public:
    explicit Listing(const std::string& folder) {
        DIR* dir = faulted(folder) ? nullptr : ::opendir(folder.c_str());
        if (dir == nullptr) {
            return;
        }
        record(FileStep::List, folder);
        while (dirent* entry = ::readdir(dir)) {
            if (isOwnTemporary(entry->d_name)) {
                stale_.emplace_back(entry->d_name);
            } else {
                add(entry->d_name);
            }
        }
        ::closedir(dir);
    }

    std::optional<std::string> find(const std::string& name) const {
        auto match = first_.find(lowerCase(name));
        if (match == first_.end()) {
            return std::nullopt;
        }
        if (match->second != name && others_.count(name) != 0) {
            return name;  // the exact spelling exists too
        }
        return match->second;
    }

    // The temporary files a killed copy left, until they are swept.
    std::vector<std::string> takeStale() { return std::exchange(stale_, {}); }

    void remove(const std::string& name) {
        if (others_.erase(name) != 0) {
            return;
        }
        auto slot = first_.find(lowerCase(name));
        if (slot == first_.end() || slot->second != name) {
            return;
        }
        // The next spelling in name order takes its place, if there is one.
        std::optional<std::string> next;
        for (const std::string& other : others_) {
            if (lowerCase(other) == slot->first && (!next || other < *next)) {
                next = other;
            }
        }
        if (next) {
            others_.erase(*next);
            slot->second = *next;
        } else {
            first_.erase(slot);
        }
    }

    void add(const std::string& name) {
        std::string folded = lowerCase(name);
        // A copy put in place mostly replaces a name the folder has.
        if (auto known = first_.find(folded); known != first_.end() && known->second == name) {
            return;
        }
        auto [slot, inserted] = first_.emplace(std::move(folded), name);
        if (inserted || slot->second == name) {
            return;
        }
        if (name < slot->second) {
            others_.insert(std::exchange(slot->second, name));
        } else {
            others_.insert(name);
        }
    }

private:
    // One entry per name but for case, holding its first spelling; the
    // other spellings, which few folders have, apart. A folder of ten
    // thousand entries is listed in about the time the system takes to
    // read it.
    std::unordered_map<std::string, std::string> first_;
    std::unordered_set<std::string> others_;
    std::vector<std::string> stale_;
};

// A path text with "\" as "/" and no empty names: "a\\b/" is "a/b/".
std::string slashed(const std::string& text) {
    std::string path = text;
    char* out = path.data();
    char previous = '\0';
    for (char c : text) {
        c = c == '\\' ? '/' : c;
        if (c != '/' || previous != '/') {
            *out++ = previous = c;
        }
    }
    path.resize(static_cast<std::size_t>(out - path.data()));
    return path;
}

// Maps path texts onto the file system. The whole path is tried first, in
// the case it is written in, which is what nearly every path of a game
// installed in one case needs: one look-up. Only when that fails is the path
// walked name by name. What the walk finds (the folders and the listings of
// their entries) is kept for the resolver's life, which is one file
// operation, so that an operation on 152 files lists a folder once, not once
// per file.
class Resolver {
public:
    // `literalMissing`: the caller found nothing at the path as written.
    // A text the system cannot look up (empty, or holding a NUL byte)
    // resolves to the empty path, which names nothing.
    std::string resolve(const std::string& text, bool literalMissing = false) {
        const std::string slashed = platform::slashed(text);
        if (slashed.empty() || slashed.find('\0') != std::string::npos) {
            return "";
        }
        std::vector<std::string> parts;
        for (std::size_t pos = 0; pos <= slashed.size();) {
            std::size_t next = std::min(slashed.find('/', pos), slashed.size());
            if (next > pos) {
                parts.push_back(slashed.substr(pos, next - pos));
            }
            pos = next + 1;
        }
        const bool absolute = slashed.front() == '/';
        const bool trailing = slashed.back() == '/';

        std::string literal = absolute ? "" : ".";
        for (const std::string& part : parts) {
            literal = joined(literal.empty() ? "/" : literal, part);
        }
        struct stat st {};
        if (!parts.empty() && !literalMissing && lstatPath(literal, &st) == 0) {
            return finished(literal, absolute, trailing);
        }

        std::string resolved = absolute ? "" : ".";
        std::string written = resolved;
        bool resolving = true;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const std::string& part = parts[i];
            const std::string base = resolved.empty() ? "/" : resolved;
            std::string candidate = joined(base, part);
            written = joined(written.empty() ? "/" : written, part);
            const bool last = i + 1 == parts.size();
            if (resolving && part != "." && part != "..") {
                auto known = folders_.find(written);
                if (!last && known != folders_.end()) {
                    candidate = known->second;
                } else if (auto found = findIn(base, part, candidate)) {
                    candidate = joined(base, *found);
                    if (!last) {
                        folders_[written] = candidate;
                    }
                } else {
                    resolving = false;  // what follows cannot exist either
                }
            }
            resolved = candidate;
        }
        return finished(resolved, absolute, trailing);
    }

    Listing& listing(const std::string& folder) {
        auto known = listings_.find(folder);
        if (known == listings_.end()) {
            known = listings_.emplace(folder, Listing(folder)).first;
        }
        return known->second;
    }

    // The listing of a folder the operation has listed already, else null.
    Listing* listed(const std::string& folder) {
        auto known = listings_.find(folder);
        return known == listings_.end() ? nullptr : &known->second;
    }

private:
    // The entry of `folder` that `name` stands for: the name itself when it
    // exists, else a spelling that differs only in case. Of all spellings,
    // the one in upper case comes first in name order, so when it exists it
    // is the answer without listing the folder: games installed from disc
    // carry such names, often in folders of thousands of entries.
    std::optional<std::string> findIn(const std::string& folder, const std::string& name,
                                      const std::string& candidate) {
        if (!listed(folder)) {
            struct stat st {};
            if (lstatPath(candidate, &st) == 0) {
                return name;
            }
            std::string upper = upperCase(name);
            if (upper != name && lstatPath(joined(folder, upper), &st) == 0) {
                return upper;
            }
        }
        return listing(folder).find(name);
    }

    static std::string finished(std::string resolved, bool absolute, bool trailing) {
        if (resolved.empty()) {
            return "/";
        }
        if (!absolute && resolved.rfind("./", 0) == 0) {
            resolved.erase(0, 2);
        }
        // A trailing separator names the folder itself.
        if (trailing && resolved.back() != '/') {
            resolved += '/';
        }
        return resolved;
    }

    std::unordered_map<std::string, std::string> folders_;  // written text -> existing folder
    std::unordered_map<std::string, Listing> listings_;     // folder -> its entries
};

// Opens a path text for reading (see openForReading): as written first,
// which is what nearly every path of a game installed in one case needs,
// and through the resolver's walk only when that fails. `native` receives
// the path opened, or the one that failed.
Fd openText(Resolver& resolver, const std::string& path, std::string& native,
            struct stat* status = nullptr) {
    native = slashed(path);
    Fd fd = openForReading(native, status);
    if (fd.get() < 0) {
        native = resolver.resolve(path, missing(errno));
        fd = openForReading(native, status);
    }
    return fd;
}

// The status of what a path text names, links followed (`follow`) or not:
// as written first, then through the walk. `native` receives the path
// looked at; false with `errno` set when there is nothing to see.
bool statusOf(Resolver& resolver, const std::string& path, bool follow, std::string& native,
              struct stat* st) {
    auto look = [&] { return follow ? statPath(native, st) : lstatPath(native, st); };
    native = slashed(path);
    if (look() == 0) {
        return true;
    }
    native = resolver.resolve(path, missing(errno));
    return look() == 0;
}

// Copies the rest of `in` into `out`. The kernel copies between the two
// files itself where it can; a failure injected by a test goes the long way,
// so that it can stop after an exact number of bytes.
void copyData(int in, int out, std::optional<std::size_t> failAfter, int failError,
              const std::string& from, const std::string& to) {
    if (!failAfter) {
        while (true) {
            ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0) {
                continue;
            }
            if (n == 0) {
                return;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
                raise(errno, to);
            }
            break;  // not between these two files: copy through a buffer
        }
    }
    std::vector<char> buffer(1 << 16);
    std::size_t written = 0;
    while (std::size_t chunk = readSome(in, buffer.data(), buffer.size(), from)) {
        if (failAfter && written + chunk > *failAfter) {
            writeAll(out, buffer.data(), *failAfter - written, to);
            raise(failError, to);
        }
        writeAll(out, buffer.data(), chunk, to);
        written += chunk;
    }
    if (failAfter) {
        raise(failError, to);
    }
}

// Where the bytes for a destination go: a symbolic link is followed to its
// target, as long as there are links, so that the link stays a link and the
// file it names gets the content.
struct Target {
    std::string path;
    bool exists = false;
    struct stat st {};
};

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

// Puts the entries of the folder holding `native` on disk.
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

// Removes the program's own temporary files that the listing of `folder`
// found there, through the folder's descriptor when one is open.
void sweepListed(Listing& listing, const std::string& folder, int folderFd = AT_FDCWD) {
    for (const std::string& name : listing.takeStale()) {
        const std::string path = joined(folder, name);
        if (::unlinkat(folderFd, folderFd == AT_FDCWD ? path.c_str() : name.c_str(), 0) == 0) {
            record(FileStep::Remove, path);
        }
    }
}

}  // namespace

// ---- CopySet

struct FileOperation::Impl {
    Resolver resolver;
    // The two halves of the buffer comparisons read through, taken once for
    // the operation's many comparisons.
    static constexpr std::size_t kChunk = 1 << 16;
    std::unique_ptr<char[]> compared;

    // Whether the rest of two open files holds the same bytes. Every byte
    // is read into the buffer before it is looked at, so it needs no
    // clearing first.
    bool sameBytes(int a, int b) {
        if (!compared) {
            compared = std::make_unique_for_overwrite<char[]>(2 * kChunk);
        }
        char* const bufferA = compared.get();
        char* const bufferB = bufferA + kChunk;
        while (true) {
            ssize_t n = ::read(a, bufferA, kChunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (n <= 0) {
                return n == 0;
            }
            std::size_t got = 0;
            while (got < static_cast<std::size_t>(n)) {
                ssize_t m = ::read(b, bufferB + got, static_cast<std::size_t>(n) - got);
                if (m < 0 && (errno == EINTR || errno == EAGAIN)) {
                    continue;
                }
                if (m <= 0) {
                    return false;
                }
                got += static_cast<std::size_t>(m);
            }
            if (std::memcmp(bufferA, bufferB, got) != 0) {
                return false;
            }
        }
    }
};

struct CopySet::Impl {
    // A folder copies go into, held open for its temporary files, the
    // renames and the sync of its entries.
    struct Folder {
        std::string path;
        Fd fd;
        dev_t device = 0;
        bool renamedInto = false;
    };
    struct Pending {
        Folder* folder = nullptr;  // null: nothing to do (a file onto itself)
        std::string temp;
        std::string name;
        int renameFault = 0;  // an injected failure of the rename
    };

    explicit Impl(FileOperation* shared)
        : own(shared != nullptr ? nullptr : std::make_unique<FileOperation>()),
          operation(*(shared != nullptr ? *shared : *own).impl_),
          resolver(operation.resolver) {}
    ~Impl() { dropFrom(0); }

    std::unique_ptr<FileOperation> own;
    FileOperation::Impl& operation;
    Resolver& resolver;
    std::unordered_map<std::string, Folder> folders;
    std::vector<Pending> pending;
    std::size_t placed = 0;

    // Opens a folder for the first copy into it, and removes the temporary
    // files a killed copy left there.
    Folder& folder(const std::string& path, const std::string& destination) {
        auto known = folders.find(path);
        if (known != folders.end()) {
            return known->second;
        }
        Fd fd(openPath(path, O_RDONLY | O_DIRECTORY));
        if (fd.get() < 0) {
            raise(errno, destination);
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            raise(errno, destination);
        }
        // Before the first copy into the folder, the leftovers of a copy
        // that was killed go. The listing also serves the look-ups of names
        // in another case there.
        sweepListed(resolver.listing(path), path, fd.get());
        Folder& added = folders[path];
        added.path = path;
        added.fd = std::move(fd);
        added.device = st.st_dev;
        return added;
    }

    // Writes a new file's data into a temporary beside the destination.
    // `fill` writes the data; on any failure the temporary is removed.
    // (A template rather than a std::function: the copy's filler would
    // cost an allocation per file.)
    template <typename Fill>
    void stage(const std::string& destinationText, const struct stat* source, int renameFault,
               const Fill& fill) {
        const std::string literal = slashed(destinationText);
        Target target = targetOf(literal);
        if (!target.exists) {
            target = targetOf(resolver.resolve(destinationText, target.path == literal));
        }
        if (target.exists) {
            if (S_ISDIR(target.st.st_mode)) {
                raise(EISDIR, target.path);
            }
            if (source != nullptr && target.st.st_dev == source->st_dev &&
                target.st.st_ino == source->st_ino) {
                pending.push_back({});  // the file onto itself: nothing to lose
                return;
            }
            if (isReadOnly(target.st)) {
                raise(EACCES, target.path);
            }
        }
        Folder& into = folder(parentOf(target.path), target.path);
        const std::string name = nameOf(target.path);
        const mode_t mode = target.exists ? (target.st.st_mode & 07777) : newFileMode();

        std::string temp;
        Fd out;
        for (int attempt = 0; out.get() < 0; ++attempt) {
            temp = temporaryName(name);
            out = Fd(::openat(into.fd.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              mode & 0777));
            if (out.get() < 0 && (errno != EEXIST || attempt == 100)) {
                raise(errno, target.path);
            }
        }
        try {
            if ((mode & ~currentUmask()) != mode && ::fchmod(out.get(), mode) != 0) {
                raise(errno, target.path);
            }
            // A file the program replaces keeps its owner where the rights
            // allow; a user's file does not become the program's.
            if (target.exists &&
                (target.st.st_uid != effectiveUser() || target.st.st_gid != effectiveGroup())) {
                [[maybe_unused]] int ignored =
                    ::fchown(out.get(), target.st.st_uid, target.st.st_gid);
            }
            fill(out.get(), target.path);
            if (::close(out.release()) != 0) {
                raise(errno, target.path);
            }
            if (recording()) {
                record(FileStep::Write, joined(into.path, temp), target.path);
            }
        } catch (...) {
            ::unlinkat(into.fd.get(), temp.c_str(), 0);
            throw;
        }
        pending.push_back({&into, temp, name, renameFault});
    }

    void dropFrom(std::size_t first) {
        for (std::size_t i = first; i < pending.size(); ++i) {
            if (pending[i].folder != nullptr) {
                ::unlinkat(pending[i].folder->fd.get(), pending[i].temp.c_str(), 0);
            }
        }
        pending.resize(std::min(first, pending.size()));
    }

    std::vector<std::size_t> commit(OnFailure onFailure) {
        std::vector<std::size_t> failed;
        try {
            // The data first, once per file system: a sync of the whole file
            // system costs about what one file's sync costs, where a sync per
            // file would cost it 152 times. A file system that gets a single
            // file (a text file, a lone copy) syncs just that file, so that
            // it does not wait for whatever else is being written there.
            std::map<dev_t, std::vector<const Pending*>> byDevice;
            for (const Pending& copy : pending) {
                if (copy.folder != nullptr) {
                    byDevice[copy.folder->device].push_back(&copy);
                }
            }
            for (const auto& [device, copies] : byDevice) {
                const Pending& first = *copies.front();
                if (copies.size() > 1) {
                    if (::syncfs(first.folder->fd.get()) != 0) {
                        raise(errno, first.folder->path);
                    }
                    record(FileStep::SyncFileSystem, first.folder->path);
                    continue;
                }
                const std::string temp = joined(first.folder->path, first.temp);
                Fd file(::openat(first.folder->fd.get(), first.temp.c_str(), O_RDONLY | O_CLOEXEC));
                if (file.get() < 0 || ::fsync(file.get()) != 0) {
                    raise(errno, temp);
                }
                record(FileStep::SyncFile, temp);
            }
        } catch (...) {
            dropFrom(0);
            throw;
        }
        // Then the names, in order: each destination switches from its old
        // content to its new one, both whole on disk.
        int stopError = 0;
        std::string stopPath;
        std::size_t i = 0;
        for (; i < pending.size(); ++i) {
            Pending& copy = pending[i];
            if (copy.folder == nullptr) {
                ++placed;
                continue;
            }
            int error = 0;
            if (copy.renameFault != 0) {
                error = copy.renameFault;
            } else if (::renameat(copy.folder->fd.get(), copy.temp.c_str(), copy.folder->fd.get(),
                                  copy.name.c_str()) != 0) {
                error = errno;
            }
            if (error == 0) {
                if (recording()) {
                    record(FileStep::Rename, joined(copy.folder->path, copy.temp),
                           joined(copy.folder->path, copy.name));
                }
                copy.folder->renamedInto = true;
                if (Listing* listing = resolver.listed(copy.folder->path)) {
                    listing->add(copy.name);
                }
                copy.folder = nullptr;
                ++placed;
                continue;
            }
            ::unlinkat(copy.folder->fd.get(), copy.temp.c_str(), 0);
            const std::string target = joined(copy.folder->path, copy.name);
            copy.folder = nullptr;
            if (onFailure == OnFailure::Stop) {
                stopError = error;
                stopPath = target;
                break;
            }
            failed.push_back(i);
        }
        dropFrom(i);
        pending.clear();
        // Last the folders, so that the new names survive a power cut too.
        for (auto& [path, into] : folders) {
            if (into.renamedInto) {
                if (::fsync(into.fd.get()) != 0) {
                    raise(errno, path);
                }
                record(FileStep::SyncFolder, path);
                into.renamedInto = false;
            }
        }
        if (stopError != 0) {
            raise(stopError, stopPath);
        }
        return failed;
    }
};

CopySet::CopySet() : impl_(std::make_unique<Impl>(nullptr)) {}

CopySet::CopySet(FileOperation& operation) : impl_(std::make_unique<Impl>(&operation)) {}

CopySet::~CopySet() = default;

bool CopySet::add(const std::string& source, const std::string& destination,
                  IfSourceMissing ifMissing, IfSame ifSame) {
    std::string from = slashed(source);
    struct stat sourceStat {};
    Fd in = openForReading(from, &sourceStat);
    if (in.get() < 0 && missing(errno)) {
        from = impl_->resolver.resolve(source, true);
        in = openForReading(from, &sourceStat);
    }
    if (in.get() < 0) {
        // Only a source that is not there at all is missing; one that is
        // there and cannot be read is a failure, whatever the caller skips.
        if (ifMissing == IfSourceMissing::Skip && errno == ENOENT && !from.empty()) {
            return false;
        }
        raise(errno, from);
    }
    if (ifSame == IfSame::Skip) {
        // The source is open already: the comparison reads it, then the
        // copy reads it again from its start.
        std::string to;
        struct stat destinationStat {};
        Fd held = openText(impl_->resolver, destination, to, &destinationStat);
        if (held.get() >= 0 && destinationStat.st_size == sourceStat.st_size &&
            impl_->operation.sameBytes(in.get(), held.get())) {
            return false;
        }
        if (::lseek(in.get(), 0, SEEK_SET) != 0) {
            raise(errno, from);
        }
    }
    std::optional<std::size_t> failAfter;
    int renameFault = 0;
    int failError = EIO;
    if (copyFault && copyFault->when && copyFault->when(source, destination)) {
        failError = copyFault->error != 0 ? copyFault->error : EIO;
        if (copyFault->atRename) {
            renameFault = failError;
        } else {
            failAfter = copyFault->afterBytes;
        }
    }
    impl_->stage(destination, &sourceStat, renameFault, [&](int out, const std::string& to) {
        copyData(in.get(), out, failAfter, failError, from, to);
    });
    return true;
}

std::vector<std::size_t> CopySet::commit(OnFailure onFailure) {
    return impl_->commit(onFailure);
}

std::size_t CopySet::placed() const {
    return impl_->placed;
}

// ---- one operation

FileOperation::FileOperation() : impl_(std::make_unique<Impl>()) {}

FileOperation::~FileOperation() = default;

std::string FileOperation::nativePath(const std::string& path) {
    return impl_->resolver.resolve(path);
}

FileOperation::Entry FileOperation::entry(const std::string& path, bool exact) {
    std::string native;
    struct stat st {};
    const bool there = exact ? lstatPath(native = slashed(path), &st) == 0
                             : statusOf(impl_->resolver, path, false, native, &st);
    if (!there) {
        if (native.empty() || missing(errno)) {
            return {};
        }
        raise(errno, native);
    }
    if (S_ISLNK(st.st_mode)) {
        Target target = targetOf(native);
        if (!target.exists) {
            return {Kind::DanglingLink, target.path};
        }
        st = target.st;
    }
    return {S_ISREG(st.st_mode)   ? Kind::File
            : S_ISDIR(st.st_mode) ? Kind::Folder
                                  : Kind::Other,
            ""};
}

bool FileOperation::fileExists(const std::string& path) {
    std::string native;
    struct stat st {};
    return statusOf(impl_->resolver, path, true, native, &st) && S_ISREG(st.st_mode);
}

bool FileOperation::folderExists(const std::string& path) {
    std::string native;
    struct stat st {};
    return statusOf(impl_->resolver, path, true, native, &st) && S_ISDIR(st.st_mode);
}

bool FileOperation::removeRegularFile(const std::string& path, bool exact) {
    const std::string native = exact ? path : nativePath(path);
    struct stat st {};
    if (native.empty() || lstatPath(native, &st) != 0) {
        if (native.empty() || missing(errno)) {
            return false;
        }
        raise(errno, native);
    }
    if (!S_ISREG(st.st_mode)) {
        return false;
    }
    if (::unlink(native.c_str()) != 0) {
        raise(errno, native);
    }
    if (Listing* listing = impl_->resolver.listed(parentOf(native))) {
        listing->remove(nameOf(native));
    }
    // Gone for good before the caller goes on: a file End Game has taken
    // out of the game's folder must not come back with a power cut.
    syncFolderOf(native);
    return true;
}

void FileOperation::sweep(const std::string& folder) {
    std::string native = nativePath(folder);
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    if (!native.empty() && isFolder(native)) {
        sweepListed(impl_->resolver.listing(native), native);
    }
}

// ---- single files

std::string nativePath(const std::string& path) {
    return FileOperation().nativePath(path);
}

bool fileExists(const std::string& path) {
    return FileOperation().fileExists(path);
}

bool folderExists(const std::string& path) {
    return FileOperation().folderExists(path);
}

void copyFile(const std::string& source, const std::string& destination) {
    CopySet set;
    set.add(source, destination);
    set.commit(CopySet::OnFailure::Stop);
}

void makeFolder(const std::string& path) {
    std::string native = nativePath(path);
    if (::mkdir(native.c_str(), 0777) != 0) {
        if (errno == EEXIST) {
            throw FileError(forms::err::PathFileAccess, "Path/File access error", native);
        }
        raise(errno, native);
    }
    // The new folder's entry must survive a power cut before anything is
    // copied into it.
    syncFolderOf(native);
}

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
    set.impl_->stage(path, nullptr, 0, [&](int out, const std::string& to) {
        writeAll(out, text.data(), text.size(), to);
    });
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

}  // namespace

namespace {

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

// A record is written in place, not by replacing the file: the file keeps
// any bytes beyond the record, its identity and its mode, exactly as a
// binary write at byte 1 does. A record is small enough to go in one write.
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

bool removeFile(const std::string& path) {
    std::string native = nativePath(path);
    struct stat st {};
    if (native.empty() || lstatPath(native, &st) != 0) {
        if (native.empty() || missing(errno)) {
            return false;
        }
        raise(errno, native);
    }
    if (::unlink(native.c_str()) != 0 &&
        !((errno == EISDIR || errno == EPERM) && ::rmdir(native.c_str()) == 0)) {
        raise(errno, native);
    }
    // Gone for good before the caller goes on: a removal that a power cut
    // undoes would bring back a record of a backup being overwritten, or a
    // file End Game has taken out of the game's folder.
    syncFolderOf(native);
    return true;
}

std::optional<FolderIdentity> folderIdentity(const std::string& path) {
    struct stat st {};
    if (statPath(nativePath(path), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

std::string describe(const forms::RuntimeError& error) {
    const auto* file = dynamic_cast<const FileError*>(&error);
    return file != nullptr && !file->Path().empty() ? file->Path() + ": " + error.Description()
                                                    : error.Description();
}

void setCopyFault(std::optional<CopyFault> fault) {
    copyFault = std::move(fault);
}

void setFileRecorder(std::function<void(const FileEvent&)> newRecorder) {
    recorder = std::move(newRecorder);
}

void setAccessFault(std::function<int(const std::string& native)> fault) {
    accessFault = std::move(fault);
}

}  // namespace platform
