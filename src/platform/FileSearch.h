// Directory searches: is there an entry matching a path, and what is its name?
//
// A search takes a path in the program's notation whose last part may hold
// the wildcards "*" and "?". Any entry counts, folders included; names match
// without regard to letter case, as they do on the game's platform. A search
// that found something must be closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

constexpr std::int32_t INVALID_HANDLE_VALUE = -1;

struct WIN32_FIND_DATA {
    std::string cFileName;  // the entry's real name, without its folder
    bool isFolder = false;
};

// Starts a search; returns a search handle, or INVALID_HANDLE_VALUE when no
// entry matches (an empty path, a missing folder, no match).
std::int32_t FindFirstFile(const std::string& path, WIN32_FIND_DATA& found);
// The next matching entry of an open search; false when there is none left.
bool FindNextFile(std::int32_t handle, WIN32_FIND_DATA& found);
// Closes a search; false for a handle that is not open.
bool FindClose(std::int32_t handle);

// How many searches are open now (every search must be closed).
std::size_t openSearches();

// The runtime's directory lookup among normal files: the name of the first
// file (not folder) that matches the path, or an empty text when none does.
std::string Dir(const std::string& path);

}  // namespace platform
