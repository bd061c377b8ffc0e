#include "platform/CopySet.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#include "platform/FileSystemCalls.h"
#include "platform/PathResolver.h"
#include "platform/TemporaryFiles.h"

namespace platform {

using namespace detail;

namespace {

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

}  // namespace

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
          operation(shared != nullptr ? *shared : *own),
          resolver(operation.resolver()) {}
    ~Impl() { dropFrom(0); }

    std::unique_ptr<FileOperation> own;
    FileOperation& operation;
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
                // Counted at once: whatever fails after the rename, the
                // caller must know the file is in place.
                ++placed;
                Folder& into = *std::exchange(copy.folder, nullptr);
                into.renamedInto = true;
                if (Listing* listing = resolver.listed(into.path)) {
                    listing->add(copy.name);
                }
                if (recording()) {
                    record(FileStep::Rename, joined(into.path, copy.temp),
                           joined(into.path, copy.name));
                }
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
    if (const CopyFault* fault = copyFaultFor(source, destination)) {
        failError = fault->error != 0 ? fault->error : EIO;
        if (fault->atRename) {
            renameFault = failError;
        } else {
            failAfter = fault->afterBytes;
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

void CopySet::addBytes(const std::string& destination, const std::string& bytes) {
    impl_->stage(destination, nullptr, 0, [&](int out, const std::string& to) {
        writeAll(out, bytes.data(), bytes.size(), to);
    });
}

void copyFile(const std::string& source, const std::string& destination) {
    CopySet set;
    set.add(source, destination);
    set.commit(CopySet::OnFailure::Stop);
}

}  // namespace platform
