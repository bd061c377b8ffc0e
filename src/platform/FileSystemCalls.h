// Internal to the file layer, included only by its own .cpp files: what they
// share. Native path texts, the system calls on paths with the tests' faults
// (FileFaults.h) in them, an owned descriptor, and how a failed call is
// raised as a FileError. Each call here does what the system call does, but
// for an injected fault; none of it is part of the layer's public surface.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>

#include "platform/FileFaults.h"

namespace platform::detail {

// ---- native path texts (PathNotation.cpp)

// A path text with "\" as "/" and no empty names: "a\\b/" is "a/b/".
std::string slashed(const std::string& text);
// The folder holding a native path ("." for a bare name), and its last name.
std::string parentOf(const std::string& path);
std::string nameOf(const std::string& path);
std::string joined(const std::string& folder, const std::string& name);

// ---- the tests' hooks as the calls see them (FileFaults.cpp)

// Whether a test records the steps: the paths of a step are only put
// together for a recorder.
bool recording();
void record(FileStep step, const std::string& path, const std::string& target = {});
// The error number an injected fault gives an access of `native`, or 0.
int accessFault(const std::string& native);
// The device and inode numbers a test gives the folder at `native`, if any.
std::optional<FolderNumbers> injectedNumbers(const std::string& native);
// The file system type a test gives the path at `native`, if any.
std::optional<long> injectedFileSystemType(const std::string& native);
// The error number an injected fault gives a removal of `native`, or 0.
int removalFault(const std::string& native);
// The fault injected into the copy from `source` to `destination` (the
// caller's path texts), or null.
const CopyFault* copyFaultFor(const std::string& source, const std::string& destination);

// ---- system calls (FileSystemCalls.cpp)

inline bool missing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// Our own error number for a path that is there but is no regular file (a
// folder, a pipe, a device): reading it could block for ever or read
// something that is no game file. Outside the system's numbers.
constexpr int kNotRegular = -1;

// Whether an access of `native` must fail, with `errno` set: a fault a test
// injected, or a path the system cannot look up.
bool faulted(const std::string& native);
int lstatPath(const std::string& native, struct stat* st);
int statPath(const std::string& native, struct stat* st);
int openPath(const std::string& native, int flags, mode_t mode = 0);
bool isFolder(const std::string& native);

// Raises what the classic runtime reports for a failed file operation.
[[noreturn]] void raise(int error, const std::string& native);

// The read-only attribute: a file nobody may write.
bool isReadOnly(const struct stat& st);
mode_t currentUmask();
// The mode a new file gets.
mode_t newFileMode();
uid_t effectiveUser();
gid_t effectiveGroup();

// An open file descriptor, closed with the object.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Writes all of `data`, raising on failure.
void writeAll(int fd, const char* data, std::size_t size, const std::string& native);
// One read, repeated when a signal interrupts it; 0 at the end of the file.
std::size_t readSome(int fd, char* buffer, std::size_t size, const std::string& native);

// Opens a file for reading only when it is a regular file (or a link to
// one). On failure `errno` tells why (kNotRegular for what is not a regular
// file). `status`, when given, receives the status of the file opened.
Fd openForReading(const std::string& native, struct stat* status = nullptr);

// Where the bytes for a destination go: a symbolic link is followed to its
// target, as long as there are links, so that the link stays a link and the
// file it names gets the content. `exists` is false for a new file.
struct Target {
    std::string path;
    bool exists = false;
    struct stat st {};
};
Target targetOf(std::string path);

// Puts the entries of the folder holding `native` on disk.
void syncFolderOf(std::string native);

}  // namespace platform::detail
