// Start Game's export: the difficulty dialog copies the settings and one
// difficulty's scripts into the game folder in order, then launches the game;
// what a failed copy says and leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "forms/Runtime.h"
#include "standin/StandIn.h"
#include "support/SkirmishFixture.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::backslashed;
using testing_support::Copy;
using testing_support::CopyRecorder;
using testing_support::gameRunningState;
using testing_support::kCommandLine;
using testing_support::kExclamation;
using testing_support::kFlags;
using testing_support::kMinimizedFocus;
using testing_support::levelFile;
using testing_support::loaded;
using testing_support::makeReadOnly;
using testing_support::number3;
using testing_support::patched;
using testing_support::readFile;
using testing_support::sameBytes;
using testing_support::scriptFile;
using testing_support::shown;
using testing_support::Skirmish;
using testing_support::startState;
using testing_support::writeFile;

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
    EXPECT_EQ(readFile(marker()),
              G() + "\r\n" + testing_support::sessionProgramLine(fx.programDir()));
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

}  // namespace
