// The help-viewer class's display operations, closing, What's-This mode, the
// help window's system menu and text popups.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Main.h"
#include "forms/Error.h"
#include "platform/FileSearch.h"
#include "platform/VersionServices.h"
#include "platform/WindowSystem.h"
#include "support/HelpFixture.h"

namespace {

using help::HTMLHelp;
using platform::HelpData;
using platform::HH_AKLINK;
using platform::HH_FTS_QUERY;
using platform::HH_POPUP;
using platform::OptionalText;
using Call = platform::RecordingHelpViewer::Call;
using testing_support::HelpFixture;
using testing_support::writeFile;

class HelpDisplay : public ::testing::Test, public HelpFixture {
protected:
    HelpDisplay() {
        writeFile(helpFile(), "compiled help");
        h.CHMFile(helpPath());
        platform::setVersionServices(&services);
    }
    ~HelpDisplay() override { platform::setVersionServices(nullptr); }

    void expectCall(const Call& call, std::int32_t caller, const OptionalText& file,
                    unsigned command, const HelpData& data) {
        EXPECT_EQ(call.hwndCaller, caller);
        EXPECT_EQ(call.file, file);
        EXPECT_EQ(call.command, command);
        EXPECT_EQ(call.data, data);
    }

    HTMLHelp h;
    platform::ScriptedVersionServices services;
};

HH_AKLINK lookup(const std::string& keywords, const OptionalText& window) {
    HH_AKLINK link;
    link.cbStruct = 28;
    link.pszKeywords = keywords;
    link.pszUrl = "default.htm";
    link.pszMsgText = "Not found";
    link.pszMsgTitle = "Lookup";
    link.pszWindow = window;
    return link;
}

// ---------------------------------------------------------------- display operations

// The window type joins the file for the plain displays and rides in the
// record for the lookups; blanks alone count as none.
TEST_F(HelpDisplay, EachOperationCallsTheViewerWithItsCommandFileAndData) {
    h.HHTopicURL("topics/start.htm");
    h.HHTopicID(4711);
    h.HHKeyword("spells");
    h.HHALink("huts");
    h.HHDefaultURL("default.htm");
    h.HHMsgText("Not found");
    h.HHMsgTitle("Lookup");
    h.HHShowOnTop(true);
    HH_FTS_QUERY search;
    search.cbStruct = 32;
    search.pszSearchQuery = "";
    search.fExecute = 1;
    search.pszWindow = "";

    const struct {
        std::string window;
        std::string suffix;     // after the file, for the plain displays
        OptionalText inRecord;  // the record's window, for the lookups
    } windows[] = {{"", "", std::nullopt}, {"   ", "", std::nullopt}, {"Main ", ">Main ", "Main "}};
    for (const auto& w : windows) {
        SCOPED_TRACE("window '" + w.window + "'");
        h.HHWindow(w.window);
        viewer.calls.clear();
        std::int32_t form = 77;
        h.HHDisplayTopicURL(form);
        h.HHDisplayTopicID(form);
        h.HHDisplaySearch(form);
        h.HHDisplayIndex(form);
        h.HHDisplayALink(form);
        h.HHDisplayKeyword(form);
        ASSERT_EQ(viewer.calls.size(), 7u);
        std::string fileArgument = helpPath() + w.suffix;
        expectCall(viewer.calls[0], 77, fileArgument, 0, std::string("topics/start.htm"));
        expectCall(viewer.calls[1], 77, fileArgument, 15, std::int32_t{4711});
        expectCall(viewer.calls[2], 77, fileArgument, 3, search);
        expectCall(viewer.calls[3], 77, fileArgument, 2, std::int32_t{0});
        expectCall(viewer.calls[4], 77, helpPath(), 19, lookup("huts", w.inRecord));
        expectCall(viewer.calls[5], 77, helpPath(), 0, std::int32_t{0});
        expectCall(viewer.calls[6], 77, helpPath(), 13, lookup("spells", w.inRecord));
    }
    // Not on top, or no form given: no caller.
    h.HHDisplayIndex();
    h.HHShowOnTop(false);
    h.HHDisplayALink(77);
    EXPECT_EQ(viewer.calls[7].hwndCaller, 0);
    EXPECT_EQ(viewer.calls[8].hwndCaller, 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(platform::openSearches(), 0u);
}

// Empty texts other than the keywords are left out of a lookup's record.
TEST_F(HelpDisplay, ALookupLeavesEmptyTextsOutButKeepsAnEmptyKeyword) {
    h.HHDisplayKeyword();
    h.HHDisplayALink();
    HH_AKLINK bare;
    bare.cbStruct = 28;
    bare.pszKeywords = "";
    ASSERT_EQ(viewer.calls.size(), 3u);
    EXPECT_EQ(viewer.calls[1].data, HelpData(bare));
    EXPECT_EQ(viewer.calls[2].data, HelpData(bare));
}

TEST_F(HelpDisplay, TheHandleFollowsEveryDisplayCallOnly) {
    viewer.results = {0x51, 0x52, 0};
    h.HHDisplayKeyword();
    EXPECT_EQ(h.HHWndHandle(), 0x52);
    h.HHDisplayTopicID();
    EXPECT_EQ(h.HHWndHandle(), 0);  // stored, and the read warns
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].prompt, "No HTML Help window handle to retrieve.");

    // Closing keeps the handle; a viewer that cannot be loaded skips each
    // call (the keyword lookup still tries its second) and keeps it too.
    viewer.results = {0x60, 0};
    h.HHDisplaySearch();
    h.HHClose();
    expectCall(viewer.calls.back(), 0, std::string(), 18, std::int32_t{0});
    viewer.raising = true;
    h.HHClose();
    viewer.calls.clear();
    h.HHDisplayKeyword();
    h.HHDisplayTopicURL();
    EXPECT_EQ(viewer.calls.size(), 3u);
    EXPECT_EQ(h.HHWndHandle(), 0x60);
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(HelpDisplay, AFileThatFailsItsChecksIsNeverShown) {
    const struct {
        std::string file;
        std::string warning;
    } cases[] = {
        {"help.htm", "help.htm is not a valid HTML Help file."},
        {helpPath() + "x.chm", "The file " + helpPath() +
                                   "x.chm does not exist.\n"
                                   "Please make sure the correct path and file name have been "
                                   "specified."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        h.CHMFile(c.file);
        std::size_t before = messages().size();
        h.HHDisplayTopicURL();
        h.HHDisplayKeyword();
        h.HHDisplayALink();
        ASSERT_EQ(messages().size(), before + 3);
        EXPECT_EQ(messages().back().prompt, c.warning);
    }
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_EQ(platform::openSearches(), 0u);
}

// ---------------------------------------------------------------- window services

// What's-This mode reaches only the program's forms. Their menus hold no
// Jump URL item and a help window has no system menu, so that delete
// changes nothing, while by command the other items do go.
TEST_F(HelpDisplay, WindowServicesReachOnlyTheProgramsForms) {
    program.start();
    auto& main = forms::form<app::Main>();
    std::int32_t handle = static_cast<std::int32_t>(main.hWnd());
    std::int32_t helpWindow = 0x1234;
    h.HHInvokeWhatsThisHelp(helpWindow);
    h.HHInvokeWhatsThisHelp(handle);
    platform::DefWindowProc(handle, platform::WM_SYSCOMMAND, platform::SC_CLOSE, 0);
    EXPECT_EQ(program.driver().backend().whatsThisForms(), std::vector<std::string>{"Main"});

    std::vector<std::string> items = main.systemMenu().Items();
    h.HHDeleteJumpURLSysMenu(handle);
    h.HHDeleteJumpURLSysMenu(helpWindow);
    EXPECT_EQ(main.systemMenu().Items(), items);
    ASSERT_TRUE(platform::DeleteMenu(handle, platform::SC_MOVE, platform::MF_BYCOMMAND));
    EXPECT_EQ(
        std::count(main.systemMenu().Items().begin(), main.systemMenu().Items().end(), "&Move"), 0);
}

// ---------------------------------------------------------------- text popups

HH_POPUP popupRecord(std::uint32_t id, const OptionalText& text, const std::string& font,
                     std::int32_t fore = 0, std::int32_t back = 0) {
    HH_POPUP p;
    p.cbStruct = 50;
    p.idString = id;
    p.pszText = text;
    p.pt = {320, 240};
    p.clrForeground = fore;
    p.clrBackground = back;
    p.rcMargins = {-1, -1, -1, -1};
    p.pszFont = font;
    return p;
}

const std::string kDefaultFont = "Arial, 10, ascii, ";

class HelpPopup : public HelpDisplay {
protected:
    HelpPopup() {
        program.driver().backend().setCursorPosition({320, 240});
        services.resources[7] = "From the resources";
        h.HHPopupID(7);
        h.HHPopupText("Plain text");
        h.HHPopupFile("popups.txt");
    }
    // Sets a look that a popup puts back to the defaults.
    void setLook() {
        h.HHPopupTextColor(0x0000FF);
        h.HHPopupBackColor(0x00FFFF);
        h.HHPopupTextFont("Tahoma");
        h.HHPopupTextSize("12");
        h.HHPopupTextBold(true);
    }
    void popup() {
        std::int32_t form = 77;
        h.HHPopupType(type);
        h.HHDisplayPopup(form);
    }
    std::int32_t type = 4;
};

TEST_F(HelpPopup, EachSourceShowsItsTextAndPutsTheLookBack) {
    const std::string looked = "Tahoma, 12, ascii, Bold ";
    const struct {
        std::int32_t type;
        OptionalText file;
        std::uint32_t id;
        OptionalText text;
    } cases[] = {
        {1, std::string(), 7, std::nullopt},
        {2, std::nullopt, 0, std::string("From the resources")},
        {4, std::nullopt, 0, std::string("Plain text")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        viewer.calls.clear();
        type = c.type;
        setLook();
        popup();
        popup();  // the same settings again, now at their defaults
        ASSERT_EQ(viewer.calls.size(), 2u);
        OptionalText file = c.file ? OptionalText(helpPath() + "::/popups.txt") : std::nullopt;
        expectCall(viewer.calls[0], 77, file, 14,
                   popupRecord(c.id, c.text, looked, 0x0000FF, 0x00FFFF));
        expectCall(viewer.calls[1], 77, file, 14, popupRecord(c.id, c.text, kDefaultFont));
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(HelpPopup, TheFontTextAndTheColoursFollowTheSettings) {
    h.HHPopupCustomColors(true);
    h.HHPopupCustomTextColor(0x112233);
    h.HHPopupCustomBackColor(0x445566);
    h.HHPopupTextColor(0x0000FF);
    h.HHPopupTextItalic(true);
    h.HHPopupTextUnderline(true);
    popup();
    h.HHPopupTextFont("Courier New");
    h.HHPopupTextBold(true);
    h.HHPopupTextItalic(true);
    h.HHPopupTextUnderline(true);
    popup();
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[0].data,
              HelpData(popupRecord(0, std::string("Plain text"),
                                   "Arial, 10, ascii, Italic Underline", 0x112233, 0x445566)));
    // The custom colours were put back to 0; the choice of them stays.
    EXPECT_EQ(viewer.calls[1].data,
              HelpData(popupRecord(0, std::string("Plain text"),
                                   "Courier New, 10, ascii, Bold Italic Underline")));
    EXPECT_TRUE(h.HHPopupCustomColors());
}

// Types that show nothing leave the look as it was set: 0 and an empty text
// return before it is read, an unknown type after filling in only an empty
// font or size.
TEST_F(HelpPopup, TypesThatShowNothingKeepTheLookTheirOwnWay) {
    const struct {
        std::int32_t type;
        std::string text;
    } cases[] = {
        {0, "Plain text"}, {4, ""}, {3, "Plain text"}, {5, "Plain text"}, {-1, "Plain text"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        viewer.calls.clear();
        setLook();
        h.HHPopupText(c.text);
        type = c.type;
        popup();
        EXPECT_TRUE(viewer.calls.empty());
        h.HHPopupText("Plain text");
        type = 4;
        popup();
        ASSERT_EQ(viewer.calls.size(), 1u);
        EXPECT_EQ(std::get<HH_POPUP>(viewer.calls[0].data).pszFont, "Tahoma, 12, ascii, Bold ");
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(HelpPopup, AnEmptyFontAndSizeAreFilledInForTheUnknownTypesToo) {
    h.HHPopupTextFont("");
    h.HHPopupTextSize("");
    type = 3;
    popup();
    h.HHPopupTextBold(true);
    type = 4;
    popup();
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(std::get<HH_POPUP>(viewer.calls[0].data).pszFont, "Arial, 10, ascii, Bold ");
}

TEST_F(HelpPopup, TheHelpFileIsCheckedFirstAndThePopupFileLast) {
    const struct {
        std::string chm;
        std::string popupFile;
        std::string warning;  // empty: shown
    } cases[] = {
        {helpPath(), "POPUPS.TXT", ""},
        {helpPath(), "popups.htm",
         "The file specified as the text popup source, 'popups.htm', is not a valid popup file."},
        {helpPath(), "",
         "The file specified as the text popup source, '', is not a valid popup file."},
        {"help.htm", "popups.htm", "help.htm is not a valid HTML Help file."},
    };
    type = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chm + " " + c.popupFile);
        viewer.calls.clear();
        std::size_t before = messages().size();
        h.CHMFile(c.chm);
        h.HHPopupFile(c.popupFile);
        popup();
        if (c.warning.empty()) {
            EXPECT_EQ(viewer.calls.size(), 1u);
            EXPECT_EQ(messages().size(), before);
        } else {
            EXPECT_TRUE(viewer.calls.empty());
            ASSERT_EQ(messages().size(), before + 1);
            EXPECT_EQ(messages().back().prompt, c.warning);
            EXPECT_EQ(messages().back().style, 48);
        }
    }
    EXPECT_EQ(platform::openSearches(), 0u);
}

// A missing resource and a viewer that cannot be loaded reach the caller,
// and the look is not put back.
TEST_F(HelpPopup, ErrorsReachTheCallerAndLeaveTheLookAsSet) {
    h.HHPopupID(8);
    type = 2;
    setLook();
    EXPECT_THROW(popup(), forms::RuntimeError);
    platform::LinuxVersionServices system;  // this system's program has no resources either
    platform::setVersionServices(&system);
    EXPECT_THROW(popup(), forms::RuntimeError);
    viewer.raising = true;
    type = 4;
    EXPECT_THROW(popup(), forms::RuntimeError);
    viewer.raising = false;
    viewer.calls.clear();
    popup();
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(std::get<HH_POPUP>(viewer.calls[0].data).pszFont, "Tahoma, 12, ascii, Bold ");
}

}  // namespace
