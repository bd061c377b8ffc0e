// The bare copy: the same files put in place with none of the program's
// checks, the floor under the program and its limits. Its placement (the
// temporaries, one syncfs, the renames, the folders' fsyncs) is the one the
// limits put their copies in place with, so that what a limit costs above
// the bare copy is its checks alone.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "NativePaths.h"

namespace bench {

// Copies written into temporaries beside their destinations, then put in
// place together: one syncfs, the renames in the order added, and an fsync
// of each folder renamed into. What a source is checked for before it is
// added is the caller's.
class Placement {
public:
    // The mark of the temporaries' names, which the limits' listings look for.
    static constexpr const char* kTempMark = ".bench-tmp";

    Placement() = default;
    ~Placement();
    Placement(const Placement&) = delete;
    Placement& operator=(const Placement&) = delete;

    // Copies the open source `in`, which it closes, into a temporary with
    // `mode` beside `destination`; the destination's folder is opened on
    // its first copy.
    void add(int in, const std::string& destination, mode_t mode);
    // Puts every copy added in place, on disk when the call returns.
    void commit();

private:
    struct Rename {
        int folder;
        std::string temp;
        std::string name;
    };
    std::map<std::string, int> folders_;  // native path -> open folder
    std::vector<Rename> renames_;
};

// A copy set, bare: each source opened with O_NOFOLLOW|O_NONBLOCK and one
// fstat (whose mode the copy takes), then placed.
void bareCopySet(const FileList& files);

// The attribute patch in place: open, pread, pwrite and close per file;
// `withStatus` adds an fstat, and the file must be a regular, writable one.
void patchRecords(const std::vector<std::string>& files, const std::string& flags, bool withStatus);

// The patch, bare: no status at all.
void barePatch(const std::vector<std::string>& files, const std::string& flags);

}  // namespace bench
