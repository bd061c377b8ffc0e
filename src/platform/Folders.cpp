#include "platform/Folders.h"

#include <sys/stat.h>

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

std::optional<FolderIdentity> folderIdentity(const std::string& path) {
    struct stat st {};
    if (statPath(nativePath(path), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace platform
