// Whole sessions, as a user has them: configure, edit, export and play, end
// the game, and find the game's folder exactly as it was before.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/frmSplash.h"
#include "forms/Runtime.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::gameRunningState;
using testing_support::levelFile;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::restart;
using testing_support::sameFiles;
using testing_support::shown;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startState;
using testing_support::TempDir;
using testing_support::writeFile;

std::string number3(int n) {
    std::string s = std::to_string(n);
    return std::string(3 - s.size(), '0') + s;
}

// Gives a second game installation bytes of its own, so that files copied
// from the wrong installation show.
void makeDistinct(const fs::path& gameDir) {
    for (const char* relative : {"levels/levl2001.dat", "levels/levl2001.hdr",
                                 "language/lang00.dat", "levels/cpscr001.dat"}) {
        writeFile(gameDir / relative, std::string("second installation: ") + relative);
    }
}

TEST(RoundTrip, FirstRunEditsExportAndEndGameRestoreTheGameFolder) {
    ProgramFixture fx(false);
    const std::string G = fx.gameDir().string();
    const Snapshot before = snapshot(fx.gameDir());
    Driver& d = fx.driver();

    fx.start();
    ASSERT_TRUE(shown("frmfirstload"));
    d.type("frmfirstload", "zekdir", G).click("frmfirstload", "enter");
    d.run();
    ASSERT_TRUE(shown("Main"));
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), G + "\r\n");

    // Blast and the hut off, Blue allied with Red, fog of war on.
    d.click("Main", "Image16")
        .click("Main", "Image24")
        .click("Main", "BR")
        .click("Main", "Command1")
        .click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000);
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    ASSERT_EQ(fx.launcher().launches.size(), 1u);
    EXPECT_EQ(fx.launcher().launches[0].commandLine, "gxexec.exe zek3.exe /RUNGAME");
    EXPECT_EQ(fx.launcher().launches[0].windowStyle, 2);
    EXPECT_TRUE(gameRunningState());

    auto edited = [](int level) {
        std::string h = standin::programFileBytes(levelFile(level, ".hdr"));
        h[0] = static_cast<char>(h[0] & ~0x04);   // Blast: character 1, 0x04
        h[4] = static_cast<char>(h[4] & ~0x02);   // hut: character 5, 0x02
        h[92] = static_cast<char>(h[92] | 0x02);  // Blue allied with Red
        h[93] = static_cast<char>(h[93] | 0x01);  // Red allied with Blue
        h[98] = static_cast<char>(h[98] | 0x01);  // fog of war
        return h;
    };
    std::string flags = standin::programFileBytes("cpatrCFG.dat");
    flags[0] = static_cast<char>(flags[0] & ~0x04);
    flags[4] = static_cast<char>(flags[4] & ~0x02);
    EXPECT_EQ(readFile(fx.programDir() / "cpatrCFG.dat"), flags);

    Snapshot exported = before;
    exported["language/lang00.dat"] = standin::programFileBytes("language/lang00.dat");
    exported["SAVE/savgam08.hdr"] = standin::programFileBytes("SAVE/savgam08.hdr");
    for (int level = 1; level <= 25; ++level) {
        exported[levelFile(level, ".dat")] = standin::programFileBytes(levelFile(level, ".dat"));
        exported[levelFile(level, ".hdr")] = edited(level);
        // What went to the game is what the program folder now holds.
        EXPECT_EQ(readFile(fx.programDir() / levelFile(level, ".hdr")), edited(level));
    }
    for (int n = 1; n <= 50; ++n) {
        std::string easy = "CPUScripts/Easy/";
        exported["levels/cpscr" + number3(n) + ".dat"] =
            standin::programFileBytes(easy + "cpscr" + number3(n) + ".dat");
        std::string attributes = standin::programFileBytes(easy + "cpatr" + number3(n) + ".dat");
        attributes.replace(80, 6, flags);
        exported["levels/cpatr" + number3(n) + ".dat"] = attributes;
    }
    // While the game is on, the game folder names the program folder whose
    // skirmish it holds.
    exported["zekskirmish.session"] = testing_support::folderRecordOf(fx.programDir());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));

    d.click("Main", "EndGame");
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
    EXPECT_TRUE(startState());
}

TEST(RoundTrip, ExitDuringTheGameThenARestartStillEndsIt) {
    ProgramFixture fx;
    const Snapshot before = snapshot(fx.gameDir());
    Driver& d = fx.driver();
    fx.start();
    d.click("Main", "Image16")
        .click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .menu("Main", "Exit1");
    d.run();
    ASSERT_TRUE(d.ended());
    // Nothing was restored on the way out.
    EXPECT_EQ(readFile(fx.gameDir() / "levels" / "cpscr001.dat"),
              standin::programFileBytes("CPUScripts/Easy/cpscr001.dat"));

    std::unique_ptr<Driver> second = restart(fx);
    ASSERT_TRUE(shown("Main"));
    EXPECT_TRUE(second->messages().empty());
    EXPECT_TRUE(gameRunningState());
    // The backup still holds the game's own files, not the exported ones.
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP" / "levels" / "levl2001.hdr"),
              standin::gameFileBytes("levels/levl2001.hdr"));

    second->click("Main", "EndGame");
    second->run();
    EXPECT_TRUE(second->messages().empty());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
    EXPECT_TRUE(startState());
    EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP" / "export.pending"));
}

TEST(RoundTrip, GameFolderChangedDuringTheGameEndsInTheFirstFolder) {
    ProgramFixture fx;
    TempDir other;
    const fs::path secondGame = other.path() / "game2";
    standin::writeGameFolder(secondGame);
    makeDistinct(secondGame);
    const Snapshot firstBefore = snapshot(fx.gameDir());
    const Snapshot secondBefore = snapshot(secondGame);
    Driver& d = fx.driver();
    fx.start();
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .menu("Main", "mnusettings")
        .type("frmOptions", "zekdir", secondGame.string())
        .click("frmOptions", "cmdOK")
        .then([&] {
            EXPECT_EQ(forms::form<app::Main>().zekdir.Text(), secondGame.string());
            EXPECT_FALSE(sameFiles(snapshot(fx.gameDir()), firstBefore));
        })
        .click("Main", "EndGame");
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), firstBefore));
    EXPECT_TRUE(sameFiles(snapshot(secondGame), secondBefore));
    EXPECT_TRUE(startState());
}

TEST(RoundTrip, GameFolderChangedBeforeStartIsBackedUpAndRestored) {
    ProgramFixture fx;
    TempDir other;
    const fs::path secondGame = other.path() / "game2";
    standin::writeGameFolder(secondGame);
    makeDistinct(secondGame);
    const Snapshot firstBefore = snapshot(fx.gameDir());
    const Snapshot secondBefore = snapshot(secondGame);
    Driver& d = fx.driver();
    fx.start();
    d.menu("Main", "mnusettings")
        .type("frmOptions", "zekdir", secondGame.string())
        .click("frmOptions", "cmdOK")
        .click("Main", "Start")
        .click("frmdifficulty", "easy")
        .wait(5000)
        .then([&] {
            EXPECT_EQ(readFile(secondGame / "language" / "lang00.dat"),
                      standin::programFileBytes("language/lang00.dat"));
        })
        .click("Main", "EndGame");
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(sameFiles(snapshot(secondGame), secondBefore));
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), firstBefore));
}

TEST(RoundTrip, GameFolderLackingSomeFilesComesBackWithoutExtraOrStaleFiles) {
    ProgramFixture fx;
    const std::vector<std::string> lacking{"SAVE/savgam08.hdr", "levels/cpscr007.dat",
                                           "levels/cpatr042.dat"};
    for (const std::string& file : lacking) {
        fs::remove(fx.gameDir() / file);
    }
    // An earlier backup, of another installation, left its copies behind.
    for (const char* stale : {"BACKUP/SAVE/savgam08.hdr", "BACKUP/scripts/cpscr007.dat",
                              "BACKUP/scripts/cpatr042.dat"}) {
        writeFile(fx.programDir() / stale, "another installation's file");
    }
    const Snapshot before = snapshot(fx.gameDir());
    Driver& d = fx.driver();
    fx.start();
    d.click("Main", "Start").click("frmdifficulty", "easy").wait(5000);
    d.run();
    // The session names the files the export added, for End Game to remove.
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP" / "export.pending"),
              fx.gameDir().string() + "\r\n" +
                  testing_support::sessionProgramLine(fx.programDir()) +
                  "\\SAVE\\savgam08.hdr\r\n\\levels\\cpscr007.dat\r\n\\levels\\cpatr042.dat\r\n");
    d.click("Main", "EndGame");
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
    EXPECT_TRUE(startState());
}

}  // namespace
