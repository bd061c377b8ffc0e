// The user's game files come back whatever happens: the backup tree and the
// session marker across failed loads, failed restores, moved folders and
// markers that cannot be used, without locking the user out.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "forms/Runtime.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::FileFaults;
using testing_support::gameRunningState;
using testing_support::makeReadOnly;
using testing_support::ProgramFixture;
using testing_support::restart;
using testing_support::sameFiles;
using testing_support::shown;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startState;
using testing_support::TempDir;
using testing_support::writeFile;

constexpr int kExclamation = 48;
constexpr int kYesNo = 4;

class Session : public ::testing::Test {
protected:
    std::string G() const { return fx.gameDir().string(); }
    fs::path marker() const { return fx.programDir() / "BACKUP" / "export.pending"; }

    // Start, export Easy and let the game launch.
    void exportEasy() {
        fx.start();
        testing_support::exportEasy(d);
        ASSERT_TRUE(fs::exists(marker()));
        ASSERT_TRUE(gameRunningState());
    }

    ProgramFixture fx;
    Driver& d = fx.driver();
    const Snapshot before = snapshot(fx.gameDir());
};

TEST_F(Session, PatchIsSkippedWhenTheFlagsCouldNotBeLoaded) {
    fs::remove(fx.programDir() / "cpatrCFG.dat");
    fs::create_directory(fx.programDir() / "cpatrCFG.dat");
    const Snapshot scripts = snapshot(fx.programDir() / "CPUScripts");
    fx.start();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].title, "Error- Loading Level Settings");
    d.click("Main", "Start").click("frmdifficulty", "cancel");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u) << fx.lastMessage();
    EXPECT_TRUE(sameFiles(snapshot(fx.programDir() / "CPUScripts"), scripts));
}

// A read-only game file the export could not change already holds its
// backup's bytes: End Game leaves it alone instead of failing on it.
TEST_F(Session, EndGameGoesPastAnUntouchedReadOnlyFile) {
    const fs::path readOnly = fx.gameDir() / "levels" / "levl2001.dat";
    makeReadOnly(readOnly);
    fx.start();
    d.click("Main", "Start").click("frmdifficulty", "easy").ok().click("frmdifficulty", "cancel");
    d.run();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].title, "Error- Exporting Settings to Zekvarin");
    ASSERT_TRUE(gameRunningState());

    d.click("Main", "EndGame");
    d.run();
    EXPECT_EQ(d.messages().size(), 1u) << fx.lastMessage();
    EXPECT_TRUE(startState());
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
    EXPECT_EQ(fs::status(readOnly).permissions() & fs::perms::owner_write, fs::perms::none);
}

// Start Game backs up afresh; a second-phase copy that fails for any reason
// but a missing file fails the backup: the older copies and the record stay
// as they were, nothing is exported, and the program goes on in the start
// state.
TEST(BackupAtStartGame, SecondPhaseFailureKeepsTheOlderCopiesAndStopsTheExport) {
    struct Case {
        const char* name;
        std::function<void(FileFaults&)> inject;
        std::string failure;  // after the folder: which file, and why
    };
    const std::vector<Case> cases{
        {"full disk", [](FileFaults& f) { f.copyTo("/BACKUP/scripts/cpscr010.dat", ENOSPC); },
         "program/BACKUP/scripts/cpscr010.dat: Disk full"},
        {"game file the user may not read",
         [](FileFaults& f) { f.access("/game/levels/cpatr020.dat", EACCES); },
         "game/levels/cpatr020.dat: Permission denied"},
        {"a pipe in a game file's place", [](FileFaults&) {},
         "game/SAVE/savgam08.hdr: Not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        Driver& d = fx.driver();
        fx.start();
        // Played since the start: the start-up backup holds the old bytes.
        writeFile(fx.gameDir() / "levels" / "cpscr001.dat", "played");
        if (std::string(c.name).starts_with("a pipe")) {
            fs::remove(fx.gameDir() / "SAVE" / "savgam08.hdr");
            ASSERT_EQ(::mkfifo((fx.gameDir() / "SAVE" / "savgam08.hdr").c_str(), 0644), 0);
        }
        const Snapshot backup = snapshot(fx.programDir() / "BACKUP");
        const Snapshot game = snapshot(fx.gameDir());
        FileFaults faults;
        c.inject(faults);
        d.click("Main", "Start");
        d.run();
        ASSERT_EQ(d.messages().size(), 1u);
        EXPECT_EQ(d.messages()[0].style, kExclamation);
        EXPECT_EQ(d.messages()[0].title, "Error- File Backup");
        const std::string failure = (fx.gameDir().parent_path() / c.failure).string();
        EXPECT_EQ(d.messages()[0].prompt,
                  c.failure.starts_with("program/")
                      ? testing_support::ownFolderFailureText(
                            fx.gameDir(), fs::path(failure).parent_path(), failure)
                      : "Zekvarin Skirmish Mode was unable to backup the files in the directory " +
                            fx.gameDir().string() +
                            ".  If the problem persists, try running the Zekvarin Restore file."
                            "\r\n\r\n" +
                            failure);
        EXPECT_FALSE(testing_support::loaded("frmdifficulty"));
        EXPECT_TRUE(startState());
        EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP" / "export.pending"));
        EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP" / "backup.source"));
        Snapshot after = snapshot(fx.programDir() / "BACKUP");
        EXPECT_EQ(after.at("scripts/cpscr001.dat"), backup.at("scripts/cpscr001.dat"));
        for (const auto& [file, bytes] : backup) {
            if (file.starts_with("scripts/") || file.starts_with("SAVE/")) {
                EXPECT_EQ(after[file], bytes) << file;
            }
        }
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), game));
    }
}

// A marker that cannot be used: the program still starts in the
// game-running state, and End Game names the folder it cannot restore into
// and offers the configured one. No changes nothing; Yes restores there.
TEST_F(Session, UnusableMarkerOffersTheConfiguredFolder) {
    TempDir other;
    const std::string missing = G() + "-moved";
    struct Case {
        const char* name;
        std::string content;
        bool folder;  // a folder in the marker's place: it cannot be read
        std::string names;
    };
    const std::string full = "\", because that is not the full path of a folder";
    const std::vector<Case> cases{
        {"empty", "", false, "names none"},
        {"line feed", "\n", false, "names none"},
        {"garbage", "\x01\xfe\x80zz\r\n", false, "\"???zz" + full},
        {"dot", ".\r\n", false, "\"." + full},
        {"other folder", other.str() + "\r\n", false,
         other.str() + ", because the backup was not taken from that folder"},
        {"missing folder", missing + "\r\n", false,
         missing + ", because that folder does not exist"},
        {"unreadable", "", true, "export.pending, because that file cannot be read"},
    };
    exportEasy();
    d.menu("Main", "Exit1");
    d.run();
    const Snapshot exported = snapshot(fx.gameDir());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(marker());
        if (c.folder) {
            fs::create_directory(marker());
        } else {
            writeFile(marker(), c.content);
        }
        std::unique_ptr<Driver> run = restart(fx);
        ASSERT_TRUE(shown("Main"));
        EXPECT_TRUE(gameRunningState());
        run->click("Main", "EndGame").no();
        run->run();
        ASSERT_EQ(run->messages().size(), 1u);
        const auto& message = run->messages()[0];
        EXPECT_EQ(message.style, kExclamation | kYesNo);
        EXPECT_EQ(message.title, "Error- Restore Backup");
        EXPECT_NE(message.prompt.find(c.names), std::string::npos) << message.prompt;
        EXPECT_TRUE(
            message.prompt.ends_with("Restore them to the Zekvarin directory " + G() + " instead?"))
            << message.prompt;
        EXPECT_TRUE(gameRunningState());
        EXPECT_TRUE(fs::exists(marker()));
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));

        run->click("Main", "EndGame").yes();
        run->run();
        EXPECT_EQ(run->messages().size(), 2u);
        EXPECT_TRUE(startState());
        EXPECT_FALSE(fs::exists(marker()));
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
        EXPECT_TRUE(fs::is_empty(other.path()));

        // Export again for the next case.
        run->click("Main", "Start").click("frmdifficulty", "easy").wait(5000).menu("Main", "Exit1");
        run->run();
    }
}

// The game moved: the marker names a folder that is gone and so is the
// configured one. End Game says so and changes nothing; once the new place
// is chosen in Options, it restores there.
TEST_F(Session, MovedGameIsRestoredWhereOptionsPointsTo) {
    exportEasy();
    d.menu("Main", "Exit1");
    d.run();
    const fs::path moved = fx.gameDir().parent_path() / "moved";
    fs::rename(fx.gameDir(), moved);
    std::unique_ptr<Driver> run = restart(fx);
    ASSERT_TRUE(shown("Main"));
    run->click("Main", "EndGame");
    run->run();
    ASSERT_EQ(run->messages().size(), 1u);
    EXPECT_EQ(run->messages()[0].style, kExclamation);
    EXPECT_TRUE(run->messages()[0].prompt.ends_with(
        G() +
        ", because that folder does not exist.\r\n\r\nChoose the Zekvarin directory under "
        "File, Settings, then end the game again."))
        << run->messages()[0].prompt;
    EXPECT_TRUE(gameRunningState());

    run->menu("Main", "mnusettings")
        .type("frmOptions", "zekdir", moved.string())
        .click("frmOptions", "cmdOK")
        .click("Main", "EndGame")
        .yes();
    run->run();
    EXPECT_EQ(run->messages().size(), 2u);
    EXPECT_TRUE(startState());
    EXPECT_TRUE(sameFiles(snapshot(moved), before));
    EXPECT_FALSE(fs::exists(fx.gameDir()));
}

}  // namespace
