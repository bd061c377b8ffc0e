// HTMLHelp: the help-viewer class.
//
// It wraps the help viewer's one entry point (platform/HelpViewer.h), keeps
// the settings those calls need in its own fields, and adds the checks
// around them: the help file's name and existence, its registration in the
// registry, and the versions of the installed help and browser controls.
// The program itself uses only CHMFile and HHDisplayContents (the Help
// command); the rest is the class's public surface for any caller.
//
// Properties are pairs of overloads: `CHMFile()` reads, `CHMFile(text)`
// stores. Every field starts empty, 0 or false, and no store checks or trims
// what it is given. The members stand in the order of the class's dispatch
// table: public operations, property procedures, private operations.
//
// The implementation is split by concern:
//   HTMLHelp.cpp             properties, contents display, file checks and
//                            the three message boxes
//   HTMLHelpDisplay.cpp      the other display operations, close, What's This
//                            and the system menu
//   HTMLHelpPopup.cpp        text popups
//   HTMLHelpRegistry.cpp     registry reads (HHCheckRegistry, HHReadRegValue,
//                            HHRootKeyFromName)
//   HTMLHelpRegistration.cpp registering and unregistering help files,
//                            HHEnumRegKey, HHSetHelpFile
//   HTMLHelpVersion.cpp      version checks and the computed properties that
//                            use them
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/HelpViewer.h"
#include "platform/Registry.h"

namespace help {

// What HHReadRegValue returns.
struct RegValueRecord {
    std::string Name;
    std::string Text;
};

// Where an installed control's file is registered (HTMLHelpVersion.cpp).
struct ControlVersionSource;

class HTMLHelp {
public:
    // ---- Public operations
    void HHDeleteJumpURLSysMenu(std::int32_t& HH_hWnd);
    void HHDisplayTopicURL(std::int32_t CallingForm = 0);
    void HHDisplayTopicID(std::int32_t CallingForm = 0);
    void HHDisplaySearch(std::int32_t CallingForm = 0);
    void HHDisplayKeyword(std::int32_t CallingForm = 0);
    void HHDisplayIndex(std::int32_t CallingForm = 0);
    void HHDisplayContents(std::int32_t CallingForm = 0);
    void HHDisplayALink(std::int32_t CallingForm = 0);
    void HHRegister(std::string& FileToRegister);
    void HHUnRegister(std::string& FileToUnRegister);
    // Empty (nullopt) for an empty name, otherwise false; the findings go to
    // the three registration fields.
    std::optional<bool> HHCheckRegistry(std::string& FileToCheck);
    void HHClose();
    void HHDisplayPopup(std::int32_t& CallingForm);
    void HHInvokeWhatsThisHelp(std::int32_t& CallingForm);
    bool HHVerifyMinConfig(std::int32_t& MinHHVersion, std::int32_t& MinIEVersion);
    bool EnsureFileExists(std::string& FileToFind);
    std::string HHSetHelpFile(std::int16_t intSelHelpFile);

    // ---- Property procedures
    void HHWindow(std::string value);
    std::string HHWindow() const;
    void HHTopicURL(std::string value);
    std::string HHTopicURL() const;
    void HHTopicID(std::int32_t value);
    std::int32_t HHTopicID() const;
    void HHMsgTitle(std::string value);
    std::string HHMsgTitle() const;
    void HHMsgText(std::string value);
    std::string HHMsgText() const;
    void HHKeyword(std::string value);
    std::string HHKeyword() const;
    void HHDefaultURL(std::string value);
    std::string HHDefaultURL() const;
    void HHALink(std::string value);
    std::string HHALink() const;
    void CHMFile(std::string value);
    std::string CHMFile() const;
    void HHShowOnTop(bool value);
    bool HHShowOnTop() const;
    std::string HHRegFileName() const;
    std::string HHRegFilePath() const;
    bool HHRegFileExists() const;
    void HHPopupFile(std::string value);
    void HHPopupID(std::int32_t value);
    void HHPopupText(std::string value);
    void HHPopupType(std::int32_t value);
    void HHPopupTextColor(std::int32_t value);
    void HHPopupBackColor(std::int32_t value);
    void HHPopupCustomTextColor(std::int32_t value);
    void HHPopupCustomBackColor(std::int32_t value);
    void HHPopupCustomColors(bool value);
    bool HHPopupCustomColors() const;
    void HHPopupTextFont(std::string value);
    void HHPopupTextSize(std::string value);
    void HHPopupTextBold(bool value);
    void HHPopupTextItalic(bool value);
    void HHPopupTextUnderline(bool value);
    bool HHInstalled();
    std::string HHVersion();
    std::string IEVersion();
    std::string HHFriendlyName();
    std::string IEFriendlyName();
    // Returns the handle of the HTML Help window opened by one of the
    // Display* methods except HHDisplayPopup.
    std::int32_t HHWndHandle();

private:
    // Tests reach the private operations through this.
    friend struct HTMLHelpProbe;

    // ---- Private operations
    std::string HHGetFileVersion(const std::string& path);
    bool HHValidateCHMFile(const std::string& name);
    bool HHValidatePopupFile(const std::string& name);
    RegValueRecord HHReadRegValue(std::string rootName, std::string keyPath, std::string& listing,
                                  std::string& valueName);
    bool HHEnumRegKey(std::string keyPath, std::int32_t ignored = 0);
    platform::HKEY HHRootKeyFromName(std::string rootName);
    std::string HHLongPathName(std::string path);
    std::string HHTrimNull(std::string& text);
    void HHGetHHVersion();
    void HHGetIEVersion();
    std::string HHGetHHFriendlyName();
    std::string HHGetIEFriendlyName();
    std::int32_t HHGetOSVersion();
    std::int32_t HHMsgCritical(std::string text);
    std::int32_t HHMsgExclamation(std::string text);
    std::int32_t HHMsgInformation(std::string text);

    // ---- Helpers of the display operations (HTMLHelpDisplay.cpp)
    // Runs the steps of a display operation: any error in them, whatever
    // raised it, ends the operation with no message.
    static void displayQuietly(const std::function<void()>& steps);
    // The help file's name and existence checks (a bare name in CHMFile is
    // completed); false, also on an error in them, ends the display.
    bool displayReady();
    // The caller window: the calling form when HHShowOnTop holds, else none.
    std::int32_t displayCaller(std::int32_t CallingForm) const;
    // CHMFile, then ">" and HHWindow as stored when HHWindow is not blank.
    std::string displayFile() const;
    // One call of the viewer, its result kept in HHWndHandle. An error in
    // the call (a viewer that cannot be loaded) skips it and keeps the
    // previous handle.
    void displayCall(std::int32_t caller, const std::string& file, unsigned command,
                     const platform::HelpData& data);

    // ---- Helper of the version readers (HTMLHelpVersion.cpp)
    // Reads one control's file version into `field`; false, with the
    // critical message and the field as it was, when it cannot be read.
    bool readControlVersion(const ControlVersionSource& source, std::string& field);

    // ---- Fields, one behind each property of the same name
    std::string CHMFile_;
    std::string HHALink_;
    std::string HHDefaultURL_;
    bool HHInstalled_ = false;
    std::string HHKeyword_;
    std::string HHMsgText_;
    std::string HHMsgTitle_;
    bool HHShowOnTop_ = false;
    std::int32_t HHTopicID_ = 0;
    std::string HHTopicURL_;
    std::string HHWindow_;
    std::string HHRegFileName_;
    std::string HHRegFilePath_;
    bool HHRegFileExists_ = false;
    std::string HHPopupFile_;
    std::int32_t HHPopupType_ = 0;
    std::string HHPopupText_;
    std::int32_t HHPopupID_ = 0;
    std::int32_t HHPopupTextColor_ = 0;
    std::int32_t HHPopupBackColor_ = 0;
    std::int32_t HHPopupCustomTextColor_ = 0;
    std::int32_t HHPopupCustomBackColor_ = 0;
    bool HHPopupCustomColors_ = false;
    std::string HHPopupTextFont_;
    std::string HHPopupTextSize_;
    bool HHPopupTextBold_ = false;
    bool HHPopupTextItalic_ = false;
    bool HHPopupTextUnderline_ = false;
    std::string HHVersion_;
    std::string IEVersion_;
    std::string HHFriendlyName_;
    std::string IEFriendlyName_;
    std::int32_t HHWndHandle_ = 0;
};

}  // namespace help
