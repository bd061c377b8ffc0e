#include "platform/PathNotation.h"

#include <algorithm>
#include <climits>

#include "platform/FileOperation.h"
#include "platform/FileSystemCalls.h"

namespace platform {

namespace detail {

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

}  // namespace detail

std::string nativePath(const std::string& path) {
    return FileOperation().nativePath(path);
}

bool fileExists(const std::string& path) {
    return FileOperation().fileExists(path);
}

bool folderExists(const std::string& path) {
    return FileOperation().folderExists(path);
}

PathFault pathFault(const std::string& path) {
    const std::string native = detail::slashed(path);
    if (native.find_first_not_of(" \t\r\n") == std::string::npos) {
        return PathFault::Empty;
    }
    if (native.find('\0') != std::string::npos) {
        return PathFault::NulByte;
    }
    if (native.front() != '/') {
        return PathFault::NotFullPath;
    }
    // PATH_MAX counts the closing NUL.
    if (native.size() >= PATH_MAX) {
        return PathFault::PathTooLong;
    }
    for (std::size_t start = 1; start < native.size();) {
        const std::size_t end = std::min(native.find('/', start), native.size());
        if (end - start > NAME_MAX) {
            return PathFault::NameTooLong;
        }
        start = end + 1;
    }
    return PathFault::None;
}

}  // namespace platform
