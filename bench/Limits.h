// The limits: the least a copy, End Game, Start Game or the patch can do
// while keeping the program's guarantees, on exact native paths looked up
// before the timing. Each is the bare copy's placement plus the checks the
// guarantees need.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "NativePaths.h"

namespace bench {

// A copy set: one listing of each folder copied into, for the leftovers
// of a killed copy; for each file the status of its source before it is
// opened and of what was opened, and the status of its destination; then
// the bare copy's placement.
void limitCopySet(const FileList& files);

// End Game: the marker read, the sweep, per phase the files that differ
// from their backups copied back in one set, then the session's records
// removed.
struct RestoreWork {
    std::string marker;
    std::string sums;    // the record of the export's files
    std::string record;  // in the game folder
    std::vector<std::string> swept;
    std::vector<FileList> phases;  // backup, destination
};
void limitRestore(const RestoreWork& work);

// Start Game: whether a session is pending, the record of the files the
// export will create, the checksum of each file it will write and their
// record, then both phases.
struct ExportWork {
    std::string marker;
    std::string sums;                                       // the record of the export's files
    std::string markerText;                                 // the game folder's line
    std::string record;                                     // in the game folder
    std::string recordText;                                 // the program folder's lines
    std::vector<std::pair<std::string, std::string>> rows;  // destination text, native path
    std::vector<FileList> phases;
};
void limitExport(const ExportWork& work);

// The patch: open, fstat (a regular, writable file), pread, pwrite and
// close per file.
void limitPatch(const std::vector<std::string>& files, const std::string& flags);

}  // namespace bench
