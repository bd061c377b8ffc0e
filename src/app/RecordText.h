// The small text records the program keeps about its own state
// (backup.source, export.pending, the game folder's session record): lines
// ended by CR LF, and folder identities written as "device inode".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Folders.h"

namespace app {

// The lines of a text, each without its line end (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);

// Whether a text holds nothing but blanks and line ends.
bool Blank(const std::string& text);

// A record that names a folder (backup.source, the game folder's record of
// a session): its path text on the first line, and on the second its
// identity, when it was known, as "device inode".
struct FolderRecord {
    std::string folder;
    std::optional<platform::FolderIdentity> identity;
};
std::string FolderRecordText(const FolderRecord& record);
// A record that names no folder has an empty one; an identity that is not
// "device inode" is none.
FolderRecord ParseFolderRecord(const std::string& text);

}  // namespace app
