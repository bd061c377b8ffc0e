// Whose session a game is when program folders are copied, moved and
// installed again: a copy keeps its backup until the game has been ended in
// the folder it was started in, and a folder made later at a moved one's
// path, even at its old inode number, is not taken for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::contains;
using testing_support::endGameAt;
using testing_support::endGameIn;
using testing_support::FileFaults;
using testing_support::kInformation;
using testing_support::leave;
using testing_support::markerOf;
using testing_support::ProgramFixture;
using testing_support::programFolderAt;
using testing_support::recordOf;
using testing_support::sameFiles;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startAt;

// End Game in a copy of the program folder: one box titled "End Game"
// naming the folder the game was started in, saying `says`. The run stays
// current while the result lives.
std::unique_ptr<Driver> copyEndGameSays(const fs::path& copy, const fs::path& original,
                                        const std::string& says) {
    std::unique_ptr<Driver> run = endGameAt(copy);
    EXPECT_EQ(run->messages().size(), 1u);
    if (run->messages().empty()) {
        return run;
    }
    const auto& message = run->messages()[0];
    EXPECT_EQ(message.style, kInformation);
    EXPECT_EQ(message.title, "End Game");
    EXPECT_TRUE(contains(message.prompt, original.string())) << message.prompt;
    EXPECT_TRUE(contains(message.prompt, says)) << message.prompt;
    return run;
}

const std::string kKept = "This folder keeps its backup and still counts the game as in progress";

// A copy of the program folder made during the game (cp -a, the first half
// of a move by hand, or a home backup restored) restores nothing while the
// folder it was copied from stands at its path, and keeps its session as
// long as that folder's game may be in progress. Once that game has ended,
// the copy lets its session go and the game's later saves stay; once that
// folder is gone, the copy's backup is the one that puts the originals back.
TEST(CopiedProgramFolder, KeepsItsBackupUntilTheGameHasEndedWhereItWasStarted) {
    enum class Then {
        OriginalEndsTheGame,
        OlderVersionsGame,
        OriginalDeleted,
        MovedBeforeAnyEndGame
    };
    struct Case {
        const char* name;
        Then then;
    };
    const std::vector<Case> cases{
        {"the original ends the game, then the copy", Then::OriginalEndsTheGame},
        {"the same, the game set up by an older version", Then::OlderVersionsGame},
        {"the copy's End Game, then the original deleted", Then::OriginalDeleted},
        {"moved: copied elsewhere, the original deleted", Then::MovedBeforeAnyEndGame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        const Snapshot originals = snapshot(fx.gameDir());
        testing_support::startAndExport(fx);
        if (c.then == Then::OlderVersionsGame) {
            fs::remove(testing_support::exportRecordOf(fx.programDir()));
        }
        const fs::path copy = fx.programDir().parent_path() / "program-copy";
        fs::copy(fx.programDir(), copy, fs::copy_options::recursive);
        if (c.then == Then::MovedBeforeAnyEndGame) {
            fs::remove_all(fx.programDir());
            endGameIn(copy, fx, originals);
            continue;
        }
        const Snapshot exported = snapshot(fx.gameDir());
        {
            std::unique_ptr<Driver> run = copyEndGameSays(copy, fx.programDir(), kKept);
            EXPECT_TRUE(testing_support::gameRunningState());
        }
        EXPECT_TRUE(fs::exists(markerOf(copy)));
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
        if (c.then == Then::OriginalDeleted) {
            fs::remove_all(fx.programDir());
            endGameIn(copy, fx, originals);
            continue;
        }
        endGameIn(fx.programDir(), fx, originals);
        // The game saves after its End Game; the copy's End Game keeps it.
        const Snapshot saved = testing_support::saveGame(fx);
        if (c.then == Then::OriginalEndsTheGame) {
            testing_support::endedElsewhereIn(copy, fx, saved);
            continue;
        }
        // Without a record of the export's files, the session alone tells.
        std::unique_ptr<Driver> run =
            copyEndGameSays(copy, fx.programDir(), "The game has since been ended there");
        EXPECT_TRUE(testing_support::startState());
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), saved));
    }
}

// A program folder moved to another disk during its game (a copy, then the
// old folder removed), and a new install made at its old path in a folder
// that got the old folder's inode number back: neither is taken for the
// other, whichever starts first, and the originals come back.
TEST(NewFolderAtAnOldPath, IsNotTheFolderThatStoodThereAtTheSameInodeNumber) {
    for (const bool movedEndsFirst : {true, false}) {
        SCOPED_TRACE(movedEndsFirst ? "the moved folder ends the game first"
                                    : "the new install starts first");
        ProgramFixture fx;
        const Snapshot originals = snapshot(fx.gameDir());
        ASSERT_TRUE(contains(testing_support::folderRecordOf(fx.programDir()), "birth "))
            << "the temporary folder's file system keeps no birth times";
        testing_support::startAndExport(fx);
        const fs::path old = fx.programDir();
        const fs::path moved = old.parent_path() / "program-moved";
        fs::copy(old, moved, fs::copy_options::recursive);
        FileFaults faults;
        faults.numbers(old, old);
        fs::remove_all(old);
        programFolderAt(old, fx.gameDir().string());
        if (movedEndsFirst) {
            endGameIn(moved, fx, originals);
        } else {
            std::unique_ptr<Driver> install = startAt(old);
            ASSERT_EQ(install->messages().size(), 1u);
            EXPECT_EQ(install->messages()[0].title, "Error- File Backup");
            EXPECT_TRUE(contains(install->messages()[0].prompt, "has since been moved or replaced"))
                << install->messages()[0].prompt;
            EXPECT_TRUE(fs::exists(recordOf(fx)));
            EXPECT_FALSE(fs::exists(old / "BACKUP" / "backup.source"));
            leave(*install);
            endGameIn(moved, fx, originals);
        }
        std::unique_ptr<Driver> install = startAt(old);
        EXPECT_TRUE(install->messages().empty()) << install->messages().front().prompt;
        EXPECT_TRUE(fs::exists(old / "BACKUP" / "backup.source"));
    }
}

}  // namespace
