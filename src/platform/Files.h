// File services: paths in the program's own notation, whole-file copies,
// folders, text files and binary records.
//
// The program builds paths the way the game's own platform writes them: a
// directory text followed by a relative path that begins with "\"
// ("\levels\levl2001.dat"), joined by plain concatenation. This layer maps
// those texts onto the file system: "\" becomes "/", and because game
// installations carry names in whatever case their installer chose, a name
// that does not exist in its exact case matches an existing entry that
// differs only in case.
//
// Whole files are replaced the way a careful atomic writer does it: the new
// content goes into a temporary file beside the destination, reaches the
// disk, and only then is renamed over the destination, whose folder is then
// synced. A power cut at any moment leaves either the old file or the new
// one. A destination that is a symbolic link is written through to its
// target, and a replaced file keeps its mode (and, where the rights allow,
// its owner).
//
// Every failure raises a FileError: a forms::RuntimeError with the runtime's
// error number, so callers trap it the same way whatever failed, which also
// names the file or folder it concerns, for messages that say what failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/Error.h"

namespace platform {

class FileError : public forms::RuntimeError {
public:
    FileError(int number, const std::string& description, std::string path)
        : forms::RuntimeError(number, description), path_(std::move(path)) {}
    // The native path of the file or folder that failed.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// "path: the system's reason", for a message: the path when the error
// names one.
std::string describe(const forms::RuntimeError& error);

// One operation on the files (a backup, the record of a session, an export,
// a restore, a check at start-up): its look-ups of names in another case
// and its sweeps of leftover temporary files list each folder at most once,
// however many files it touches there. A game copied from another system
// often carries its names capitalised ("Levels\\Levl2001.dat") in folders
// of many thousands of entries, and a listing per file would make every
// operation wait on the disk.
//
// A listing is kept for the operation's life and updated with what the
// operation itself adds or removes; what other programs change meanwhile
// is not seen, so an operation is one short run of steps, never kept.
class FileOperation {
public:
    FileOperation();
    ~FileOperation();
    FileOperation(const FileOperation&) = delete;
    FileOperation& operator=(const FileOperation&) = delete;

    // The file-system path for a path text of the program.
    std::string nativePath(const std::string& path);

    // What a path names, links followed. `Missing` only when nothing is
    // there at all; a link whose target is missing is `DanglingLink`, and
    // `target` is the file a write through it would create. Raises when
    // it cannot be told (a folder on the way that may not be read). With
    // `exact`, the path is looked up as written, in no other case: for the
    // program's own files, which only it names.
    enum class Kind { Missing, File, Folder, Other, DanglingLink };
    struct Entry {
        Kind kind = Kind::Missing;
        std::string target;  // DanglingLink: the native path of the missing file
    };
    Entry entry(const std::string& path, bool exact = false);

    // A regular file, or a link to one.
    bool fileExists(const std::string& path);
    bool folderExists(const std::string& path);

    // Removes a regular file, on disk when the call returns. Anything else
    // at the path (a folder, a link, a pipe) is not the program's to remove
    // and stays. Returns whether a file was removed. With `exact`, the path
    // is a native path taken as it is, in no other case.
    bool removeRegularFile(const std::string& path, bool exact = false);

    // Removes the temporary files that a copy killed half-way left in the
    // folder (see CopySet).
    void sweep(const std::string& folder);

private:
    friend class CopySet;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The same look-ups as one operation each.
std::string nativePath(const std::string& path);
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// A list of whole-file copies put in place together, so that the cost of
// getting them onto the disk is paid once per file system rather than once
// per file.
//
// `add` reads the source at once and writes its data into a temporary file
// beside the destination; `commit` then puts the added copies in place in
// the order they were added: first their data goes to disk (one sync per
// file system, or of the file alone when it is the only one there), then
// each temporary is renamed over its destination, then every folder renamed
// into is synced. When `commit` returns, every copy it
// reports done is on disk.
//
// Before the first copy into a folder, the temporary files that an earlier,
// interrupted copy left in that folder are removed. A copy that fails, and
// every copy still pending when the set is destroyed, leaves nothing behind.
//
// The set looks names up within one FileOperation: its own, or one it
// shares with the steps around it. Every source is read when it is added,
// so a set that copies onto a file and later from it reads that file's old
// content.
class CopySet {
public:
    CopySet();
    explicit CopySet(FileOperation& operation);
    ~CopySet();
    CopySet(const CopySet&) = delete;
    CopySet& operator=(const CopySet&) = delete;

    // Fails, leaving nothing of this copy, on a missing source, a source
    // that is not a regular file, a missing destination folder or a
    // destination that cannot be written (a folder, a read-only file).
    // Copying a file onto itself is done at once. With `IfSourceMissing::
    // Skip`, a source that does not exist at all adds nothing and returns
    // false; any other failure still raises. With `IfSame::Skip`, a
    // destination that already holds the source's bytes is left alone (it
    // may be read-only), and the call returns false.
    enum class IfSourceMissing { Fail, Skip };
    enum class IfSame { Copy, Skip };
    bool add(const std::string& source, const std::string& destination,
             IfSourceMissing ifMissing = IfSourceMissing::Fail, IfSame ifSame = IfSame::Copy);

    enum class OnFailure { Stop, Skip };
    // Stop: the first copy that cannot be put in place raises, once the
    // copies before it are on disk; the ones after it are dropped.
    // Skip: every copy that can be is put in place; the result lists the
    // positions (in the order added) of those that could not.
    std::vector<std::size_t> commit(OnFailure onFailure);

    // How many copies the set has put in place so far.
    std::size_t placed() const;

private:
    friend void writeTextFile(FileOperation& operation, const std::string& path,
                              const std::string& text);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Copies a whole file: a CopySet of one copy.
void copyFile(const std::string& source, const std::string& destination);

// Creates one folder, on disk when the call returns; fails when it exists
// already or its parent is missing.
void makeFolder(const std::string& path);

// Reads a whole file as text, line ends included.
std::string readTextFile(const std::string& path);
// Replaces a file's whole content with the text: atomically and on disk
// when the call returns, as a copy is.
void writeTextFile(const std::string& path, const std::string& text);
// The same within an operation that looks the folder up once for all its
// steps.
void writeTextFile(FileOperation& operation, const std::string& path, const std::string& text);

// Binary record access. Opening a record file creates it when it is missing
// (in an existing folder) and never truncates it.
//
// Reads the first `length` bytes of the file. The result always has
// `length` characters: past the end of a shorter file it holds NUL bytes.
// `got`, when given, receives how many bytes the file gave.
std::string readRecord(const std::string& path, std::size_t length, std::size_t* got = nullptr);
// Writes the record at byte 1 of the file; bytes beyond it stay as they were.
void writeRecord(const std::string& path, const std::string& record);
// Reads a record as readRecord does, lets `change` edit it, and writes it
// back as writeRecord does, through one opening of the file. Fails, before
// anything is read, where writeRecord would. Returns the record written.
std::string updateRecord(const std::string& path, std::size_t length,
                         const std::function<void(std::string&)>& change);

// Removes a file (or an empty folder in its place), on disk when the call
// returns. Returns false when there was nothing to remove; raises when
// something is there and stays, or its removal cannot be put on disk.
bool removeFile(const std::string& path);

// The identity of an existing folder, links followed: the same however its
// path is spelled, and another for another folder put at the same path
// later (a folder renamed away, a link pointed elsewhere).
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};
std::optional<FolderIdentity> folderIdentity(const std::string& path);

// Fault injection for tests: the next copies whose destination satisfies
// `when` fail after writing `afterBytes` bytes, as an interrupted copy would.
// With `atRename`, the whole data is written and on disk instead, and the
// rename over the destination fails.
// `error` is the system's error number the failure reports (an I/O error
// unless told otherwise: a full disk is ENOSPC).
struct CopyFault {
    std::function<bool(const std::string& source, const std::string& destination)> when;
    std::size_t afterBytes = 0;
    bool atRename = false;
    int error = 0;
};
void setCopyFault(std::optional<CopyFault> fault);

// Fault injection for tests: while set, every open, status look-up and
// listing of a native path for which `fault` returns an error number fails
// with that number, as a file or folder that the user may not read would,
// whatever rights the tests run with.
void setAccessFault(std::function<int(const std::string& native)> fault);

// A record of the steps that decide what survives a power cut, for tests
// that check their order. `path` is the native path acted on; `target` is
// the destination a temporary file stands for (Write, Rename).
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
