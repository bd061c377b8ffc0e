// Two program folders on one game folder, at the moments only one check
// catches: another program folder's export that lands during this one's
// backup, or while the difficulty dialog is open; and a record that End
// Game cannot remove.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::exportEasy;
using testing_support::FileFaults;
using testing_support::FileSteps;
using testing_support::gameRunningState;
using testing_support::markerOf;
using testing_support::ProgramFixture;
using testing_support::recordOf;
using testing_support::refusedFor;
using testing_support::sameFiles;
using testing_support::secondProgramFolder;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startState;

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

}  // namespace
