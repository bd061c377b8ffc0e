// Game-like data for the benchmark: files of the sizes the game's own have,
// a game folder copied with its names spelt anew, folders filled up with
// many more entries.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// Writes a whole file, or raises.
void put(const std::filesystem::path& file, const std::string& bytes);

// Gives the level data, language and script files of a stand-in folder the
// sizes the game's own have; the headers (616 bytes) and attribute records
// (144 bytes) have theirs already. The program's files get other bytes than
// the game's (`seed`), as an export brings other content.
void makeGameLike(const std::filesystem::path& folder,
                  const std::vector<std::filesystem::path>& scriptFolders, unsigned seed);

// "levels" as "Levels".
std::string capitalised(std::string text);

// A copy of a game folder with every name below it spelt anew.
void copyRenamed(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string (*spelling)(std::string));

// Empty files numbered from `from` up to `to`, the way a folder fills up
// with a user's maps and saves.
void addEntries(const std::filesystem::path& folder, int from, int to);

}  // namespace bench
