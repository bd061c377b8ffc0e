// The limits: the bare copy's placement plus the program's checks.
#include "Limits.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <stdexcept>

#include "BareCopies.h"
#include "platform/Checksum.h"

namespace bench {

namespace {

using Folders = std::set<std::string>;

// The sweep's share of an operation: the folder's entries read once, for
// the leftovers of a killed copy.
void limitList(const std::string& folder, Folders& listed) {
    if (!listed.insert(folder).second) {
        return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        fail("limit list " + folder);
    }
    std::size_t stale = 0;
    while (dirent* entry = ::readdir(dir)) {
        stale += std::strstr(entry->d_name, Placement::kTempMark) != nullptr ? 1 : 0;
    }
    ::closedir(dir);
    if (stale != 0) {
        throw std::runtime_error("limit found leftovers in " + folder);
    }
}

void limitCopySet(const FileList& files, Folders& listed) {
    Placement placement;
    for (const auto& [source, destination] : files) {
        limitList(parentOf(destination), listed);
        // No pipe or device is ever opened, no file copied onto itself.
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            fail("limit source " + source);
        }
        int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0 || ::fstat(in, &st) != 0) {
            fail("limit open " + source);
        }
        // The destination's mode is kept; it may be read-only or a link.
        const mode_t mode = ::lstat(destination.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                                ? st.st_mode & 0777
                                : 0644;
        placement.add(in, destination, mode);
    }
    placement.commit();
}

// Whether two files hold the same bytes, read until the first difference.
bool limitSame(const std::string& a, const std::string& b) {
    static char bufferA[1 << 16], bufferB[1 << 16];
    struct stat sa {
    }, sb{};
    int first = ::stat(a.c_str(), &sa) == 0 ? ::open(a.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    int second = ::stat(b.c_str(), &sb) == 0 ? ::open(b.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    bool same = first >= 0 && second >= 0 && ::fstat(first, &sa) == 0 &&
                ::fstat(second, &sb) == 0 && sa.st_size == sb.st_size;
    while (same) {
        ssize_t n = ::read(first, bufferA, sizeof bufferA);
        if (n <= 0) {
            same = n == 0;
            break;
        }
        same = ::read(second, bufferB, static_cast<std::size_t>(n)) == n &&
               std::memcmp(bufferA, bufferB, static_cast<std::size_t>(n)) == 0;
    }
    ::close(first);
    ::close(second);
    return same;
}

// A whole text file replaced atomically and durably: a lone file is synced
// by itself.
void limitWriteText(const std::string& path, const std::string& text) {
    Folders listed;
    limitList(parentOf(path), listed);
    const std::string temp = parentOf(path) + "/." + nameOf(path) + Placement::kTempMark;
    int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0 || ::write(out, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::fsync(out) != 0 || ::close(out) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        fail("limit write " + path);
    }
    int folder = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::fsync(folder) != 0) {
        fail("limit sync " + path);
    }
    ::close(folder);
}

std::string limitReadText(const std::string& path) {
    char buffer[4096];
    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        fail("limit read " + path);
    }
    std::string text;
    while (true) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(in);
    return text;
}

}  // namespace

void limitCopySet(const FileList& files) {
    Folders listed;
    limitCopySet(files, listed);
}

void limitRestore(const RestoreWork& work) {
    if (limitReadText(work.marker).empty()) {
        throw std::runtime_error("limit: empty marker");
    }
    // The game folder's record names this program folder, whose session is
    // in that very folder.
    struct stat game {};
    if (limitReadText(work.record).empty() || ::stat(parentOf(work.record).c_str(), &game) != 0) {
        throw std::runtime_error("limit: no record in the game folder");
    }
    Folders listed;
    for (const std::string& folder : work.swept) {
        limitList(folder, listed);
    }
    for (const FileList& phase : work.phases) {
        FileList copies;
        for (const auto& [backup, destination] : phase) {
            if (!limitSame(backup, destination)) {
                copies.emplace_back(backup, destination);
            }
        }
        limitCopySet(copies, listed);
    }
    // The session goes off record after the last file: the game folder's
    // record, then the marker, each removal on disk.
    for (const std::string& file : {work.record, work.marker, work.sums}) {
        if (::unlink(file.c_str()) != 0) {
            fail("limit unlink " + file);
        }
        int folder = ::open(parentOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0 || ::fsync(folder) != 0) {
            fail("limit sync " + file);
        }
        ::close(folder);
    }
}

void limitExport(const ExportWork& work) {
    struct stat st {};
    if (::lstat(work.marker.c_str(), &st) == 0) {
        throw std::runtime_error("limit: a session is pending");
    }
    std::string text = work.markerText;
    for (const auto& [row, native] : work.rows) {
        if (::lstat(native.c_str(), &st) != 0) {
            text += row + "\r\n";
        }
    }
    // Each source read whole once for its checksum.
    std::string sums = "session " + platform::checksumText(platform::checksumOf(text)) + "\r\n";
    std::vector<char> buffer(1 << 17);
    for (const FileList& phase : work.phases) {
        for (const auto& [source, destination] : phase) {
            const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
            if (in < 0) {
                fail("limit open " + source);
            }
            std::size_t size = 0;
            for (ssize_t n; (n = ::read(in, buffer.data() + size, buffer.size() - size)) > 0;) {
                size += static_cast<std::size_t>(n);
                if (size == buffer.size()) {
                    buffer.resize(2 * size);
                }
            }
            ::close(in);
            sums += platform::checksumText(platform::checksumOf({buffer.data(), size})) + "\t" +
                    destination + "\r\n";
        }
    }
    limitWriteText(work.marker, text);
    limitWriteText(work.sums, sums);
    if (::lstat(work.record.c_str(), &st) == 0) {
        throw std::runtime_error("limit: the game folder holds a record");
    }
    limitWriteText(work.record, work.recordText);
    Folders listed;
    for (const FileList& phase : work.phases) {
        limitCopySet(phase, listed);
    }
}

void limitPatch(const std::vector<std::string>& files, const std::string& flags) {
    patchRecords(files, flags, true);
}

}  // namespace bench
