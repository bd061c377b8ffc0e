// Folders: one made durably, and an existing one known again by its
// identity however its path is spelled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Creates one folder, on disk when the call returns (its parent is synced);
// fails when it exists already or its parent is missing.
void makeFolder(const std::string& path);

// The identity of an existing folder, links followed: the same however its
// path is spelled, and another for another folder put at the same path
// later (a folder renamed away, a link pointed elsewhere). File systems hand
// a freed inode number out again, often at once (remove a folder, make one
// at the same path, and it may get the old number back): where the file
// system keeps a folder's birth time, that tells the later folder apart.
struct BirthTime {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
    bool operator==(const BirthTime&) const = default;
};
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::optional<BirthTime> birth;  // none where the file system keeps none
    bool operator==(const FolderIdentity&) const = default;
};
// Nothing where no folder can be found at the path, for whatever reason.
// On an overlay file system a folder keeps its device and inode numbers
// when it is first written to (copied up from a lower layer), but gets
// another birth time: there the birth time is left unknown.
std::optional<FolderIdentity> folderIdentity(const std::string& path);
// The same, where "no folder" must be certain: nothing when nothing is at
// the path, or something other than a folder, or the path is too long to
// name anything; raises a FileError when it cannot be looked up (no right
// to look into a folder on the way, an I/O error, a stale network handle).
std::optional<FolderIdentity> lookUpFolder(const std::string& path);

}  // namespace platform
