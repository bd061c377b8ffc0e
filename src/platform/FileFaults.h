// The file layer's seams for tests: faults injected into its copies and
// accesses, and a record of the steps that decide what survives a power cut.
// The program never sets them; with none set, every call goes to the system
// and nothing is recorded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Folders.h"

namespace platform {

// The next copies whose destination satisfies `when` fail after writing
// `afterBytes` bytes, as an interrupted copy would. With `atRename`, the
// whole data is written and on disk instead, and the rename over the
// destination fails. `error` is the system's error number the failure
// reports (an I/O error unless told otherwise: a full disk is ENOSPC).
struct CopyFault {
    std::function<bool(const std::string& source, const std::string& destination)> when;
    std::size_t afterBytes = 0;
    bool atRename = false;
    int error = 0;
};
void setCopyFault(std::optional<CopyFault> fault);

// While set, every open, status look-up and listing of a native path for
// which `fault` returns an error number fails with that number, as a file or
// folder that the user may not read would, whatever rights the tests run
// with.
void setAccessFault(std::function<int(const std::string& native)> fault);

// While set, a folder's identity (Folders.h) takes the device and inode
// numbers `numbers` gives for its native path, where it gives any: a folder
// made at a freed inode number, as file systems hand them out again, or one
// on another disk. A birth time given replaces the folder's own.
struct FolderNumbers {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::optional<BirthTime> birth;
};
void setFolderNumbers(
    std::function<std::optional<FolderNumbers>(const std::string& native)> numbers);

// While set, the type of file system that holds a native path (the f_type
// that statfs reports) is the one `type` gives, where it gives any: a
// folder on an overlay, say, which a test cannot mount.
void setFileSystemType(std::function<std::optional<long>(const std::string& native)> type);

// While set, every removal of a native path for which `fault` returns an
// error number fails with that number, as the removal of a file made
// immutable would, whatever rights the tests run with.
void setRemovalFault(std::function<int(const std::string& native)> fault);

// The steps that decide what survives a power cut, for tests that check
// their order. `path` is the native path acted on; `target` is the
// destination a temporary file stands for (Write, Rename).
enum class FileStep {
    Write,           // a temporary file's data written (not yet on disk)
    SyncFile,        // the data of the one file `path` on disk
    SyncFileSystem,  // every written file of the file system holding `path` on disk
    Rename,          // temporary `path` renamed over `target`
    SyncFolder,      // the entries of folder `path` on disk
    Remove,          // an own temporary file removed
    List,            // the entries of folder `path` read
};
struct FileEvent {
    FileStep step;
    std::string path;
    std::string target;
};
void setFileRecorder(std::function<void(const FileEvent&)> recorder);

}  // namespace platform
