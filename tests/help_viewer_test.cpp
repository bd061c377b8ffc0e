// The compiled help reader on the shipped help file, and the help viewer's
// commands as the headless back end records them.
#include <gtest/gtest.h>

#include "app/Main.h"
#include "forms/headless/Headless.h"
#include "help/HTMLHelp.h"
#include "platform/ChmHelpViewer.h"
#include "platform/CompiledHelp.h"
#include "support/TestSupport.h"

namespace {

using namespace platform;
using forms::HelpPane;
using testing_support::TempDir;
namespace fs = std::filesystem;

const fs::path kSources = ZEK_HELP_SOURCE_DIR;
const fs::path kShipped = kSources / "zekskirmishhelp.chm";

// ---- The reader

TEST(CompiledHelp, ShippedFileHoldsEverySourceFileUnchanged) {
    auto help = CompiledHelp::open(kShipped.string());
    ASSERT_NE(help, nullptr);
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kSources)) {
        std::string ext = entry.path().extension().string();
        if (entry.path().filename() != "CMakeLists.txt" &&
            (ext == ".htm" || ext == ".css" || ext == ".png" || ext == ".txt" || ext == ".hhc" ||
             ext == ".hhk")) {
            auto inside = help->read("/" + entry.path().filename().string());
            ASSERT_TRUE(inside) << entry.path() << " is missing: run scripts/build-help";
            EXPECT_EQ(*inside, testing_support::readFile(entry.path()))
                << entry.path()
                << " changed since the help file was compiled: run scripts/build-help";
            ++checked;
        }
    }
    EXPECT_GE(checked, 10);
}

TEST(CompiledHelp, ShippedFileTitleContentsIndexAndContextMap) {
    auto help = CompiledHelp::open(kShipped.string());
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), "Zekvarin Skirmish Mode Help");
    EXPECT_EQ(help->defaultPage(), "/welcome.htm");

    const auto& contents = help->contents();
    ASSERT_EQ(contents.size(), 2u);
    EXPECT_EQ(contents[0].name, "Zekvarin Skirmish Mode");
    ASSERT_EQ(contents[0].children.size(), 6u);
    EXPECT_EQ(contents[0].children[1].name, "Editing the skirmish settings");
    EXPECT_EQ(contents[0].children[1].page, "/editor.htm");
    ASSERT_FALSE(contents[1].children.empty());
    ASSERT_FALSE(contents[1].children[0].children.empty());
    EXPECT_EQ(contents[1].children[0].page, "/messages.htm#startup");
    EXPECT_EQ(contents[1].children[0].children[0].page, "/messages.htm#running-twice");
    EXPECT_TRUE(help->read(contents[1].children[0].page)) << "an anchor names its page";

    EXPECT_EQ(help->pageForKeyword("FOG OF WAR"), "/editor.htm");
    EXPECT_EQ(help->pageForKeyword("Error- Running Zekvarin"), "/messages.htm#running");
    EXPECT_EQ(help->pageForKeyword("fog"), std::nullopt);

    EXPECT_EQ(help->pageForContext(1030), "/startgame.htm");
    EXPECT_EQ(help->pageForContext(1070), "/messages.htm");
    EXPECT_EQ(help->pageForContext(1), std::nullopt);

    auto picture = help->read("/MAIN-WINDOW.PNG");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(help->read("/nothing.htm"), std::nullopt);
}

TEST(CompiledHelp, WhatIsNotCompiledHelpOpensAsNothing) {
    TempDir dir;
    std::string shipped = testing_support::readFile(kShipped);
    const std::pair<const char*, std::string> cases[] = {
        {"empty.chm", ""},
        {"text.chm", "This is no help file.\r\n"},
        {"header-only.chm", shipped.substr(0, 64)},
        {"cut.chm", shipped.substr(0, 300)},
    };
    for (const auto& [name, bytes] : cases) {
        testing_support::writeFile(dir.path() / name, bytes);
        EXPECT_EQ(CompiledHelp::open((dir.path() / name).string()), nullptr) << name;
    }
    EXPECT_EQ(CompiledHelp::open((dir.path() / "missing.chm").string()), nullptr);
    EXPECT_EQ(CompiledHelp::open(dir.str()), nullptr) << "a folder";
}

TEST(CompiledHelp, SitemapNestingLooseTagsAndEntities) {
    auto topics = parseSitemap(R"(<html><body>
<OBJECT type="text/site properties"><param name="Name" value="not an entry"></OBJECT>
<ul>
 <li><object type="text/sitemap"><param name=Name value=Start><param name="Local" value="a\b.htm"></object>
 <ul><!-- <li><object type="text/sitemap"><param name="Name" value="commented"></object> -->
   <LI><OBJECT TYPE="text/sitemap"><PARAM NAME="name" VALUE="Fog &amp; God"><param name="Local" value='c.htm#x'><param name="Local" value="d.htm"></OBJECT>
 </ul>
 <li><object type="text/sitemap"><param name="Name" value="Heading"></object>
</ul></body></html>)");
    std::vector<forms::HelpTopic> expected{
        {"Start", "/a/b.htm", {{"Fog & God", "/c.htm#x", {}}}},
        {"Heading", "", {}},
    };
    EXPECT_EQ(topics, expected);
}

TEST(CompiledHelp, PopupTopicsByNumber) {
    const std::string file =
        "ignored\r\n.topic 1\r\nFirst line\r\nsecond line\r\n\r\n.topic 20\nLast";
    EXPECT_EQ(popupTopic(file, 1), "First line\nsecond line");
    EXPECT_EQ(popupTopic(file, 20), "Last");
    EXPECT_EQ(popupTopic(file, 2), std::nullopt);
    EXPECT_EQ(popupTopic("", 0), std::nullopt);
    EXPECT_EQ(popupTopic(".topic IDH_NAME\nx", 0), std::nullopt);
}

// ---- The viewer on the headless back end

class Viewer : public ::testing::Test {
protected:
    void SetUp() override { fs::copy_file(kShipped, dir_.path() / "zekskirmishhelp.chm"); }

    // The help file as the program names it: "\" before the file name.
    std::string file(const std::string& suffix = "") const {
        return dir_.str() + "\\zekskirmishhelp.chm" + suffix;
    }
    const std::vector<forms::headless::HelpWindowRecord>& windows() {
        return driver_.backend().helpWindows();
    }

    TempDir dir_;
    forms::headless::Driver driver_;
    ChmHelpViewer viewer_;
};

TEST_F(Viewer, EachCommandShowsItsPageAndPane) {
    auto link = [](OptionalText keywords, OptionalText url = std::nullopt) {
        HH_AKLINK record;
        record.cbStruct = 28;
        record.pszKeywords = std::move(keywords);
        record.pszUrl = std::move(url);
        record.pszMsgText = "No topic found";  // shown only when nothing opens
        return record;
    };
    struct Case {
        unsigned command;
        HelpData data;
        std::string page;
        HelpPane pane;
    };
    const Case cases[] = {
        {HH_DISPLAY_TOC, 0, "/welcome.htm", HelpPane::Contents},
        {HH_DISPLAY_TOPIC, std::string("/editor.htm"), "/editor.htm", HelpPane::Contents},
        {HH_DISPLAY_TOPIC, std::string("endgame.htm"), "/endgame.htm", HelpPane::Contents},
        {HH_DISPLAY_TOPIC, 0, "/welcome.htm", HelpPane::Contents},
        {HH_HELP_CONTEXT, 1050, "/options.htm", HelpPane::Contents},
        {HH_HELP_CONTEXT, 9999, "/welcome.htm", HelpPane::Contents},
        {HH_DISPLAY_INDEX, 0, "/welcome.htm", HelpPane::Index},
        {HH_DISPLAY_SEARCH, HH_FTS_QUERY{32, 0, "", 0, 0, 0, 1, ""}, "/welcome.htm",
         HelpPane::Search},
        {HH_KEYWORD_LOOKUP, link("God Mode"), "/editor.htm", HelpPane::Contents},
        {HH_KEYWORD_LOOKUP, link("nothing; launcher"), "/startgame.htm", HelpPane::Contents},
        {HH_KEYWORD_LOOKUP, link("nothing", "options.htm"), "/options.htm", HelpPane::Contents},
        {HH_ALINK_LOOKUP, link("end game"), "/endgame.htm", HelpPane::Contents},
    };
    for (const Case& c : cases) {
        driver_.backend().closeHelpWindows();
        std::size_t before = windows().size();
        std::int32_t number = viewer_.HtmlHelp(0, file(">main"), c.command, c.data);
        SCOPED_TRACE("command " + std::to_string(c.command) + " -> " + c.page);
        ASSERT_EQ(windows().size(), before + 1);
        const auto& window = windows().back();
        EXPECT_NE(number, 0);
        EXPECT_EQ(window.number, number);
        EXPECT_EQ(window.page, c.page);
        EXPECT_EQ(window.pane, c.pane);
        EXPECT_TRUE(window.pageText) << "the page is in the file";
        EXPECT_EQ(window.book.title, "Zekvarin Skirmish Mode Help");
        EXPECT_EQ(window.owner, 0);
    }
    EXPECT_TRUE(driver_.messages().empty());
}

// A lookup that finds no topic and names no page opens nothing and shows
// the record's message, captioned with its title or else the program's.
TEST_F(Viewer, ALookupThatFindsNothingShowsOnlyTheRecordsMessage) {
    struct Case {
        unsigned command;
        OptionalText keywords, text, title;
        std::int32_t caller;
        std::string caption;  // of the box shown; none when empty
    };
    const Case cases[] = {
        {HH_KEYWORD_LOOKUP, "nothing", "No topic for that word.", "Lookup", 0, "Lookup"},
        {HH_ALINK_LOOKUP, std::nullopt, "No topic.", std::nullopt, 0x1004,
         "Zekvarin Skirmish Mode"},
        {HH_KEYWORD_LOOKUP, "", std::nullopt, "Lookup", 0, ""},
    };
    for (const Case& c : cases) {
        HH_AKLINK record{28, 0, c.keywords, std::nullopt, c.text, c.title, std::nullopt, 0};
        std::size_t before = driver_.messages().size();
        EXPECT_EQ(viewer_.HtmlHelp(c.caller, file(), c.command, record), 0);
        ASSERT_EQ(driver_.messages().size(), before + (c.caption.empty() ? 0 : 1));
        if (!c.caption.empty()) {
            const auto& box = driver_.messages().back();
            EXPECT_EQ(box.style, 48);
            EXPECT_EQ(box.title, c.caption);
            EXPECT_EQ(box.prompt, c.text);
            EXPECT_EQ(box.ownerless, c.caller == 0);
        }
    }
    EXPECT_TRUE(windows().empty());
}

TEST_F(Viewer, ATopicNamedInTheFileNameAndAMissingTopic) {
    viewer_.HtmlHelp(0x1004, file("::/messages.htm>win"), HH_DISPLAY_TOPIC, 0);
    EXPECT_EQ(windows().back().page, "/messages.htm");
    EXPECT_EQ(windows().back().owner, 0x1004);
    viewer_.HtmlHelp(0, file(), HH_DISPLAY_TOPIC, std::string("/missing.htm"));
    EXPECT_EQ(windows().back().page, "/missing.htm");
    EXPECT_EQ(windows().back().pageText, std::nullopt);
}

TEST_F(Viewer, TheSameFileRaisesItsOneWindowAnotherFileOpensASecond) {
    std::int32_t first = viewer_.HtmlHelp(0, file(), HH_DISPLAY_TOC, 0);
    std::int32_t again =
        viewer_.HtmlHelp(0, file(">other"), HH_DISPLAY_TOPIC, std::string("editor.htm"));
    EXPECT_EQ(again, first);
    ASSERT_EQ(windows().size(), 1u);
    EXPECT_EQ(windows()[0].shows, 2);
    EXPECT_EQ(windows()[0].page, "/editor.htm");

    fs::copy_file(kShipped, dir_.path() / "copy.chm");
    std::int32_t other = viewer_.HtmlHelp(0, dir_.str() + "/copy.chm", HH_DISPLAY_TOC, 0);
    EXPECT_NE(other, first);
    EXPECT_EQ(driver_.backend().openHelpWindows(), 2u);

    EXPECT_EQ(viewer_.HtmlHelp(0, "", HH_CLOSE_ALL, 0), 0);
    EXPECT_EQ(driver_.backend().openHelpWindows(), 0u);
    std::int32_t reopened = viewer_.HtmlHelp(0, file(), HH_DISPLAY_TOC, 0);
    EXPECT_NE(reopened, first) << "a closed window is not raised again";
    EXPECT_EQ(driver_.backend().openHelpWindows(), 1u);
}

TEST_F(Viewer, AFileThatIsNotCompiledHelpOpensNoWindow) {
    testing_support::writeFile(dir_.path() / "zekskirmishhelp.chm", "not a help file");
    fs::create_directory(dir_.path() / "folder.chm");
    for (const OptionalText& argument :
         {OptionalText(file()), OptionalText(dir_.str() + "\\missing.chm"),
          OptionalText(dir_.str() + "\\folder.chm"), OptionalText(""), OptionalText()}) {
        EXPECT_EQ(viewer_.HtmlHelp(0, argument, HH_DISPLAY_TOC, 0), 0)
            << argument.value_or("(null)");
    }
    EXPECT_TRUE(windows().empty());
}

TEST_F(Viewer, PopupsShowAGivenTextOrATopicOfATextFileInsideTheHelpFile) {
    auto popup = [](OptionalText text, std::uint32_t id) {
        HH_POPUP record;
        record.cbStruct = 50;
        record.idString = id;
        record.pszText = std::move(text);
        record.pt = {300, 200};
        record.rcMargins = {-1, -1, -1, -1};
        record.pszFont = "Arial, 10, ascii, ";
        return record;
    };
    struct Case {
        OptionalText file;
        HH_POPUP record;
        std::optional<std::string> shown;
    };
    const Case cases[] = {
        {std::nullopt, popup("Plain text", 0), "Plain text"},
        {file("::/popups.txt"), popup(std::nullopt, 3),
         "Puts the game's own files back from the backup. Close the game first."},
        {file("::/POPUPS.TXT"), popup(std::nullopt, 99), std::nullopt},
        {file("::/missing.txt"), popup(std::nullopt, 1), std::nullopt},
        {file(), popup(std::nullopt, 1), std::nullopt},
        {std::nullopt, popup("", 0), std::nullopt},
        {std::nullopt, popup(std::nullopt, 5), std::nullopt},
    };
    for (const Case& c : cases) {
        std::size_t before = driver_.backend().popups().size();
        std::int32_t number = viewer_.HtmlHelp(0x1008, c.file, HH_DISPLAY_TEXT_POPUP, c.record);
        SCOPED_TRACE(c.file.value_or("(null)") + " id " + std::to_string(c.record.idString));
        if (!c.shown) {
            EXPECT_EQ(number, 0);
            EXPECT_EQ(driver_.backend().popups().size(), before);
            continue;
        }
        EXPECT_NE(number, 0);
        ASSERT_EQ(driver_.backend().popups().size(), before + 1);
        const forms::HelpPopup& shown = driver_.backend().popups().back();
        EXPECT_EQ(shown.text, *c.shown);
        EXPECT_EQ(shown.x, 300);
        EXPECT_EQ(shown.y, 200);
        EXPECT_EQ(shown.owner, 0x1008);
        EXPECT_EQ(shown.fontName, "Arial");
        EXPECT_EQ(shown.fontSize, 10);
        EXPECT_EQ(shown.margins[0], -1);
    }
    EXPECT_TRUE(windows().empty()) << "a popup opens no help window";
}

TEST_F(Viewer, PopupColours) {
    struct Case {
        std::int32_t fore, back;
        std::optional<forms::Color> shownFore, shownBack;
    };
    const Case cases[] = {
        {0x0000FF, 0xE0FFFF, 0x0000FF, 0xE0FFFF},
        {0, 0, std::nullopt, std::nullopt},  // text and background alike: unreadable
        {-1, 0xFFFFFF, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        HH_POPUP record;
        record.pszText = "Text";
        record.clrForeground = c.fore;
        record.clrBackground = c.back;
        viewer_.HtmlHelp(0, std::nullopt, HH_DISPLAY_TEXT_POPUP, record);
        EXPECT_EQ(driver_.backend().popups().back().foreground, c.shownFore) << c.fore;
        EXPECT_EQ(driver_.backend().popups().back().background, c.shownBack) << c.back;
    }
}

TEST(PopupFont, FaceSizeAndStyles) {
    struct Case {
        const char* text;
        std::string name;
        double size;
        bool bold, italic, underline;
    };
    const Case cases[] = {
        {"Arial, 10, ascii, ", "Arial", 10, false, false, false},
        {"Arial, 10, ascii, Bold Italic Underline", "Arial", 10, true, true, true},
        {"Verdana, 12, ascii, underline", "Verdana", 12, false, false, true},
        {"Tahoma, big", "Tahoma", 10, false, false, false},
        {"", "", 10, false, false, false},
    };
    for (const Case& c : cases) {
        forms::HelpPopup popup;
        readPopupFont(c.text, popup);
        EXPECT_EQ(popup.fontName, c.name) << c.text;
        EXPECT_EQ(popup.fontSize, c.size) << c.text;
        EXPECT_EQ(popup.bold, c.bold) << c.text;
        EXPECT_EQ(popup.italic, c.italic) << c.text;
        EXPECT_EQ(popup.underline, c.underline) << c.text;
    }
}

// F1 on Main with the real viewer: the shipped file opens at its contents,
// a file of that name that is no compiled help opens nothing and says
// nothing.
TEST(HelpCommandWithTheRealViewer, ShippedFileOpensItsContentsAnythingElseNothing) {
    for (bool shipped : {true, false}) {
        SCOPED_TRACE(shipped ? "shipped file" : "not compiled help");
        testing_support::ProgramFixture program;
        fs::path file = program.programDir() / "zekskirmishhelp.chm";
        if (shipped) {
            fs::copy_file(kShipped, file, fs::copy_options::overwrite_existing);
        } else {
            testing_support::writeFile(file, "MZ not help");
        }
        ChmHelpViewer viewer;
        setHelpViewer(&viewer);
        program.start();
        program.driver().key("Main", "F1");
        program.driver().run();
        setHelpViewer(nullptr);
        const auto& windows = program.driver().backend().helpWindows();
        EXPECT_TRUE(program.driver().messages().empty());
        auto& main = forms::form<app::Main>();
        ASSERT_NE(main.hHelp, nullptr);
        if (!shipped) {
            EXPECT_TRUE(windows.empty());
            continue;
        }
        ASSERT_EQ(windows.size(), 1u);
        EXPECT_EQ(windows[0].page, "/welcome.htm");
        EXPECT_EQ(windows[0].pane, HelpPane::Contents);
        EXPECT_EQ(static_cast<help::HTMLHelp*>(main.hHelp.get())->HHWndHandle(), windows[0].number);
    }
}

}  // namespace
