// Whole-file copies put in place atomically and durably, together: a power
// cut at any moment leaves each destination with either its old content or
// its new one, whole, and a copy that fails before it is put in place leaves
// nothing behind.
//
// The durable order of every copy:
//   1. `add` reads the source at once and writes its data into a temporary
//      file beside the destination (".NAME.zektmp-XXXXXX", in the same
//      folder, so that the rename below cannot cross file systems);
//   2. the data of every temporary reaches the disk: one sync per file
//      system, or of the file alone when it is the only one there, so that
//      the cost is paid once per file system rather than once per file;
//   3. each temporary is renamed over its destination, in the order added:
//      the destination switches from its old content to its new one, both
//      whole on disk;
//   4. every folder renamed into is synced, so that the new names survive a
//      power cut too.
// When `commit` returns, every copy it reports done is on disk.
//
// What a failure leaves: a copy that fails before its rename (its source
// cannot be read, its destination cannot be written, a write or its rename
// fails) leaves its destination as it was and its temporary removed; a sync
// of the data that fails drops every copy of the set. Every copy still
// pending when the set is destroyed leaves nothing behind either. A folder
// that cannot be synced at the end raises, its copies renamed but perhaps
// not yet on disk. A copy killed half-way leaves at most its temporary file:
// before the first copy into a folder, the temporaries that such a copy left
// there are removed.
//
// A destination that is a symbolic link is written through to its target,
// so the link stays a link; a replaced file keeps its mode (and, where the
// rights allow, its owner); a new one gets the usual mode for new files.
// A read-only destination is never replaced.
//
// The set looks names up within one FileOperation: its own, or one it shares
// with the steps around it. Every source is read when it is added, so a set
// that copies onto a file and later from it reads that file's old content.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileOperation.h"

namespace platform {

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
    // A text file's new content, added as a copy is (see FileContents.h).
    friend void writeTextFile(FileOperation& operation, const std::string& path,
                              const std::string& text);
    void addBytes(const std::string& destination, const std::string& bytes);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Copies a whole file: a CopySet of one copy.
void copyFile(const std::string& source, const std::string& destination);

}  // namespace platform
