// Start Game, the difficulty dialog, the launch-wait form and End Game, on
// the headless back end with stand-in program and game folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "app/Main.h"
#include "forms/Runtime.h"
#include "platform/FileFaults.h"
#include "platform/Launcher.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::awaitLog;
using testing_support::gameRunningState;
using testing_support::loaded;
using testing_support::makeReadOnly;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::shown;
using testing_support::startState;
using testing_support::TempDir;
using testing_support::writeFile;

constexpr int kExclamation = 48;
constexpr int kMinimizedFocus = 2;
const char* const kCommandLine = "gxexec.exe zek3.exe /RUNGAME";
const char* const kWords[] = {"Easy", "Medium", "Hard"};

// Availability flags that differ from every shipped attribute file, so a
// patched file can be told from an untouched one.
const std::string kFlags{'\x11', '\x22', '\x33', '\x44', '\x55', '\x66'};

std::string number3(int n) {
    std::string s = std::to_string(n);
    return std::string(3 - s.size(), '0') + s;
}

std::string levelFile(int level, const char* extension) {
    return "levels/levl" + std::to_string(2000 + level) + extension;
}

std::string scriptFile(const std::string& word, const char* kind, int n) {
    return "CPUScripts/" + word + "/" + kind + number3(n) + ".dat";
}

// "levels/x.dat" as the program writes it: "\levels\x.dat".
std::string backslashed(const std::string& relative) {
    std::string text = "\\" + relative;
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    return text;
}

// An attribute file as the patch must leave it: at least 144 bytes, the
// flags at byte offsets 80-85, every other byte as it was.
std::string patched(std::string bytes, const std::string& flags) {
    if (bytes.size() < standin::kAttributeFileSize) {
        bytes.resize(standin::kAttributeFileSize, '\0');
    }
    bytes.replace(80, 6, flags);
    return bytes;
}

// A shipped level header with spell "Blast" (character 1, bit 0x04) cleared.
std::string withoutBlast(std::string header) {
    header[0] = static_cast<char>(header[0] & ~0x04);
    return header;
}

// Compares file contents and, on a mismatch, names the sizes and the first
// differing offset instead of printing kilobytes of noise.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at offset " << at;
}

app::Main& mainForm() {
    return forms::form<app::Main>();
}

using Copy = std::pair<std::string, std::string>;

// Records every copy the file layer makes, in order, without disturbing it.
class CopyRecorder {
public:
    CopyRecorder() {
        platform::setCopyFault(
            platform::CopyFault{[this](const std::string& source, const std::string& destination) {
                                    copies.emplace_back(source, destination);
                                    return false;
                                },
                                0});
    }
    ~CopyRecorder() { platform::setCopyFault(std::nullopt); }
    std::vector<Copy> copies;
};

// A launcher that notes the virtual time of every attempt.
class ClockLauncher : public platform::Launcher {
public:
    explicit ClockLauncher(Driver& driver) : driver_(driver) {}
    double run(const std::string& commandLine, int windowStyle) override {
        at.push_back(driver_.now());
        commandLines.push_back(commandLine);
        styles.push_back(windowStyle);
        if (failing) {
            throw forms::RuntimeError(forms::err::FileNotFound, "File not found");
        }
        return 1;
    }
    std::vector<long long> at;
    std::vector<std::string> commandLines;
    std::vector<int> styles;
    bool failing = false;

private:
    Driver& driver_;
};

class Skirmish : public ::testing::Test {
protected:
    std::string P() const { return fx.programDir().string(); }
    std::string G() const { return fx.gameDir().string(); }
    fs::path marker() const { return fx.programDir() / "BACKUP" / "export.pending"; }

    std::string program(const std::string& relative) const {
        return readFile(fx.programDir() / relative);
    }
    std::string game(const std::string& relative) const {
        return readFile(fx.gameDir() / relative);
    }

    // Every data file of the game folder holds the stand-in game's bytes.
    void expectGameFolderUntouched() const {
        for (const std::string& relative : standin::gameFileList()) {
            EXPECT_TRUE(sameBytes(game(relative), standin::gameFileBytes(relative))) << relative;
        }
    }

    // The 150 attribute files all hold these flags, or all are as shipped.
    void expectAttributeFiles(const std::string& word, const std::optional<std::string>& flags) {
        for (int n = 1; n <= 50; ++n) {
            std::string relative = scriptFile(word, "cpatr", n);
            std::string shipped = standin::programFileBytes(relative);
            EXPECT_TRUE(sameBytes(program(relative), flags ? patched(shipped, *flags) : shipped))
                << relative;
        }
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> all;
        for (const auto& message : d.messages()) {
            all.push_back(message.title);
        }
        return all;
    }

    ProgramFixture fx;
    Driver& d = fx.driver();
};

// ---- Saving the settings, and the attribute patch before the dialog

TEST_F(Skirmish, StartGameSavesThenPatchesBeforeTheDialogOpens) {
    writeFile(fx.programDir() / "cpatrCFG.dat", kFlags);
    fx.start();
    // Blast off: every level loses it, and the flags mirror level 1.
    std::string flags = kFlags;
    flags[0] = withoutBlast(standin::programFileBytes(levelFile(1, ".hdr")))[0];
    d.click("Main", "Image16")
        .click("Main", "Start")
        .then([&] {
            EXPECT_TRUE(shown("frmdifficulty"));
            EXPECT_TRUE(gameRunningState());
            EXPECT_TRUE(sameBytes(program("cpatrCFG.dat"), flags));
            for (int level = 1; level <= 25; ++level) {
                std::string relative = levelFile(level, ".hdr");
                EXPECT_TRUE(
                    sameBytes(program(relative), withoutBlast(standin::programFileBytes(relative))))
                    << relative;
            }
            for (const char* word : kWords) {
                expectAttributeFiles(word, flags);
            }
            // Nothing reaches the game before a difficulty is chosen.
            expectGameFolderUntouched();
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_TRUE(startState());
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(fx.launcher().launches.empty());
}

TEST_F(Skirmish, UnwritableAvailabilityFileStopsStartGameBeforeAnyOtherWrite) {
    makeReadOnly(fx.programDir() / "cpatrCFG.dat");
    fx.start();
    d.click("Main", "Image16").click("Main", "Start");
    d.run();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].style, kExclamation);
    EXPECT_EQ(d.messages()[0].title, "Error- Saving Level Configuration");
    EXPECT_EQ(d.messages()[0].prompt,
              "An error has occured while trying to save the level restrictions in " + P() +
                  "\\levels.  Continuing is possilbe, however is not recommended as your "
                  "settings may not be saved for use in Skirmish Mode.");
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(sameBytes(program("cpatrCFG.dat"), standin::programFileBytes("cpatrCFG.dat")));
    for (int level = 1; level <= 25; ++level) {
        std::string relative = levelFile(level, ".hdr");
        EXPECT_TRUE(sameBytes(program(relative), standin::programFileBytes(relative))) << relative;
    }
    for (const char* word : kWords) {
        expectAttributeFiles(word, std::nullopt);
    }
    EXPECT_FALSE(fs::exists(marker()));
    expectGameFolderUntouched();
}

TEST_F(Skirmish, UnwritableHeaderStopsTheSaveAtItsLevel) {
    makeReadOnly(fx.programDir() / levelFile(13, ".hdr"));
    fx.start();
    d.click("Main", "Image16").click("Main", "Start");
    d.run();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].title, "Error- Saving Level Configuration");
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_TRUE(gameRunningState());
    std::string flags = standin::programFileBytes("cpatrCFG.dat");
    flags[0] = withoutBlast(standin::programFileBytes(levelFile(1, ".hdr")))[0];
    EXPECT_TRUE(sameBytes(program("cpatrCFG.dat"), flags));
    for (int level = 1; level <= 25; ++level) {
        std::string relative = levelFile(level, ".hdr");
        std::string shipped = standin::programFileBytes(relative);
        EXPECT_TRUE(sameBytes(program(relative), level <= 12 ? withoutBlast(shipped) : shipped))
            << relative;
    }
    for (const char* word : kWords) {
        expectAttributeFiles(word, std::nullopt);
    }
}

TEST_F(Skirmish, StartGameKeepsSavedHeadersTheLoadCouldNotRead) {
    // Level 5's header cannot be opened: the load reads the flags and
    // levels 2-4, then stops.
    fs::path blocked = fx.programDir() / levelFile(5, ".hdr");
    fs::remove(blocked);
    fs::create_directory(blocked);
    fx.start();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].title, "Error- Loading Level Settings");
    d.click("Main", "Image16")
        .click("Main", "Start")
        .then([&] {
            EXPECT_TRUE(shown("frmdifficulty"));
            EXPECT_TRUE(fs::is_directory(blocked));
            for (int level = 1; level <= 25; ++level) {
                if (level == 5) {
                    continue;
                }
                std::string relative = levelFile(level, ".hdr");
                std::string shipped = standin::programFileBytes(relative);
                bool read = level >= 2 && level <= 4;
                EXPECT_TRUE(sameBytes(program(relative), read ? withoutBlast(shipped) : shipped))
                    << relative;
            }
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u) << fx.lastMessage();
}

// ---- The patch

TEST_F(Skirmish, PatchWritesCharacters81To86OfAllAttributeFilesWhateverTheirLength) {
    writeFile(fx.programDir() / "cpatrCFG.dat", kFlags);
    const std::string longer = scriptFile("Easy", "cpatr", 7);
    const std::string shorter = scriptFile("Medium", "cpatr", 10);
    const std::string missing = scriptFile("Hard", "cpatr", 50);
    const std::string longBytes = standin::programFileBytes(longer) + std::string(56, '\x7e');
    const std::string shortBytes = standin::programFileBytes(shorter).substr(0, 50);
    writeFile(fx.programDir() / longer, longBytes);
    writeFile(fx.programDir() / shorter, shortBytes);
    fs::remove(fx.programDir() / missing);
    fx.start();
    d.click("Main", "Start")
        .then([&] {
            for (const char* word : kWords) {
                for (int n = 1; n <= 50; ++n) {
                    std::string relative = scriptFile(word, "cpatr", n);
                    std::string before = relative == longer    ? longBytes
                                         : relative == shorter ? shortBytes
                                         : relative == missing
                                             ? std::string()
                                             : standin::programFileBytes(relative);
                    EXPECT_TRUE(sameBytes(program(relative), patched(before, kFlags))) << relative;
                }
            }
            // The scripts themselves are not touched.
            for (const char* word : kWords) {
                for (int n = 1; n <= 50; ++n) {
                    std::string relative = scriptFile(word, "cpscr", n);
                    EXPECT_TRUE(sameBytes(program(relative), standin::programFileBytes(relative)))
                        << relative;
                }
            }
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_EQ(program(longer).size(), 200u);
    EXPECT_EQ(program(shorter).size(), 144u);
    EXPECT_EQ(program(missing).size(), 144u);
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
}

// A flags file that holds no whole record counts as not read: the flags
// start from level 1's characters 1-6, and those are what the save and the
// patch write, on this start and the next.
TEST(FlagsNotRead, StartFromLevel1ForTheSaveAndThePatch) {
    const std::string level1Flags = "\x11\x22\x33\x44\x55\x66";
    for (const char* state : {"missing", "empty", "short"}) {
        SCOPED_TRACE(state);
        ProgramFixture fx;
        const fs::path flagsFile = fx.programDir() / "cpatrCFG.dat";
        const fs::path header = fx.programDir() / "levels" / "levl2001.hdr";
        writeFile(header, level1Flags + readFile(header).substr(6));
        if (std::string(state) == "missing") {
            fs::remove(flagsFile);
        } else {
            writeFile(flagsFile, std::string(state) == "empty" ? "" : "\x01\x02");
        }
        fx.start();
        EXPECT_EQ(forms::form<app::Main>().cpatrCFG, level1Flags);
        fx.driver().click("Main", "Start").click("frmdifficulty", "cancel");
        fx.driver().run();
        EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
        EXPECT_EQ(readFile(flagsFile), level1Flags);
        for (const char* word : kWords) {
            const std::string relative = scriptFile(word, "cpatr", 1);
            EXPECT_TRUE(sameBytes(readFile(fx.programDir() / relative),
                                  patched(standin::programFileBytes(relative), level1Flags)));
        }
        std::unique_ptr<Driver> next = restart(fx);
        EXPECT_EQ(forms::form<app::Main>().cpatrCFG, level1Flags);
    }
}

TEST_F(Skirmish, PatchStopsAtTheFirstFileItCannotWriteAndTheProgramGoesOn) {
    writeFile(fx.programDir() / "cpatrCFG.dat", kFlags);
    fs::remove_all(fx.programDir() / "CPUScripts" / "Medium");
    fx.start();
    d.click("Main", "Start")
        .ok()
        .then([&] {
            ASSERT_EQ(d.messages().size(), 1u);
            EXPECT_EQ(d.messages()[0].style, kExclamation);
            EXPECT_EQ(d.messages()[0].title, "Error- Saving Computer Player Settings");
            EXPECT_NE(d.messages()[0].prompt.find(P() + "\\CPUScripts\\Medium\\cpatr001.dat"),
                      std::string::npos)
                << d.messages()[0].prompt;
            expectAttributeFiles("Easy", kFlags);
            expectAttributeFiles("Hard", std::nullopt);
            EXPECT_FALSE(fs::exists(fx.programDir() / "CPUScripts" / "Medium"));
            EXPECT_TRUE(shown("frmdifficulty"));
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u);
}

// ---- The export

class ExportDifficulty : public Skirmish, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExportDifficulty, CopiesItsRowsInOrderByteForByteThenLaunches) {
    const std::string word = GetParam();
    writeFile(fx.programDir() / "cpatrCFG.dat", kFlags);
    fx.start();
    CopyRecorder recorder;
    std::string button = word == "Easy" ? "easy" : word == "Medium" ? "medium" : "hard";
    d.click("Main", "Start").then([&] { recorder.copies.clear(); }).click("frmdifficulty", button);
    d.run();

    std::vector<Copy> expected;
    auto same = [&](const std::string& relative) {
        expected.emplace_back(P() + backslashed(relative), G() + backslashed(relative));
    };
    same("language/lang00.dat");
    same("SAVE/savgam08.hdr");
    for (const char* extension : {".dat", ".hdr"}) {
        for (int level = 1; level <= 25; ++level) {
            same(levelFile(level, extension));
        }
    }
    for (const char* kind : {"cpscr", "cpatr"}) {
        for (int n = 1; n <= 50; ++n) {
            expected.emplace_back(P() + backslashed(scriptFile(word, kind, n)),
                                  G() + "\\levels\\" + kind + number3(n) + ".dat");
        }
    }
    EXPECT_EQ(recorder.copies, expected);

    std::vector<std::string> shared{"language/lang00.dat", "SAVE/savgam08.hdr"};
    for (int level = 1; level <= 25; ++level) {
        shared.push_back(levelFile(level, ".dat"));
        shared.push_back(levelFile(level, ".hdr"));
    }
    for (const std::string& relative : shared) {
        EXPECT_TRUE(sameBytes(game(relative), standin::programFileBytes(relative))) << relative;
    }
    for (int n = 1; n <= 50; ++n) {
        EXPECT_TRUE(sameBytes(game("levels/cpscr" + number3(n) + ".dat"),
                              standin::programFileBytes(scriptFile(word, "cpscr", n))));
        EXPECT_TRUE(
            sameBytes(game("levels/cpatr" + number3(n) + ".dat"),
                      patched(standin::programFileBytes(scriptFile(word, "cpatr", n)), kFlags)));
    }

    if (word == "Easy") {
        EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    } else {
        ASSERT_EQ(d.messages().size(), 1u);
        EXPECT_EQ(d.messages()[0].style, kExclamation);
        EXPECT_EQ(d.messages()[0].title, "No Scripts");
    }
    ASSERT_EQ(fx.launcher().launches.size(), 1u);
    EXPECT_EQ(fx.launcher().launches[0].commandLine, kCommandLine);
    EXPECT_EQ(fx.launcher().launches[0].windowStyle, kMinimizedFocus);
    EXPECT_EQ(readFile(marker()), G() + "\r\n");
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_FALSE(loaded("frmrungame"));
    EXPECT_TRUE(gameRunningState());
}

INSTANTIATE_TEST_SUITE_P(AllDifficulties, ExportDifficulty,
                         ::testing::Values("Easy", "Medium", "Hard"));

TEST_F(Skirmish, ExportStopsAtTheFirstSettingsFileAndEndGameIsTheWayBack) {
    fs::remove_all(fx.gameDir() / "SAVE");
    fx.start();
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .ok()
        .then([&] {
            ASSERT_EQ(d.messages().size(), 1u);
            EXPECT_EQ(d.messages()[0].style, kExclamation);
            EXPECT_EQ(d.messages()[0].title, "Error- Exporting Settings to Zekvarin");
            EXPECT_EQ(d.messages()[0].prompt,
                      "Zekvarin Skirmish Mode was unable to copy the settings files from " + P() +
                          "\\levels to " + G() +
                          ".  Possible reasons for this could be because you have specified the "
                          "incorrect directory for Zekvarin, or the file properties in your "
                          "Zekvarin directory have been set to Read-Only.");
            EXPECT_TRUE(shown("frmdifficulty"));
            EXPECT_TRUE(sameBytes(game("language/lang00.dat"),
                                  standin::programFileBytes("language/lang00.dat")));
            for (int level = 1; level <= 25; ++level) {
                std::string relative = levelFile(level, ".dat");
                EXPECT_TRUE(sameBytes(game(relative), standin::gameFileBytes(relative)))
                    << relative;
            }
            EXPECT_TRUE(fs::exists(marker()));
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(fx.launcher().launches.empty());

    // The game had no save-game header, so there is none to restore: silent.
    d.click("Main", "EndGame");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u) << fx.lastMessage();
    EXPECT_TRUE(
        sameBytes(game("language/lang00.dat"), standin::gameFileBytes("language/lang00.dat")));
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_TRUE(startState());
}

TEST_F(Skirmish, ExportThatCopiedNothingLeavesNoSession) {
    makeReadOnly(fx.gameDir() / "language" / "lang00.dat");
    fx.start();
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .ok()
        .then([&] {
            ASSERT_EQ(d.messages().size(), 1u);
            EXPECT_EQ(d.messages()[0].title, "Error- Exporting Settings to Zekvarin");
            EXPECT_TRUE(shown("frmdifficulty"));
            EXPECT_FALSE(fs::exists(marker()));
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_TRUE(startState());
    expectGameFolderUntouched();
}

TEST_F(Skirmish, ExportReportsScriptsItCannotCopyAfterTheSettings) {
    fs::remove_all(fx.programDir() / "CPUScripts" / "Hard");
    fx.start();
    d.click("Main", "Start")
        .ok()
        .click("frmdifficulty", "hard")
        .ok()
        .ok()
        .then([&] {
            // The patch has its own say about the missing folder first.
            EXPECT_EQ(titles(), (std::vector<std::string>{"Error- Saving Computer Player Settings",
                                                          "No Scripts", "Error- Copying Scripts"}));
            EXPECT_EQ(d.messages().back().style, kExclamation);
            EXPECT_EQ(d.messages().back().prompt,
                      "Zekvarin Skirmish was unable to copy the scripts for this difficulty into "
                      "Zekvarin.  Reinstalling the application should resolve this issue.");
            EXPECT_TRUE(shown("frmdifficulty"));
            std::vector<std::string> settings{"language/lang00.dat", "SAVE/savgam08.hdr"};
            for (int level = 1; level <= 25; ++level) {
                settings.push_back(levelFile(level, ".dat"));
                settings.push_back(levelFile(level, ".hdr"));
            }
            for (const std::string& relative : settings) {
                EXPECT_TRUE(sameBytes(game(relative), standin::programFileBytes(relative)))
                    << relative;
            }
            for (int n = 1; n <= 50; ++n) {
                for (const char* kind : {"cpscr", "cpatr"}) {
                    std::string relative = std::string("levels/") + kind + number3(n) + ".dat";
                    EXPECT_TRUE(sameBytes(game(relative), standin::gameFileBytes(relative)))
                        << relative;
                }
            }
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(fx.launcher().launches.empty());
}

TEST_F(Skirmish, MediumAndHardShowTheirNoticeOnEveryClick) {
    fs::remove_all(fx.gameDir() / "SAVE");  // every export fails, the dialog stays
    fx.start();
    d.click("Main", "Start")
        .click("frmdifficulty", "medium")
        .click("frmdifficulty", "medium")
        .click("frmdifficulty", "hard")
        .click("frmdifficulty", "easy")
        .click("frmdifficulty", "cancel");
    d.run();
    const std::string failed = "Error- Exporting Settings to Zekvarin";
    EXPECT_EQ(titles(), (std::vector<std::string>{"No Scripts", failed, "No Scripts", failed,
                                                  "No Scripts", failed, failed}));
    for (const auto& message : d.messages()) {
        EXPECT_EQ(message.style, kExclamation);
        if (message.title == "No Scripts") {
            EXPECT_EQ(message.prompt,
                      "Although this difficulty setting is avaliable for you to use, there are no "
                      "scripts created for this mode yet.  Feel free to make your own and test "
                      "them out here.");
        }
    }
}

// ---- The launch-wait form

TEST_F(Skirmish, GameIsLaunchedFiveSecondsAfterTheWaitFormLoads) {
    ClockLauncher launcher(d);
    platform::setLauncher(&launcher);
    fx.start();
    long long loadedAt = -1;
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .then([&] {
            loadedAt = d.now();
            EXPECT_TRUE(shown("frmrungame"));
        })
        .wait(4999)
        .then([&] {
            EXPECT_TRUE(launcher.at.empty());
            EXPECT_TRUE(shown("frmrungame"));
            EXPECT_TRUE(loaded("frmdifficulty"));
        })
        .wait(1)
        .then([&] {
            ASSERT_EQ(launcher.at.size(), 1u);
            EXPECT_EQ(launcher.at[0], loadedAt + 5000);
            EXPECT_FALSE(loaded("frmrungame"));
            EXPECT_FALSE(loaded("frmdifficulty"));
        })
        .wait(60000);
    d.run();
    ASSERT_EQ(launcher.at.size(), 1u);
    EXPECT_EQ(launcher.commandLines[0], kCommandLine);
    EXPECT_EQ(launcher.styles[0], kMinimizedFocus);
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(gameRunningState());
}

TEST_F(Skirmish, FailedLaunchIsReportedOnceAndNotRetried) {
    ClockLauncher launcher(d);
    launcher.failing = true;
    platform::setLauncher(&launcher);
    fx.start();
    long long loadedAt = -1;
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .then([&] { loadedAt = d.now(); })
        .wait(5000)
        .wait(20000)  // with the message box still open
        .ok();
    d.run();
    EXPECT_EQ(launcher.at.size(), 1u);
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].style, kExclamation);
    EXPECT_EQ(d.messages()[0].title, "Error- Running Zekvarin");
    EXPECT_EQ(d.messages()[0].prompt,
              "Zekvarin Skirmish Mode was unable to run Zekvarin.  Please start it manually from "
              "the start menu.");
    EXPECT_EQ(d.messages()[0].atMs, loadedAt + 5000);
    EXPECT_EQ(d.now(), loadedAt + 25000);
    EXPECT_FALSE(loaded("frmrungame"));
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(fs::exists(marker()));
}

// ---- End Game

TEST_F(Skirmish, EndGameCopiesTheBackupBackInOrder) {
    fx.start();
    CopyRecorder recorder;
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .then([&] { recorder.copies.clear(); })
        .click("Main", "EndGame");
    d.run();
    std::vector<Copy> expected;
    const std::string backup = P() + "\\BACKUP";
    for (const char* extension : {".dat", ".hdr"}) {
        for (int level = 1; level <= 25; ++level) {
            std::string relative = backslashed(levelFile(level, extension));
            expected.emplace_back(backup + relative, G() + relative);
        }
    }
    expected.emplace_back(backup + "\\language\\lang00.dat", G() + "\\language\\lang00.dat");
    expected.emplace_back(backup + "\\SAVE\\savgam08.hdr", G() + "\\SAVE\\savgam08.hdr");
    for (const char* kind : {"cpscr", "cpatr"}) {
        for (int n = 1; n <= 50; ++n) {
            std::string file = std::string("\\") + kind + number3(n) + ".dat";
            expected.emplace_back(backup + "\\scripts" + file, G() + "\\levels" + file);
        }
    }
    EXPECT_EQ(recorder.copies, expected);
    expectGameFolderUntouched();
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_TRUE(startState());
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
}

TEST_F(Skirmish, EndGameKeepsTheGameRunningStateWhenTheLevelsCannotBeRestored) {
    fx.start();
    const fs::path heldBack = fx.programDir() / "BACKUP" / "levels" / "levl2010.dat";
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .then([&] { fs::remove(heldBack); })
        .click("Main", "EndGame")
        .ok()
        .then([&] {
            ASSERT_EQ(d.messages().size(), 1u);
            EXPECT_EQ(d.messages()[0].style, kExclamation);
            EXPECT_EQ(d.messages()[0].title, "Error- Restore Backup");
            EXPECT_EQ(d.messages()[0].prompt,
                      "Zekvarin Skirmish Mode was unable to restore your backed up files in " +
                          P() + "\\BACKUP to " + G() +
                          ".  You should manualy do this yourself if you want to restore your "
                          "files.\r\n\r\n" +
                          P() + "/BACKUP/levels/levl2010.dat: File not found");
            EXPECT_TRUE(gameRunningState());
            EXPECT_TRUE(fs::exists(marker()));
            for (int level = 1; level <= 9; ++level) {
                std::string relative = levelFile(level, ".dat");
                EXPECT_TRUE(sameBytes(game(relative), standin::gameFileBytes(relative)))
                    << relative;
            }
            EXPECT_TRUE(sameBytes(game(levelFile(10, ".dat")),
                                  standin::programFileBytes(levelFile(10, ".dat"))));
            // The user puts the backup back and tries again.
            writeFile(heldBack, standin::gameFileBytes(levelFile(10, ".dat")));
        })
        .click("Main", "EndGame");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u) << fx.lastMessage();
    expectGameFolderUntouched();
    EXPECT_TRUE(startState());
    EXPECT_FALSE(fs::exists(marker()));
}

// Until every backed-up file is back the game stays in progress: the
// marker stays, so the next start cannot back the exported files up over
// the only good copies, and End Game can run again.
TEST_F(Skirmish, EndGameListsBackedUpFilesItCouldNotRestoreAndCanRunAgain) {
    fx.start();
    const fs::path blocked = fx.gameDir() / "levels" / "cpscr005.dat";
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .then([&] {
            makeReadOnly(blocked);
            fs::remove(fx.programDir() / "BACKUP" / "scripts" / "cpatr009.dat");
        })
        .click("Main", "EndGame");
    d.run();
    ASSERT_EQ(d.messages().size(), 1u);
    const auto& message = d.messages()[0];
    EXPECT_EQ(message.style, kExclamation);
    EXPECT_EQ(message.title, "Error- Restore Backup");
    EXPECT_NE(message.prompt.find("\r\n" + G() + "/levels/cpscr005.dat: Permission denied\r\n"),
              std::string::npos)
        << message.prompt;
    EXPECT_EQ(message.prompt.find("cpatr009"), std::string::npos) << message.prompt;
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(fs::exists(marker()));
    EXPECT_TRUE(sameBytes(game("levels/cpscr005.dat"),
                          standin::programFileBytes(scriptFile("Easy", "cpscr", 5))));
    for (const std::string& relative : standin::gameFileList()) {
        if (relative != "levels/cpscr005.dat" && relative != "levels/cpatr009.dat") {
            EXPECT_TRUE(sameBytes(game(relative), standin::gameFileBytes(relative))) << relative;
        }
    }

    fs::permissions(blocked, fs::perms::owner_write, fs::perm_options::add);
    d.click("Main", "EndGame");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u) << fx.lastMessage();
    EXPECT_TRUE(startState());
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_TRUE(
        sameBytes(game("levels/cpscr005.dat"), standin::gameFileBytes("levels/cpscr005.dat")));
}

TEST_F(Skirmish, EndGameStripsLineEndsFromBothDirectories) {
    fx.start();
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .then([&] {
            mainForm().zekdir.setText(G() + "\r\n");
            mainForm().appdir.setText(P() + "\r\n");
        })
        .click("Main", "EndGame");
    d.run();
    EXPECT_EQ(mainForm().zekdir.Text(), G());
    EXPECT_EQ(mainForm().appdir.Text(), P());
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    expectGameFolderUntouched();
}

TEST_F(Skirmish, TerminatingMainEndsOnlyAPendingGame) {
    fx.start();
    // No session: a terminate restores nothing, even over a changed file.
    d.then([&] {
         writeFile(fx.gameDir() / "levels" / "levl2003.dat", "changed");
     }).terminate("Main");
    d.run();
    EXPECT_TRUE(sameBytes(game("levels/levl2003.dat"), "changed"));
    writeFile(fx.gameDir() / "levels" / "levl2003.dat",
              standin::gameFileBytes("levels/levl2003.dat"));

    d.click("Main", "Start").click("frmdifficulty", "easy").wait(5000).terminate("Main");
    d.run();
    expectGameFolderUntouched();
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
}

// ---- The diagnostic button

TEST_F(Skirmish, TestButtonIsReachedByKeyboardAndNamesLevelOne) {
    fx.start();
    app::Main& main = mainForm();
    d.then([&] { main.setFocus(&main.Exit2); })
        .key("Main", "Tab")
        .then([&] { EXPECT_EQ(main.ActiveControl(), &main.test); })
        .key("Main", "Space");
    d.run();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].style, 0);
    EXPECT_EQ(d.messages()[0].title, "Zekvarin Skirmish Mode");
    EXPECT_EQ(d.messages()[0].prompt, G() + "\\levels\\levl2001.dat");
    // It lies below the client area: no mouse reaches it.
    d.click("Main", "test");
    EXPECT_THROW(d.run(), forms::headless::ScriptError);
}

// ---- Finding the game's launcher, with real processes

class LauncherSearch : public ::testing::Test {
protected:
    void SetUp() override {
        for (const fs::path* dir : {&programDir, &currentDir, &pathDir, &gameDir}) {
            fs::create_directories(*dir);
        }
        savedCwd = fs::current_path();
        fs::current_path(currentDir);
        if (const char* path = std::getenv("PATH")) {
            savedPath = path;
        }
        if (const char* log = std::getenv("ZEK_LAUNCH_LOG")) {
            savedLog = log;
        }
        ::unsetenv("ZEK_LAUNCH_LOG");
        ::setenv("PATH", (pathDir.string() + ":" + savedPath.value_or("/usr/bin:/bin")).c_str(), 1);
    }
    void TearDown() override {
        fs::current_path(savedCwd);
        if (savedPath) {
            ::setenv("PATH", savedPath->c_str(), 1);
        } else {
            ::unsetenv("PATH");
        }
        if (savedLog) {
            ::setenv("ZEK_LAUNCH_LOG", savedLog->c_str(), 1);
        }
    }

    TempDir root;
    fs::path programDir = root.path() / "program";
    fs::path currentDir = root.path() / "current";
    fs::path pathDir = root.path() / "path";
    fs::path gameDir = root.path() / "game";
    fs::path savedCwd;
    std::optional<std::string> savedPath;
    std::optional<std::string> savedLog;
};

TEST_F(LauncherSearch, ProgramFolderThenCurrentFolderThenPathButNeverTheGameFolder) {
    for (const fs::path* dir : {&programDir, &currentDir, &pathDir, &gameDir}) {
        standin::writeLauncher(*dir / "gxexec.exe");
    }
    platform::ProcessLauncher launcher([this] { return programDir.string(); });
    for (const fs::path* winner : {&programDir, &currentDir, &pathDir}) {
        SCOPED_TRACE(winner->string());
        EXPECT_EQ(platform::findProgram("gxexec.exe", programDir.string()),
                  (*winner / "gxexec.exe").string());
        launcher.run(kCommandLine, kMinimizedFocus);
        EXPECT_EQ(awaitLog(*winner / "gxexec.log"), "zek3.exe /RUNGAME\n");
        fs::remove(*winner / "gxexec.exe");
    }
    for (const fs::path* dir : {&programDir, &currentDir, &pathDir}) {
        EXPECT_EQ(readFile(*dir / "gxexec.log"), "zek3.exe /RUNGAME\n") << dir->string();
    }

    // Only the game folder has one now.
    EXPECT_EQ(platform::findProgram("gxexec.exe", programDir.string()), "");
    testing::internal::CaptureStderr();
    try {
        launcher.run(kCommandLine, kMinimizedFocus);
        ADD_FAILURE() << "a launcher only in the game folder was started";
    } catch (const forms::RuntimeError& error) {
        EXPECT_EQ(error.Number(), 53);
    }
    // One line for whoever started the program: what was looked for, where.
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    for (const fs::path* dir : {&programDir, &currentDir, &pathDir}) {
        EXPECT_NE(report.find(dir->string()), std::string::npos) << report;
    }
    EXPECT_NE(report.find("\"gxexec.exe\""), std::string::npos) << report;
    EXPECT_FALSE(fs::exists(gameDir / "gxexec.log"));
}

TEST_F(LauncherSearch, LaunchLogGoesWhereTheEnvironmentSays) {
    standin::writeLauncher(programDir / "gxexec.exe");
    const fs::path log = root.path() / "launches.log";
    ::setenv("ZEK_LAUNCH_LOG", log.c_str(), 1);
    platform::ProcessLauncher launcher([this] { return programDir.string(); });
    launcher.run(kCommandLine, kMinimizedFocus);
    EXPECT_EQ(awaitLog(log), "zek3.exe /RUNGAME\n");
    ::unsetenv("ZEK_LAUNCH_LOG");
    EXPECT_FALSE(fs::exists(programDir / "gxexec.log"));
}

TEST(LaunchFromStartGame, RealLauncherStartsTheOneInTheProgramFolder) {
    ProgramFixture fx;
    std::optional<std::string> savedLog;
    if (const char* log = std::getenv("ZEK_LAUNCH_LOG")) {
        savedLog = log;
    }
    ::unsetenv("ZEK_LAUNCH_LOG");
    standin::writeLauncher(fx.programDir() / "gxexec.exe");
    platform::ProcessLauncher launcher([] { return forms::App().Path; });
    platform::setLauncher(&launcher);
    fx.start();
    fx.driver().click("Main", "Start").click("frmdifficulty", "easy");
    fx.driver().run();
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    EXPECT_EQ(awaitLog(fx.programDir() / "gxexec.log"), "zek3.exe /RUNGAME\n");
    EXPECT_FALSE(fs::exists(fx.gameDir() / "gxexec.log"));
    if (savedLog) {
        ::setenv("ZEK_LAUNCH_LOG", savedLog->c_str(), 1);
    }
}

}  // namespace
