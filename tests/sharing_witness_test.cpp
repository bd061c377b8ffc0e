// End Game asks the game folder whose skirmish is there: its record while
// there is one, and once the record is gone the files the export wrote. A
// copy of the program folder, or the folder moved by hand, thus puts its
// backup back only while the skirmish is still there, and never over what
// the game saved after the game had been ended elsewhere.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ExportRecord.h"
#include "platform/FileOperation.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::contains;
using testing_support::endedElsewhereIn;
using testing_support::endGameAt;
using testing_support::endGameIn;
using testing_support::FileFaults;
using testing_support::gameRunningState;
using testing_support::markerOf;
using testing_support::ProgramFixture;
using testing_support::recordOf;
using testing_support::sameFiles;
using testing_support::saveGame;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startAt;

enum class Road {
    EndedThenDeleted,    // A ends the game, the game saves, A is deleted
    MarkerStuck,         // A ends the game but cannot remove its marker
    AnotherGameBetween,  // B exports and ends a game before C's End Game
    MovedAfterCopy,      // C restores after A was moved; then the moved A
    RecordTakenForStale  // A is deleted, and B takes its record for stale
};

// A exports a game and is copied to C; then the road. Each ends with the
// originals back, or with what the game saved after its end intact, and
// every program folder at the start state.
void travel(Road road) {
    ProgramFixture fx;
    const fs::path a = fx.programDir();
    const Snapshot originals = snapshot(fx.gameDir());
    testing_support::startAndExport(fx);
    const fs::path c = a.parent_path() / "program-copy";
    fs::copy(a, c, fs::copy_options::recursive);
    switch (road) {
        case Road::MovedAfterCopy: {
            const fs::path moved = a.parent_path() / "program-moved";
            fs::copy(a, moved, fs::copy_options::recursive);
            fs::remove_all(a);
            endGameIn(c, fx, originals);
            endedElsewhereIn(moved, fx, saveGame(fx));
            return;
        }
        case Road::RecordTakenForStale: {
            fs::remove_all(a);
            const fs::path b = testing_support::secondProgramFolder(fx);
            std::unique_ptr<Driver> run = startAt(b);
            ASSERT_EQ(run->messages().size(), 1u);
            EXPECT_TRUE(contains(run->messages()[0].prompt, "The record has been removed."));
            testing_support::leave(*run);
            endGameIn(c, fx, originals);
            return;
        }
        default:
            break;
    }
    {
        // The folder it was copied from has the game: nothing changes.
        const Snapshot exported = snapshot(fx.gameDir());
        std::unique_ptr<Driver> run = endGameAt(c);
        ASSERT_EQ(run->messages().size(), 1u);
        EXPECT_TRUE(contains(run->messages()[0].prompt, "This folder keeps its backup"));
        EXPECT_TRUE(gameRunningState());
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
    }
    if (road == Road::MarkerStuck) {
        FileFaults faults;
        faults.removal("/program/BACKUP/export.pending", EPERM);
        std::unique_ptr<Driver> run = endGameAt(a);
        ASSERT_EQ(run->messages().size(), 1u);
        EXPECT_EQ(run->messages()[0].title, "Error- Restore Backup");
        EXPECT_TRUE(
            contains(run->messages()[0].prompt, markerOf(a).string() + ": Permission denied"))
            << run->messages()[0].prompt;
        EXPECT_TRUE(gameRunningState());
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), originals));
        EXPECT_FALSE(fs::exists(recordOf(fx)));
    } else {
        endGameIn(a, fx, originals);
    }
    if (road == Road::AnotherGameBetween) {
        const fs::path b = testing_support::secondProgramFolder(fx);
        {
            std::unique_ptr<Driver> run = startAt(b);
            testing_support::exportEasy(*run);
            testing_support::leave(*run);
        }
        fs::remove_all(a);
        const Snapshot exported = snapshot(fx.gameDir());
        {
            std::unique_ptr<Driver> run = endGameAt(c);
            ASSERT_EQ(run->messages().size(), 1u);
            EXPECT_TRUE(
                testing_support::refusedFor(run->messages()[0], "Error- Restore Backup", b));
            EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
        }
        endGameIn(b, fx, originals);
    }
    const Snapshot saved = saveGame(fx);
    if (road == Road::EndedThenDeleted) {
        fs::remove_all(a);
    }
    endedElsewhereIn(c, fx, saved);
    if (road == Road::MarkerStuck) {
        // Its End Game, once the marker can go, lets the game go too.
        endedElsewhereIn(a, fx, saved);
    }
}

TEST(EndGameAsksTheGameFolder, OriginalsComeBackAndLaterSavesStay) {
    const std::vector<std::pair<const char*, Road>> roads{
        {"ended, then deleted", Road::EndedThenDeleted},
        {"marker stuck", Road::MarkerStuck},
        {"another game in between", Road::AnotherGameBetween},
        {"moved after the copy: the copy restores, the moved folder keeps the saves",
         Road::MovedAfterCopy},
        {"record taken for stale: the copy's backup is the last of the originals",
         Road::RecordTakenForStale},
    };
    for (const auto& [name, road] : roads) {
        SCOPED_TRACE(name);
        travel(road);
    }
}

// A copy's End Game while the game folder's record names the folder it
// was copied from, and that folder may still stand at its path: it cannot
// be told from the folder there (its disk attached again), or cannot be
// looked up at all. Nothing changes, the copy keeps its session, and its
// box names that folder (and, where it cannot be looked up, why).
TEST(CopyOfAFolderThatMayStillBeThere, KeepsItsSession) {
    for (const bool lookedUp : {true, false}) {
        SCOPED_TRACE(lookedUp ? "on a disk attached again" : "cannot be looked up");
        ProgramFixture fx;
        testing_support::startAndExport(fx);
        const fs::path copy = fx.programDir().parent_path() / "program-copy";
        fs::copy(fx.programDir(), copy, fs::copy_options::recursive);
        const Snapshot exported = snapshot(fx.gameDir());
        FileFaults faults;
        if (lookedUp) {
            faults.reattached(fx.programDir());
        } else {
            faults.access("/program", EACCES);
        }
        std::unique_ptr<Driver> run = endGameAt(copy);
        ASSERT_EQ(run->messages().size(), 1u);
        const std::string& prompt = run->messages()[0].prompt;
        EXPECT_EQ(run->messages()[0].title, lookedUp ? "End Game" : "Error- Restore Backup");
        EXPECT_TRUE(contains(prompt, fx.programDir().string() +
                                         (lookedUp ? ", and this folder" : ": Permission denied")))
            << prompt;
        EXPECT_TRUE(gameRunningState());
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
        EXPECT_TRUE(fs::exists(markerOf(copy)));
    }
}

// The record of the export's files, file by file: a file that holds what
// the export wrote, where its backup holds other bytes or none, shows the
// skirmish; one that holds its backup's bytes, other bytes or nothing does
// not; one that cannot be read, or whose backup cannot, counts as showing
// it. The record belongs to the marker it was written with, whole.
TEST(ExportRecord, TellsFileByFileWhetherTheSkirmishIsThere) {
    struct Case {
        const char* game;        // the game file's bytes; null: none
        const char* backup;      // the backup's; null: none
        const char* unreadable;  // the file that cannot be read
        bool still;
    };
    const std::vector<Case> cases{
        {"exported", "original", nullptr, true},
        {"exported", "exported", nullptr, false},
        {"exported", nullptr, nullptr, true},
        {"exported", "original", "/BACKUP/levels/levl2001.dat", true},
        {"original", "original", nullptr, false},
        {"saved since", "original", nullptr, false},
        {nullptr, "original", nullptr, false},
        {"original", "original", "/game/levels/levl2001.dat", true},
    };
    const std::string file = "levels/levl2001.dat";
    const std::string row = "\\levels\\levl2001.dat";
    testing_support::TempDir dir;
    const fs::path program = dir.path() / "program";
    const fs::path game = dir.path() / "game";
    testing_support::writeFile(program / file, "exported");
    app::ExportRecord record;
    platform::FileOperation operation;
    record.Add(operation, program.string(), {{row, row, 1}});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        fs::remove_all(game);
        fs::remove(program / "BACKUP" / file);
        fs::create_directories(game / "levels");
        if (c.game != nullptr) {
            testing_support::writeFile(game / file, c.game);
        }
        if (c.backup != nullptr) {
            testing_support::writeFile(program / "BACKUP" / file, c.backup);
        }
        FileFaults faults;
        if (c.unreadable != nullptr) {
            faults.access(c.unreadable, EIO);
        }
        EXPECT_EQ(record.StillIn(game.string(), program.string()), c.still);
    }
    const std::string text = record.Text("marker\r\n");
    const std::size_t firstLine = text.find("\r\n") + 2;
    EXPECT_TRUE(app::ExportRecord::Parse(text, "marker\r\n"));
    EXPECT_FALSE(app::ExportRecord::Parse(text, "another marker\r\n"));
    EXPECT_FALSE(app::ExportRecord::Parse(text.substr(0, firstLine + 8), "marker\r\n"));
    EXPECT_FALSE(app::ExportRecord::Parse(text.substr(0, firstLine), "marker\r\n"));
}

}  // namespace
