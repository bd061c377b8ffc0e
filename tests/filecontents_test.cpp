// Folders and file contents on the real file system, each test in its own
// temporary folder: making a folder, fixed-length records and text files.
#include "platform/FileContents.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "forms/Error.h"
#include "platform/Folders.h"
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
