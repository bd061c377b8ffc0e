// HTMLHelp: the plain properties, the contents display, the help file checks
// and the class's three message boxes.
#include "help/HTMLHelp.h"

#include "app/ConfigFiles.h"
#include "forms/Runtime.h"
#include "help/TextCompare.h"
#include "platform/FileSearch.h"
#include "platform/HelpViewer.h"

namespace help {

namespace {

constexpr const char* kCaption = "HTML Help Class";

}  // namespace

// ---- Public operations

// Like every display, it ends quietly on any error, a help viewer that
// cannot be loaded included; the window handle then keeps its previous value.
void HTMLHelp::HHDisplayContents(std::int32_t CallingForm) {
    displayQuietly([&] {
        if (displayReady()) {
            displayCall(displayCaller(CallingForm), displayFile(), platform::HH_DISPLAY_TOC,
                        std::int32_t{0});
        }
    });
}

bool HTMLHelp::EnsureFileExists(std::string& FileToFind) {
    bool result = true;
    if (FileToFind.find('\\') == std::string::npos) {
        // A bare name: its registered folder, else the program folder.
        HHCheckRegistry(FileToFind);
        if (!HHRegFileName_.empty()) {
            FileToFind = HHRegFilePath_ + HHRegFileName_;
        } else {
            FileToFind = app::ProgramDir() + "\\" + FileToFind;
        }
    }
    platform::WIN32_FIND_DATA found;
    std::int32_t search = platform::FindFirstFile(FileToFind, found);
    if (search == platform::INVALID_HANDLE_VALUE) {
        HHMsgExclamation("The file " + FileToFind + " does not exist." + "\n" +
                         "Please make sure the correct path and file name have been specified.");
        result = false;
    } else {
        platform::FindClose(search);
    }
    return result;
}

// ---- Property procedures

void HTMLHelp::HHWindow(std::string value) {
    HHWindow_ = std::move(value);
}
std::string HTMLHelp::HHWindow() const {
    return HHWindow_;
}
void HTMLHelp::HHTopicURL(std::string value) {
    HHTopicURL_ = std::move(value);
}
std::string HTMLHelp::HHTopicURL() const {
    return HHTopicURL_;
}
void HTMLHelp::HHTopicID(std::int32_t value) {
    HHTopicID_ = value;
}
std::int32_t HTMLHelp::HHTopicID() const {
    return HHTopicID_;
}
void HTMLHelp::HHMsgTitle(std::string value) {
    HHMsgTitle_ = std::move(value);
}
std::string HTMLHelp::HHMsgTitle() const {
    return HHMsgTitle_;
}
void HTMLHelp::HHMsgText(std::string value) {
    HHMsgText_ = std::move(value);
}
std::string HTMLHelp::HHMsgText() const {
    return HHMsgText_;
}
void HTMLHelp::HHKeyword(std::string value) {
    HHKeyword_ = std::move(value);
}
std::string HTMLHelp::HHKeyword() const {
    return HHKeyword_;
}
void HTMLHelp::HHDefaultURL(std::string value) {
    HHDefaultURL_ = std::move(value);
}
std::string HTMLHelp::HHDefaultURL() const {
    return HHDefaultURL_;
}
void HTMLHelp::HHALink(std::string value) {
    HHALink_ = std::move(value);
}
std::string HTMLHelp::HHALink() const {
    return HHALink_;
}
void HTMLHelp::CHMFile(std::string value) {
    CHMFile_ = std::move(value);
}
std::string HTMLHelp::CHMFile() const {
    return CHMFile_;
}
void HTMLHelp::HHShowOnTop(bool value) {
    HHShowOnTop_ = value;
}
bool HTMLHelp::HHShowOnTop() const {
    return HHShowOnTop_;
}
std::string HTMLHelp::HHRegFileName() const {
    return HHRegFileName_;
}
std::string HTMLHelp::HHRegFilePath() const {
    return HHRegFilePath_;
}
bool HTMLHelp::HHRegFileExists() const {
    return HHRegFileExists_;
}
void HTMLHelp::HHPopupFile(std::string value) {
    HHPopupFile_ = std::move(value);
}
void HTMLHelp::HHPopupID(std::int32_t value) {
    HHPopupID_ = value;
}
void HTMLHelp::HHPopupText(std::string value) {
    HHPopupText_ = std::move(value);
}
void HTMLHelp::HHPopupType(std::int32_t value) {
    HHPopupType_ = value;
}
void HTMLHelp::HHPopupTextColor(std::int32_t value) {
    HHPopupTextColor_ = value;
}
void HTMLHelp::HHPopupBackColor(std::int32_t value) {
    HHPopupBackColor_ = value;
}
void HTMLHelp::HHPopupCustomTextColor(std::int32_t value) {
    HHPopupCustomTextColor_ = value;
}
void HTMLHelp::HHPopupCustomBackColor(std::int32_t value) {
    HHPopupCustomBackColor_ = value;
}
void HTMLHelp::HHPopupCustomColors(bool value) {
    HHPopupCustomColors_ = value;
}
bool HTMLHelp::HHPopupCustomColors() const {
    return HHPopupCustomColors_;
}
void HTMLHelp::HHPopupTextFont(std::string value) {
    HHPopupTextFont_ = std::move(value);
}
void HTMLHelp::HHPopupTextSize(std::string value) {
    HHPopupTextSize_ = std::move(value);
}
void HTMLHelp::HHPopupTextBold(bool value) {
    HHPopupTextBold_ = value;
}
void HTMLHelp::HHPopupTextItalic(bool value) {
    HHPopupTextItalic_ = value;
}
void HTMLHelp::HHPopupTextUnderline(bool value) {
    HHPopupTextUnderline_ = value;
}

std::int32_t HTMLHelp::HHWndHandle() {
    if (HHWndHandle_ == 0) {
        HHMsgExclamation("No HTML Help window handle to retrieve.");
        return 0;
    }
    return HHWndHandle_;
}

// ---- Private operations

bool HTMLHelp::HHValidateCHMFile(const std::string& name) {
    // Only the last three characters count; there is no test for a dot.
    if (!endsWithText(name, "chm")) {
        HHMsgExclamation(name + " is not a valid HTML Help file.");
        return false;
    }
    return true;
}

// The class's boxes belong to no window, so the program's forms stay usable
// while one is open, and a form's handler may run the class again inside it.
std::int32_t HTMLHelp::HHMsgCritical(std::string text) {
    return forms::OwnerlessMsgBox(text, forms::style::Critical, kCaption);
}

std::int32_t HTMLHelp::HHMsgExclamation(std::string text) {
    return forms::OwnerlessMsgBox(text, forms::style::Exclamation, kCaption);
}

std::int32_t HTMLHelp::HHMsgInformation(std::string text) {
    return forms::OwnerlessMsgBox(text, forms::style::Information, kCaption);
}

}  // namespace help
