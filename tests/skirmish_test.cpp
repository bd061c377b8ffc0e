// Start Game: saving the level settings and patching the computer players'
// attribute files before the difficulty dialog opens, on the headless back
// end with stand-in program and game folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/Main.h"
#include "forms/Runtime.h"
#include "standin/StandIn.h"
#include "support/SkirmishFixture.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::gameRunningState;
using testing_support::kExclamation;
using testing_support::kFlags;
using testing_support::levelFile;
using testing_support::loaded;
using testing_support::makeReadOnly;
using testing_support::patched;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::sameBytes;
using testing_support::scriptFile;
using testing_support::shown;
using testing_support::Skirmish;
using testing_support::startState;
using testing_support::writeFile;

const char* const kWords[] = {"Easy", "Medium", "Hard"};

// A shipped level header with spell "Blast" (character 1, bit 0x04) cleared.
std::string withoutBlast(std::string header) {
    header[0] = static_cast<char>(header[0] & ~0x04);
    return header;
}

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

}  // namespace
