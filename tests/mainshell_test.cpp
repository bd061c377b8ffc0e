// Main's shell: the focus and its tab order, the diagnostic button, File
// Exit and the refused close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Main.h"
#include "support/SkirmishFixture.h"
#include "support/TestSupport.h"

namespace {

using testing_support::levelFile;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::programHeader;
using testing_support::readFile;
using testing_support::Skirmish;

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

TEST_F(Skirmish, TestButtonIsReachedByKeyboardAndNamesLevelOne) {
    fx.start();
    app::Main& main = mainForm();
    d.then([&] { main.setFocus(&main.Exit2); })
        .key("Main", "Tab")
        .then([&] { EXPECT_EQ(main.ActiveControl(), &main.test); })
        .key("Main", "Space");
    d.run();
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].style, 0);
    EXPECT_EQ(d.messages()[0].title, "Zekvarin Skirmish Mode");
    EXPECT_EQ(d.messages()[0].prompt, G() + "\\levels\\levl2001.dat");
    // It lies below the client area: no mouse reaches it.
    d.click("Main", "test");
    EXPECT_THROW(d.run(), forms::headless::ScriptError);
}

}  // namespace
