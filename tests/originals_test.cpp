// The game's original files come back on every road: two games in one run,
// another folder at the game's path, what is not a plain file in a game
// file's place, a kill half-way through the export, a backup tree that
// cannot be read, a removal that fails; and no road lists a big game
// folder more than once per operation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "forms/Runtime.h"
#include "platform/FileFaults.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::exportEasy;
using testing_support::FileFaults;
using testing_support::FileSteps;
using testing_support::gameRunningState;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::restart;
using testing_support::sameFiles;
using testing_support::shown;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::startState;
using testing_support::writeFile;

constexpr int kExclamation = 48;
constexpr int kYesNo = 4;

fs::path markerOf(const ProgramFixture& fx) {
    return fx.programDir() / "BACKUP" / "export.pending";
}

// The temporary files of the program's copies anywhere under a folder.
std::vector<std::string> temporaries(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename().string().find(".zektmp-") != std::string::npos) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

// After one game a normal game was saved in slot 8 and a level changed: the
// second game's End Game puts back the folder as it was just before that
// game, not the copy taken at the program's start.
TEST(Originals, SecondGameOfOneRunRestoresTheFolderAsItWasBeforeIt) {
    ProgramFixture fx;
    Driver& d = fx.driver();
    fx.start();
    exportEasy(d);
    d.click("Main", "EndGame");
    d.run();
    writeFile(fx.gameDir() / "SAVE" / "savgam08.hdr", "a normal game saved in slot 8");
    writeFile(fx.gameDir() / "levels" / "levl2003.dat", "a level changed between games");
    const Snapshot betweenGames = snapshot(fx.gameDir());
    exportEasy(d);
    ASSERT_TRUE(gameRunningState());
    d.click("Main", "EndGame");
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(startState());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), betweenGames));
}

// The marker's path now names another folder than the one backed up: End
// Game does not write over it unasked, but offers the configured folder,
// as for every marker it cannot use.
TEST(Originals, AnotherFolderAtTheGamesPathReachesTheOffer) {
    struct Case {
        const char* name;
        bool throughLink;  // the configured path is a link to the install
        std::function<void(ProgramFixture&, const fs::path& install)> change;
        std::string because;
    };
    const std::string notBackedUp = ", because the backup was not taken from that folder";
    const std::string cannotTell =
        ", because the backup does not say which folder it was taken from";
    const std::vector<Case> cases{
        {"renamed away, another install at the path", false,
         [](ProgramFixture&, const fs::path& install) {
             fs::rename(install, install.string() + "-away");
             standin::writeGameFolder(install);
         },
         notBackedUp},
        {"link pointed at another install", true,
         [](ProgramFixture& fx, const fs::path& link) {
             const fs::path other = fx.gameDir().parent_path() / "other";
             standin::writeGameFolder(other);
             fs::remove(link);
             fs::create_directory_symlink(other, link);
         },
         notBackedUp},
        {"backed up before the backup named its folder", false,
         [](ProgramFixture& fx, const fs::path&) {
             fs::remove(fx.programDir() / "BACKUP" / "backup.source");
         },
         cannotTell},
        {"the same folder on a disk attached again: another device number", false,
         [](ProgramFixture& fx, const fs::path&) {
             const fs::path source = fx.programDir() / "BACKUP" / "backup.source";
             writeFile(source, testing_support::onAnotherDevice(testing_support::readFile(source)));
         },
         cannotTell},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        fs::path path = fx.gameDir();
        if (c.throughLink) {
            path = fx.gameDir().parent_path() / "link";
            fs::create_directory_symlink(fx.gameDir(), path);
            fx.configure(path.string());
        }
        fx.start();
        exportEasy(fx.driver());
        fx.driver().menu("Main", "Exit1");
        fx.driver().run();
        c.change(fx, path);
        const Snapshot atPath = snapshot(path);

        std::unique_ptr<Driver> run = restart(fx);
        run->click("Main", "EndGame").no();
        run->run();
        ASSERT_EQ(run->messages().size(), 1u);
        EXPECT_EQ(run->messages()[0].style, kExclamation | kYesNo);
        EXPECT_NE(run->messages()[0].prompt.find(path.string() + c.because), std::string::npos)
            << run->messages()[0].prompt;
        EXPECT_TRUE(run->messages()[0].prompt.ends_with("Restore them to the Zekvarin directory " +
                                                        path.string() + " instead?"));
        EXPECT_TRUE(gameRunningState());
        EXPECT_TRUE(sameFiles(snapshot(path), atPath));
    }
}

// What is no plain file where a game file should be: a user's folder stays
// and does not block End Game; a pipe neither hangs the comparison nor
// stays in a backed-up file's place; through a link to nothing the export
// creates the target, and End Game removes it and leaves the link.
TEST(Originals, FolderPipeAndDanglingLinkInPlaceOfGameFiles) {
    ProgramFixture fx;
    Driver& d = fx.driver();
    const fs::path outside = fx.gameDir().parent_path() / "elsewhere" / "cpscr050.dat";
    fs::create_directories(outside.parent_path());
    const fs::path link = fx.gameDir() / "levels" / "cpscr050.dat";
    fs::remove(link);
    fs::create_symlink(outside, link);
    const Snapshot before = snapshot(fx.gameDir());
    fx.start();
    exportEasy(d);
    ASSERT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_EQ(readFile(outside), standin::programFileBytes("CPUScripts/Easy/cpscr050.dat"));
    d.menu("Main", "Exit1");
    d.run();

    // A folder of the user's that an earlier version's marker names as
    // created, and a pipe in place of a backed-up file.
    const fs::path folder = fx.gameDir() / "levels" / "cpscr007.dat";
    fs::remove(folder);
    fs::remove(fx.programDir() / "BACKUP" / "scripts" / "cpscr007.dat");
    writeFile(folder / "notes.txt", "the user's");
    writeFile(markerOf(fx), readFile(markerOf(fx)) + "\\levels\\cpscr007.dat\r\n");
    const fs::path pipe = fx.gameDir() / "levels" / "cpatr003.dat";
    fs::remove(pipe);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);

    std::unique_ptr<Driver> run = restart(fx);
    run->click("Main", "EndGame");
    run->run();
    EXPECT_TRUE(run->messages().empty()) << run->messages().front().prompt;
    EXPECT_TRUE(startState());
    EXPECT_FALSE(fs::exists(markerOf(fx)));
    EXPECT_EQ(readFile(folder / "notes.txt"), "the user's");
    EXPECT_EQ(readFile(pipe), standin::gameFileBytes("levels/cpatr003.dat"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), outside);
    EXPECT_FALSE(fs::exists(outside));
    Snapshot after = snapshot(fx.gameDir());
    after.erase("levels/cpscr007.dat/notes.txt");
    after["levels/cpscr007.dat"] = before.at("levels/cpscr007.dat");
    EXPECT_TRUE(sameFiles(after, before));
}

// A round trip on a folder with a link to a file outside it, a read-only
// file and a row the game lacks: afterwards the folder is byte for byte as
// before, and so is everything outside it.
TEST(Originals, RoundTripWithALinkAReadOnlyFileAndAMissingRow) {
    ProgramFixture fx;
    Driver& d = fx.driver();
    const fs::path elsewhere = fx.gameDir().parent_path() / "elsewhere";
    const fs::path target = elsewhere / "levl2002.dat";
    fs::create_directories(elsewhere);
    fs::rename(fx.gameDir() / "levels" / "levl2002.dat", target);
    fs::create_symlink(target, fx.gameDir() / "levels" / "levl2002.dat");
    const fs::path readOnly = fx.gameDir() / "levels" / "readme.txt";
    writeFile(readOnly, "keep me");
    testing_support::makeReadOnly(readOnly);
    fs::remove(fx.gameDir() / "SAVE" / "savgam08.hdr");
    const Snapshot game = snapshot(fx.gameDir());
    const Snapshot outside = snapshot(elsewhere);

    fx.start();
    exportEasy(d);
    EXPECT_EQ(readFile(target), standin::programFileBytes("levels/levl2002.dat"));
    d.click("Main", "EndGame");
    d.run();
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), game));
    EXPECT_TRUE(sameFiles(snapshot(elsewhere), outside));
    EXPECT_TRUE(fs::is_symlink(fx.gameDir() / "levels" / "levl2002.dat"));
    EXPECT_FALSE(fs::exists(fx.gameDir() / "SAVE" / "savgam08.hdr"));
}

// Killed at the export's first rename, with every temporary file of the
// first phase written: the next start and End Game bring every original
// back and leave no temporary file behind.
TEST(Originals, KillAtTheExportsFirstRenameLeavesNoTemporaryFile) {
    ProgramFixture fx;
    const Snapshot before = snapshot(fx.gameDir());
    const std::string game = fx.gameDir().string() + "/";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::setFileRecorder([&game](const platform::FileEvent& event) {
            if (event.step == platform::FileStep::SyncFileSystem && event.path.starts_with(game)) {
                std::_Exit(9);  // just before the first rename into the game
            }
        });
        fx.start();
        exportEasy(fx.driver());
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 9);
    ASSERT_FALSE(temporaries(fx.gameDir()).empty());

    std::unique_ptr<Driver> run = restart(fx);
    ASSERT_TRUE(gameRunningState());
    run->click("Main", "EndGame");
    run->run();
    EXPECT_TRUE(run->messages().empty()) << run->messages().front().prompt;
    EXPECT_TRUE(startState());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
    EXPECT_TRUE(temporaries(fx.gameDir()).empty());
    EXPECT_TRUE(temporaries(fx.programDir()).empty());
}

// A backup tree that cannot be read during a game: no backup runs over it,
// the message names the folder and why, and once it can be read End Game
// restores the game.
TEST(Originals, UnreadableBackupFolderIsNamedAndNeverBackedUpOver) {
    ProgramFixture fx;
    const Snapshot before = snapshot(fx.gameDir());
    fx.start();
    exportEasy(fx.driver());
    fx.driver().menu("Main", "Exit1");
    fx.driver().run();
    const Snapshot tree = snapshot(fx.programDir() / "BACKUP");

    std::unique_ptr<Driver> run;
    {
        FileFaults faults;
        faults.access("/program/BACKUP", EACCES);
        run = restart(fx);
        ASSERT_TRUE(shown("Main"));
    }
    ASSERT_EQ(run->messages().size(), 1u);
    EXPECT_EQ(run->messages()[0].title, "Error- File Backup");
    EXPECT_NE(run->messages()[0].prompt.find(fx.programDir().string() + "\\BACKUP"),
              std::string::npos);
    EXPECT_NE(run->messages()[0].prompt.find(": Permission denied"), std::string::npos)
        << run->messages()[0].prompt;
    EXPECT_EQ(run->messages()[0].prompt.find(fx.gameDir().string()), std::string::npos);
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(sameFiles(snapshot(fx.programDir() / "BACKUP"), tree));

    run->click("Main", "EndGame");
    run->run();
    EXPECT_EQ(run->messages().size(), 1u);
    EXPECT_TRUE(startState());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
}

// A file the export created that cannot be removed stops the restore's
// first phase before any copy.
TEST(Originals, FailedRemovalInTheFirstPhaseStopsBeforeAnyCopy) {
    ProgramFixture fx;
    fx.start();
    exportEasy(fx.driver());
    fx.driver().menu("Main", "Exit1");
    fx.driver().run();
    fs::remove(fx.programDir() / "BACKUP" / "levels" / "levl2025.hdr");
    writeFile(markerOf(fx), readFile(markerOf(fx)) + "\\levels\\levl2025.hdr\r\n");
    const Snapshot exported = snapshot(fx.gameDir());

    FileFaults faults;
    faults.access("/game/levels/levl2025.hdr", EACCES);
    std::unique_ptr<Driver> run = restart(fx);
    run->click("Main", "EndGame");
    run->run();
    ASSERT_EQ(run->messages().size(), 1u);
    EXPECT_TRUE(run->messages()[0].prompt.ends_with(
        (fx.gameDir() / "levels" / "levl2025.hdr").string() + ": Permission denied"))
        << run->messages()[0].prompt;
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
}

// A game copied from another system carries capitalised names; each user
// action lists each folder the copy sets touch file by file (the game's and
// the backup tree's) at most once, however many files it touches there.
TEST(Originals, EachActionListsEachFolderAtMostOnce) {
    ProgramFixture fx;
    Driver& d = fx.driver();
    for (const char* folder : {"levels", "language", "SAVE"}) {
        for (const auto& entry : fs::directory_iterator(fx.gameDir() / folder)) {
            std::string name = entry.path().filename().string();
            name[0] = static_cast<char>(std::toupper(name[0]));
            fs::rename(entry.path(), entry.path().parent_path() / name);
        }
    }
    fs::rename(fx.gameDir() / "levels", fx.gameDir() / "Levels");
    FileSteps steps;
    auto expectEachOnce = [&](const char* action) {
        std::map<std::string, int> times;
        for (const std::string& folder : steps.listed) {
            if (folder.starts_with(fx.gameDir().string()) ||
                folder.starts_with((fx.programDir() / "BACKUP").string() + "/")) {
                EXPECT_EQ(++times[folder], 1) << action << ": " << folder;
            }
        }
        EXPECT_EQ(times.count(fx.gameDir().string() + "/Levels"), 1u) << action;
        steps.listed.clear();
    };
    fx.start();
    expectEachOnce("start-up backup");
    d.click("Main", "Start").then([&] { expectEachOnce("Start Game's backup"); });
    d.click("frmdifficulty", "easy").wait(5000);
    d.run();
    expectEachOnce("session record and export");
    d.click("Main", "EndGame");
    d.run();
    expectEachOnce("End Game");
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
}

// A start whose single-instance check could not be made says why and ends
// before anything is read or written.
TEST(Originals, InstanceCheckThatFailsEndsTheStartNamingTheFolder) {
    ProgramFixture fx;
    fs::remove_all(fx.programDir() / "BACKUP");
    fx.driver().app().InstanceCheckFailure =
        fx.programDir().string() + "/zekskirmish.lock: Read-only";
    fx.start();
    ASSERT_EQ(fx.driver().messages().size(), 1u);
    EXPECT_EQ(fx.driver().messages()[0].style, 16);
    EXPECT_NE(fx.driver().messages()[0].prompt.find("zekskirmish.lock: Read-only"),
              std::string::npos);
    EXPECT_TRUE(fx.driver().ended());
    EXPECT_EQ(fx.driver().exitStatus(), forms::kExitOnError);
    EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP"));
}

}  // namespace
