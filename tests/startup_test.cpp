// Start-up: the second-instance refusal, the first-run dialog, the
// configuration files, the backup of the game's files, the load of the saved
// level settings into Main's controls, the Options dialog and Main's exits.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "app/frmOptions.h"
#include "app/frmSplash.h"
#include "app/frmfirstload.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"
#include "support/Toggles.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FileFaults;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::restart;
using testing_support::sameFiles;
using testing_support::snapshot;
using testing_support::Snapshot;
using testing_support::writeFile;

const std::string kCloseNotice = "\r\n\r\nZekvarin Skirmish Mode will now close.";

std::string configFailureText(const fs::path& programDir) {
    return "Zekvarin Skirmish Mode was unable to load its configuration files in " +
           programDir.string() +
           "\\CFG.  If the problem persists, try reinstalling the application." + kCloseNotice;
}

// The start-up backup's message: what failed, then back to the first-run
// dialog.
std::string backupFailureText(const std::string& zekdir, const std::string& failure) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " + zekdir +
           ".  If the problem persists, try running the Zekvarin Restore file.\r\n\r\n" + failure +
           "\r\n\r\nPlease choose the Zekvarin directory again.";
}

std::string settingsFailureText(const fs::path& programDir) {
    return "An error occured while trying to load the level settings from " + programDir.string() +
           "\\levels.  Zekvarin Skirmish will try to continue running without any previous "
           "configurations, however it is recommended that you reinstall the application before "
           "trying to use it.";
}

std::string levelFile(int level, const char* extension) {
    return "levels/levl" + std::to_string(2000 + level) + extension;
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

std::size_t countFiles(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            ++count;
        }
    }
    return count;
}

using testing_support::kToggles;
using testing_support::Toggle;

const char* const kBoxes[] = {"BR", "BY", "BG", "RY", "RG", "YG"};

app::Main& mainForm() {
    return forms::form<app::Main>();
}

std::string programHeader(int level) {
    return standin::programFileBytes(levelFile(level, ".hdr"));
}

void writeProgramHeader(const ProgramFixture& fx, int level, const std::string& bytes) {
    writeFile(fx.programDir() / levelFile(level, ".hdr"), bytes);
}

// ---------------------------------------------------------------- instances

TEST(SecondInstance, IsRefusedWithoutTouchingAnyFile) {
    ProgramFixture fx;
    fs::remove_all(fx.programDir() / "CFG");
    fx.driver().app().PrevInstance = true;
    fx.start();

    ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    const auto& message = fx.driver().messages()[0];
    EXPECT_EQ(message.style, 64);
    EXPECT_EQ(message.title, "Already Running");
    EXPECT_EQ(message.prompt,
              "Another occurrence of Zekvarin:  Skirmish Mode is already running.  Please use that "
              "instance of the program, or close it before you run the application again.");
    EXPECT_TRUE(fx.driver().ended());
    EXPECT_EQ(fx.driver().exitStatus(), forms::kExitNormally);
    EXPECT_FALSE(forms::form<app::frmSplash>().Loaded());
    EXPECT_FALSE(mainForm().Loaded());
    EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP"));
}

// ---------------------------------------------------------------- first run

TEST(FirstRun, DialogRefusesEmptyBoxThenConfiguresAndStartsNormally) {
    ProgramFixture fx(false);
    auto& driver = fx.driver();
    fs::remove_all(fx.gameDir() / "SAVE");
    fx.start();

    auto& dialog = forms::form<app::frmfirstload>();
    ASSERT_TRUE(dialog.Visible());
    EXPECT_EQ(driver.now(), 2000);
    EXPECT_FALSE(forms::form<app::frmSplash>().Loaded());
    EXPECT_EQ(dialog.zekdir.Text(), "C:\\Program Files\\Kestrane\\Zekvarin");
    EXPECT_EQ(dialog.appdir.Text(), fx.programDir().string());
    EXPECT_TRUE(dialog.appdir.Locked());

    const fs::path zekdirCfg = fx.programDir() / "CFG" / "zekdir.cfg";
    const fs::path appdirCfg = fx.programDir() / "CFG" / "appdir.cfg";
    driver.type("frmfirstload", "zekdir", "").click("frmfirstload", "enter").then([&] {
        ASSERT_EQ(driver.messages().size(), 1u);
        const auto& refused = driver.messages()[0];
        EXPECT_EQ(refused.style, 48);
        EXPECT_EQ(refused.title, "Zekvarin Skirmish Mode");
        EXPECT_EQ(refused.prompt,
                  "You have not fully filled out the form, please ensure that you have completely "
                  "filled out the information reguarding the application directory and your "
                  "Zekvarin Directory.  After you have verified this press OK and try again.");
        EXPECT_TRUE(dialog.Visible());
        EXPECT_EQ(readFile(zekdirCfg), "");
        EXPECT_EQ(readFile(appdirCfg), "");
    });
    // The pasted line end is stripped before the file gets its own.
    driver.wait(500)
        .type("frmfirstload", "zekdir", fx.gameDir().string() + "\r\n")
        .click("frmfirstload", "enter");
    driver.run();

    EXPECT_EQ(readFile(zekdirCfg), fx.gameDir().string() + "\r\n");
    EXPECT_EQ(readFile(appdirCfg), fx.programDir().string() + "\r\n");
    EXPECT_TRUE(fs::is_directory(fx.gameDir() / "SAVE"));
    EXPECT_FALSE(dialog.Loaded());
    EXPECT_TRUE(mainForm().Visible());
    EXPECT_FALSE(driver.ended());
    EXPECT_EQ(driver.now(), 2000 + 500 + 3000);
    EXPECT_EQ(driver.messages().size(), 1u) << fx.lastMessage();
    EXPECT_EQ(mainForm().zekdir.Text(), fx.gameDir().string());
}

TEST(FirstRun, CancelEndsWithNothingWritten) {
    ProgramFixture fx(false);
    fs::remove_all(fx.gameDir() / "SAVE");
    fx.start();
    ASSERT_TRUE(forms::form<app::frmfirstload>().Visible());
    fx.driver().type("frmfirstload", "zekdir", fx.gameDir().string()).click("frmfirstload", "exit");
    fx.driver().run();

    EXPECT_TRUE(fx.driver().ended());
    EXPECT_EQ(fx.driver().exitStatus(), forms::kExitNormally);
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), "");
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "appdir.cfg"), "");
    EXPECT_FALSE(fs::exists(fx.gameDir() / "SAVE"));
    EXPECT_FALSE(mainForm().Loaded());
}

// ------------------------------------------------- configuration at start-up

// The splash shows its start kind by its label and its running timer.
void expectStartKind(app::frmSplash& splash, bool firstRun) {
    EXPECT_EQ(splash.loadfirst.Visible(), firstRun);
    EXPECT_EQ(splash.loadnormal.Visible(), !firstRun);
    EXPECT_EQ(splash.Timer2.Enabled(), firstRun);
    EXPECT_EQ(splash.Timer1.Enabled(), !firstRun);
}

TEST(Configuration, FileOfOnlyCrLfIsAFirstRun) {
    ProgramFixture fx;
    fx.configure("");
    fx.driver().startOnly<app::frmSplash>();
    auto& splash = forms::form<app::frmSplash>();
    expectStartKind(splash, true);
    EXPECT_EQ(splash.lblVersion.Caption(), "Version 0.0.4");

    fx.driver().run();
    EXPECT_EQ(fx.driver().now(), 2000);
    EXPECT_TRUE(forms::form<app::frmfirstload>().Visible());
    EXPECT_FALSE(mainForm().Loaded());
}

TEST(Configuration, FilesOfSpacesCountAsConfigured) {
    {
        // The splash alone decides: a game directory of spaces is a normal start.
        ProgramFixture fx;
        fx.configure("   ");
        fx.driver().startOnly<app::frmSplash>();
        auto& splash = forms::form<app::frmSplash>();
        expectStartKind(splash, false);
    }
    {
        // A program directory of spaces, with a real game directory, starts Main.
        ProgramFixture fx;
        writeFile(fx.programDir() / "CFG" / "appdir.cfg", "  \r\n");
        fx.start();
        EXPECT_TRUE(mainForm().Visible());
        EXPECT_EQ(fx.driver().now(), 3000);
        EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
        EXPECT_EQ(mainForm().appdir.Text(), "  ");
    }
}

TEST(Configuration, MissingFolderOrFileEndsWithCriticalMessage) {
    for (const char* missing : {"CFG", "CFG/appdir.cfg"}) {
        SCOPED_TRACE(missing);
        ProgramFixture fx;
        fs::remove_all(fx.programDir() / missing);
        fx.start();

        ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
        const auto& message = fx.driver().messages()[0];
        EXPECT_EQ(message.style, 16);
        EXPECT_EQ(message.title, "Critical Error- Loading Program Configuration");
        EXPECT_EQ(message.prompt, configFailureText(fx.programDir()));
        EXPECT_TRUE(fx.driver().ended());
        EXPECT_EQ(fx.driver().exitStatus(), forms::kExitOnError);
        EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP"));
        EXPECT_FALSE(mainForm().Loaded());
    }
}

TEST(Configuration, NormalStartShowsMainAfterExactly3000Ms) {
    ProgramFixture fx;
    auto& driver = fx.driver();
    driver.startOnly<app::frmSplash>();
    auto& splash = forms::form<app::frmSplash>();
    expectStartKind(splash, false);
    for (const char* folder :
         {"BACKUP", "BACKUP/language", "BACKUP/levels", "BACKUP/SAVE", "BACKUP/scripts"}) {
        EXPECT_TRUE(fs::is_directory(fx.programDir() / folder)) << folder;
    }

    driver.runFor(2999);
    EXPECT_TRUE(splash.Visible());
    EXPECT_FALSE(mainForm().Loaded());
    driver.runFor(1);
    EXPECT_TRUE(mainForm().Visible());
    EXPECT_FALSE(splash.Loaded());
    EXPECT_FALSE(forms::form<app::frmfirstload>().Loaded());
    EXPECT_EQ(driver.now(), 3000);
    EXPECT_TRUE(driver.messages().empty()) << fx.lastMessage();
}

// The configuration can vanish between the splash's read and Main's load:
// Main's own trap then ends the program before any copy.
TEST(Configuration, VanishingBeforeMainsLoadEndsWithCriticalMessage) {
    for (const char* missing : {"CFG/zekdir.cfg", "CFG/appdir.cfg"}) {
        SCOPED_TRACE(missing);
        ProgramFixture fx;
        auto& driver = fx.driver();
        driver.startOnly<app::frmSplash>();
        fs::remove(fx.programDir() / missing);
        driver.runFor(3000);

        ASSERT_EQ(driver.messages().size(), 1u) << fx.lastMessage();
        EXPECT_EQ(driver.messages()[0].style, 16);
        EXPECT_EQ(driver.messages()[0].title, "Critical Error- Loading Program Configuration");
        EXPECT_EQ(driver.messages()[0].prompt, configFailureText(fx.programDir()));
        EXPECT_TRUE(driver.ended());
        EXPECT_EQ(driver.exitStatus(), forms::kExitOnError);
        EXPECT_FALSE(mainForm().Visible());
        EXPECT_TRUE(forms::form<app::frmSplash>().Visible());
        EXPECT_EQ(countFiles(fx.programDir() / "BACKUP"), 0u);
    }
}

// ---------------------------------------------------------------- backup

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
              fx.gameDir().string() + "\r\n" + testing_support::identityOf(fx.gameDir()) + "\r\n");
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

// ---------------------------------------------------------- saved settings

TEST(SavedSettings, FailureAtOneHeaderLeavesTheRestEmptyAndControlsInDesignState) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / levelFile(3, ".hdr"));
    fs::create_directory(fx.programDir() / levelFile(3, ".hdr"));
    // Bits that would change the controls, had level 1 been read.
    std::string level1 = programHeader(1);
    level1[98] = 0x03;
    level1[92] = 0x0F;
    level1[0] = 0x00;
    writeProgramHeader(fx, 1, level1);
    fx.start();

    ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    const auto& message = fx.driver().messages()[0];
    EXPECT_EQ(message.style, 48);
    EXPECT_EQ(message.title, "Error- Loading Level Settings");
    EXPECT_EQ(message.prompt, settingsFailureText(fx.programDir()));
    EXPECT_FALSE(fx.driver().ended());

    app::Main& main = mainForm();
    ASSERT_TRUE(main.Visible());
    EXPECT_EQ(main.cpatrCFG, standin::programFileBytes("cpatrCFG.dat"));
    EXPECT_EQ(main.hfile[1], programHeader(2));
    const std::string empty(616, '\0');
    EXPECT_EQ(main.hfile[0], empty);
    for (int level = 3; level <= 25; ++level) {
        EXPECT_EQ(main.hfile[level - 1], empty) << "level " << level;
    }
    for (const Toggle& toggle : kToggles) {
        const forms::Image& image = main.image(toggle.image);
        EXPECT_EQ(image.Tag(), "2") << toggle.image;
        EXPECT_EQ(image.Picture(), forms::Picture{toggle.picture}) << toggle.image;
    }
    EXPECT_EQ(main.Command1.Caption(), "FOG is OFF");
    EXPECT_EQ(main.Command2.Caption(), "GOD is OFF");
    for (const char* box : kBoxes) {
        EXPECT_EQ(main.control<forms::CheckBox>(box).Value(), 0) << box;
    }
    EXPECT_EQ(main.Nothing1.ToolTipText(),
              "Toggle Guest Spells.  Possible Choices are  Off, Bloodlust, Teleport, and "
              "Armageddon.");
}

// The splash's timer goes on ticking while Main's load holds a message box
// open; those ticks must not hand over a second time, which would show Main
// before its load step has finished.
TEST(SavedSettings, SplashHandsOverOnceWhileTheLoadWarningIsOpen) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / levelFile(3, ".hdr"));
    fs::create_directory(fx.programDir() / levelFile(3, ".hdr"));
    bool mainShownDuringWarning = true;
    bool splashLoadedDuringWarning = false;
    fx.driver().startOnly<app::frmSplash>();
    // Queued now, taken by the warning's box: the clock runs on 10 s with
    // the box open (the splash's timer ticks three times meanwhile).
    fx.driver().wait(10000).then([&] {
        mainShownDuringWarning = mainForm().Visible();
        splashLoadedDuringWarning = forms::form<app::frmSplash>().Loaded();
    });
    fx.driver().ok();
    fx.driver().backend().advanceTo(3000);
    fx.driver().run();

    EXPECT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    EXPECT_FALSE(mainShownDuringWarning);
    EXPECT_TRUE(splashLoadedDuringWarning);
    EXPECT_TRUE(mainForm().Visible());
    EXPECT_FALSE(forms::form<app::frmSplash>().Loaded());
    EXPECT_EQ(fx.driver().now(), 13000);
}

TEST(SavedSettings, MissingAvailabilityFileIsCreatedEmpty) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / "cpatrCFG.dat");
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    ASSERT_TRUE(fs::is_regular_file(fx.programDir() / "cpatrCFG.dat"));
    EXPECT_EQ(fs::file_size(fx.programDir() / "cpatrCFG.dat"), 0u);
    app::Main& main = mainForm();
    EXPECT_EQ(main.hfile[0], programHeader(1));
    EXPECT_EQ(main.Nothing1.ToolTipText(), "Guest Spells (Cannot be saved)");
}

TEST(SavedSettings, ControlsFollowLevel1Bits) {
    ProgramFixture fx;
    std::string level1 = programHeader(1);
    // A spread of bits, those no toggle reads included (char 1 0x03, char 3
    // 0x04 and up, char 4, char 5 0x0D, char 6 0x5E).
    level1[0] = static_cast<char>(0xA7);  // Blast, Swarm, Hypnotise
    level1[1] = static_cast<char>(0x5A);  // Ghost Army, Swamp, Landbridge, Earthquake
    level1[2] = static_cast<char>(0xF6);  // Convert
    level1[3] = static_cast<char>(0xFF);
    level1[4] = static_cast<char>(0x3D);   // Guard Tower, Temple
    level1[5] = static_cast<char>(0xDF);   // Firewarrior, Balloon
    level1[98] = static_cast<char>(0xFE);  // god on, fog off
    writeProgramHeader(fx, 1, level1);
    // Another level with the opposite bits: only level 1 decides.
    std::string level2 = programHeader(2);
    for (int i = 0; i < 6; ++i) {
        level2[i] = static_cast<char>(~level1[i]);
    }
    level2[98] = 0x01;
    writeProgramHeader(fx, 2, level2);
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    app::Main& main = mainForm();
    const std::map<std::string, bool> available{
        {"Image16", true},  {"Image10", false}, {"Image5", false}, {"Image11", true},
        {"Image12", false}, {"Image13", true},  {"Image7", false}, {"Image52", true},
        {"Image4", false},  {"Image6", true},   {"Image9", true},  {"Image1", false},
        {"Image3", true},   {"Image8", false},  {"Image2", false}, {"Image17", true},
        {"Image14", false}, {"Image24", false}, {"Image23", true}, {"Image21", true},
        {"Image20", false}, {"Image22", false}, {"Image19", true}, {"Image18", false},
        {"Image15", true},
    };
    for (const Toggle& toggle : kToggles) {
        const forms::Image& image = main.image(toggle.image);
        if (available.at(toggle.image)) {
            EXPECT_EQ(image.Tag(), "2") << toggle.image;
            EXPECT_EQ(image.Picture(), forms::Picture{toggle.picture}) << toggle.image;
        } else {
            EXPECT_EQ(image.Tag(), "1") << toggle.image;
            EXPECT_EQ(image.Picture(), forms::Picture{toggle.spell ? "spell_off" : "hut_off"})
                << toggle.image;
        }
    }
    EXPECT_EQ(main.Command1.Caption(), "FOG is OFF");
    EXPECT_EQ(main.Command2.Caption(), "GOD is ON");
    EXPECT_EQ(main.Nothing1.Picture(), forms::Picture{"spell_off"});
    EXPECT_EQ(main.Nothing1.ToolTipText(), "Guest Spells (Cannot be saved)");
    // Loading alone changes no header.
    EXPECT_EQ(main.hfile[0], level1);
    EXPECT_EQ(main.hfile[1], level2);
}

TEST(SavedSettings, FogOnlyCaptionFromBit0x01) {
    ProgramFixture fx;
    std::string level1 = programHeader(1);
    level1[98] = 0x01;
    writeProgramHeader(fx, 1, level1);
    fx.start();
    EXPECT_EQ(mainForm().Command1.Caption(), "FOG is ON");
    EXPECT_EQ(mainForm().Command2.Caption(), "GOD is OFF");
}

TEST(SavedSettings, AllianceBoxesFollowOnlyTheFirstTribesByte) {
    ProgramFixture fx;
    std::array<std::string, 25> saved;
    for (int level = 1; level <= 25; ++level) {
        saved[level - 1] = programHeader(level);
    }
    // Red says it is allied with Blue, Blue does not: BR stays clear. Green's
    // byte is never read, whatever it holds.
    saved[0][92] = 0x01;
    saved[0][93] = 0x03;
    saved[0][94] = 0x04;
    saved[0][95] = static_cast<char>(0xFF);
    // An alliance in level 7 alone stays there.
    saved[6][92] = 0x03;
    saved[6][93] = 0x03;
    for (int level = 1; level <= 25; ++level) {
        writeProgramHeader(fx, level, saved[level - 1]);
    }
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    app::Main& main = mainForm();
    for (const char* box : kBoxes) {
        EXPECT_EQ(main.control<forms::CheckBox>(box).Value(), 0) << box;
    }
    for (int level = 1; level <= 25; ++level) {
        EXPECT_EQ(main.hfile[level - 1], saved[level - 1]) << "level " << level;
    }
}

TEST(SavedSettings, AllianceBoxesTickedFromTheFirstTribe) {
    ProgramFixture fx;
    std::string level1 = programHeader(1);
    level1[93] = 0x0A;  // Red: allied with Red (itself) and Green -> RG
    level1[94] = 0x08;  // Yellow: allied with Green -> YG
    writeProgramHeader(fx, 1, level1);
    fx.start();

    app::Main& main = mainForm();
    const std::map<std::string, int> ticked{{"BR", 0}, {"BY", 0}, {"BG", 0},
                                            {"RY", 0}, {"RG", 1}, {"YG", 1}};
    for (const char* box : kBoxes) {
        EXPECT_EQ(main.control<forms::CheckBox>(box).Value(), ticked.at(box)) << box;
    }
}

// ---------------------------------------------------------------- Options

TEST(Options, OkWritesBothFilesAndUpdatesMain) {
    ProgramFixture fx;
    writeFile(fx.programDir() / "CFG" / "appdir.cfg", "stale\r\n");
    fx.start();
    auto& driver = fx.driver();
    auto& options = forms::form<app::frmOptions>();
    const std::string newDir = (fx.gameDir().parent_path() / "Zek Game").string();
    fs::copy(fx.gameDir(), newDir, fs::copy_options::recursive);
    driver.menu("Main", "mnusettings")
        .then([&] {
            EXPECT_TRUE(options.Visible());
            EXPECT_EQ(options.zekdir.Text(), fx.gameDir().string());
            EXPECT_EQ(options.appdir.Text(), fx.programDir().string());
        })
        .type("frmOptions", "zekdir", newDir)
        .click("frmOptions", "cmdOK");
    driver.run();

    EXPECT_FALSE(options.Loaded());
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), newDir + "\r\n");
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "appdir.cfg"), fx.programDir().string() + "\r\n");
    EXPECT_EQ(mainForm().zekdir.Text(), newDir);
    EXPECT_EQ(mainForm().appdir.Text(), fx.programDir().string());
    EXPECT_TRUE(driver.messages().empty()) << fx.lastMessage();
}

TEST(Options, ApplyWritesTheFilesButLeavesMain) {
    ProgramFixture fx;
    writeFile(fx.programDir() / "CFG" / "appdir.cfg", "stale\r\n");
    fx.start();
    auto& driver = fx.driver();
    const std::string newDir = (fx.gameDir().parent_path() / "zek").string();
    fs::copy(fx.gameDir(), newDir, fs::copy_options::recursive);
    driver.menu("Main", "mnusettings")
        .type("frmOptions", "zekdir", newDir)
        .click("frmOptions", "cmdApply")
        .then([&] {
            EXPECT_TRUE(forms::form<app::frmOptions>().Visible());
            EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), newDir + "\r\n");
        })
        .click("frmOptions", "cmdCancel");
    driver.run();

    EXPECT_FALSE(forms::form<app::frmOptions>().Loaded());
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), newDir + "\r\n");
    EXPECT_EQ(readFile(fx.programDir() / "CFG" / "appdir.cfg"), fx.programDir().string() + "\r\n");
    EXPECT_EQ(mainForm().zekdir.Text(), fx.gameDir().string());
}

TEST(Options, CancelAndEscWriteNothing) {
    for (bool viaEsc : {false, true}) {
        SCOPED_TRACE(viaEsc ? "Esc" : "Cancel");
        ProgramFixture fx;
        writeFile(fx.programDir() / "CFG" / "appdir.cfg", "stale\r\n");
        fx.start();
        auto& driver = fx.driver();
        driver.menu("Main", "mnusettings").type("frmOptions", "zekdir", "/elsewhere/zek");
        if (viaEsc) {
            driver.key("frmOptions", "Esc");
        } else {
            driver.click("frmOptions", "cmdCancel");
        }
        driver.run();

        EXPECT_FALSE(forms::form<app::frmOptions>().Loaded());
        EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), fx.gameDir().string() + "\r\n");
        EXPECT_EQ(readFile(fx.programDir() / "CFG" / "appdir.cfg"), "stale\r\n");
        EXPECT_EQ(mainForm().zekdir.Text(), fx.gameDir().string());
    }
}

// A game directory that is no existing folder (the first-run dialog's
// design text is one) would fail the backup at every start: it is refused
// where it is entered, with nothing written.
TEST(GameFolderChoice, FolderThatIsNotTheGameIsRefused) {
    const std::string refused = "Error- Zekvarin Directory";
    auto expectRefusals = [&](ProgramFixture& fx, std::vector<std::string> folders) {
        const auto& messages = fx.driver().messages();
        ASSERT_EQ(messages.size(), folders.size()) << fx.lastMessage();
        for (std::size_t i = 0; i < folders.size(); ++i) {
            EXPECT_EQ(messages[i].style, 48);
            EXPECT_EQ(messages[i].title, refused);
            EXPECT_NE(messages[i].prompt.find(folders[i]), std::string::npos) << messages[i].prompt;
        }
    };
    {
        ProgramFixture fx(false);
        const std::string notGame = fx.gameDir().parent_path().string();
        fs::remove(fx.gameDir() / "levels" / "levl2025.hdr");
        fx.start();
        fx.driver()
            .click("frmfirstload", "enter")
            .type("frmfirstload", "zekdir", ".")
            .click("frmfirstload", "enter")
            .type("frmfirstload", "zekdir", notGame)
            .click("frmfirstload", "enter")
            .type("frmfirstload", "zekdir", fx.gameDir().string())
            .click("frmfirstload", "enter");
        fx.driver().run();
        // The first file the backup needs that the folder lacks is named.
        expectRefusals(fx, {"C:\\Program Files\\Kestrane\\Zekvarin", ".",
                            "does not hold the game's file " + notGame + "\\levels\\levl2001.dat",
                            fx.gameDir().string() + "\\levels\\levl2025.hdr"});
        EXPECT_TRUE(forms::form<app::frmfirstload>().Visible());
        EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), "");
        EXPECT_EQ(readFile(fx.programDir() / "CFG" / "appdir.cfg"), "");
    }
    for (const char* button : {"cmdOK", "cmdApply"}) {
        SCOPED_TRACE(button);
        ProgramFixture fx;
        fx.start();
        const std::string missing = (fx.gameDir().parent_path() / "moved away").string();
        const std::string notGame = fx.gameDir().parent_path().string();
        fx.driver()
            .menu("Main", "mnusettings")
            .type("frmOptions", "zekdir", missing)
            .click("frmOptions", button)
            .type("frmOptions", "zekdir", notGame)
            .click("frmOptions", button)
            .then([&] { EXPECT_TRUE(forms::form<app::frmOptions>().Visible()); })
            .click("frmOptions", "cmdCancel");
        fx.driver().run();
        expectRefusals(fx, {missing, notGame + "\\levels\\levl2001.dat"});
        EXPECT_EQ(readFile(fx.programDir() / "CFG" / "zekdir.cfg"), fx.gameDir().string() + "\r\n");
        EXPECT_EQ(mainForm().zekdir.Text(), fx.gameDir().string());
    }
}

// ---------------------------------------------------------------- Main's shell

TEST(MainShell, FocusStartsOnBlueRedAndTabVisitsTheWholeOrder) {
    ProgramFixture fx;
    fx.start();
    auto& driver = fx.driver();
    app::Main& main = mainForm();
    ASSERT_NE(main.ActiveControl(), nullptr);
    std::vector<std::string> visited{main.ActiveControl()->Name()};
    for (int press = 0; press < 13; ++press) {
        driver.key("Main", "Tab");
        driver.run();
        visited.push_back(main.ActiveControl()->Name());
    }
    // EndGame is disabled at the start, so Tab passes it by.
    const std::vector<std::string> expected{"BR",   "BY",       "BG",       "YG",    "RG",
                                            "RY",   "Command2", "Command1", "Start", "Exit2",
                                            "test", "zekdir",   "appdir",   "BR"};
    EXPECT_EQ(visited, expected);
}

TEST(MainShell, TabFromExitReachesTheDiagnosticButton) {
    ProgramFixture fx;
    fx.start();
    auto& driver = fx.driver();
    app::Main& main = mainForm();
    main.setFocus(&main.Exit2);
    int presses = 0;
    while (main.ActiveControl() != &main.test && presses < 30) {
        driver.key("Main", "Tab");
        driver.run();
        ++presses;
        ASSERT_NE(main.ActiveControl(), &main.Exit2);
    }
    ASSERT_EQ(main.ActiveControl(), &main.test);
    driver.key("Main", "Space");
    driver.run();

    ASSERT_EQ(driver.messages().size(), 1u);
    const auto& message = driver.messages()[0];
    EXPECT_EQ(message.style, 0);
    EXPECT_EQ(message.title, "Zekvarin Skirmish Mode");
    EXPECT_EQ(message.prompt, fx.gameDir().string() + "\\levels\\levl2001.dat");
    EXPECT_FALSE(driver.ended());
}

TEST(MainShell, FileExitEndsAtOnce) {
    ProgramFixture fx;
    fx.start();
    bool ranOn = false;
    fx.driver().menu("Main", "Exit1").then([&] { ranOn = true; });
    fx.driver().run();
    EXPECT_TRUE(fx.driver().ended());
    EXPECT_EQ(fx.driver().exitStatus(), forms::kExitNormally);
    EXPECT_FALSE(ranOn);
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    for (int level = 1; level <= 25; ++level) {
        EXPECT_EQ(readFile(fx.programDir() / levelFile(level, ".hdr")), programHeader(level));
    }
}

TEST(MainShell, CloseRequestIsRefused) {
    ProgramFixture fx;
    fx.start();
    fx.driver().close("Main").key("Main", "Alt+F4");
    fx.driver().run();
    EXPECT_TRUE(mainForm().Loaded());
    EXPECT_TRUE(mainForm().Visible());
    EXPECT_FALSE(fx.driver().ended());
}

}  // namespace
