#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
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

bool isFolder(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool missing(int error) {
    return error == ENOENT || error == ENOTDIR;
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

mode_t currentUmask() {
    static const mode_t mask = [] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
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
        if (errno != EINTR) {
            raise(errno, native);
        }
    }
}

// ---- names in any case

// The entries of one folder, to find a name in another case. When several
// entries differ from a name only in case, the first in name order wins, so
// the same text always names the same file.
class Listing {
public:
    explicit Listing(const std::string& folder) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            return;
        }
        while (dirent* entry = ::readdir(dir)) {
            add(entry->d_name);
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

    void add(const std::string& name) {
        auto [slot, inserted] = first_.emplace(lowerCase(name), name);
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
};

// Maps path texts onto the file system. The whole path is tried first, in
// the case it is written in, which is what nearly every path of a game
// installed in one case needs: one look-up. Only when that fails is the path
// walked name by name. What the walk finds (the folders and the listings of
// their entries) is kept for the resolver's life, which is one copy set, so
// that a set of 152 copies lists a folder once, not once per copy.
class Resolver {
public:
    // `literalMissing`: the caller found nothing at the path as written.
    std::string resolve(const std::string& text, bool literalMissing = false) {
        std::string slashed = text;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        if (slashed.empty()) {
            return slashed;
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
        if (!parts.empty() && !literalMissing && ::lstat(literal.c_str(), &st) == 0) {
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

    bool listed(const std::string& folder) const { return listings_.count(folder) != 0; }

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
            if (::lstat(candidate.c_str(), &st) == 0) {
                return name;
            }
            std::string upper = upperCase(name);
            if (upper != name && ::lstat(joined(folder, upper).c_str(), &st) == 0) {
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

// ---- temporary files

constexpr const char* kTempMark = ".zektmp-";
constexpr std::size_t kTempSuffix = 6;

// ".NAME.zektmp-XXXXXX": only the program writes such names, and only while
// a copy is under way. The single-instance lock means that one found before
// a copy starts is a leftover of a copy that was killed.
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

// Copies the rest of `in` into `out`. The kernel copies between the two
// files itself where it can; a failure injected by a test goes the long way,
// so that it can stop after an exact number of bytes.
void copyData(int in, int out, std::optional<std::size_t> failAfter, const std::string& from,
              const std::string& to) {
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
            throw forms::RuntimeError(forms::err::DeviceIO, "Device I/O error");
        }
        writeAll(out, buffer.data(), chunk, to);
        written += chunk;
    }
    if (failAfter) {
        throw forms::RuntimeError(forms::err::DeviceIO, "Device I/O error");
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
        if (::lstat(path.c_str(), &target.st) != 0) {
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
    Fd folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::fsync(folder.get()) != 0) {
        raise(errno, native);
    }
    record(FileStep::SyncFolder, parent);
}

}  // namespace

// ---- CopySet

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
        bool failRename = false;
    };

    Resolver resolver;
    std::unordered_map<std::string, Folder> folders;
    std::vector<Pending> pending;
    std::size_t placed = 0;

    ~Impl() { dropFrom(0); }

    // Opens a folder for the first copy into it, and removes the temporary
    // files a killed copy left there.
    Folder& folder(const std::string& path, const std::string& destination) {
        auto known = folders.find(path);
        if (known != folders.end()) {
            return known->second;
        }
        Fd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.get() < 0) {
            raise(errno, destination);
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            raise(errno, destination);
        }
        // A plain scan: a game's levels folder may hold thousands of
        // entries, and only names of our own temporaries matter here.
        std::vector<std::string> stale;
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                if (isOwnTemporary(entry->d_name)) {
                    stale.emplace_back(entry->d_name);
                }
            }
            ::closedir(dir);
        }
        // (A listing made before keeps the removed names: nothing asks for
        // a temporary's name.)
        for (const std::string& name : stale) {
            if (::unlinkat(fd.get(), name.c_str(), 0) == 0) {
                record(FileStep::Remove, joined(path, name));
            }
        }
        Folder& added = folders[path];
        added.path = path;
        added.fd = std::move(fd);
        added.device = st.st_dev;
        return added;
    }

    // Writes a new file's data into a temporary beside the destination.
    // `fill` writes the data; on any failure the temporary is removed.
    void stage(const std::string& destinationText, const struct stat* source, bool failRename,
               const std::function<void(int out, const std::string& to)>& fill) {
        std::string literal = destinationText;
        std::replace(literal.begin(), literal.end(), '\\', '/');
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
                (target.st.st_uid != ::geteuid() || target.st.st_gid != ::getegid())) {
                [[maybe_unused]] int ignored =
                    ::fchown(out.get(), target.st.st_uid, target.st.st_gid);
            }
            fill(out.get(), target.path);
            if (::close(out.release()) != 0) {
                raise(errno, target.path);
            }
            record(FileStep::Write, joined(into.path, temp), target.path);
        } catch (...) {
            ::unlinkat(into.fd.get(), temp.c_str(), 0);
            throw;
        }
        pending.push_back({&into, temp, name, failRename});
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
            const std::string target = joined(copy.folder->path, copy.name);
            int error = 0;
            if (copy.failRename) {
                error = EIO;
            } else if (::renameat(copy.folder->fd.get(), copy.temp.c_str(), copy.folder->fd.get(),
                                  copy.name.c_str()) != 0) {
                error = errno;
            }
            if (error == 0) {
                record(FileStep::Rename, joined(copy.folder->path, copy.temp), target);
                copy.folder->renamedInto = true;
                if (resolver.listed(copy.folder->path)) {
                    resolver.listing(copy.folder->path).add(copy.name);
                }
                copy.folder = nullptr;
                ++placed;
                continue;
            }
            ::unlinkat(copy.folder->fd.get(), copy.temp.c_str(), 0);
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

CopySet::CopySet() : impl_(std::make_unique<Impl>()) {}

CopySet::~CopySet() = default;

void CopySet::add(const std::string& source, const std::string& destination) {
    std::string from = source;
    std::replace(from.begin(), from.end(), '\\', '/');
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0 && missing(errno)) {
        from = impl_->resolver.resolve(source, true);
        in = Fd(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    }
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
    std::optional<std::size_t> failAfter;
    bool failRename = false;
    if (copyFault && copyFault->when && copyFault->when(source, destination)) {
        failRename = copyFault->atRename;
        if (!failRename) {
            failAfter = copyFault->afterBytes;
        }
    }
    impl_->stage(destination, &sourceStat, failRename, [&](int out, const std::string& to) {
        copyData(in.get(), out, failAfter, from, to);
    });
}

std::vector<std::size_t> CopySet::commit(OnFailure onFailure) {
    return impl_->commit(onFailure);
}

std::size_t CopySet::placed() const {
    return impl_->placed;
}

// ---- single files

std::string nativePath(const std::string& path) {
    return Resolver().resolve(path);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    return isFolder(nativePath(path));
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
            throw forms::RuntimeError(forms::err::PathFileAccess, "Path/File access error");
        }
        raise(errno, native);
    }
    // The new folder's entry must survive a power cut before anything is
    // copied into it.
    syncFolderOf(native);
}

std::string readTextFile(const std::string& path) {
    std::string native = nativePath(path);
    Fd in(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
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
    CopySet set;
    set.impl_->stage(path, nullptr, false, [&](int out, const std::string& to) {
        writeAll(out, text.data(), text.size(), to);
    });
    set.commit(CopySet::OnFailure::Stop);
}

namespace {

// Opens a record file in the case it is written in, and looks for another
// spelling only when there is no such file: the patch opens 300 record files
// in a row, nearly all of them in their exact case.
Fd openRecord(const std::string& path, int flags, std::string& native) {
    auto open = [](const std::string& file, int how) {
        Fd fd(::open(file.c_str(), how | O_CLOEXEC, newFileMode()));
        // Only a file's owner may read it without touching its access time.
        if (fd.get() < 0 && errno == EPERM && (how & O_NOATIME) != 0) {
            fd = Fd(::open(file.c_str(), (how & ~O_NOATIME) | O_CLOEXEC, newFileMode()));
        }
        return fd;
    };
    native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
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

std::string readRecord(const std::string& path, std::size_t length) {
    std::string native;
    // Reading needs no write access, so a read-only file reads like any
    // other; a missing one is created, as a binary open does. The access
    // time is left alone: with relative access times, a read of a file
    // written since it was last read costs a journalled inode update, and
    // every attribute file the patch reads was written by the patch before.
    Fd in = openRecord(path, O_RDONLY | O_NOATIME, native);
    if (in.get() < 0) {
        raise(errno, native);
    }
    std::string record(length, '\0');
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
    std::string native;
    Fd out = openRecord(path, O_WRONLY, native);
    struct stat st {};
    if (out.get() < 0) {
        int error = errno;
        if (::stat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && isReadOnly(st)) {
            throw forms::RuntimeError(forms::err::PathFileAccess, "Path/File access error");
        }
        raise(error, native);
    }
    if (::fstat(out.get(), &st) == 0 && isReadOnly(st)) {
        throw forms::RuntimeError(forms::err::PathFileAccess, "Path/File access error");
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

bool removeFile(const std::string& path) {
    std::string native = nativePath(path);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
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

bool sameContents(const std::string& a, const std::string& b) {
    Fd first(::open(nativePath(a).c_str(), O_RDONLY | O_CLOEXEC));
    Fd second(::open(nativePath(b).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sa {
    }, sb{};
    if (first.get() < 0 || second.get() < 0 || ::fstat(first.get(), &sa) != 0 ||
        ::fstat(second.get(), &sb) != 0 || !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode) ||
        sa.st_size != sb.st_size) {
        return false;
    }
    std::vector<char> bufferA(1 << 16), bufferB(1 << 16);
    while (true) {
        ssize_t n = ::read(first.get(), bufferA.data(), bufferA.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        std::size_t got = 0;
        while (got < static_cast<std::size_t>(n)) {
            ssize_t m =
                ::read(second.get(), bufferB.data() + got, static_cast<std::size_t>(n) - got);
            if (m < 0 && errno == EINTR) {
                continue;
            }
            if (m <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(m);
        }
        if (std::memcmp(bufferA.data(), bufferB.data(), got) != 0) {
            return false;
        }
    }
}

bool sameFolder(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(nativePath(a).c_str(), &sa) == 0 && ::stat(nativePath(b).c_str(), &sb) == 0 &&
           S_ISDIR(sa.st_mode) && S_ISDIR(sb.st_mode) && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void setCopyFault(std::optional<CopyFault> fault) {
    copyFault = std::move(fault);
}

void setFileRecorder(std::function<void(const FileEvent&)> newRecorder) {
    recorder = std::move(newRecorder);
}

}  // namespace platform
