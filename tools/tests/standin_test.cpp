#include "standin/StandIn.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class StandIn : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("zek_standin_" + std::to_string(::getpid()) + "_" +
                                            info->name() + "_" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

int runShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

unsigned byteAt(const std::string& bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes.at(i));
}

std::string level(int n, const char* ext) {
    return "levels/levl" + std::to_string(2000 + n) + ext;
}

std::string number3(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

const char* const kDifficulties[] = {"Easy", "Medium", "Hard"};

std::size_t countRegularFiles(const fs::path& dir) {
    std::size_t n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        n += entry.is_regular_file() ? 1 : 0;
    }
    return n;
}

// ------------------------------------------------------------ program data

TEST_F(StandIn, ProgramDataHasEveryFileWithTheRightSizeAndBytes) {
    standin::writeProgramData(dir_);
    // 2 cfg + 50 level files + cpatrCFG + lang + save + 3 x 100 scripts + 2 texts
    EXPECT_EQ(countRegularFiles(dir_), 357u);
    EXPECT_EQ(fs::file_size(dir_ / "CFG/zekdir.cfg"), 0u);
    EXPECT_EQ(fs::file_size(dir_ / "CFG/appdir.cfg"), 0u);
    EXPECT_EQ(fs::file_size(dir_ / "cpatrCFG.dat"), 6u);
    for (int n = 1; n <= 25; ++n) {
        EXPECT_EQ(fs::file_size(dir_ / level(n, ".hdr")), 616u) << n;
        const auto datSize = fs::file_size(dir_ / level(n, ".dat"));
        EXPECT_GE(datSize, 1024u) << n;
        EXPECT_LE(datSize, 8192u) << n;
    }
    for (const char* d : kDifficulties) {
        for (int n = 1; n <= 50; ++n) {
            const fs::path folder = dir_ / "CPUScripts" / d;
            EXPECT_EQ(fs::file_size(folder / ("cpatr" + number3(n) + ".dat")), 144u);
            const auto scr = fs::file_size(folder / ("cpscr" + number3(n) + ".dat"));
            EXPECT_GE(scr, 1000u);
            EXPECT_LE(scr, 3100u);
        }
    }
    EXPECT_GE(fs::file_size(dir_ / "language/lang00.dat"), 1024u);
    const auto save = fs::file_size(dir_ / "SAVE/savgam08.hdr");
    EXPECT_GE(save, 100u);
    EXPECT_LE(save, 1000u);
    for (const std::string& rel : standin::programFileList()) {
        EXPECT_EQ(readFile(dir_ / rel), standin::programFileBytes(rel)) << rel;
    }
}

TEST_F(StandIn, ProgramDataNeverOverwritesAndRefillsMissingFiles) {
    writeText(dir_ / "CFG/zekdir.cfg", "/home/user/Zekvarin\r\n");
    writeText(dir_ / "levels/levl2001.hdr", "user's header");
    fs::create_directories(dir_ / "levels");
    fs::create_symlink(dir_ / "nowhere", dir_ / "levels/levl2003.dat");
    standin::writeProgramData(dir_);
    EXPECT_EQ(readFile(dir_ / "CFG/zekdir.cfg"), "/home/user/Zekvarin\r\n");
    EXPECT_EQ(readFile(dir_ / "levels/levl2001.hdr"), "user's header");
    EXPECT_TRUE(fs::is_symlink(dir_ / "levels/levl2003.dat"));
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));

    // A second run keeps a changed file and restores only the deleted one.
    writeText(dir_ / "CPUScripts/Hard/cpatr007.dat", "edited");
    fs::remove(dir_ / "levels/levl2002.dat");
    standin::writeProgramData(dir_);
    EXPECT_EQ(readFile(dir_ / "CPUScripts/Hard/cpatr007.dat"), "edited");
    EXPECT_EQ(readFile(dir_ / "levels/levl2002.dat"),
              standin::programFileBytes("levels/levl2002.dat"));
    EXPECT_EQ(readFile(dir_ / "CFG/zekdir.cfg"), "/home/user/Zekvarin\r\n");

    // The release's own documents follow the build.
    writeText(dir_ / "changelog.txt", "an older release's log");
    standin::writeProgramData(dir_);
    EXPECT_EQ(readFile(dir_ / "changelog.txt"), standin::programFileBytes("changelog.txt"));
}

TEST_F(StandIn, ShippedHeadersOfferEverySpellAndHut) {
    for (int n = 1; n <= 25; ++n) {
        const std::string h = standin::programFileBytes(level(n, ".hdr"));
        ASSERT_EQ(h.size(), 616u);
        EXPECT_EQ(byteAt(h, 0) & 0xFC, 0xFCu) << n;
        EXPECT_EQ(byteAt(h, 1), 0xFFu) << n;
        EXPECT_EQ(byteAt(h, 2) & 0x0B, 0x0Bu) << n;
        EXPECT_EQ(byteAt(h, 4) & 0xF2, 0xF2u) << n;
        EXPECT_EQ(byteAt(h, 5) & 0xA1, 0xA1u) << n;
        // The bits that are neither spells nor huts differ between the bytes.
        const std::set<unsigned> others{byteAt(h, 0) & ~0xFCu & 0xFF, byteAt(h, 2) & ~0x0Bu & 0xFF,
                                        byteAt(h, 4) & ~0xF2u & 0xFF, byteAt(h, 5) & ~0xA1u & 0xFF};
        EXPECT_EQ(others.size(), 4u) << n;
        EXPECT_EQ(byteAt(h, 92), 0x01u);
        EXPECT_EQ(byteAt(h, 93), 0x02u);
        EXPECT_EQ(byteAt(h, 94), 0x04u);
        EXPECT_EQ(byteAt(h, 95), 0x08u);
        EXPECT_EQ(byteAt(h, 98), 0x00u);
    }
}

TEST_F(StandIn, LevelFilesAreDistinctPerLevelAndStable) {
    std::set<std::string> bodies;
    std::set<std::string> data;
    for (int n = 1; n <= 25; ++n) {
        const std::string h = standin::programFileBytes(level(n, ".hdr"));
        bodies.insert(h.substr(6, 86) + h.substr(99));
        data.insert(standin::programFileBytes(level(n, ".dat")));
        EXPECT_EQ(h, standin::programFileBytes(level(n, ".hdr")));
    }
    EXPECT_EQ(bodies.size(), 25u);
    EXPECT_EQ(data.size(), 25u);
}

TEST_F(StandIn, ComputerPlayerFilesCarryTheAttributeConfig) {
    const std::string config = standin::programFileBytes("cpatrCFG.dat");
    EXPECT_EQ(config, standin::programFileBytes("levels/levl2001.hdr").substr(0, 6));
    std::set<std::string> attributes;
    std::set<std::string> scripts;
    for (const char* d : kDifficulties) {
        for (int n = 1; n <= 50; ++n) {
            const std::string base = std::string("CPUScripts/") + d + "/";
            const std::string a = standin::programFileBytes(base + "cpatr" + number3(n) + ".dat");
            ASSERT_EQ(a.size(), 144u);
            EXPECT_EQ(a.substr(80, 6), config) << d << n;
            attributes.insert(a);
            scripts.insert(standin::programFileBytes(base + "cpscr" + number3(n) + ".dat"));
        }
    }
    EXPECT_EQ(attributes.size(), 150u);
    EXPECT_EQ(scripts.size(), 150u);
}

TEST_F(StandIn, TextsUseCrLfAndNameTheLevels) {
    for (const char* name : {"changelog.txt", "levellist.txt"}) {
        const std::string text = standin::programFileBytes(name);
        ASSERT_FALSE(text.empty());
        EXPECT_TRUE(text.ends_with("\r\n")) << name;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << name << " at " << i;
            }
            if (text[i] == '\r') {
                ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << name << " at " << i;
            }
        }
    }
    const std::string log = standin::programFileBytes("changelog.txt");
    EXPECT_NE(log.find("Zek Skirmish"), std::string::npos);
    for (const char* v : {"0.0.1", "0.0.2", "0.0.3", "0.0.4"}) {
        EXPECT_NE(log.find(v), std::string::npos) << v;
    }
    const std::string list = standin::programFileBytes("levellist.txt");
    for (int n = 1; n <= 25; ++n) {
        EXPECT_NE(list.find("levl" + std::to_string(2000 + n)), std::string::npos) << n;
    }
}

TEST_F(StandIn, UnknownPathsAreRejected) {
    for (const char* path :
         {"", "levels/levl2000.hdr", "levels/levl2026.hdr", "levels/levl2001.HDR",
          "levels\\levl2001.hdr", "levels/cpscr001.dat", "CPUScripts/Expert/cpscr001.dat",
          "CPUScripts/Easy/cpscr000.dat", "CPUScripts/Easy/cpatr051.dat",
          "CPUScripts/Easy/cpatr01a.dat", "gxexec.exe", "/CFG/zekdir.cfg"}) {
        EXPECT_THROW(standin::programFileBytes(path), std::invalid_argument) << path;
    }
    for (const char* path :
         {"", "CFG/zekdir.cfg", "cpatrCFG.dat", "changelog.txt", "CPUScripts/Easy/cpscr001.dat",
          "levels/cpscr051.dat", "levels/cpatr000.dat", "levels/levl2026.dat"}) {
        EXPECT_THROW(standin::gameFileBytes(path), std::invalid_argument) << path;
    }
}

// ------------------------------------------------------------ game folder

TEST_F(StandIn, GameFileListNamesTheSkirmishFiles) {
    const auto list = standin::gameFileList();
    EXPECT_EQ(list.size(), 152u);
    const std::set<std::string> unique(list.begin(), list.end());
    EXPECT_EQ(unique.size(), list.size());
    for (const char* path : {"levels/levl2001.dat", "levels/levl2025.hdr", "levels/cpscr001.dat",
                             "levels/cpatr050.dat", "language/lang00.dat", "SAVE/savgam08.hdr"}) {
        EXPECT_TRUE(unique.count(path)) << path;
    }
    EXPECT_FALSE(unique.count("gxexec.exe"));
    EXPECT_FALSE(unique.count("zek3.exe"));
}

TEST_F(StandIn, GameFolderHoldsDataLauncherAndOverwrites) {
    writeText(dir_ / "levels/levl2001.hdr", "stale");
    standin::writeGameFolder(dir_);
    for (const std::string& rel : standin::gameFileList()) {
        EXPECT_EQ(readFile(dir_ / rel), standin::gameFileBytes(rel)) << rel;
    }
    EXPECT_EQ(readFile(dir_ / "gxexec.exe"), standin::launcherScript());
    EXPECT_GT(fs::file_size(dir_ / "zek3.exe"), 0u);
    EXPECT_EQ(readFile(dir_ / "zek3.exe"), standin::gameFileBytes("zek3.exe"));
    EXPECT_NE(fs::status(dir_ / "gxexec.exe").permissions() & fs::perms::owner_exec,
              fs::perms::none);
    EXPECT_EQ(countRegularFiles(dir_), 154u);
}

TEST_F(StandIn, GameFilesDifferFromTheProgramsFilesOfTheSameName) {
    for (const std::string& rel : standin::gameFileList()) {
        const std::string game = standin::gameFileBytes(rel);
        std::vector<std::string> counterparts;
        const std::string name = rel.substr(rel.find('/') + 1);
        if (name.starts_with("cpscr") || name.starts_with("cpatr")) {
            for (const char* d : kDifficulties) {
                counterparts.push_back(std::string("CPUScripts/") + d + "/" + name);
            }
        } else {
            counterparts.push_back(rel);
        }
        for (const std::string& other : counterparts) {
            EXPECT_NE(game, standin::programFileBytes(other)) << rel << " vs " << other;
        }
        if (name.starts_with("cpatr")) {
            EXPECT_EQ(game.size(), 144u);
        }
    }
}

TEST_F(StandIn, GameHeadersHoldSomeSpellsAndHutsBack) {
    const unsigned spellMasks[] = {0xFC, 0xFF, 0x0B};
    const unsigned hutMasks[] = {0xF2, 0xA1};
    std::set<std::string> headers;
    for (int n = 1; n <= 25; ++n) {
        const std::string h = standin::gameFileBytes(level(n, ".hdr"));
        ASSERT_EQ(h.size(), 616u);
        headers.insert(h);
        int spellsOff = 0;
        for (int b = 0; b < 3; ++b) {
            spellsOff += std::popcount(~byteAt(h, b) & spellMasks[b]);
        }
        int hutsOff =
            std::popcount(~byteAt(h, 4) & hutMasks[0]) + std::popcount(~byteAt(h, 5) & hutMasks[1]);
        EXPECT_GT(spellsOff, 0) << n;
        EXPECT_LT(spellsOff, 17) << n;
        EXPECT_GT(hutsOff, 0) << n;
        EXPECT_LT(hutsOff, 8) << n;
        for (int tribe = 0; tribe < 4; ++tribe) {
            EXPECT_EQ(byteAt(h, 92 + tribe), 1u << tribe);
        }
        EXPECT_EQ(byteAt(h, 98), 0u);
    }
    EXPECT_EQ(headers.size(), 25u);
}

// ------------------------------------------------------------ launcher

TEST_F(StandIn, LauncherRecordsItsArgumentsInTheNamedLog) {
    const fs::path script = dir_ / "bin" / "gxexec.exe";
    standin::writeLauncher(script);
    const fs::path log = dir_ / "logs" / "launch.log";
    fs::create_directories(log.parent_path());
    const std::string env = "ZEK_LAUNCH_LOG=" + quoted(log) + " ";
    EXPECT_EQ(runShell(env + quoted(script) + " /zek3.exe -level 2007 'two  words'"), 0);
    EXPECT_EQ(runShell(env + quoted(script)), 0);
    // Found through PATH, the way the program looks it up.
    EXPECT_EQ(runShell(env + "PATH=" + quoted(script.parent_path()) + ":\"$PATH\" gxexec.exe x"),
              0);
    EXPECT_EQ(readFile(log), "/zek3.exe -level 2007 two  words\n\nx\n");
    EXPECT_FALSE(fs::exists(script.parent_path() / "gxexec.log"));
}

TEST_F(StandIn, LauncherWithoutLogVariableWritesBesideItself) {
    const fs::path script = dir_ / "game" / "gxexec.exe";
    standin::writeLauncher(script);
    const auto perms = fs::status(script).permissions();
    EXPECT_EQ(perms & fs::perms::all, fs::perms(0755));
    EXPECT_EQ(runShell("cd / && env -u ZEK_LAUNCH_LOG " + quoted(script) + " a b"), 0);
    EXPECT_EQ(runShell("env -u ZEK_LAUNCH_LOG " + quoted(script) + " c"), 0);
    EXPECT_EQ(readFile(script.parent_path() / "gxexec.log"), "a b\nc\n");
}

// ------------------------------------------------------------ zek_mkdata

TEST_F(StandIn, MkdataWritesFoldersAndRejectsBadArguments) {
    const std::string tool = quoted(ZEK_MKDATA);
    EXPECT_EQ(runShell(tool + " program " + quoted(dir_ / "program")), 0);
    EXPECT_EQ(readFile(dir_ / "program/cpatrCFG.dat"), standin::programFileBytes("cpatrCFG.dat"));
    EXPECT_EQ(runShell(tool + " game " + quoted(dir_ / "game")), 0);
    EXPECT_EQ(readFile(dir_ / "game/levels/cpatr001.dat"),
              standin::gameFileBytes("levels/cpatr001.dat"));
    EXPECT_EQ(runShell(tool + " launcher " + quoted(dir_ / "l.sh")), 0);
    EXPECT_EQ(readFile(dir_ / "l.sh"), standin::launcherScript());
    for (const char* args : {"", " program", " game ''", " frobnicate x", " program a b"}) {
        EXPECT_EQ(runShell(tool + args + " 2>/dev/null"), 2) << args;
    }
}

}  // namespace
