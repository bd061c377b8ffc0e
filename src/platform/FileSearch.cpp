#include "platform/FileSearch.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "platform/PathNotation.h"

namespace platform {

namespace {

// Each open search with the matches it has not handed out yet.
std::map<std::int32_t, std::deque<WIN32_FIND_DATA>> openHandles;
std::int32_t nextHandle = 1;

std::int32_t opened(std::deque<WIN32_FIND_DATA> matches, WIN32_FIND_DATA& found) {
    found = matches.front();
    matches.pop_front();
    std::int32_t handle = nextHandle++;
    openHandles.emplace(handle, std::move(matches));
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
        return opened(
            {{slash == std::string::npos ? native : native.substr(slash + 1), S_ISDIR(st.st_mode)}},
            found);
    }
    std::string nativeFolder = folder.empty() ? "." : nativePath(folder);
    DIR* dir = ::opendir(nativeFolder.c_str());
    if (dir == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    std::deque<WIN32_FIND_DATA> matches;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) {
            struct stat st {};
            std::string full = nativeFolder + "/" + name;
            matches.push_back({name, ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)});
        }
    }
    ::closedir(dir);
    if (matches.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    // The folder's own order differs from one file system to the next; name
    // order makes a search give the same answer everywhere.
    std::sort(matches.begin(), matches.end(),
              [](const WIN32_FIND_DATA& a, const WIN32_FIND_DATA& b) {
                  return a.cFileName < b.cFileName;
              });
    return opened(std::move(matches), found);
}

bool FindNextFile(std::int32_t handle, WIN32_FIND_DATA& found) {
    auto it = openHandles.find(handle);
    if (it == openHandles.end() || it->second.empty()) {
        return false;
    }
    found = it->second.front();
    it->second.pop_front();
    return true;
}

bool FindClose(std::int32_t handle) {
    return openHandles.erase(handle) == 1;
}

std::size_t openSearches() {
    return openHandles.size();
}

std::string Dir(const std::string& path) {
    WIN32_FIND_DATA found;
    std::int32_t handle = FindFirstFile(path, found);
    if (handle == INVALID_HANDLE_VALUE) {
        return {};
    }
    bool more = true;
    while (more && found.isFolder) {
        more = FindNextFile(handle, found);
    }
    FindClose(handle);
    return more ? found.cFileName : std::string{};
}

}  // namespace platform
