// HTMLHelp: text popups at the mouse pointer.
#include "help/HTMLHelp.h"
#include "help/TextCompare.h"
#include "platform/VersionServices.h"
#include "platform/WindowSystem.h"

namespace help {

namespace {

// The sources of a popup's text.
constexpr std::int32_t kFromHelpFile = 1;
constexpr std::int32_t kFromResource = 2;
constexpr std::int32_t kFromText = 4;

// What the popup record says it takes, although it takes 52 bytes: the
// viewer relies on exactly this.
constexpr std::int32_t kPopupSize = 50;

constexpr const char* kDefaultFont = "Arial";
constexpr const char* kDefaultSize = "10";

// The font text the viewer reads: face, size, character set, styles.
std::string fontText(const std::string& face, const std::string& size, bool bold, bool italic,
                     bool underline) {
    return face + ", " + size + ", ascii, " + (bold ? "Bold " : "") + (italic ? "Italic " : "") +
           (underline ? "Underline" : "");
}

}  // namespace

void HTMLHelp::HHDisplayPopup(std::int32_t& CallingForm) {
    if (HHPopupType_ == 0) {
        return;
    }
    if (HHPopupType_ == kFromHelpFile &&
        (!HHValidateCHMFile(CHMFile_) || !EnsureFileExists(CHMFile_))) {
        return;
    }
    platform::POINT pointer;
    platform::GetCursorPos(pointer);

    platform::HH_POPUP popup;
    popup.cbStruct = kPopupSize;
    popup.hinst = 0;
    if (HHPopupType_ == kFromResource) {
        popup.pszText = platform::versionServices().LoadResString(HHPopupID_);
    } else if (HHPopupType_ == kFromText) {
        if (HHPopupText_.empty()) {
            return;
        }
        popup.pszText = HHPopupText_;
    } else {
        popup.idString = static_cast<std::uint32_t>(HHPopupID_);
    }
    popup.pt = pointer;
    popup.clrForeground = HHPopupCustomColors_ ? HHPopupCustomTextColor_ : HHPopupTextColor_;
    popup.clrBackground = HHPopupCustomColors_ ? HHPopupCustomBackColor_ : HHPopupBackColor_;
    popup.rcMargins = platform::RECT{-1, -1, -1, -1};
    if (HHPopupTextFont_.empty()) {
        HHPopupTextFont_ = kDefaultFont;
    }
    if (HHPopupTextSize_.empty()) {
        HHPopupTextSize_ = kDefaultSize;
    }
    popup.pszFont = fontText(HHPopupTextFont_, HHPopupTextSize_, HHPopupTextBold_,
                             HHPopupTextItalic_, HHPopupTextUnderline_);

    if (HHPopupType_ == kFromHelpFile) {
        if (!HHValidatePopupFile(HHPopupFile_)) {
            return;
        }
        platform::helpViewer().HtmlHelp(CallingForm, CHMFile_ + "::/" + HHPopupFile_,
                                        platform::HH_DISPLAY_TEXT_POPUP, popup);
    } else if (HHPopupType_ == kFromResource || HHPopupType_ == kFromText) {
        platform::helpViewer().HtmlHelp(CallingForm, std::nullopt, platform::HH_DISPLAY_TEXT_POPUP,
                                        popup);
    } else {
        return;
    }

    // Each popup starts from the default look unless told otherwise.
    HHPopupCustomTextColor_ = 0;
    HHPopupCustomBackColor_ = 0;
    HHPopupTextColor_ = 0;
    HHPopupBackColor_ = 0;
    HHPopupTextFont_ = kDefaultFont;
    HHPopupTextSize_ = kDefaultSize;
    HHPopupTextBold_ = false;
    HHPopupTextItalic_ = false;
    HHPopupTextUnderline_ = false;
}

bool HTMLHelp::HHValidatePopupFile(const std::string& name) {
    if (endsWithText(name, "txt")) {
        return true;
    }
    HHMsgExclamation("The file specified as the text popup source, '" + name +
                     "', is not a valid popup file.");
    return false;
}

}  // namespace help
