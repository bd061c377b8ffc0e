// Start-up: the second-instance refusal, the first-run dialog and the
// configuration files the splash and Main read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/Main.h"
#include "app/frmSplash.h"
#include "app/frmfirstload.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::countFiles;
using testing_support::kCloseNotice;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::writeFile;

std::string configFailureText(const fs::path& programDir) {
    return "Zekvarin Skirmish Mode was unable to load its configuration files in " +
           programDir.string() +
           "\\CFG.  If the problem persists, try reinstalling the application." + kCloseNotice;
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

}  // namespace
