#include "standin/StandIn.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace standin {
namespace {

namespace fs = std::filesystem;

enum class Side { Program, Game };

// Small, fixed generator so the bytes never depend on the standard library.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001B3ULL;
    }
    return hash;
}

const char* sideName(Side side) {
    return side == Side::Program ? "program" : "game";
}

std::uint64_t seedFor(Side side, std::string_view path) {
    std::string key = sideName(side);
    key += ':';
    key += path;
    return fnv1a(key);
}

// Deterministic opaque bytes for a file; the seed ties them to side and path.
std::string noise(Side side, std::string_view path, std::size_t size) {
    SplitMix64 rng(seedFor(side, path));
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t word = rng.next();
        for (std::size_t j = 0; j < 8 && i + j < size; ++j) {
            bytes[i + j] = static_cast<char>((word >> (8 * j)) & 0xFF);
        }
    }
    return bytes;
}

// A size between lo and lo + span - 1, fixed per side and path.
std::size_t sizeFor(Side side, std::string_view path, std::size_t lo, std::size_t span) {
    return lo + static_cast<std::size_t>(
                    fnv1a(std::string(sideName(side)) + "#size:" + std::string(path)) % span);
}

// Availability bits in header bytes 0-5, as (byte, mask).
struct Bit {
    std::size_t byte;
    unsigned char mask;
};
constexpr std::array<Bit, 17> kSpellBits{{{0, 0x04},
                                          {0, 0x08},
                                          {0, 0x10},
                                          {0, 0x20},
                                          {0, 0x40},
                                          {0, 0x80},
                                          {1, 0x01},
                                          {1, 0x02},
                                          {1, 0x04},
                                          {1, 0x08},
                                          {1, 0x10},
                                          {1, 0x20},
                                          {1, 0x40},
                                          {1, 0x80},
                                          {2, 0x01},
                                          {2, 0x02},
                                          {2, 0x08}}};
constexpr std::array<Bit, 8> kHutBits{
    {{4, 0x02}, {4, 0x10}, {4, 0x20}, {4, 0x40}, {4, 0x80}, {5, 0x01}, {5, 0x20}, {5, 0x80}}};

constexpr std::size_t kAllianceOffset = 92;
constexpr std::size_t kOptionsOffset = 98;

std::string levelName(int level) {
    return "levl" + std::to_string(level);
}

std::string levelHeader(Side side, int level) {
    const std::string path = "levels/" + levelName(level) + ".hdr";
    std::string h = noise(side, path, kLevelHeaderSize);
    // Bits of bytes 0-5 that are neither spells nor huts keep fixed values
    // that differ between the bytes and between the two sides, so an editor
    // that clobbers them is caught.
    const bool program = side == Side::Program;
    h[0] = static_cast<char>(program ? 0x01 : 0x02);
    h[1] = 0x00;
    h[2] = static_cast<char>(program ? 0x40 : 0x10);
    h[4] = static_cast<char>(program ? 0x08 : 0x01);
    h[5] = static_cast<char>(program ? 0x04 : 0x10);
    // The shipped levels offer everything; the game's own levels hold some
    // spells and huts back.
    for (std::size_t k = 0; k < kSpellBits.size(); ++k) {
        if (program || (static_cast<int>(k) + level) % 5 != 0) {
            h[kSpellBits[k].byte] = static_cast<char>(h[kSpellBits[k].byte] | kSpellBits[k].mask);
        }
    }
    for (std::size_t k = 0; k < kHutBits.size(); ++k) {
        if (program || (static_cast<int>(k) + level) % 4 != 0) {
            h[kHutBits[k].byte] = static_cast<char>(h[kHutBits[k].byte] | kHutBits[k].mask);
        }
    }
    // Blue, Red, Yellow, Green: each allied only with itself.
    for (std::size_t tribe = 0; tribe < 4; ++tribe) {
        h[kAllianceOffset + tribe] = static_cast<char>(1u << tribe);
    }
    h[kOptionsOffset] = 0x00;
    return h;
}

std::string attributeConfig(Side side) {
    return levelHeader(side, kFirstLevel).substr(0, kAttributeConfigSize);
}

std::string attributeFile(Side side, const std::string& path) {
    std::string bytes = noise(side, path, kAttributeFileSize);
    bytes.replace(kAttributeConfigOffset, kAttributeConfigSize, attributeConfig(side));
    return bytes;
}

std::string crlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

std::string changelogText() {
    return crlf(
        "Zek Skirmish - change log\n"
        "\n"
        "0.0.4\n"
        "- Fog of war and god mode can be switched for all levels at once.\n"
        "- End Game puts the game's skirmish files back from the backup.\n"
        "- Help menu: this change log, the level list, the help file, three\n"
        "  web pages and the About box.\n"
        "\n"
        "0.0.3\n"
        "- Alliances between the Blue, Red, Yellow and Green tribes.\n"
        "- Computer players on Easy, Medium or Hard.\n"
        "\n"
        "0.0.2\n"
        "- Huts can be switched on and off.\n"
        "- The game's skirmish files are backed up at every start.\n"
        "\n"
        "0.0.1\n"
        "- First version: spells for the 25 skirmish levels.\n");
}

// The levels as the program knows them: by number and by the files it
// copies into the game for each.
std::string levelListText() {
    std::string text =
        "Zek Skirmish - the skirmish levels\n"
        "\n"
        "Zek Skirmish sets up the game's 25 skirmish levels. For each level it\n"
        "copies the map and its header into the game's levels folder; the\n"
        "settings you choose (spells, huts, alliances, fog of war, god mode)\n"
        "are written into every header alike.\n"
        "\n"
        "Level  Map           Header\n";
    for (int i = 0; i < kLevelCount; ++i) {
        std::string number = std::to_string(i + 1);
        const std::string name = levelName(kFirstLevel + i);
        text +=
            std::string(5 - number.size(), ' ') + number + "  " + name + ".dat  " + name + ".hdr\n";
    }
    text +=
        "\n"
        "As shipped, every level offers all 17 spells and 8 huts, with no\n"
        "alliances, fog of war off and god mode off.\n";
    return crlf(text);
}

// Matches prefix + zero-padded number of `digits` digits + suffix and returns
// the number when it lies in [lo, hi].
std::optional<int> numbered(std::string_view name, std::string_view prefix, std::size_t digits,
                            std::string_view suffix, int lo, int hi) {
    if (name.size() != prefix.size() + digits + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix)) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : name.substr(prefix.size(), digits)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

const int kLastLevel = kFirstLevel + kLevelCount - 1;

// Level files and the language/save files, which both sides have.
std::optional<std::string> sharedFile(Side side, std::string_view path) {
    const bool program = side == Side::Program;
    if (auto level = numbered(path, "levels/levl", 4, ".hdr", kFirstLevel, kLastLevel)) {
        return levelHeader(side, *level);
    }
    if (numbered(path, "levels/levl", 4, ".dat", kFirstLevel, kLastLevel)) {
        return noise(side, path, sizeFor(side, path, program ? 2048 : 1792, 3072));
    }
    if (path == "language/lang00.dat") {
        return noise(side, path, program ? 4096 : 3584);
    }
    if (path == "SAVE/savgam08.hdr") {
        return noise(side, path, program ? 320 : 288);
    }
    return std::nullopt;
}

std::string number3(int n) {
    std::string s = std::to_string(n);
    return std::string(3 - s.size(), '0') + s;
}

constexpr std::array<const char*, 3> kDifficulties{"Easy", "Medium", "Hard"};

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

}  // namespace

std::string programFileBytes(const std::string& relativePath) {
    if (auto bytes = sharedFile(Side::Program, relativePath)) {
        return *bytes;
    }
    if (relativePath == "CFG/zekdir.cfg" || relativePath == "CFG/appdir.cfg") {
        return {};
    }
    if (relativePath == "cpatrCFG.dat") {
        return attributeConfig(Side::Program);
    }
    if (relativePath == "changelog.txt") {
        return changelogText();
    }
    if (relativePath == "levellist.txt") {
        return levelListText();
    }
    const std::string_view path = relativePath;
    for (const char* difficulty : kDifficulties) {
        const std::string folder = std::string("CPUScripts/") + difficulty + "/";
        if (!path.starts_with(folder)) {
            continue;
        }
        const std::string_view name = path.substr(folder.size());
        if (numbered(name, "cpscr", 3, ".dat", 1, kScriptCount)) {
            return noise(Side::Program, path, sizeFor(Side::Program, path, 1024, 2048));
        }
        if (numbered(name, "cpatr", 3, ".dat", 1, kScriptCount)) {
            return attributeFile(Side::Program, relativePath);
        }
    }
    throw std::invalid_argument("no program file " + relativePath);
}

std::string gameFileBytes(const std::string& relativePath) {
    if (auto bytes = sharedFile(Side::Game, relativePath)) {
        return *bytes;
    }
    const std::string_view path = relativePath;
    if (numbered(path, "levels/cpscr", 3, ".dat", 1, kScriptCount)) {
        return noise(Side::Game, path, sizeFor(Side::Game, path, 900, 2048));
    }
    if (numbered(path, "levels/cpatr", 3, ".dat", 1, kScriptCount)) {
        return attributeFile(Side::Game, relativePath);
    }
    if (relativePath == "gxexec.exe") {
        return launcherScript();
    }
    if (relativePath == "zek3.exe") {
        return "MZ stand-in for the Zekvarin game; it does not run.\n";
    }
    throw std::invalid_argument("no game file " + relativePath);
}

std::vector<std::string> programFileList() {
    std::vector<std::string> files{"CFG/zekdir.cfg", "CFG/appdir.cfg"};
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        files.push_back("levels/" + levelName(level) + ".hdr");
        files.push_back("levels/" + levelName(level) + ".dat");
    }
    files.push_back("cpatrCFG.dat");
    files.push_back("language/lang00.dat");
    files.push_back("SAVE/savgam08.hdr");
    for (const char* difficulty : kDifficulties) {
        for (int n = 1; n <= kScriptCount; ++n) {
            files.push_back(std::string("CPUScripts/") + difficulty + "/cpscr" + number3(n) +
                            ".dat");
            files.push_back(std::string("CPUScripts/") + difficulty + "/cpatr" + number3(n) +
                            ".dat");
        }
    }
    files.push_back("changelog.txt");
    files.push_back("levellist.txt");
    return files;
}

std::vector<std::string> gameFileList() {
    std::vector<std::string> files;
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        files.push_back("levels/" + levelName(level) + ".dat");
        files.push_back("levels/" + levelName(level) + ".hdr");
    }
    for (int n = 1; n <= kScriptCount; ++n) {
        files.push_back("levels/cpscr" + number3(n) + ".dat");
        files.push_back("levels/cpatr" + number3(n) + ".dat");
    }
    files.push_back("language/lang00.dat");
    files.push_back("SAVE/savgam08.hdr");
    return files;
}

void writeProgramData(const fs::path& programDir) {
    for (const std::string& relative : programFileList()) {
        const fs::path file = programDir / relative;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(file, ec);
        // The level list and the change log are the release's own documents
        // and follow it; anything else already there is kept (a dangling
        // link, too, counts as the user's).
        const bool document = relative == "changelog.txt" || relative == "levellist.txt";
        if (fs::exists(status) && !(document && fs::is_regular_file(status))) {
            continue;
        }
        const std::string bytes = programFileBytes(relative);
        if (!fs::exists(status) || readBytes(file) != bytes) {
            writeFile(file, bytes);
        }
    }
}

void writeGameFolder(const fs::path& gameDir) {
    for (const char* folder : {"levels", "language", "SAVE"}) {
        fs::create_directories(gameDir / folder);
    }
    for (const std::string& relative : gameFileList()) {
        writeFile(gameDir / relative, gameFileBytes(relative));
    }
    writeFile(gameDir / "zek3.exe", gameFileBytes("zek3.exe"));
    writeLauncher(gameDir / "gxexec.exe");
}

std::string launcherScript() {
    return "#!/bin/sh\n"
           "# Stand-in for the Zekvarin launcher: records its arguments, one line per start.\n"
           "log=\"${ZEK_LAUNCH_LOG:-$(dirname \"$0\")/gxexec.log}\"\n"
           "IFS=' '\n"
           "printf '%s\\n' \"$*\" >> \"$log\"\n"
           "exit 0\n";
}

void writeLauncher(const fs::path& file) {
    writeFile(file, launcherScript());
    fs::permissions(file,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::replace);
}

}  // namespace standin
