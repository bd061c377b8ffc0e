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
// Every failure raises forms::RuntimeError with the runtime's error number,
// so callers trap it the same way whatever failed.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The file-system path for a path text of the program.
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
// Folder listings made to find names in another case are kept for the
// length of the set. Every source is read when it is added, so a set that
// copies onto a file and later from it reads that file's old content.
class CopySet {
public:
    CopySet();
    ~CopySet();
    CopySet(const CopySet&) = delete;
    CopySet& operator=(const CopySet&) = delete;

    // Fails, leaving nothing of this copy, on a missing source, a missing
    // destination folder or a destination that cannot be written (a folder,
    // a read-only file). Copying a file onto itself is done at once.
    void add(const std::string& source, const std::string& destination);

    enum class OnFailure { Stop, Skip };
    // Stop: the first copy that cannot be put in place raises, once the
    // copies before it are on disk; the ones after it are dropped.
    // Skip: every copy that can be is put in place; the result lists the
    // positions (in the order added) of those that could not.
    std::vector<std::size_t> commit(OnFailure onFailure);

    // How many copies the set has put in place so far.
    std::size_t placed() const;

private:
    friend void writeTextFile(const std::string& path, const std::string& text);
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

// Binary record access. Opening a record file creates it when it is missing
// (in an existing folder) and never truncates it.
//
// Reads the first `length` bytes of the file. The result always has
// `length` characters: past the end of a shorter file it holds NUL bytes.
std::string readRecord(const std::string& path, std::size_t length);
// Writes the record at byte 1 of the file; bytes beyond it stay as they were.
void writeRecord(const std::string& path, const std::string& record);

// Removes a file (or an empty folder in its place), on disk when the call
// returns. Returns false when there was nothing to remove; raises when
// something is there and stays, or its removal cannot be put on disk.
bool removeFile(const std::string& path);

// Whether both paths name readable files with the same bytes. Any failure
// to read either counts as a difference.
bool sameContents(const std::string& a, const std::string& b);

// Whether both paths name one and the same existing folder, however each is
// spelled (a trailing separator, a name in another case, a link).
bool sameFolder(const std::string& a, const std::string& b);

// Fault injection for tests: the next copies whose destination satisfies
// `when` fail after writing `afterBytes` bytes, as an interrupted copy would.
// With `atRename`, the whole data is written and on disk instead, and the
// rename over the destination fails.
struct CopyFault {
    std::function<bool(const std::string& source, const std::string& destination)> when;
    std::size_t afterBytes = 0;
    bool atRename = false;
};
void setCopyFault(std::optional<CopyFault> fault);

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
};
struct FileEvent {
    FileStep step;
    std::string path;
    std::string target;
};
void setFileRecorder(std::function<void(const FileEvent&)> recorder);

}  // namespace platform
