// The program's path texts and the native paths they name: a text maps onto
// one existing entry, found in another case when its own case is missing.
//
// The program builds paths the way the game's own platform writes them: a
// directory text followed by a relative path that begins with "\"
// ("\levels\levl2001.dat"), joined by plain concatenation. Here "\" becomes
// "/" and a doubled separator is one. Because game installations carry
// names in whatever case their installer chose, a name that does not exist
// in its exact case matches an existing entry that differs only in case;
// among several such entries the first in name order wins, so the same text
// always names the same file. Past a missing folder the rest of the path
// stays as written.
#pragma once

#include <string>

namespace platform {

// The native path a path text names. Each is one FileOperation of its own;
// code that looks up many paths in a row shares one (FileOperation.h).
std::string nativePath(const std::string& path);
// A regular file, or a link to one.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Why a path text cannot name anything on this system, looked at as text
// alone: it is empty (or blank), not a full path, holds a NUL byte, has a
// name longer than the system allows, or is longer as a whole than a path
// the system looks up. `None` when it may name something.
enum class PathFault { None, Empty, NotFullPath, NulByte, NameTooLong, PathTooLong };
PathFault pathFault(const std::string& path);

}  // namespace platform
