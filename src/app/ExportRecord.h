// The record of the files the exports of a session wrote into the game
// folder, kept beside the session marker ("\BACKUP\export.sums"), so that a
// copy of the program folder carries it along with the marker.
//
// Its first line ties it to the marker written with it: "session", a space
// and the checksum of the marker's whole text. A record whose marker has
// since been written again without it (by an older version, or by a write
// killed between the two) is no record of that session. Each further line
// holds the checksum of the bytes an export wrote, a tab, and the file's
// path relative to the game folder; a file that several exports of one
// session wrote has a line for each.
//
// Once the game folder's record of the session is gone (see
// GameFolderRecord), it is the witness of whether the skirmish is still
// there: a file that still holds what an export wrote, where that differs
// from the backup's copy of it, shows that it is.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/CopySet.h"
#include "platform/Checksum.h"
#include "platform/FileOperation.h"

namespace app {

class ExportRecord {
public:
    static constexpr const char* kName = "\\BACKUP\\export.sums";

    // Adds what the export of these rows from the program folder will
    // write: each source's checksum. Raises when a source cannot be read.
    void Add(platform::FileOperation& operation, const std::string& programFolder,
             const std::vector<CopyRow>& exportRows);

    std::string Text(const std::string& markerText) const;
    // The record a text holds, if it is whole and was written with the
    // marker whose text is `markerText`.
    static std::optional<ExportRecord> Parse(const std::string& text,
                                             const std::string& markerText);

    // Whether the skirmish is still in the game folder: a file there still
    // holds bytes an export wrote, and the program folder's backup holds
    // other bytes for it, or none. A file that cannot be read, or whose
    // backup cannot, counts as still holding them.
    bool StillIn(const std::string& gameDir, const std::string& programFolder) const;

private:
    // By the file's path relative to the game folder.
    std::map<std::string, std::set<platform::Checksum>> written_;
};

}  // namespace app
