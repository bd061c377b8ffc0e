// End Game: copying the backup back into the game folder in order, what a
// restore that fails leaves, and the end of a pending game when Main ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Main.h"
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
using testing_support::kExclamation;
using testing_support::levelFile;
using testing_support::mainForm;
using testing_support::makeReadOnly;
using testing_support::number3;
using testing_support::sameBytes;
using testing_support::scriptFile;
using testing_support::Skirmish;
using testing_support::startState;
using testing_support::writeFile;

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

}  // namespace
