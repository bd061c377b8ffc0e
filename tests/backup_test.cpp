// The start-up backup of the game's files into the program folder: what it
// copies, and what any failure of it says and leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "app/frmSplash.h"
#include "app/frmfirstload.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::countFiles;
using testing_support::FileFaults;
using testing_support::kCloseNotice;
using testing_support::levelFile;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::restart;
using testing_support::sameFiles;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::writeFile;

// The start-up backup's message: what failed, then back to the first-run
// dialog.
std::string backupFailureText(const std::string& zekdir, const std::string& failure) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " + zekdir +
           ".  If the problem persists, try running the Zekvarin Restore file.\r\n\r\n" + failure +
           "\r\n\r\nPlease choose the Zekvarin directory again.";
}

// Where the backup keeps a copy of a game file (paths relative to the game
// and program folders, forward slashes).
std::string backupOf(const std::string& gameRelative) {
    if (gameRelative.starts_with("levels/cp")) {
        return "BACKUP/scripts/" + gameRelative.substr(std::string("levels/").size());
    }
    return "BACKUP/" + gameRelative;
}

// The files copied in the first phase, in their copy order.
std::vector<std::string> firstPhaseFiles() {
    std::vector<std::string> files;
    for (int level = 1; level <= 25; ++level) {
        files.push_back(levelFile(level, ".dat"));
    }
    for (int level = 1; level <= 25; ++level) {
        files.push_back(levelFile(level, ".hdr"));
    }
    files.push_back("language/lang00.dat");
    return files;
}

std::vector<std::string> scriptFiles() {
    std::vector<std::string> files;
    for (const char* kind : {"cpscr", "cpatr"}) {
        for (int n = 1; n <= 50; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "levels/%s%03d.dat", kind, n);
            files.push_back(name);
        }
    }
    return files;
}

// Puts an old copy of every backed-up file into the backup tree.
void writeOldBackup(const fs::path& programDir) {
    for (const std::string& file : standin::gameFileList()) {
        writeFile(programDir / backupOf(file), "old copy of " + file);
    }
}

TEST(Backup, CopiesAll152FilesByteForByte) {
    ProgramFixture fx;
    writeOldBackup(fx.programDir());
    fx.start();
    ASSERT_TRUE(mainForm().Visible());
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();

    std::vector<std::string> files = standin::gameFileList();
    ASSERT_EQ(files.size(), 152u);
    for (const std::string& file : files) {
        EXPECT_EQ(readFile(fx.programDir() / backupOf(file)), standin::gameFileBytes(file)) << file;
    }
    // Nothing else but the record of the folder the backup came from.
    EXPECT_EQ(countFiles(fx.programDir() / "BACKUP"), 153u);
    // The folder's path, then its identity.
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP/backup.source"),
              testing_support::folderRecordOf(fx.gameDir()));
    // The user's own save header is among them.
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP/SAVE/savgam08.hdr"),
              standin::gameFileBytes("SAVE/savgam08.hdr"));
}

TEST(Backup, VanishedGameFolderIsAskedForAgainWithTheBackupUnchanged) {
    ProgramFixture fx;
    const std::string missing = (fx.gameDir().parent_path() / "nowhere").string();
    fx.configure(missing);
    writeOldBackup(fx.programDir());
    fx.start();

    ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    const auto& message = fx.driver().messages()[0];
    EXPECT_EQ(message.style, 16);
    EXPECT_EQ(message.title, "Critical Error- File Backup");
    EXPECT_TRUE(message.prompt.starts_with(
        "Zekvarin Skirmish Mode was unable to backup the files in the directory " + missing +
        ".  If the problem persists, try running the Zekvarin Restore file."))
        << message.prompt;
    for (const std::string& file : standin::gameFileList()) {
        EXPECT_EQ(readFile(fx.programDir() / backupOf(file)), "old copy of " + file) << file;
    }
    // The first-run dialog, not the end: choosing the folder again starts
    // normally.
    EXPECT_FALSE(fx.driver().ended());
    EXPECT_FALSE(mainForm().Loaded());
    ASSERT_TRUE(forms::form<app::frmfirstload>().Visible());
    fx.driver()
        .type("frmfirstload", "zekdir", fx.gameDir().string())
        .click("frmfirstload", "enter");
    fx.driver().run();
    EXPECT_TRUE(mainForm().Visible());
    EXPECT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP/levels/levl2001.dat"),
              standin::gameFileBytes("levels/levl2001.dat"));
}

// Whatever stops the start-up backup, the message says what failed and the
// first-run dialog follows; nothing of the second phase is touched and the
// tree claims no folder.
TEST(Backup, AnyFailureAsksForTheFolderAgainNamingWhatFailed) {
    struct Case {
        const char* name;
        std::function<std::string(ProgramFixture&)> arrange;  // gives the failure
        std::size_t freshCopies;                              // first-phase copies made before it
    };
    const std::vector<Case> cases{
        {"missing language file",
         [](ProgramFixture& fx) {
             fs::remove(fx.gameDir() / "language" / "lang00.dat");
             return (fx.gameDir() / "language" / "lang00.dat").string() + ": File not found";
         },
         50},
        {"missing last header",
         [](ProgramFixture& fx) {
             fs::remove(fx.gameDir() / "levels" / "levl2025.hdr");
             return (fx.gameDir() / "levels" / "levl2025.hdr").string() + ": File not found";
         },
         49},
        {"a folder that is not the game",
         [](ProgramFixture& fx) {
             fs::create_directory(fx.gameDir().parent_path() / "other");
             fx.configure((fx.gameDir().parent_path() / "other").string());
             return (fx.gameDir().parent_path() / "other" / "levels" / "levl2001.dat").string() +
                    ": Path not found";
         },
         0},
        {"a NUL and junk after the path",
         [](ProgramFixture& fx) {
             fx.configure(fx.gameDir().string() + std::string(1, '\0') + "junk");
             return std::string("Bad file name or number");
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        writeOldBackup(fx.programDir());
        const std::string failure = c.arrange(fx);
        const std::string zekdir = app::StripCrLf(readFile(fx.programDir() / "CFG/zekdir.cfg"));
        fx.start();

        ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
        const auto& message = fx.driver().messages()[0];
        EXPECT_EQ(message.style, 16);
        EXPECT_EQ(message.title, "Critical Error- File Backup");
        EXPECT_EQ(message.prompt, backupFailureText(app::Printable(zekdir), failure));
        EXPECT_FALSE(fx.driver().ended());
        EXPECT_TRUE(forms::form<app::frmfirstload>().Visible());
        EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP/backup.source"));
        std::vector<std::string> phase1 = firstPhaseFiles();
        for (std::size_t i = 0; i < phase1.size(); ++i) {
            EXPECT_EQ(
                readFile(fx.programDir() / backupOf(phase1[i])),
                i < c.freshCopies ? standin::gameFileBytes(phase1[i]) : "old copy of " + phase1[i])
                << phase1[i];
        }
        for (const std::string& file : scriptFiles()) {
            EXPECT_EQ(readFile(fx.programDir() / backupOf(file)), "old copy of " + file) << file;
        }
    }
}

TEST(Backup, EmptyGameDirectoryIsAFailure) {
    // The splash saw a configured game directory; by the time Main reads
    // the file again it has been emptied.
    ProgramFixture fx;
    writeOldBackup(fx.programDir());
    fx.driver().startOnly<app::frmSplash>();
    ASSERT_TRUE(forms::form<app::frmSplash>().loadnormal.Visible());
    fx.configure("");
    fx.driver().runFor(3000);

    ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    EXPECT_EQ(fx.driver().messages()[0].title, "Critical Error- File Backup");
    EXPECT_EQ(fx.driver().messages()[0].prompt,
              backupFailureText("", "no Zekvarin directory is set"));
    EXPECT_FALSE(fx.driver().ended());
    EXPECT_TRUE(forms::form<app::frmfirstload>().Visible());
    EXPECT_EQ(readFile(fx.programDir() / "BACKUP/levels/levl2001.dat"),
              "old copy of levels/levl2001.dat");
}

TEST(Backup, FilesTheGameLacksLeaveNoOlderCopy) {
    ProgramFixture fx;
    writeOldBackup(fx.programDir());
    const std::vector<std::string> lacking{"levels/cpscr010.dat", "levels/cpatr050.dat",
                                           "SAVE/savgam08.hdr"};
    for (const std::string& file : lacking) {
        fs::remove(fx.gameDir() / file);
    }
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    ASSERT_TRUE(mainForm().Visible());
    for (const std::string& file : standin::gameFileList()) {
        const fs::path copy = fx.programDir() / backupOf(file);
        if (std::find(lacking.begin(), lacking.end(), file) != lacking.end()) {
            EXPECT_FALSE(fs::exists(copy)) << file;
        } else {
            EXPECT_EQ(readFile(copy), standin::gameFileBytes(file)) << file;
        }
    }
}

// A backup that fails in the program's own folder (read-only, full, a
// folder gone) names that folder and ends the start, as choosing the game
// folder again could not mend it; the game folder is not touched. The next
// start makes the backup tree's folders again.
TEST(Backup, FailureInTheProgramsOwnFolderNamesItAndEnds) {
    struct Case {
        const char* name;
        std::function<void(ProgramFixture&, FileFaults&)> arrange;  // after the splash
        std::string file;    // in the program folder: what failed
        std::string reason;  // and why
    };
    const std::vector<Case> cases{
        {"read-only: the record of the last backup stays",
         [](ProgramFixture&, FileFaults& f) { f.access("/BACKUP/backup.source", EROFS); },
         "BACKUP/backup.source", "Permission denied"},
        {"full disk",
         [](ProgramFixture&, FileFaults& f) { f.copyTo("/BACKUP/levels/levl2001.dat", ENOSPC); },
         "BACKUP/levels/levl2001.dat", "Disk full"},
        {"a backup folder gone",
         [](ProgramFixture& fx, FileFaults&) {
             fs::remove_all(fx.programDir() / "BACKUP" / "scripts");
         },
         "BACKUP/scripts/cpscr001.dat", "Path not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        fx.start();  // a first start, which leaves a complete backup
        const Snapshot game = snapshot(fx.gameDir());
        auto driver = std::make_unique<forms::headless::Driver>();
        driver->app().Path = fx.programDir().string();
        driver->startOnly<app::frmSplash>();
        {
            FileFaults faults;
            c.arrange(fx, faults);
            driver->runFor(3000);
        }
        const fs::path failed = fx.programDir() / c.file;
        ASSERT_EQ(driver->messages().size(), 1u);
        EXPECT_EQ(driver->messages()[0].style, 16);
        EXPECT_EQ(driver->messages()[0].title, "Critical Error- File Backup");
        EXPECT_EQ(driver->messages()[0].prompt,
                  testing_support::ownFolderFailureText(fx.gameDir(), failed.parent_path(),
                                                        failed.string() + ": " + c.reason) +
                      kCloseNotice);
        EXPECT_TRUE(driver->ended());
        EXPECT_EQ(driver->exitStatus(), forms::kExitOnError);
        EXPECT_FALSE(testing_support::loaded("frmfirstload"));
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), game));
        driver.reset();

        auto next = restart(fx);
        EXPECT_TRUE(next->messages().empty()) << next->messages().front().prompt;
        EXPECT_TRUE(fs::exists(fx.programDir() / "BACKUP/backup.source"));
    }
}

TEST(Backup, GameDirectoryTextsThatStillWork) {
    {
        ProgramFixture fx;
        fx.configure(fx.gameDir().string() + "/");
        fx.start();
        EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
        EXPECT_TRUE(mainForm().Visible());
        EXPECT_EQ(readFile(fx.programDir() / "BACKUP/language/lang00.dat"),
                  standin::gameFileBytes("language/lang00.dat"));
    }
    {
        ProgramFixture fx;
        const fs::path spaced = fx.gameDir().parent_path() / "my zek game";
        standin::writeGameFolder(spaced);
        fx.configure(spaced.string());
        fx.start();
        EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
        EXPECT_TRUE(mainForm().Visible());
        EXPECT_EQ(readFile(fx.programDir() / "BACKUP/levels/levl2025.hdr"),
                  standin::gameFileBytes("levels/levl2025.hdr"));
    }
    {
        // Installations name their folders in any case.
        ProgramFixture fx;
        fs::rename(fx.gameDir() / "levels", fx.gameDir() / "LEVELS");
        fx.start();
        EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
        EXPECT_TRUE(mainForm().Visible());
        EXPECT_EQ(readFile(fx.programDir() / "BACKUP/levels/levl2001.dat"),
                  standin::gameFileBytes("levels/levl2001.dat"));
        EXPECT_EQ(readFile(fx.programDir() / "BACKUP/scripts/cpatr050.dat"),
                  standin::gameFileBytes("levels/cpatr050.dat"));
    }
}

}  // namespace
