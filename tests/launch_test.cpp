// Launching the game: the launch-wait form's five seconds, the search for
// the game's launcher with real processes, and where its log goes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "forms/Runtime.h"
#include "platform/Launcher.h"
#include "standin/StandIn.h"
#include "support/SkirmishFixture.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using forms::headless::Driver;
using testing_support::awaitLog;
using testing_support::gameRunningState;
using testing_support::kCommandLine;
using testing_support::kExclamation;
using testing_support::kMinimizedFocus;
using testing_support::loaded;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::shown;
using testing_support::Skirmish;
using testing_support::TempDir;

// A launcher that notes the virtual time of every attempt.
class ClockLauncher : public platform::Launcher {
public:
    explicit ClockLauncher(Driver& driver) : driver_(driver) {}
    double run(const std::string& commandLine, int windowStyle) override {
        at.push_back(driver_.now());
        commandLines.push_back(commandLine);
        styles.push_back(windowStyle);
        if (failing) {
            throw forms::RuntimeError(forms::err::FileNotFound, "File not found");
        }
        return 1;
    }
    std::vector<long long> at;
    std::vector<std::string> commandLines;
    std::vector<int> styles;
    bool failing = false;

private:
    Driver& driver_;
};

TEST_F(Skirmish, GameIsLaunchedFiveSecondsAfterTheWaitFormLoads) {
    ClockLauncher launcher(d);
    platform::setLauncher(&launcher);
    fx.start();
    long long loadedAt = -1;
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .then([&] {
            loadedAt = d.now();
            EXPECT_TRUE(shown("frmrungame"));
        })
        .wait(4999)
        .then([&] {
            EXPECT_TRUE(launcher.at.empty());
            EXPECT_TRUE(shown("frmrungame"));
            EXPECT_TRUE(loaded("frmdifficulty"));
        })
        .wait(1)
        .then([&] {
            ASSERT_EQ(launcher.at.size(), 1u);
            EXPECT_EQ(launcher.at[0], loadedAt + 5000);
            EXPECT_FALSE(loaded("frmrungame"));
            EXPECT_FALSE(loaded("frmdifficulty"));
        })
        .wait(60000);
    d.run();
    ASSERT_EQ(launcher.at.size(), 1u);
    EXPECT_EQ(launcher.commandLines[0], kCommandLine);
    EXPECT_EQ(launcher.styles[0], kMinimizedFocus);
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
    EXPECT_TRUE(gameRunningState());
}

TEST_F(Skirmish, FailedLaunchIsReportedOnceAndNotRetried) {
    ClockLauncher launcher(d);
    launcher.failing = true;
    platform::setLauncher(&launcher);
    fx.start();
    long long loadedAt = -1;
    d.click("Main", "Start")
        .click("frmdifficulty", "easy")
        .then([&] { loadedAt = d.now(); })
        .wait(5000)
        .wait(20000)  // with the message box still open
        .ok();
    d.run();
    EXPECT_EQ(launcher.at.size(), 1u);
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].style, kExclamation);
    EXPECT_EQ(d.messages()[0].title, "Error- Running Zekvarin");
    EXPECT_EQ(d.messages()[0].prompt,
              "Zekvarin Skirmish Mode was unable to run Zekvarin.  Please start it manually from "
              "the start menu.");
    EXPECT_EQ(d.messages()[0].atMs, loadedAt + 5000);
    EXPECT_EQ(d.now(), loadedAt + 25000);
    EXPECT_FALSE(loaded("frmrungame"));
    EXPECT_FALSE(loaded("frmdifficulty"));
    EXPECT_TRUE(gameRunningState());
    EXPECT_TRUE(fs::exists(marker()));
}

// ---- Finding the game's launcher, with real processes

class LauncherSearch : public ::testing::Test {
protected:
    void SetUp() override {
        for (const fs::path* dir : {&programDir, &currentDir, &pathDir, &gameDir}) {
            fs::create_directories(*dir);
        }
        savedCwd = fs::current_path();
        fs::current_path(currentDir);
        if (const char* path = std::getenv("PATH")) {
            savedPath = path;
        }
        if (const char* log = std::getenv("ZEK_LAUNCH_LOG")) {
            savedLog = log;
        }
        ::unsetenv("ZEK_LAUNCH_LOG");
        ::setenv("PATH", (pathDir.string() + ":" + savedPath.value_or("/usr/bin:/bin")).c_str(), 1);
    }
    void TearDown() override {
        fs::current_path(savedCwd);
        if (savedPath) {
            ::setenv("PATH", savedPath->c_str(), 1);
        } else {
            ::unsetenv("PATH");
        }
        if (savedLog) {
            ::setenv("ZEK_LAUNCH_LOG", savedLog->c_str(), 1);
        }
    }

    TempDir root;
    fs::path programDir = root.path() / "program";
    fs::path currentDir = root.path() / "current";
    fs::path pathDir = root.path() / "path";
    fs::path gameDir = root.path() / "game";
    fs::path savedCwd;
    std::optional<std::string> savedPath;
    std::optional<std::string> savedLog;
};

TEST_F(LauncherSearch, ProgramFolderThenCurrentFolderThenPathButNeverTheGameFolder) {
    for (const fs::path* dir : {&programDir, &currentDir, &pathDir, &gameDir}) {
        standin::writeLauncher(*dir / "gxexec.exe");
    }
    platform::ProcessLauncher launcher([this] { return programDir.string(); });
    for (const fs::path* winner : {&programDir, &currentDir, &pathDir}) {
        SCOPED_TRACE(winner->string());
        EXPECT_EQ(platform::findProgram("gxexec.exe", programDir.string()),
                  (*winner / "gxexec.exe").string());
        launcher.run(kCommandLine, kMinimizedFocus);
        EXPECT_EQ(awaitLog(*winner / "gxexec.log"), "zek3.exe /RUNGAME\n");
        fs::remove(*winner / "gxexec.exe");
    }
    for (const fs::path* dir : {&programDir, &currentDir, &pathDir}) {
        EXPECT_EQ(readFile(*dir / "gxexec.log"), "zek3.exe /RUNGAME\n") << dir->string();
    }

    // Only the game folder has one now.
    EXPECT_EQ(platform::findProgram("gxexec.exe", programDir.string()), "");
    testing::internal::CaptureStderr();
    try {
        launcher.run(kCommandLine, kMinimizedFocus);
        ADD_FAILURE() << "a launcher only in the game folder was started";
    } catch (const forms::RuntimeError& error) {
        EXPECT_EQ(error.Number(), 53);
    }
    // One line for whoever started the program: what was looked for, where.
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    for (const fs::path* dir : {&programDir, &currentDir, &pathDir}) {
        EXPECT_NE(report.find(dir->string()), std::string::npos) << report;
    }
    EXPECT_NE(report.find("\"gxexec.exe\""), std::string::npos) << report;
    EXPECT_FALSE(fs::exists(gameDir / "gxexec.log"));
}

TEST_F(LauncherSearch, LaunchLogGoesWhereTheEnvironmentSays) {
    standin::writeLauncher(programDir / "gxexec.exe");
    const fs::path log = root.path() / "launches.log";
    ::setenv("ZEK_LAUNCH_LOG", log.c_str(), 1);
    platform::ProcessLauncher launcher([this] { return programDir.string(); });
    launcher.run(kCommandLine, kMinimizedFocus);
    EXPECT_EQ(awaitLog(log), "zek3.exe /RUNGAME\n");
    ::unsetenv("ZEK_LAUNCH_LOG");
    EXPECT_FALSE(fs::exists(programDir / "gxexec.log"));
}

TEST(LaunchFromStartGame, RealLauncherStartsTheOneInTheProgramFolder) {
    ProgramFixture fx;
    std::optional<std::string> savedLog;
    if (const char* log = std::getenv("ZEK_LAUNCH_LOG")) {
        savedLog = log;
    }
    ::unsetenv("ZEK_LAUNCH_LOG");
    standin::writeLauncher(fx.programDir() / "gxexec.exe");
    platform::ProcessLauncher launcher([] { return forms::App().Path; });
    platform::setLauncher(&launcher);
    fx.start();
    fx.driver().click("Main", "Start").click("frmdifficulty", "easy");
    fx.driver().run();
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    EXPECT_EQ(awaitLog(fx.programDir() / "gxexec.log"), "zek3.exe /RUNGAME\n");
    EXPECT_FALSE(fs::exists(fx.gameDir() / "gxexec.log"));
    if (savedLog) {
        ::setenv("ZEK_LAUNCH_LOG", savedLog->c_str(), 1);
    }
}

}  // namespace
