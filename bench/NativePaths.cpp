// Native paths, failures, syncs and file systems for the benchmark.
#include "NativePaths.h"

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/FileOperation.h"

namespace bench {

void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void expect(bool holds, const std::string& what) {
    if (!holds) {
        throw std::runtime_error(what);
    }
}

std::string parentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

std::string nameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

FileList nativeRows(const std::vector<app::CopyRow>& rows, int phase, const std::string& sourceBase,
                    const std::string& destinationBase) {
    platform::FileOperation operation;
    FileList files;
    for (const app::CopyRow& row : rows) {
        if (row.phase == phase) {
            files.emplace_back(operation.nativePath(sourceBase + row.source),
                               operation.nativePath(destinationBase + row.destination));
        }
    }
    return files;
}

std::vector<FileList> nativePhases(const std::vector<app::CopyRow>& rows,
                                   const std::string& sourceBase,
                                   const std::string& destinationBase) {
    return {nativeRows(rows, 1, sourceBase, destinationBase),
            nativeRows(rows, 2, sourceBase, destinationBase)};
}

std::vector<std::string> nativeFolders(const std::vector<std::string>& texts) {
    platform::FileOperation operation;
    std::vector<std::string> folders;
    for (const std::string& text : texts) {
        std::string native = operation.nativePath(text);
        while (native.size() > 1 && native.back() == '/') {
            native.pop_back();
        }
        folders.push_back(native);
    }
    return folders;
}

void syncAll(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) {
        fail("syncfs " + folder);
    }
    ::close(fd);
}

std::string fileSystemOf(const std::filesystem::path& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) {
        fail("statfs " + folder.string());
    }
    constexpr long kTmpfs = 0x01021994;  // TMPFS_MAGIC
    constexpr long kRamfs = 0x858458f6;  // RAMFS_MAGIC
    return info.f_type == kTmpfs || info.f_type == kRamfs ? "memory" : "disk";
}

}  // namespace bench
