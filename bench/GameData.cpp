// Game-like data: the game's sizes, names spelt anew, folders filled up.
#include "GameData.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <stdexcept>

#include "NativePaths.h"
#include "app/CopySet.h"

namespace bench {

namespace fs = std::filesystem;

namespace {

// Deterministic bytes that do not compress into a pattern.
std::string bytesOf(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed * 2654435761u + 1;
    for (char& c : bytes) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 16);
    }
    return bytes;
}

}  // namespace

void put(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void makeGameLike(const fs::path& folder, const std::vector<fs::path>& scriptFolders,
                  unsigned seed) {
    for (int level = 1; level <= 25; ++level) {
        put(folder / "levels" / (app::levelName(level) + ".dat"),
            bytesOf(86000 + 600u * static_cast<unsigned>(level),
                    seed + static_cast<unsigned>(level)));
    }
    put(folder / "language" / "lang00.dat", bytesOf(24000, seed + 99));
    for (const fs::path& scripts : scriptFolders) {
        for (int n = 1; n <= 50; ++n) {
            put(scripts / ("cpscr" + app::scriptNumber(n) + ".dat"),
                bytesOf(1200 + 37u * static_cast<unsigned>(n), seed + static_cast<unsigned>(n)));
        }
    }
}

std::string capitalised(std::string text) {
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

void copyRenamed(const fs::path& from, const fs::path& to, std::string (*spelling)(std::string)) {
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        fs::path target = to / spelling(entry.path().filename().string());
        if (entry.is_directory()) {
            copyRenamed(entry.path(), target, spelling);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

void addEntries(const fs::path& folder, int from, int to) {
    for (int i = from; i < to; ++i) {
        const std::string file = (folder / ("map" + std::to_string(100000 + i) + ".bak")).string();
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            fail("create " + file);
        }
        ::close(fd);
    }
}

}  // namespace bench
