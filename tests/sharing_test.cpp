// Two program folders set to one game folder: while a skirmish of one is
// exported there, the other neither backs the folder up, exports into it
// nor restores over it; a record whose program folder has no game there any
// more is cleared once.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::endGameAt;
using testing_support::exportEasy;
using testing_support::inProgressIn;
using testing_support::leave;
using testing_support::markerOf;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::recordOf;
using testing_support::restart;
using testing_support::sameFiles;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startAt;
using testing_support::startGameAt;

// A exports and leaves; B starts and tries Start Game; A ends its game; B
// plays and ends a game of its own; A starts again. No step takes the
// exported files for the game's own, and the originals come back.
TEST(TwoProgramFolders, NeitherTakesTheOthersSkirmishForTheGamesFiles) {
    ProgramFixture fx;
    const fs::path b = testing_support::secondProgramFolder(fx);
    const Snapshot originals = snapshot(fx.gameDir());
    testing_support::startAndExport(fx);
    ASSERT_TRUE(fs::exists(recordOf(fx)));
    const Snapshot exported = snapshot(fx.gameDir());
    {
        std::unique_ptr<Driver> runB = startGameAt(b);
        ASSERT_EQ(runB->messages().size(), 2u);  // at the start, and at Start Game
        for (const auto& message : runB->messages()) {
            EXPECT_EQ(message.title, "Error- File Backup");
            EXPECT_NE(message.prompt.find(inProgressIn(fx.programDir())), std::string::npos)
                << message.prompt;
        }
        EXPECT_FALSE(testing_support::loaded("frmdifficulty"));
        EXPECT_TRUE(testing_support::startState());
        EXPECT_FALSE(fs::exists(b / "BACKUP" / "backup.source"));
    }
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
    {
        std::unique_ptr<Driver> runA = endGameAt(fx.programDir());
        EXPECT_TRUE(runA->messages().empty()) << runA->messages().front().prompt;
    }
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), originals));
    {
        std::unique_ptr<Driver> runB = startAt(b);
        exportEasy(*runB);
        runB->click("Main", "EndGame");
        runB->run();
        EXPECT_TRUE(runB->messages().empty()) << runB->messages().front().prompt;
    }
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), originals));
    std::unique_ptr<Driver> runA = restart(fx);
    EXPECT_TRUE(runA->messages().empty()) << runA->messages().front().prompt;
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP" / "levels" / "levl2001.dat"),
              originals.at("levels/levl2001.dat"));
}

// B's record was deleted by hand during its game, so A backed up B's
// exported files and exported over them. B's End Game waits for A's, which
// puts B's files back; then B's puts back the originals.
TEST(TwoProgramFolders, EndGameWaitsForTheSkirmishExportedLater) {
    ProgramFixture fx;
    const fs::path b = testing_support::secondProgramFolder(fx);
    const Snapshot originals = snapshot(fx.gameDir());
    {
        std::unique_ptr<Driver> runB = startAt(b);
        exportEasy(*runB);
        leave(*runB);
    }
    fs::remove(recordOf(fx));
    testing_support::startAndExport(fx);
    {
        std::unique_ptr<Driver> runB = endGameAt(b);
        ASSERT_EQ(runB->messages().size(), 1u);
        EXPECT_EQ(runB->messages()[0].title, "Error- Restore Backup");
        EXPECT_NE(runB->messages()[0].prompt.find(inProgressIn(fx.programDir())),
                  std::string::npos);
        EXPECT_TRUE(testing_support::gameRunningState());
    }
    for (const fs::path& program : {fx.programDir(), b}) {
        std::unique_ptr<Driver> run = endGameAt(program);
        EXPECT_TRUE(run->messages().empty()) << run->messages().front().prompt;
    }
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), originals));
}

// A record whose program folder has no game in the folder any more is said
// once, removed, and the start goes on as without it.
TEST(TwoProgramFolders, StaleRecordIsSaidOnceAndCleared) {
    struct Case {
        const char* name;
        std::function<void(const ProgramFixture&)> strand;
        bool startOther;  // the other program folder starts, else the same one
    };
    const std::vector<Case> cases{
        {"an install deleted during a game",
         [](const ProgramFixture& fx) { fs::remove_all(fx.programDir()); }, true},
        {"a session ended by hand",
         [](const ProgramFixture& fx) { fs::remove(markerOf(fx.programDir())); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        const fs::path b = testing_support::secondProgramFolder(fx);
        testing_support::startAndExport(fx);
        c.strand(fx);
        const fs::path starting = c.startOther ? b : fx.programDir();
        for (int start = 1; start <= 2; ++start) {
            std::unique_ptr<Driver> run = startAt(starting);
            ASSERT_EQ(run->messages().size(), start == 1 ? 1u : 0u);
            if (start == 1) {
                EXPECT_EQ(run->messages()[0].style, 64);
                EXPECT_NE(run->messages()[0].prompt.find(fx.programDir().string()),
                          std::string::npos);
            }
            EXPECT_FALSE(fs::exists(recordOf(fx)));
            EXPECT_TRUE(fs::exists(starting / "BACKUP" / "backup.source"));
        }
    }
}

}  // namespace
