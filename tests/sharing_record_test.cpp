// The game folder's record of a skirmish in progress on the roads round it:
// a write of it that was killed, a game folder typed in another case, a
// program folder whose path holds a line break, one moved with a new
// install at its old path, records that name no possible folder or cannot
// be read, a copy of a program folder, an error of any kind in the export,
// and a game folder path too long to look up.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "platform/FileFaults.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::contains;
using testing_support::endGameIn;
using testing_support::exportEasy;
using testing_support::FileFaults;
using testing_support::FileSteps;
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
using testing_support::startGameAt;
using testing_support::writeFile;

// A write of the record killed before its rename leaves the record's
// temporary in the game folder itself: End Game sweeps it.
TEST(SessionRecord, EndGameSweepsTheLeftoverOfAKilledWriteOfTheRecord) {
    ProgramFixture fx;
    const Snapshot originals = snapshot(fx.gameDir());
    testing_support::startAndExport(fx);
    fs::remove(recordOf(fx));
    writeFile(fx.gameDir() / ".zekskirmish.session.zektmp-Xy34Zw", "half a record");
    endGameIn(fx.programDir(), fx, originals);
}

// While A's skirmish is exported, program folder B refuses the game folder
// however the two folders are named: B's start and Start Game name A and
// the record, nothing in the game folder changes, and A's End Game puts the
// originals back.
TEST(SessionRecord, AnotherProgramFolderSeesTheRecordOnEveryRoad) {
    struct Case {
        const char* name;
        const char* programA;   // under the fixture's folder
        const char* programB;   // under the fixture's folder
        bool bTypesUpperCase;   // B's game folder typed in upper case
        bool moveAAndInstallB;  // A moved away, B installed at A's old path
    };
    const std::vector<Case> cases{
        {"the game folder typed in another case", "program", "program-b", true, false},
        {"program folders whose paths hold a line break", "prog\nA", "prog\nB", false, false},
        {"a literal %0A, and a line break at the same place", "prog%0AX", "prog\nX", false, false},
        {"a new install at a moved install's old path", "program", "program", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        const fs::path root = fx.programDir().parent_path();
        std::string upper = fx.gameDir().filename().string();
        for (char& ch : upper) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        const std::string bGame =
            c.bTypesUpperCase ? (root / upper).string() : fx.gameDir().string();
        fs::path a = programFolderAt(root / c.programA, fx.gameDir().string());
        const Snapshot originals = snapshot(fx.gameDir());
        {
            std::unique_ptr<Driver> runA = startAt(a);
            exportEasy(*runA);
            leave(*runA);
        }
        const fs::path startedIn = a;
        if (c.moveAAndInstallB) {
            fs::rename(a, root / "program-moved");
            a = root / "program-moved";
        }
        const fs::path b = programFolderAt(root / c.programB, bGame);
        const Snapshot exported = snapshot(fx.gameDir());
        {
            std::unique_ptr<Driver> runB = startGameAt(b);
            ASSERT_EQ(runB->messages().size(), 2u);  // at the start, and at Start Game
            for (const auto& message : runB->messages()) {
                EXPECT_EQ(message.title, "Error- File Backup");
                EXPECT_TRUE(contains(message.prompt, app::Printable(startedIn.string())))
                    << message.prompt;
                EXPECT_TRUE(contains(message.prompt, recordOf(fx).string())) << message.prompt;
            }
            EXPECT_FALSE(fs::exists(b / "BACKUP" / "backup.source"));
        }
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), exported));
        endGameIn(a, fx, originals);
    }
}

// A record whose path can name no folder locks nobody out: it is said once
// and removed, and the start backs the game folder up.
TEST(SessionRecord, RecordNamingNoPossibleFolderIsStale) {
    std::string hexWords;
    while (hexWords.size() < 629) {
        hexWords += "deadbeef ";
    }
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases{
        {"hex words on one line", hexWords + "\r\n"},
        {"a name over the system's limit", "/tmp/" + std::string(300, 'x') + "\r\n1 2\r\n"},
        {"no full path", "program\r\n"},
        {"empty", "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        writeFile(recordOf(fx), c.text);
        for (int start = 1; start <= 2; ++start) {
            std::unique_ptr<Driver> run = startAt(fx.programDir());
            ASSERT_EQ(run->messages().size(), start == 1 ? 1u : 0u);
            if (start == 1) {
                EXPECT_EQ(run->messages()[0].style, kInformation);
            }
            EXPECT_FALSE(fs::exists(recordOf(fx)));
            EXPECT_TRUE(fs::exists(fx.programDir() / "BACKUP" / "backup.source"));
        }
    }
}

// A record that cannot be read is refused, and the message names it and
// says what is wrong with it.
TEST(SessionRecord, UnreadableRecordSaysWhatIsWrongWithIt) {
    struct Case {
        const char* name;
        std::function<void(const ProgramFixture&, FileFaults&)> spoil;
        const char* says;
    };
    const std::vector<Case> cases{
        {"a folder in its place",
         [](const ProgramFixture& fx, FileFaults&) { fs::create_directory(recordOf(fx)); },
         "is not a file, where Zekvarin Skirmish Mode keeps the record"},
        {"access denied",
         [](const ProgramFixture& fx, FileFaults& faults) {
             writeFile(recordOf(fx), "");
             faults.access("zekskirmish.session", EACCES);
         },
         "Allow Zekvarin Skirmish Mode to read that file"},
        {"a failing disk",
         [](const ProgramFixture& fx, FileFaults& faults) {
             writeFile(recordOf(fx), "");
             faults.access("zekskirmish.session", EIO);
         },
         "Make sure that file can be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture fx;
        FileFaults faults;
        c.spoil(fx, faults);
        const Snapshot before = snapshot(fx.gameDir());
        fx.start();
        ASSERT_EQ(fx.driver().messages().size(), 1u);
        const auto& message = fx.driver().messages()[0];
        EXPECT_EQ(message.title, "Error- File Backup");
        EXPECT_TRUE(contains(message.prompt, recordOf(fx).string())) << message.prompt;
        EXPECT_TRUE(contains(message.prompt, c.says)) << message.prompt;
        EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), before));
        EXPECT_FALSE(fs::exists(fx.programDir() / "BACKUP" / "backup.source"));
    }
}

// An error of a kind the runtime does not raise itself, right after the
// export put its first file in place, leaves the session on record: the
// exported file is not taken for an original, and End Game puts it back.
TEST(SessionRecord, AnyErrorAfterTheFirstExportedFileKeepsTheSession) {
    ProgramFixture fx;
    const Snapshot originals = snapshot(fx.gameDir());
    fx.start();
    const std::string exported = (fx.gameDir() / "language" / "lang00.dat").string();
    bool thrown = false;
    {
        FileSteps steps([&](const platform::FileEvent& event) {
            if (!thrown && event.step == platform::FileStep::Rename && event.target == exported) {
                thrown = true;
                throw std::bad_alloc();
            }
        });
        fx.driver()
            .click("Main", "Start")
            .click("frmdifficulty", "easy")
            .click("frmdifficulty", "cancel")
            .run();
    }
    ASSERT_TRUE(thrown);
    EXPECT_EQ(fx.driver().messages().back().title, "Error- Exporting Settings to Zekvarin");
    EXPECT_TRUE(fs::exists(markerOf(fx.programDir())));
    EXPECT_TRUE(fs::exists(recordOf(fx)));
    leave(fx.driver());
    endGameIn(fx.programDir(), fx, originals);
}

// A game folder path too long to look up is a game folder that is not
// valid: the start asks for the folder again and says why.
TEST(SessionRecord, GameFolderPathTooLongIsAskedForAgain) {
    std::string deep;
    while (deep.size() < 10000) {
        deep += "/dddddddd";
    }
    for (const std::string& tail : {deep, "/" + std::string(300, 'n')}) {
        ProgramFixture fx(false);
        fx.configure(fx.gameDir().string() + tail);
        fx.start();
        ASSERT_EQ(fx.driver().messages().size(), 1u);
        const auto& message = fx.driver().messages()[0];
        EXPECT_EQ(message.title, "Critical Error- File Backup");
        EXPECT_TRUE(contains(message.prompt, "File name too long"))
            << message.prompt.substr(0, 300);
        EXPECT_TRUE(contains(message.prompt, "Please choose the Zekvarin directory again"));
        EXPECT_FALSE(contains(message.prompt, "record"));
        EXPECT_TRUE(testing_support::shown("frmfirstload"));
    }
}

}  // namespace
