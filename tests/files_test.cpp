// File services on the real file system, each test in its own temporary
// folder: path mapping, whole-file copies, copy sets and removals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "forms/Error.h"
#include "platform/CopySet.h"
#include "platform/FileContents.h"
#include "platform/FileFaults.h"
#include "platform/FileOperation.h"
#include "platform/PathNotation.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::entriesOf;
using testing_support::errorOf;
using testing_support::makeReadOnly;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::varied;
using testing_support::writeFile;

bool ownerCanWrite(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

// ---- nativePath

TEST(NativePath, BackslashesBecomeSlashesAndCaseIsFoundAtEveryLevel) {
    TempDir dir;
    writeFile(dir.path() / "levels" / "levl2001.dat", "x");
    writeFile(dir.path() / "Game" / "data" / "Sub" / "Level.HDR", "y");

    EXPECT_EQ(platform::nativePath(dir.str() + "\\LEVELS\\Levl2001.DAT"),
              dir.str() + "/levels/levl2001.dat");
    EXPECT_EQ(platform::nativePath(dir.str() + "\\game\\DATA\\sub\\level.hdr"),
              dir.str() + "/Game/data/Sub/Level.HDR");
    EXPECT_EQ(platform::nativePath(dir.str() + "\\levels\\levl2001.dat"),
              dir.str() + "/levels/levl2001.dat");
}

TEST(NativePath, AnEntryInItsExactCaseIsTakenOverACaseVariant) {
    TempDir dir;
    writeFile(dir.path() / "data" / "a.txt", "lower");
    writeFile(dir.path() / "Data" / "a.txt", "upper");
    EXPECT_EQ(platform::nativePath(dir.str() + "\\data\\A.TXT"), dir.str() + "/data/a.txt");
    EXPECT_EQ(platform::nativePath(dir.str() + "\\Data\\A.TXT"), dir.str() + "/Data/a.txt");
    // With no exact match among several variants, the first in name order
    // wins, so the same text always names the same file.
    EXPECT_EQ(platform::nativePath(dir.str() + "\\DATA\\A.TXT"), dir.str() + "/Data/a.txt");
}

TEST(NativePath, AmongSeveralSpellingsTheFirstInNameOrderWins) {
    struct Row {
        std::set<std::string> entries;
        const char* asked;
        const char* found;
    };
    for (const Row& row : std::vector<Row>{
             {{"LEVL.DAT", "Levl.dat", "levl.DAT"}, "levl.dat", "LEVL.DAT"},
             {{"LEVL.DAT", "Levl.dat", "levl.DAT"}, "Levl.dat", "Levl.dat"},
             {{"Levl.dat", "levl.DAT"}, "LEVL.DAT", "Levl.dat"},
             {{"Levl.dat", "levl.DAT"}, "levl.dat", "Levl.dat"},
             {{"LEVL.DAT"}, "Levl.Dat", "LEVL.DAT"},
         }) {
        TempDir dir;
        for (const std::string& entry : row.entries) {
            writeFile(dir.path() / "levels" / entry, entry);
        }
        EXPECT_EQ(platform::nativePath(dir.str() + "\\LEVELS\\" + row.asked),
                  dir.str() + "/levels/" + row.found)
            << row.asked;
    }
}

TEST(NativePath, AMissingTailStaysAsWritten) {
    TempDir dir;
    writeFile(dir.path() / "levels" / "levl2001.dat", "x");
    // A new file in a found folder keeps its own case.
    EXPECT_EQ(platform::nativePath(dir.str() + "\\LEVELS\\NewFile.DAT"),
              dir.str() + "/levels/NewFile.DAT");
    // Past a missing folder nothing is looked up, even a name that exists
    // further down elsewhere.
    EXPECT_EQ(platform::nativePath(dir.str() + "\\Missing\\LEVELS\\Levl2001.DAT"),
              dir.str() + "/Missing/LEVELS/Levl2001.DAT");
}

TEST(NativePath, ADoubledSeparatorIsOneSeparator) {
    TempDir dir;
    writeFile(dir.path() / "levels" / "levl2001.dat", "x");
    EXPECT_EQ(platform::nativePath(dir.str() + "\\\\LEVELS\\\\LEVL2001.DAT"),
              dir.str() + "/levels/levl2001.dat");
    EXPECT_EQ(platform::nativePath(dir.str() + "/\\Levels/levl2001.dat"),
              dir.str() + "/levels/levl2001.dat");
}

// ---- copyFile

TEST(CopyFile, CopiesBytesExactly) {
    TempDir dir;
    const std::string small = "line one\r\nline two\r\n" + std::string("\0\x80\xFF", 3);
    const std::string large = varied(64 * 1024 * 3 + 17, 7);  // several buffers and a bit
    writeFile(dir.path() / "small.dat", small);
    writeFile(dir.path() / "large.dat", large);
    writeFile(dir.path() / "empty.dat", "");

    platform::copyFile(dir.str() + "/small.dat", dir.str() + "/small.copy");
    platform::copyFile(dir.str() + "/large.dat", dir.str() + "/large.copy");
    platform::copyFile(dir.str() + "/empty.dat", dir.str() + "/empty.copy");

    EXPECT_EQ(readFile(dir.path() / "small.copy"), small);
    EXPECT_EQ(readFile(dir.path() / "large.copy"), large);
    EXPECT_TRUE(fs::exists(dir.path() / "empty.copy"));
    EXPECT_EQ(fs::file_size(dir.path() / "empty.copy"), 0u);
    // The sources are as they were.
    EXPECT_EQ(readFile(dir.path() / "large.dat"), large);
}

TEST(CopyFile, ReplacesAnExistingDestinationWhole) {
    TempDir dir;
    const std::string shortBytes = "short";
    const std::string longBytes = varied(100000, 3);
    writeFile(dir.path() / "short.dat", shortBytes);
    writeFile(dir.path() / "long.dat", longBytes);

    // A shorter copy onto a longer file leaves nothing of the old tail.
    writeFile(dir.path() / "dest.dat", varied(200000, 9));
    platform::copyFile(dir.str() + "/short.dat", dir.str() + "/dest.dat");
    EXPECT_EQ(readFile(dir.path() / "dest.dat"), shortBytes);

    platform::copyFile(dir.str() + "/long.dat", dir.str() + "/dest.dat");
    EXPECT_EQ(readFile(dir.path() / "dest.dat"), longBytes);
}

TEST(CopyFile, FindsSourceAndDestinationInAnyCase) {
    TempDir dir;
    writeFile(dir.path() / "levels" / "levl2001.dat", "new");
    writeFile(dir.path() / "save" / "Levl2001.dat", "old");
    platform::copyFile(dir.str() + "\\LEVELS\\LEVL2001.DAT", dir.str() + "\\Save\\levl2001.DAT");
    EXPECT_EQ(readFile(dir.path() / "save" / "Levl2001.dat"), "new");
    // The existing entry was replaced, not joined by a second spelling.
    EXPECT_EQ(entriesOf(dir.path() / "save"), std::set<std::string>{"Levl2001.dat"});
}

TEST(CopyFile, OntoItselfLeavesTheFileIntact) {
    TempDir dir;
    const std::string bytes = varied(70000, 5);
    writeFile(dir.path() / "same.dat", bytes);
    platform::copyFile(dir.str() + "/same.dat", dir.str() + "/same.dat");
    EXPECT_EQ(readFile(dir.path() / "same.dat"), bytes);
    // Also when the two texts differ only in case and separators.
    platform::copyFile(dir.str() + "\\SAME.DAT", dir.str() + "/same.dat");
    EXPECT_EQ(readFile(dir.path() / "same.dat"), bytes);
    EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"same.dat"});
}

TEST(CopyFile, ReadOnlyDestinationIsNotReplaced) {
    TempDir dir;
    writeFile(dir.path() / "source.dat", "new content");
    writeFile(dir.path() / "locked.dat", "old");
    makeReadOnly(dir.path() / "locked.dat");
    EXPECT_EQ(
        errorOf([&] { platform::copyFile(dir.str() + "/source.dat", dir.str() + "/locked.dat"); }),
        forms::err::PermissionDenied);
    EXPECT_EQ(readFile(dir.path() / "locked.dat"), "old");
    EXPECT_FALSE(ownerCanWrite(dir.path() / "locked.dat"));
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"source.dat", "locked.dat"}));
}

TEST(CopyFile, TheCopyOfAReadOnlySourceIsWritable) {
    TempDir dir;
    writeFile(dir.path() / "source.dat", "content");
    makeReadOnly(dir.path() / "source.dat");
    platform::copyFile(dir.str() + "/source.dat", dir.str() + "/copy.dat");
    EXPECT_EQ(readFile(dir.path() / "copy.dat"), "content");
    EXPECT_TRUE(ownerCanWrite(dir.path() / "copy.dat"));
    // And the program itself can write it again.
    platform::writeRecord(dir.str() + "/copy.dat", "C");
    EXPECT_EQ(readFile(dir.path() / "copy.dat"), "Content");
}

TEST(CopyFile, FailuresNameWhatIsMissing) {
    TempDir dir;
    writeFile(dir.path() / "source.dat", "content");
    EXPECT_EQ(
        errorOf([&] { platform::copyFile(dir.str() + "/nothing.dat", dir.str() + "/copy.dat"); }),
        forms::err::FileNotFound);
    EXPECT_EQ(errorOf([&] {
                  platform::copyFile(dir.str() + "/source.dat", dir.str() + "/nofolder/copy.dat");
              }),
              forms::err::PathNotFound);
    // A folder in place of the source or the destination cannot be opened.
    fs::create_directory(dir.path() / "folder");
    EXPECT_NE(errorOf([&] { platform::copyFile(dir.str() + "/folder", dir.str() + "/copy.dat"); }),
              0);
    EXPECT_NE(
        errorOf([&] { platform::copyFile(dir.str() + "/source.dat", dir.str() + "/folder"); }), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
    EXPECT_TRUE(fs::is_empty(dir.path() / "folder"));
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"source.dat", "folder"}));
}

TEST(CopyFile, AnInterruptedCopyKeepsTheOldDestinationAndLeavesNoTemporary) {
    TempDir dir;
    const std::string source = varied(150000, 11);
    const std::string old = varied(90000, 13);
    writeFile(dir.path() / "src" / "level.dat", source);
    writeFile(dir.path() / "dst" / "level.dat", old);
    {
        testing_support::FileFaults fault;
        fault.copy({[](const std::string&, const std::string& destination) {
                        return destination.find("dst") != std::string::npos;
                    },
                    70000});
        EXPECT_NE(errorOf([&] {
                      platform::copyFile(dir.str() + "/src/level.dat",
                                         dir.str() + "/dst/level.dat");
                  }),
                  0);
        EXPECT_EQ(readFile(dir.path() / "dst" / "level.dat"), old);
        EXPECT_EQ(entriesOf(dir.path() / "dst"), std::set<std::string>{"level.dat"});

        // A new destination is not left half-written either.
        EXPECT_NE(errorOf([&] {
                      platform::copyFile(dir.str() + "/src/level.dat", dir.str() + "/dst/new.dat");
                  }),
                  0);
        EXPECT_EQ(entriesOf(dir.path() / "dst"), std::set<std::string>{"level.dat"});

        // Copies the fault does not select go through.
        platform::copyFile(dir.str() + "/src/level.dat", dir.str() + "/src/other.dat");
        EXPECT_EQ(readFile(dir.path() / "src" / "other.dat"), source);
    }
    // With the fault gone the same copy succeeds.
    platform::copyFile(dir.str() + "/src/level.dat", dir.str() + "/dst/level.dat");
    EXPECT_EQ(readFile(dir.path() / "dst" / "level.dat"), source);
    EXPECT_EQ(entriesOf(dir.path() / "dst"), std::set<std::string>{"level.dat"});
}

TEST(CopyFile, AFaultAfterTheLastByteStillFailsTheCopy) {
    TempDir dir;
    writeFile(dir.path() / "a.dat", "tiny");
    writeFile(dir.path() / "b.dat", "previous");
    testing_support::FileFaults fault;
    fault.copy({[](const std::string&, const std::string&) { return true; }, 1000});
    EXPECT_NE(errorOf([&] { platform::copyFile(dir.str() + "/a.dat", dir.str() + "/b.dat"); }), 0);
    EXPECT_EQ(readFile(dir.path() / "b.dat"), "previous");
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"a.dat", "b.dat"}));
}

// ---- replacing a destination as a careful atomic writer does

TEST(CopyFile, ALinkedDestinationIsWrittenThroughAndStaysALink) {
    TempDir dir;
    writeFile(dir.path() / "source.dat", "new");
    writeFile(dir.path() / "real" / "target.dat", "old");
    fs::create_symlink("real/target.dat", dir.path() / "link.dat");
    fs::create_symlink(dir.path() / "link.dat", dir.path() / "chain.dat");

    platform::copyFile(dir.str() + "/source.dat", dir.str() + "/link.dat");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.dat"));
    EXPECT_EQ(readFile(dir.path() / "real" / "target.dat"), "new");

    // A link to a link, given in another case, ends at the same file.
    writeFile(dir.path() / "source.dat", "newer");
    platform::copyFile(dir.str() + "/source.dat", dir.str() + "/CHAIN.DAT");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "chain.dat"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.dat"));
    EXPECT_EQ(readFile(dir.path() / "real" / "target.dat"), "newer");
    EXPECT_EQ(entriesOf(dir.path() / "real"), std::set<std::string>{"target.dat"});

    // A read-only file behind a link is not replaced either.
    makeReadOnly(dir.path() / "real" / "target.dat");
    EXPECT_EQ(
        errorOf([&] { platform::copyFile(dir.str() + "/source.dat", dir.str() + "/link.dat"); }),
        forms::err::PermissionDenied);
    EXPECT_EQ(readFile(dir.path() / "real" / "target.dat"), "newer");
}

TEST(CopyFile, AReplacedFileKeepsItsModeAndANewOneGetsTheUsualMode) {
    TempDir dir;
    writeFile(dir.path() / "source.dat", "content");
    ::chmod((dir.path() / "source.dat").c_str(), 0600);
    for (mode_t mode : {0664, 0660, 0600, 0666, 0751}) {
        fs::path destination = dir.path() / "dest.dat";
        writeFile(destination, "old");
        ASSERT_EQ(::chmod(destination.c_str(), mode), 0);
        platform::copyFile(dir.str() + "/source.dat", destination.string());
        struct stat st {};
        ASSERT_EQ(::stat(destination.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(readFile(destination), "content");
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    platform::copyFile(dir.str() + "/source.dat", dir.str() + "/new.dat");
    struct stat st {};
    ASSERT_EQ(::stat((dir.path() / "new.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask);
}

// ---- CopySet

TEST(CopySet, RemovesOnlyItsOwnStaleTemporariesFromTheFoldersItCopiesInto) {
    TempDir dir;
    writeFile(dir.path() / "src" / "a.dat", "a");
    for (const char* stale : {".a.dat.zektmp-Xy12Ab", ".levl2001.dat.zektmp-000000"}) {
        writeFile(dir.path() / "dst" / stale, "left by a killed copy");
    }
    const std::set<std::string> others{".hidden", "notes.zektmp-abcdef", ".a.dat.zektmp-toolong1",
                                       ".zektmp-abcdef"};
    for (const std::string& other : others) {
        writeFile(dir.path() / "dst" / other, "not ours");
    }
    writeFile(dir.path() / "elsewhere" / ".b.dat.zektmp-abcdef", "a folder the set leaves alone");

    platform::copyFile(dir.str() + "/src/a.dat", dir.str() + "/dst/a.dat");

    std::set<std::string> expected = others;
    expected.insert("a.dat");
    EXPECT_EQ(entriesOf(dir.path() / "dst"), expected);
    EXPECT_EQ(entriesOf(dir.path() / "elsewhere"), std::set<std::string>{".b.dat.zektmp-abcdef"});
}

TEST(CopySet, DataReachesTheDiskBeforeAnyRenameAndTheFoldersAfterTheLast) {
    TempDir dir;
    for (const char* name : {"1.dat", "2.dat", "3.dat"}) {
        writeFile(dir.path() / "src" / name, name);
    }
    fs::create_directories(dir.path() / "a");
    fs::create_directories(dir.path() / "b");
    testing_support::FileSteps steps;
    platform::CopySet set;
    set.add(dir.str() + "/src/1.dat", dir.str() + "/a/1.dat");
    set.add(dir.str() + "/src/2.dat", dir.str() + "/b/2.dat");
    set.add(dir.str() + "/src/3.dat", dir.str() + "/a/3.dat");
    // Nothing is in place before the commit.
    EXPECT_FALSE(fs::exists(dir.path() / "a" / "1.dat"));
    set.commit(platform::CopySet::OnFailure::Stop);

    using platform::FileStep;
    std::vector<FileStep> order;
    std::vector<std::string> renamed;
    std::set<std::string> foldersSynced;
    for (const platform::FileEvent& event : steps.events) {
        order.push_back(event.step);
        if (event.step == FileStep::Rename) {
            renamed.push_back(event.target);
        } else if (event.step == FileStep::SyncFolder) {
            foldersSynced.insert(event.path);
        }
    }
    EXPECT_EQ(order, (std::vector<FileStep>{FileStep::Write, FileStep::Write, FileStep::Write,
                                            FileStep::SyncFileSystem, FileStep::Rename,
                                            FileStep::Rename, FileStep::Rename,
                                            FileStep::SyncFolder, FileStep::SyncFolder}));
    EXPECT_EQ(renamed, (std::vector<std::string>{dir.str() + "/a/1.dat", dir.str() + "/b/2.dat",
                                                 dir.str() + "/a/3.dat"}));
    EXPECT_EQ(foldersSynced, (std::set<std::string>{dir.str() + "/a", dir.str() + "/b"}));
    EXPECT_EQ(readFile(dir.path() / "b" / "2.dat"), "2.dat");
    EXPECT_EQ(set.placed(), 3u);
}

TEST(CopySet, AFailedRenameKeepsItsOriginalAndStopsOrIsSkipped) {
    TempDir dir;
    const std::vector<std::string> names{"1.dat", "2.dat", "3.dat"};
    // Runs a set of the three copies, then gives what each destination holds.
    auto run = [&](const std::function<void(platform::CopySet&)>& finish) {
        for (const std::string& name : names) {
            writeFile(dir.path() / "src" / name, "new");
            writeFile(dir.path() / "dst" / name, "old");
        }
        {
            platform::CopySet set;
            for (const std::string& name : names) {
                set.add(dir.str() + "/src/" + name, dir.str() + "/dst/" + name);
            }
            finish(set);
        }
        EXPECT_EQ(entriesOf(dir.path() / "dst"), std::set<std::string>(names.begin(), names.end()));
        std::vector<std::string> held;
        for (const std::string& name : names) {
            held.push_back(readFile(dir.path() / "dst" / name));
        }
        return held;
    };
    using Held = std::vector<std::string>;
    // The data of 2.dat is written and on disk; only its rename fails.
    testing_support::FileFaults fault;
    fault.copy({[](const std::string&, const std::string& destination) {
                    return destination.find("2.dat") != std::string::npos;
                },
                0, true});

    EXPECT_EQ(run([](platform::CopySet& set) {
                  EXPECT_NE(errorOf([&] { set.commit(platform::CopySet::OnFailure::Stop); }), 0);
                  EXPECT_EQ(set.placed(), 1u);
              }),
              (Held{"new", "old", "old"}));
    EXPECT_EQ(run([](platform::CopySet& set) {
                  EXPECT_EQ(set.commit(platform::CopySet::OnFailure::Skip),
                            std::vector<std::size_t>{1});
              }),
              (Held{"new", "old", "new"}));
    // A set given up before its commit changes nothing and leaves nothing.
    EXPECT_EQ(run([](platform::CopySet&) {}), (Held{"old", "old", "old"}));
}

TEST(RemoveFile, TheRemovalIsOnDiskWhenItReturns) {
    TempDir dir;
    writeFile(dir.path() / "save" / "old.dat", "x");
    testing_support::FileSteps steps;
    EXPECT_TRUE(platform::removeFile(dir.str() + "\\SAVE\\OLD.DAT"));
    EXPECT_FALSE(fs::exists(dir.path() / "save" / "old.dat"));
    ASSERT_EQ(steps.events.size(), 1u);
    EXPECT_EQ(steps.events[0].step, platform::FileStep::SyncFolder);
    EXPECT_EQ(steps.events[0].path, dir.str() + "/save");
}

// ---- FileOperation

TEST(FileOperation, ARemovedFileIsGoneBeforeItsFolderIsSynced) {
    TempDir dir;
    const fs::path file = dir.path() / "levels" / "Levl2001.dat";
    writeFile(file, "x");
    platform::FileOperation operation;
    std::vector<std::string> syncedWithTheFileGone;
    testing_support::FileSteps steps([&](const platform::FileEvent& event) {
        if (event.step == platform::FileStep::SyncFolder && !fs::exists(file)) {
            syncedWithTheFileGone.push_back(event.path);
        }
    });
    EXPECT_TRUE(operation.removeRegularFile(dir.str() + "\\levels\\levl2001.dat"));
    EXPECT_EQ(syncedWithTheFileGone, std::vector<std::string>{dir.str() + "/levels"});
}

TEST(FileOperation, AFileItRemovedIsNotFoundAgainAndOneItMakesInItsPlaceIs) {
    TempDir dir;
    writeFile(dir.path() / "levels" / "Levl2001.dat", "old");
    writeFile(dir.path() / "new.dat", "new");
    const std::string asked = dir.str() + "\\levels\\levl2001.dat";
    platform::FileOperation operation;
    ASSERT_TRUE(operation.removeRegularFile(asked));
    EXPECT_EQ(operation.entry(asked).kind, platform::FileOperation::Kind::Missing);
    EXPECT_FALSE(operation.fileExists(asked));
    // No entry stands for the name any more, so it maps as written.
    EXPECT_EQ(operation.nativePath(asked), dir.str() + "/levels/levl2001.dat");

    platform::CopySet set(operation);
    set.add(dir.str() + "/new.dat", asked);
    set.commit(platform::CopySet::OnFailure::Stop);
    EXPECT_TRUE(operation.fileExists(asked));
    EXPECT_EQ(entriesOf(dir.path() / "levels"), std::set<std::string>{"levl2001.dat"});
}

}  // namespace
