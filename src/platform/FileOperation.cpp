#include "platform/FileOperation.h"

#include <unistd.h>

#include <cstring>

#include "platform/FileSystemCalls.h"
#include "platform/PathResolver.h"
#include "platform/TemporaryFiles.h"

namespace platform {

using namespace detail;

namespace {

// What a removal may take away.
enum class Removable {
    RegularFile,        // a regular file only; anything else stays
    FileOrEmptyFolder,  // any entry but a folder that holds entries
};

// The file layer's one removal. The entry at `native` goes, the operation's
// listing of its folder forgets it, and the folder is synced: the removal is
// on disk before the caller goes on, since one that a power cut undoes would
// bring back a record of a backup being overwritten, or a file End Game has
// taken out of the game's folder. Returns false when nothing was removed
// (nothing there, or nothing the caller may remove); raises when what the
// caller may remove stays.
bool removeEntry(Resolver& resolver, const std::string& native, Removable what) {
    struct stat st {};
    if (native.empty() || lstatPath(native, &st) != 0) {
        if (native.empty() || missing(errno)) {
            return false;
        }
        raise(errno, native);
    }
    if (what == Removable::RegularFile && !S_ISREG(st.st_mode)) {
        return false;
    }
    if (const int fault = removalFault(native); fault != 0) {
        raise(fault, native);
    }
    if (::unlink(native.c_str()) != 0 &&
        !(what == Removable::FileOrEmptyFolder && (errno == EISDIR || errno == EPERM) &&
          ::rmdir(native.c_str()) == 0)) {
        raise(errno, native);
    }
    if (Listing* listing = resolver.listed(parentOf(native))) {
        listing->remove(nameOf(native));
    }
    syncFolderOf(native);
    return true;
}

}  // namespace

struct FileOperation::Impl {
    Resolver resolver;
    // The two halves of the buffer comparisons read through, taken once for
    // the operation's many comparisons.
    static constexpr std::size_t kChunk = 1 << 16;
    std::unique_ptr<char[]> compared;
};

FileOperation::FileOperation() : impl_(std::make_unique<Impl>()) {}

FileOperation::~FileOperation() = default;

Resolver& FileOperation::resolver() {
    return impl_->resolver;
}

// Every byte is read into the buffer before it is looked at, so it needs no
// clearing first.
bool FileOperation::sameBytes(int a, int b) {
    constexpr std::size_t kChunk = Impl::kChunk;
    if (!impl_->compared) {
        impl_->compared = std::make_unique_for_overwrite<char[]>(2 * kChunk);
    }
    char* const bufferA = impl_->compared.get();
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
    return removeEntry(impl_->resolver, exact ? path : nativePath(path), Removable::RegularFile);
}

void FileOperation::sweep(const std::string& folder, const std::string& only) {
    std::string native = nativePath(folder);
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    if (!native.empty() && isFolder(native)) {
        sweepListed(impl_->resolver.listing(native), native, AT_FDCWD, only);
    }
}

bool removeFile(const std::string& path) {
    Resolver resolver;
    return removeEntry(resolver, resolver.resolve(path), Removable::FileOrEmptyFolder);
}

}  // namespace platform
