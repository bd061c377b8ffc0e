// The small text records the program keeps about its own state
// (backup.source, export.pending, the game folder's session record): lines
// ended by CR LF, and folder identities written as "device inode", with the
// birth time on a line of its own.
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
// identity, when it was known, as "device inode". A path that holds a line
// feed cannot stand on one line: its first line then shows it with "?" for
// each line feed, for older readers, and a third line holds it whole, with
// "%", CR, LF and the other control characters written "%XX" (hexadecimal).
// Where the folder's birth time is known, the third line is written for
// every path, and a fourth holds "birth seconds.nanoseconds": older readers
// read the first three lines only, and find the path and the device and
// inode numbers they know. A record without a third or a fourth line reads
// as it always did.
struct FolderRecord {
    std::string folder;
    std::optional<platform::FolderIdentity> identity;
};
std::string FolderRecordText(const FolderRecord& record);
// A record that names no folder has an empty one; an identity that is not
// "device inode" is none.
FolderRecord ParseFolderRecord(const std::string& text);

// A text on one line whatever it holds: "%", CR, LF, tab and the other
// control characters written "%XX" (hexadecimal); and back, nothing when a
// line is not such a text.
std::string EscapedLine(const std::string& text);
std::optional<std::string> UnescapedLine(const std::string& line);

// Whether two folder identities name one folder. Another inode number, or
// another birth time where both are known, is another folder. A disk
// attached again (after a reboot or a re-plug) keeps its folders' inodes
// and birth times but may get another device number: the same inode on
// another device cannot be told apart from another folder, and neither can
// a folder whose identity is not known.
enum class Sameness { Same, Other, CannotTell };
Sameness Compare(const std::optional<platform::FolderIdentity>& a,
                 const std::optional<platform::FolderIdentity>& b);

}  // namespace app
