// The Options dialog and the checks on a game folder chosen there or in the
// first-run dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/frmOptions.h"
#include "app/frmfirstload.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::writeFile;

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

}  // namespace
