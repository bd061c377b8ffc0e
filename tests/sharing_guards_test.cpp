// Two program folders on one game folder, at the moments only one check
// catches: another program folder's export that lands during this one's
// backup, or while the difficulty dialog is open; a record that End Game
// cannot remove; the leftover of a killed write of the record at each
// sweep; a record that names this program folder's path but another
// folder, or this folder on a disk attached again; folder records written
// before birth times were kept, or with a birth time of few nanoseconds;
// and a game folder on an overlay file system.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "app/RecordText.h"
#include "platform/Folders.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::endGameAt;
using testing_support::endGameIn;
using testing_support::exportEasy;
using testing_support::FileFaults;
using testing_support::FileSteps;
using testing_support::gameRunningState;
using testing_support::leave;
using testing_support::markerOf;
using testing_support::ProgramFixture;
using testing_support::recordOf;
using testing_support::refusedFor;
using testing_support::sameFiles;
using testing_support::secondProgramFolder;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startState;
using testing_support::writeFile;

fs::path backupSource(const ProgramFixture& fx) {
    return fx.programDir() / "BACKUP" / "backup.source";
}

// The program starts, and another program folder's export lands in the game
// folder once the start-up backup has copied its first file.
class ExportDuringTheBackup : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string backup = (fx.programDir() / "BACKUP").string() + "/";
        bool landed = false;
        FileSteps steps([&](const platform::FileEvent& event) {
            if (!landed && event.step == platform::FileStep::Rename &&
                event.target.starts_with(backup)) {
                landed = true;
                testing_support::putSessionOnRecord(other, fx.gameDir());
            }
        });
        fx.start();
        ASSERT_TRUE(landed);
    }

    ProgramFixture fx;
    const fs::path other = secondProgramFolder(fx);
};

TEST_F(ExportDuringTheBackup, IsRefusedOnceTheCopiesAreDone) {
    ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    EXPECT_TRUE(refusedFor(fx.driver().messages()[0], "Error- File Backup", other));
    EXPECT_TRUE(startState());
}

// The copies may hold the other skirmish's files: End Game must not take
// them for this folder's.
TEST_F(ExportDuringTheBackup, LeavesABackupOfNoFolder) {
    EXPECT_FALSE(fs::exists(backupSource(fx)));
}

TEST(ExportIntoAClaimedFolder, RecordThatAppearsWhileTheDialogIsOpenStopsTheExport) {
    ProgramFixture fx;
    const fs::path other = secondProgramFolder(fx);
    fx.start();
    Driver& d = fx.driver();
    Snapshot claimed;
    d.click("Main", "Start")
        .then([&] {
            testing_support::putSessionOnRecord(other, fx.gameDir());
            claimed = snapshot(fx.gameDir());
        })
        .click("frmdifficulty", "easy")
        .then([&] {
            EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), claimed));
            EXPECT_FALSE(fs::exists(markerOf(fx.programDir())));
            ASSERT_EQ(d.messages().size(), 1u) << fx.lastMessage();
            EXPECT_TRUE(refusedFor(d.messages()[0], "Error- File Backup", other));
        })
        .click("frmdifficulty", "cancel");
    d.run();
    EXPECT_TRUE(fx.launcher().launches.empty());
    EXPECT_TRUE(startState());
}

// End Game takes the record off before the marker: when the record stays,
// so does the session, and End Game can be pressed again.
TEST(EndGame, RecordThatCannotBeRemovedKeepsTheSession) {
    ProgramFixture fx;
    Driver& d = fx.driver();
    fx.start();
    exportEasy(d);
    ASSERT_TRUE(d.messages().empty()) << fx.lastMessage();
    FileFaults faults;
    // Once a file is back in the game folder End Game has read the record;
    // from then on only its removal meets the fault.
    const std::string game = fx.gameDir().string() + "/";
    bool armed = false;
    FileSteps steps([&](const platform::FileEvent& event) {
        if (!armed && event.step == platform::FileStep::Rename && event.target.starts_with(game)) {
            armed = true;
            faults.access("/zekskirmish.session", EACCES);
        }
    });
    d.click("Main", "EndGame");
    d.run();
    ASSERT_TRUE(armed);
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].title, "Error- Restore Backup");
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(fs::exists(markerOf(fx.programDir())));
    EXPECT_TRUE(fs::exists(recordOf(fx)));
}

// A write of the record killed before its rename leaves its temporary in
// the game folder itself. Each sweep that the program runs there takes it
// away: the start's while a game is pending, and the backup's, at the start
// and at Start Game.
TEST(RecordLeftover, IsSweptAtTheStartAndAtEveryBackup) {
    enum class When { StartDuringAGame, StartUpBackup, StartGameBackup };
    const fs::path leftover = ".zekskirmish.session.zektmp-Kq81Lm";
    for (const When when : {When::StartDuringAGame, When::StartUpBackup, When::StartGameBackup}) {
        SCOPED_TRACE(static_cast<int>(when));
        ProgramFixture fx;
        const fs::path file = fx.gameDir() / leftover;
        if (when == When::StartUpBackup) {
            writeFile(file, "half a record");
        }
        fx.start();
        if (when == When::StartGameBackup) {
            writeFile(file, "half a record");
        }
        if (when != When::StartUpBackup) {
            exportEasy(fx.driver());
        }
        std::unique_ptr<Driver> again;
        if (when == When::StartDuringAGame) {
            leave(fx.driver());
            writeFile(file, "half a record");
            again = testing_support::restart(fx);
            EXPECT_TRUE(gameRunningState());
        }
        const Driver& last = again ? *again : fx.driver();
        EXPECT_TRUE(last.messages().empty()) << last.messages().front().prompt;
        EXPECT_FALSE(fs::exists(file));
    }
}

// The game folder's record names this program folder's path with another
// folder's identity: a new install at the path this folder was renamed
// away from, whose own skirmish is exported there since. End Game here
// must not take that record for its own.
TEST(RecordOfAnotherFolderAtThisPath, IsNotThisProgramFoldersOwn) {
    ProgramFixture fx;
    testing_support::startAndExport(fx);
    const fs::path renamed = fx.programDir().parent_path() / "program-renamed";
    fs::rename(fx.programDir(), renamed);
    const fs::path install =
        testing_support::programFolderAt(fx.programDir(), fx.gameDir().string());
    testing_support::putSessionOnRecord(install, fx.gameDir());
    const Snapshot claimed = snapshot(fx.gameDir());
    std::unique_ptr<Driver> run = endGameAt(renamed);
    ASSERT_EQ(run->messages().size(), 1u);
    EXPECT_TRUE(refusedFor(run->messages()[0], "Error- Restore Backup", install));
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), claimed));
    EXPECT_TRUE(fs::exists(markerOf(renamed)));
}

// The game folder's record names this program folder at its path, its
// disk attached again under another device number: same inode, same birth
// time. It is still this folder's own, and End Game restores.
TEST(RecordOnADiskAttachedAgain, IsStillThisProgramFoldersOwn) {
    ProgramFixture fx;
    const Snapshot originals = snapshot(fx.gameDir());
    testing_support::startAndExport(fx);
    writeFile(recordOf(fx),
              testing_support::onAnotherDevice(testing_support::readFile(recordOf(fx))));
    endGameIn(fx.programDir(), fx, originals);
}

// A folder record reads back as it was written, and names the folder it
// was written for: one written before birth times were kept (no fourth
// line) names the live folder still, and a birth time of fewer than nine
// digits of nanoseconds keeps its leading zeros.
TEST(FolderRecord, ReadsBackAndNamesItsFolder) {
    testing_support::TempDir dir;
    const std::optional<platform::FolderIdentity> live = platform::folderIdentity(dir.str());
    ASSERT_TRUE(live);
    const app::FolderRecord older = app::ParseFolderRecord(
        dir.str() + "\r\n" + testing_support::identityOf(dir.path()) + "\r\n");
    EXPECT_EQ(app::Compare(older.identity, live), app::Sameness::Same);
    for (const std::uint32_t nanoseconds : {0u, 5u, 99'999'999u, 100'000'000u, 999'999'999u}) {
        SCOPED_TRACE(nanoseconds);
        const platform::FolderIdentity written{live->device, live->inode,
                                               platform::BirthTime{1'700'000'000, nanoseconds}};
        const app::FolderRecord read =
            app::ParseFolderRecord(app::FolderRecordText({dir.str(), written}));
        EXPECT_EQ(read.folder, dir.str());
        EXPECT_EQ(read.identity, written);
    }
}

// On an overlay file system the game folder's first write after the
// backup gives it a new birth time, its device and inode numbers staying:
// it is still the folder the backup came from.
TEST(GameFolderOnAnOverlay, IsStillTheFolderBackedUp) {
    ProgramFixture fx;
    ASSERT_TRUE(testing_support::contains(testing_support::folderRecordOf(fx.gameDir()), "birth "))
        << "the temporary folder's file system keeps no birth times";
    const Snapshot originals = snapshot(fx.gameDir());
    testing_support::startAndExport(fx);
    FileFaults faults;
    faults.overlay(fx.gameDir());
    endGameIn(fx.programDir(), fx, originals);
}

}  // namespace
