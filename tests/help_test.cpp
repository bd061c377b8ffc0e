// The Help command and the help-viewer class's core: properties, the
// contents display, the help file checks, its message boxes and its
// registry reads.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/Main.h"
#include "platform/Environment.h"
#include "platform/FileSearch.h"
#include "support/HelpFixture.h"

namespace {

using help::HTMLHelp;
using help::HTMLHelpProbe;
using platform::HH_DISPLAY_TOC;
namespace fs = std::filesystem;
using testing_support::HelpFixture;
using testing_support::kHelpCaption;
using testing_support::writeFile;

const std::string kNotThere =
    " does not exist.\nPlease make sure the correct path and file name "
    "have been specified.";

app::Main& mainForm() {
    return forms::form<app::Main>();
}

HTMLHelp* helpObject() {
    return static_cast<HTMLHelp*>(mainForm().hHelp.get());
}

// The program started and waiting on Main, with or without its help file.
class HelpCommand : public ::testing::Test, public HelpFixture {
protected:
    void startProgram(bool withHelpFile) {
        if (withHelpFile) {
            writeFile(helpFile(), "compiled help");
        } else {
            fs::remove(helpFile());
        }
        program.start();
        ASSERT_TRUE(mainForm().Visible());
        ASSERT_TRUE(messages().empty());
    }
    forms::headless::Driver& driver() { return program.driver(); }
};

void expectContentsCall(const platform::RecordingHelpViewer::Call& call, std::int32_t caller,
                        const std::string& file) {
    EXPECT_EQ(call.hwndCaller, caller);
    EXPECT_EQ(call.file, file);
    EXPECT_EQ(call.command, HH_DISPLAY_TOC);
    EXPECT_EQ(call.data, platform::HelpData(std::int32_t{0}));
}

// ---------------------------------------------------------------- Help command

TEST_F(HelpCommand, F1AndTheMenuItemShareOneObjectForMainsLife) {
    startProgram(true);
    EXPECT_EQ(mainForm().hHelp, nullptr);
    driver().key("Main", "F1");
    driver().run();
    HTMLHelp* first = helpObject();
    ASSERT_NE(first, nullptr);
    driver().menu("Main", "Help2");
    driver().run();
    EXPECT_EQ(helpObject(), first);
    EXPECT_EQ(mainForm().hHelp.use_count(), 1);
    ASSERT_EQ(viewer.calls.size(), 2u);
    for (const auto& call : viewer.calls) {
        expectContentsCall(call, 0, helpPath());
    }
    EXPECT_EQ(first->CHMFile(), helpPath());
    EXPECT_EQ(first->HHWndHandle(), viewer.result);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpCommand, AMissingHelpFileShowsOneWarningAndNothingElse) {
    startProgram(false);
    std::string fog = mainForm().Command1.Caption();
    driver().menu("Main", "Help2");
    driver().run();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].style, 48);
    EXPECT_EQ(messages()[0].title, kHelpCaption);
    EXPECT_EQ(messages()[0].prompt, "The file " + helpPath() + kNotThere);
    EXPECT_TRUE(messages()[0].ownerless);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_TRUE(program.launcher().launches.empty());
    EXPECT_EQ(mainForm().Command1.Caption(), fog);
    EXPECT_TRUE(mainForm().Start.Enabled());
    EXPECT_FALSE(fs::exists(helpFile()));
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpCommand, MainStaysUsableWhileTheWarningIsOpenAndHelpRunsAgainInsideIt) {
    startProgram(false);
    std::string fog = mainForm().Command1.Caption();
    auto& backend = driver().backend();
    driver().menu("Main", "Help2");
    // Inside the first box: Main takes a click, then the Help command again.
    driver().click("Main", "Command1").then([&] {
        EXPECT_EQ(backend.ownerlessBoxesOpen(), 1);
        EXPECT_NE(mainForm().Command1.Caption(), fog);
    });
    driver().key("Main", "F1").then([&] { EXPECT_EQ(backend.ownerlessBoxesOpen(), 2); }).ok();
    driver().then([&] { EXPECT_EQ(backend.ownerlessBoxesOpen(), 1); }).ok();
    driver().run();
    EXPECT_EQ(backend.ownerlessBoxesOpen(), 0);
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1].prompt, messages()[0].prompt);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_EQ(mainForm().hHelp.use_count(), 1);
}

TEST_F(HelpCommand, AFileThatIsNotCompiledHelpOpensNoWindowAndShowsNothing) {
    startProgram(true);
    viewer.result = 0;  // what the viewer answers for a file it cannot read
    driver().menu("Main", "Help2");
    driver().run();
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(helpObject()->HHWndHandle(), 0);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].prompt, "No HTML Help window handle to retrieve.");
}

TEST_F(HelpCommand, AViewerThatCannotBeLoadedEndsTheCommandSilently) {
    startProgram(true);
    viewer.raising = true;
    driver().key("Main", "F1");
    driver().run();
    EXPECT_EQ(viewer.calls.size(), 1u);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(driver().ended());
}

}  // namespace
