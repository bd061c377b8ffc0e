// HTMLHelp: the display operations other than the contents, closing the help
// windows, What's-This mode and the help window's system menu.
#include <exception>

#include "help/HTMLHelp.h"
#include "platform/WindowSystem.h"

namespace help {

namespace {

// The Jump URL item of a help window's system menu.
constexpr unsigned kJumpUrlCommand = 0xEFFF;
// What the record of a lookup says it takes, although it takes 32 bytes:
// the viewer relies on exactly this.
constexpr std::int32_t kAKLinkSize = 28;
constexpr std::int32_t kFtsQuerySize = 32;

bool blank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

// An empty text is passed as no text at all.
platform::OptionalText nullWhenEmpty(const std::string& text) {
    return text.empty() ? platform::OptionalText{} : platform::OptionalText{text};
}

// The record of a keyword or link lookup. The keywords stay a text even
// when empty; the other texts are left out when empty, the window type when
// blank.
platform::HH_AKLINK lookup(const std::string& keywords, const std::string& url,
                           const std::string& msgText, const std::string& msgTitle,
                           const std::string& window) {
    platform::HH_AKLINK link;
    link.cbStruct = kAKLinkSize;
    link.fReserved = 0;
    link.pszKeywords = keywords;
    link.pszUrl = nullWhenEmpty(url);
    link.pszMsgText = nullWhenEmpty(msgText);
    link.pszMsgTitle = nullWhenEmpty(msgTitle);
    if (!blank(window)) {
        link.pszWindow = window;
    }
    link.fIndexOnFail = 0;
    return link;
}

}  // namespace

// ---- Public operations

void HTMLHelp::HHDeleteJumpURLSysMenu(std::int32_t& HH_hWnd) {
    long menu = platform::GetSystemMenu(HH_hWnd, false);
    platform::DeleteMenu(menu, kJumpUrlCommand, platform::MF_BYCOMMAND);
}

void HTMLHelp::HHDisplayTopicURL(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (displayReady()) {
            displayCall(displayCaller(CallingForm), displayFile(), platform::HH_DISPLAY_TOPIC,
                        HHTopicURL_);
        }
    });
}

void HTMLHelp::HHDisplayTopicID(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (displayReady()) {
            displayCall(displayCaller(CallingForm), displayFile(), platform::HH_HELP_CONTEXT,
                        HHTopicID_);
        }
    });
}

void HTMLHelp::HHDisplaySearch(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (!displayReady()) {
            return;
        }
        platform::HH_FTS_QUERY query;
        query.cbStruct = kFtsQuerySize;
        query.fUniCodeStrings = 0;
        query.pszSearchQuery = "";
        query.fExecute = 1;
        query.pszWindow = "";
        displayCall(displayCaller(CallingForm), displayFile(), platform::HH_DISPLAY_SEARCH, query);
    });
}

// The lookups first open the help file at its default topic, then look the
// keyword up in it; both calls name the help file alone, the window type
// travelling inside the record.
void HTMLHelp::HHDisplayKeyword(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (!displayReady()) {
            return;
        }
        std::int32_t caller = displayCaller(CallingForm);
        displayCall(caller, CHMFile_, platform::HH_DISPLAY_TOPIC, std::int32_t{0});
        displayCall(caller, CHMFile_, platform::HH_KEYWORD_LOOKUP,
                    lookup(HHKeyword_, HHDefaultURL_, HHMsgText_, HHMsgTitle_, HHWindow_));
    });
}

void HTMLHelp::HHDisplayIndex(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (displayReady()) {
            displayCall(displayCaller(CallingForm), displayFile(), platform::HH_DISPLAY_INDEX,
                        std::int32_t{0});
        }
    });
}

void HTMLHelp::HHDisplayALink(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (displayReady()) {
            displayCall(displayCaller(CallingForm), CHMFile_, platform::HH_ALINK_LOOKUP,
                        lookup(HHALink_, HHDefaultURL_, HHMsgText_, HHMsgTitle_, HHWindow_));
        }
    });
}

// Closing gives the viewer its command and nothing more: the handle of the
// last window shown stays, and every error is passed over.
void HTMLHelp::HHClose() {
    displayQuietly([] {
        platform::helpViewer().HtmlHelp(0, std::string(), platform::HH_CLOSE_ALL, std::int32_t{0});
    });
}

void HTMLHelp::HHInvokeWhatsThisHelp(std::int32_t& CallingForm) {
    platform::DefWindowProc(CallingForm, platform::WM_SYSCOMMAND, platform::SC_CONTEXTHELP, 0);
}

// ---- Helpers of the display operations

// Any error: the runtime's own, and also the standard library's (no memory
// left, a failed system call), which the help viewer may raise as well.
void HTMLHelp::displayQuietly(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const std::exception&) {
    }
}

bool HTMLHelp::displayReady() {
    try {
        return HHValidateCHMFile(CHMFile_) && EnsureFileExists(CHMFile_);
    } catch (const std::exception&) {
        return false;
    }
}

std::int32_t HTMLHelp::displayCaller(std::int32_t CallingForm) const {
    return HHShowOnTop_ ? CallingForm : 0;
}

std::string HTMLHelp::displayFile() const {
    return blank(HHWindow_) ? CHMFile_ : CHMFile_ + ">" + HHWindow_;
}

void HTMLHelp::displayCall(std::int32_t caller, const std::string& file, unsigned command,
                           const platform::HelpData& data) {
    try {
        HHWndHandle_ = platform::helpViewer().HtmlHelp(caller, file, command, data);
    } catch (const std::exception&) {
    }
}

}  // namespace help
