// One operation on the files (a backup, the record of a session, an export,
// a restore, a check at start-up): what its paths name, and its removals,
// with each folder listed at most once however many files it touches there.
// A removal is on disk when it returns.
//
// A game copied from another system often carries its names capitalised
// ("Levels\\Levl2001.dat") in folders of many thousands of entries, and a
// listing per file would make every operation wait on the disk. So the
// operation's look-ups of names in another case, and its sweeps of leftover
// temporary files, share one listing of each folder. A listing is kept for
// the operation's life and updated with what the operation itself adds or
// removes; what other programs change meanwhile is not seen, so an operation
// is one short run of steps, never kept.
#pragma once

#include <memory>
#include <string>

namespace platform {

namespace detail {
class Resolver;
}

class FileOperation {
public:
    FileOperation();
    ~FileOperation();
    FileOperation(const FileOperation&) = delete;
    FileOperation& operator=(const FileOperation&) = delete;

    // The file-system path for a path text of the program (see
    // PathNotation.h).
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

    // Removes a regular file, on disk when the call returns: its folder is
    // synced after the removal. Anything else at the path (a folder, a link,
    // a pipe) is not the program's to remove and stays. Returns whether a
    // file was removed. With `exact`, the path is a native path taken as it
    // is, in no other case.
    bool removeRegularFile(const std::string& path, bool exact = false);

    // Removes the temporary files that a copy killed half-way left in the
    // folder (see CopySet.h); with `only`, just those of a file of that
    // name, in a folder where other temporary files may be another's.
    void sweep(const std::string& folder, const std::string& only = {});

private:
    friend class CopySet;
    // The operation's look-ups, which a copy set shares.
    detail::Resolver& resolver();
    // Whether the rest of two open files holds the same bytes, read through
    // one buffer for the operation's many comparisons.
    bool sameBytes(int a, int b);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Removes a file (or an empty folder in its place), as one operation: on
// disk when the call returns. Returns false when there was nothing to
// remove; raises when something is there and stays, or its removal cannot
// be put on disk.
bool removeFile(const std::string& path);

}  // namespace platform
