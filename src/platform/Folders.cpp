#include "platform/Folders.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include "platform/FileError.h"
#include "platform/FileSystemCalls.h"
#include "platform/PathNotation.h"

namespace platform {

using namespace detail;

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

namespace {

bool onOverlay(const std::string& native) {
    if (const std::optional<long> type = injectedFileSystemType(native)) {
        return *type == OVERLAYFS_SUPER_MAGIC;
    }
    struct statfs status {};
    return ::statfs(native.c_str(), &status) == 0 &&
           static_cast<long>(status.f_type) == OVERLAYFS_SUPER_MAGIC;
}

}  // namespace

std::optional<FolderIdentity> lookUpFolder(const std::string& path) {
    const std::string native = nativePath(path);
    // One look-up for all three, so that they are of one folder. The device
    // number is the one stat() gives, which records before the birth time
    // hold.
    struct statx st {};
    if (faulted(native) ||
        ::statx(AT_FDCWD, native.c_str(), 0, STATX_TYPE | STATX_INO | STATX_BTIME, &st) != 0) {
        if (native.empty() || missing(errno) || errno == ENAMETOOLONG) {
            return std::nullopt;
        }
        raise(errno, native);
    }
    if ((st.stx_mask & STATX_TYPE) == 0 || !S_ISDIR(st.stx_mode)) {
        return std::nullopt;
    }
    FolderIdentity identity{makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, {}};
    // A file system without birth times may still fill the field with zero.
    if ((st.stx_mask & STATX_BTIME) != 0 &&
        (st.stx_btime.tv_sec != 0 || st.stx_btime.tv_nsec != 0)) {
        identity.birth = BirthTime{st.stx_btime.tv_sec, st.stx_btime.tv_nsec};
    }
    if (const std::optional<FolderNumbers> numbers = injectedNumbers(native)) {
        identity.device = numbers->device;
        identity.inode = numbers->inode;
        if (numbers->birth) {
            identity.birth = numbers->birth;
        }
    }
    if (identity.birth && onOverlay(native)) {
        identity.birth.reset();
    }
    return identity;
}

std::optional<FolderIdentity> folderIdentity(const std::string& path) {
    try {
        return lookUpFolder(path);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

}  // namespace platform
