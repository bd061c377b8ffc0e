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

std::string IdentityText(const platform::FolderIdentity& identity);
// Nothing when the text is not "device inode".
std::optional<platform::FolderIdentity> ParseIdentity(const std::string& text);

}  // namespace app
