// Stand-in data for Zek Skirmish.
//
// Two sets of files are made here. The program folder's data is what the
// program ships next to its executable (level headers with every spell and
// hut available, computer-player scripts for three difficulties, texts). The
// game folder is a small fake installation of Zekvarin, for tests and for
// trying the program without the game: the same file names with different
// bytes, plus a launcher script that only records how it was started.
//
// Every byte is deterministic, so tests can compute what a file must hold
// with programFileBytes()/gameFileBytes() instead of reading the program's
// own code.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace standin {

// Size of a level header (levels/levlNNNN.hdr).
inline constexpr std::size_t kLevelHeaderSize = 616;
// Size of a computer-player attribute file (cpatrNNN.dat).
inline constexpr std::size_t kAttributeFileSize = 144;
// cpatrCFG.dat: bytes 0-5 of the first level's header.
inline constexpr std::size_t kAttributeConfigSize = 6;
// Where the cpatrCFG.dat bytes sit inside each cpatrNNN.dat.
inline constexpr std::size_t kAttributeConfigOffset = 80;

inline constexpr int kFirstLevel = 2001;
inline constexpr int kLevelCount = 25;
inline constexpr int kScriptCount = 50;

// Writes the data the program ships into programDir, creating folders as
// needed. Files that already exist are left alone, so a user's settings in
// the program folder survive a rebuild; only the level list and the change
// log, the release's own documents, are brought up to date.
void writeProgramData(const std::filesystem::path& programDir);

// Writes (overwriting) a stand-in game installation into gameDir: the game's
// data files (see gameFileList()), the launcher gxexec.exe and a dummy
// zek3.exe.
void writeGameFolder(const std::filesystem::path& gameDir);

// Exact bytes that writeProgramData()/writeGameFolder() put at a relative
// path written with forward slashes, e.g. "levels/levl2001.hdr" or
// "CPUScripts/Easy/cpatr001.dat". Throw std::invalid_argument for a path the
// writer does not make.
std::string programFileBytes(const std::string& relativePath);
std::string gameFileBytes(const std::string& relativePath);

// Relative paths of every file writeProgramData() makes.
std::vector<std::string> programFileList();

// Relative paths of the game's data files (not the launcher, not zek3.exe):
// levels/levl2001..2025.dat and .hdr, levels/cpscr001..050.dat,
// levels/cpatr001..050.dat, language/lang00.dat, SAVE/savgam08.hdr.
std::vector<std::string> gameFileList();

// Writes the stand-in launcher script with mode 0755. When run it appends
// one line, its arguments joined by single spaces, to the file named by
// ZEK_LAUNCH_LOG, or to gxexec.log beside the script, and exits 0.
void writeLauncher(const std::filesystem::path& file);

// The launcher script's text.
std::string launcherScript();

}  // namespace standin
