// The configuration files in the program folder's CFG folder: one line of
// text and CR LF, read back whole and stripped of its line end.
#include <gtest/gtest.h>

#include <string>

#include "app/ConfigFiles.h"
#include "forms/Error.h"
#include "forms/headless/Headless.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// A program folder with an empty CFG folder, and the runtime that names it
// as the application path.
class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() {
        fs::create_directory(dir.path() / "CFG");
        driver.app().Path = dir.str();
    }

    fs::path zekdirFile() const { return dir.path() / "CFG" / "zekdir.cfg"; }

    TempDir dir;
    forms::headless::Driver driver;
};

TEST_F(ConfigTest, WritingAddsCrLfAndNothingElse) {
    app::WriteConfigFile(app::kZekdirCfg, "C:\\Games");
    const std::string bytes = readFile(zekdirFile());
    EXPECT_EQ(bytes.size(), 10u);
    EXPECT_EQ(bytes, "C:\\Games\r\n");

    app::WriteConfigFile(app::kAppdirCfg, "");
    EXPECT_EQ(readFile(dir.path() / "CFG" / "appdir.cfg"), "\r\n");
    EXPECT_EQ(app::ReadConfigFile(app::kAppdirCfg), "\r\n");
    EXPECT_EQ(app::StripCrLf(app::ReadConfigFile(app::kAppdirCfg)), "");
}

TEST_F(ConfigTest, ReadingReturnsTheWholeContent) {
    writeFile(zekdirFile(), "D:\\Zek\r\nextra\r\n");
    EXPECT_EQ(app::ReadConfigFile(app::kZekdirCfg), "D:\\Zek\r\nextra\r\n");

    writeFile(zekdirFile(), "");
    EXPECT_EQ(app::ReadConfigFile(app::kZekdirCfg), "");
    EXPECT_EQ(app::StripCrLf(app::ReadConfigFile(app::kZekdirCfg)), "");
}

TEST_F(ConfigTest, ATrailingBackslashSurvivesTheRoundTrip) {
    app::WriteConfigFile(app::kZekdirCfg, "D:\\Games\\Zekvarin\\");
    EXPECT_EQ(readFile(zekdirFile()), "D:\\Games\\Zekvarin\\\r\n");
    EXPECT_EQ(app::StripCrLf(app::ReadConfigFile(app::kZekdirCfg)), "D:\\Games\\Zekvarin\\");
}

TEST_F(ConfigTest, WritingReplacesALongerOldContentWhole) {
    writeFile(zekdirFile(), "C:\\A much longer old directory that must not leave a tail\r\n");
    app::WriteConfigFile(app::kZekdirCfg, "E:\\Z");
    EXPECT_EQ(readFile(zekdirFile()), "E:\\Z\r\n");
}

TEST_F(ConfigTest, AMissingCfgFolderRaisesARuntimeError) {
    fs::remove_all(dir.path() / "CFG");
    EXPECT_THROW(app::ReadConfigFile(app::kZekdirCfg), forms::RuntimeError);
    EXPECT_THROW(app::WriteConfigFile(app::kZekdirCfg, "C:\\Games"), forms::RuntimeError);
    EXPECT_FALSE(fs::exists(dir.path() / "CFG"));
}

TEST_F(ConfigTest, AMissingFileRaisesARuntimeErrorOnRead) {
    EXPECT_THROW(app::ReadConfigFile(app::kZekdirCfg), forms::RuntimeError);
}

TEST_F(ConfigTest, TheProgramFolderIsTakenAfreshForEveryPath) {
    TempDir other;
    fs::create_directory(other.path() / "cfg");  // found whatever its case
    driver.app().Path = other.str();
    app::WriteConfigFile(app::kZekdirCfg, "F:\\Other");
    EXPECT_EQ(readFile(other.path() / "cfg" / "zekdir.cfg"), "F:\\Other\r\n");
    EXPECT_FALSE(fs::exists(zekdirFile()));
    EXPECT_EQ(app::ProgramDir(), other.str());
}

TEST(StripCrLf, RemovesEveryCrLfPairInOnePass) {
    struct Case {
        std::string text;
        std::string stripped;
    };
    const Case cases[] = {
        {"C:\\Games\r\n", "C:\\Games"},
        {"", ""},
        {"\r\n", ""},
        {"\r\n\r\n", ""},
        // One pass: the pair in the middle goes, the CR and LF around it
        // stay even though they now stand together.
        {"\r\r\n\n", "\r\n"},
        {"a\rb", "a\rb"},
        {"a\nb", "a\nb"},
        {"\n\r", "\n\r"},
        {"trailing\r", "trailing\r"},
        {"C:\\Ga\r\nmes\\Zek\r\n", "C:\\Games\\Zek"},
        {"\r\nlead", "lead"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::StripCrLf(c.text), c.stripped) << "text of " << c.text.size() << " bytes";
    }
}

}  // namespace
