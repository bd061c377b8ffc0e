// File services on the real file system, each test in its own temporary
// folder: path mapping, whole-file copies, folders, records and text files.
#include "platform/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <string>

#include "forms/Error.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::makeReadOnly;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// The error number a call raises, or 0 when it raises nothing.
template <class F>
int errorOf(F&& call) {
    try {
        call();
    } catch (const forms::RuntimeError& error) {
        return error.Number();
    }
    return 0;
}

std::set<std::string> entriesOf(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Bytes that no run of a repeating short pattern matches, so an offset or a
// dropped chunk shows up: each byte depends on its position and on a running
// value.
std::string varied(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed;
    for (std::size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<char>((value >> 16) & 0xFF);
    }
    return bytes;
}

bool ownerCanWrite(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

// Clears the copy fault however the test ends, so that it never leaks into
// the next test.
struct CopyFaultGuard {
    explicit CopyFaultGuard(platform::CopyFault fault) { platform::setCopyFault(std::move(fault)); }
    ~CopyFaultGuard() { platform::setCopyFault(std::nullopt); }
};

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
        CopyFaultGuard fault({[](const std::string&, const std::string& destination) {
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
    CopyFaultGuard fault({[](const std::string&, const std::string&) { return true; }, 1000});
    EXPECT_NE(errorOf([&] { platform::copyFile(dir.str() + "/a.dat", dir.str() + "/b.dat"); }), 0);
    EXPECT_EQ(readFile(dir.path() / "b.dat"), "previous");
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"a.dat", "b.dat"}));
}

// ---- makeFolder

TEST(MakeFolder, CreatesOneFolderAndFailsWhenItExistsOrItsParentIsMissing) {
    TempDir dir;
    platform::makeFolder(dir.str() + "\\save");
    EXPECT_TRUE(fs::is_directory(dir.path() / "save"));
    EXPECT_NE(errorOf([&] { platform::makeFolder(dir.str() + "\\save"); }), 0);
    // The existing folder in another case is the same folder.
    EXPECT_NE(errorOf([&] { platform::makeFolder(dir.str() + "\\SAVE"); }), 0);
    EXPECT_EQ(errorOf([&] { platform::makeFolder(dir.str() + "\\missing\\save"); }),
              forms::err::PathNotFound);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
    EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"save"});
}

// ---- readRecord / writeRecord

TEST(Records, OpeningAMissingFileCreatesItEmptyInAnExistingFolderOnly) {
    TempDir dir;
    EXPECT_EQ(platform::readRecord(dir.str() + "/new.dat", 6), std::string(6, '\0'));
    ASSERT_TRUE(fs::exists(dir.path() / "new.dat"));
    EXPECT_EQ(fs::file_size(dir.path() / "new.dat"), 0u);

    EXPECT_EQ(errorOf([&] { platform::readRecord(dir.str() + "/missing/new.dat", 6); }),
              forms::err::PathNotFound);
    EXPECT_EQ(errorOf([&] { platform::writeRecord(dir.str() + "/missing/new.dat", "abc"); }),
              forms::err::PathNotFound);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));

    platform::writeRecord(dir.str() + "/written.dat", "abc");
    EXPECT_EQ(readFile(dir.path() / "written.dat"), "abc");
}

TEST(Records, AShortFileReadsAsItsBytesThenNuls) {
    TempDir dir;
    writeFile(dir.path() / "short.dat", "AB\xF0");
    std::string record = platform::readRecord(dir.str() + "/short.dat", 8);
    EXPECT_EQ(record.size(), 8u);
    EXPECT_EQ(record, std::string("AB\xF0\0\0\0\0\0", 8));
    // Reading never lengthens the file.
    EXPECT_EQ(readFile(dir.path() / "short.dat"), "AB\xF0");
}

TEST(Records, ALongerFileReadsItsFirstBytesAndKeepsTheRestOnWrite) {
    TempDir dir;
    const std::string bytes = varied(1000, 21);
    writeFile(dir.path() / "long.dat", bytes);
    EXPECT_EQ(platform::readRecord(dir.str() + "/long.dat", 10), bytes.substr(0, 10));

    const std::string record = "0123456789";
    platform::writeRecord(dir.str() + "/long.dat", record);
    EXPECT_EQ(readFile(dir.path() / "long.dat"), record + bytes.substr(10));
}

TEST(Records, AReadOnlyFileCanBeReadButNotWritten) {
    TempDir dir;
    writeFile(dir.path() / "locked.dat", "locked bytes");
    makeReadOnly(dir.path() / "locked.dat");
    EXPECT_EQ(platform::readRecord(dir.str() + "/locked.dat", 6), "locked");
    EXPECT_NE(errorOf([&] { platform::writeRecord(dir.str() + "/locked.dat", "XXXX"); }), 0);
    EXPECT_EQ(readFile(dir.path() / "locked.dat"), "locked bytes");
}

TEST(Records, AFolderInPlaceOfTheFileCannotBeOpened) {
    TempDir dir;
    fs::create_directory(dir.path() / "rec.dat");
    EXPECT_NE(errorOf([&] { platform::readRecord(dir.str() + "/rec.dat", 4); }), 0);
    EXPECT_NE(errorOf([&] { platform::writeRecord(dir.str() + "/rec.dat", "abcd"); }), 0);
    EXPECT_TRUE(fs::is_empty(dir.path() / "rec.dat"));
}

// ---- text files

TEST(TextFiles, RoundTripLineEndsAndHighBytes) {
    TempDir dir;
    std::string text = "C:\\Games\\Zekvarin\r\nsecond\rlone\nend\r\n";
    for (int c = 0x80; c <= 0xFF; ++c) {
        text += static_cast<char>(c);
    }
    text += std::string("\0tail", 5);
    platform::writeTextFile(dir.str() + "\\cfg.txt", text);
    EXPECT_EQ(readFile(dir.path() / "cfg.txt"), text);
    EXPECT_EQ(platform::readTextFile(dir.str() + "\\CFG.TXT"), text);
}

TEST(TextFiles, WritingReplacesTheWholeContent) {
    TempDir dir;
    writeFile(dir.path() / "t.txt", varied(5000, 1));
    platform::writeTextFile(dir.str() + "/t.txt", "ab\r\n");
    EXPECT_EQ(readFile(dir.path() / "t.txt"), "ab\r\n");
    platform::writeTextFile(dir.str() + "/t.txt", "");
    EXPECT_EQ(platform::readTextFile(dir.str() + "/t.txt"), "");
    EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"t.txt"});
}

TEST(TextFiles, FailuresLeaveFilesAlone) {
    TempDir dir;
    EXPECT_EQ(errorOf([&] { platform::readTextFile(dir.str() + "/none.txt"); }),
              forms::err::FileNotFound);
    EXPECT_EQ(errorOf([&] { platform::readTextFile(dir.str() + "/none/x.txt"); }),
              forms::err::PathNotFound);
    EXPECT_EQ(errorOf([&] { platform::writeTextFile(dir.str() + "/none/x.txt", "x"); }),
              forms::err::PathNotFound);

    writeFile(dir.path() / "ro.txt", "keep");
    makeReadOnly(dir.path() / "ro.txt");
    EXPECT_NE(errorOf([&] { platform::writeTextFile(dir.str() + "/ro.txt", "changed"); }), 0);
    EXPECT_EQ(readFile(dir.path() / "ro.txt"), "keep");
    EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"ro.txt"});
}

}  // namespace
