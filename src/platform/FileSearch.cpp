#include "platform/FileSearch.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <set>

#include "platform/Files.h"

namespace platform {

namespace {

std::set<std::int32_t> openHandles;
std::int32_t nextHandle = 1;

std::int32_t opened(const std::string& name, bool folder, WIN32_FIND_DATA& found) {
    found.cFileName = name;
    found.isFolder = folder;
    std::int32_t handle = nextHandle++;
    openHandles.insert(handle);
    return handle;
}

}  // namespace

std::int32_t FindFirstFile(const std::string& path, WIN32_FIND_DATA& found) {
    auto separator = path.find_last_of("\\/");
    std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
    std::string pattern = separator == std::string::npos ? path : path.substr(separator + 1);
    if (pattern.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    if (pattern.find_first_of("*?") == std::string::npos) {
        // A plain name: the path layer already finds it in any letter case.
        std::string native = nativePath(path);
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0) {
            return INVALID_HANDLE_VALUE;
        }
        auto slash = native.find_last_of('/');
        return opened(slash == std::string::npos ? native : native.substr(slash + 1),
                      S_ISDIR(st.st_mode), found);
    }
    std::string nativeFolder = folder.empty() ? "." : nativePath(folder);
    DIR* dir = ::opendir(nativeFolder.c_str());
    if (dir == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    std::int32_t handle = INVALID_HANDLE_VALUE;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) {
            struct stat st {};
            std::string full = nativeFolder + "/" + name;
            handle = opened(name, ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode), found);
            break;
        }
    }
    ::closedir(dir);
    return handle;
}

bool FindClose(std::int32_t handle) {
    return openHandles.erase(handle) == 1;
}

std::size_t openSearches() {
    return openHandles.size();
}

}  // namespace platform
