// The bare copy and the placement it shares with the limits.
#include "BareCopies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "app/Records.h"

namespace bench {

Placement::~Placement() {
    for (const auto& [path, folder] : folders_) {
        ::close(folder);
    }
}

void Placement::add(int in, const std::string& destination, mode_t mode) {
    auto [slot, added] = folders_.emplace(parentOf(destination), -1);
    if (added) {
        slot->second = ::open(slot->first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (slot->second < 0) {
            folders_.erase(slot);
            ::close(in);
            fail("open folder of " + destination);
        }
    }
    Rename rename{slot->second, "", nameOf(destination)};
    rename.temp = "." + rename.name + kTempMark;
    int out =
        ::openat(rename.folder, rename.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (out < 0) {
        ::close(in);
        fail("create temporary of " + destination);
    }
    while (true) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n < 0) {
            ::close(in);
            ::close(out);
            fail("copy to " + destination);
        }
        if (n == 0) {
            break;
        }
    }
    ::close(in);
    ::close(out);
    renames_.push_back(std::move(rename));
}

void Placement::commit() {
    if (!folders_.empty() && ::syncfs(folders_.begin()->second) != 0) {
        fail("syncfs");
    }
    for (const Rename& rename : renames_) {
        if (::renameat(rename.folder, rename.temp.c_str(), rename.folder, rename.name.c_str()) !=
            0) {
            fail("rename " + rename.name);
        }
    }
    renames_.clear();
    for (const auto& [path, folder] : folders_) {
        if (::fsync(folder) != 0) {
            fail("fsync " + path);
        }
        ::close(folder);
    }
    folders_.clear();
}

void bareCopySet(const FileList& files) {
    Placement placement;
    for (const auto& [source, destination] : files) {
        int in = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (in < 0 || ::fstat(in, &st) != 0) {
            fail("bare open " + source);
        }
        placement.add(in, destination, st.st_mode & 0777);
    }
    placement.commit();
}

void patchRecords(const std::vector<std::string>& files, const std::string& flags,
                  bool withStatus) {
    char record[app::kCpuAttributesLength];
    for (const std::string& file : files) {
        int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || (withStatus && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                                      (st.st_mode & 0222) == 0))) {
            fail("patch open " + file);
        }
        if (::pread(fd, record, sizeof record, 0) < 0) {
            fail("patch read " + file);
        }
        std::copy(flags.begin(), flags.end(), record + 80);
        if (::pwrite(fd, record, sizeof record, 0) != static_cast<ssize_t>(sizeof record)) {
            fail("patch write " + file);
        }
        ::close(fd);
    }
}

void barePatch(const std::vector<std::string>& files, const std::string& flags) {
    patchRecords(files, flags, false);
}

}  // namespace bench
