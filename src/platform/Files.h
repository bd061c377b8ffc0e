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
// Every failure raises forms::RuntimeError with the runtime's error number,
// so callers trap it the same way whatever failed.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The file-system path for a path text of the program.
std::string nativePath(const std::string& path);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Copies a whole file. The destination is replaced whole and atomically: a
// failed or interrupted copy leaves it as it was. A read-only destination is
// not replaced (the copy fails), and the copy itself is never read-only.
// Fails on a missing source, a missing destination folder or a destination
// that cannot be written. Copying a file onto itself leaves it intact.
void copyFile(const std::string& source, const std::string& destination);

// Creates one folder; fails when it exists already or its parent is missing.
void makeFolder(const std::string& path);

// Reads a whole file as text, line ends included.
std::string readTextFile(const std::string& path);
// Replaces a file's whole content with the text (atomically, as a copy).
void writeTextFile(const std::string& path, const std::string& text);

// Binary record access. Opening a record file creates it when it is missing
// (in an existing folder) and never truncates it.
//
// Reads the first `length` bytes of the file. The result always has
// `length` characters: past the end of a shorter file it holds NUL bytes.
std::string readRecord(const std::string& path, std::size_t length);
// Writes the record at byte 1 of the file; bytes beyond it stay as they were.
void writeRecord(const std::string& path, const std::string& record);

// Fault injection for tests: the next copies whose destination satisfies
// `when` fail after writing `afterBytes` bytes, as an interrupted copy would.
struct CopyFault {
    std::function<bool(const std::string& source, const std::string& destination)> when;
    std::size_t afterBytes = 0;
};
void setCopyFault(std::optional<CopyFault> fault);

}  // namespace platform
