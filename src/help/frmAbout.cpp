#include "help/frmAbout.h"

#include <cstdio>

#include "forms/Runtime.h"
#include "platform/FileSearch.h"
#include "platform/Launcher.h"

namespace help {

namespace {

// Where the registry keeps the system-information tool: its full path, or
// else the folder it lies in.
constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kSysInfoValue = "PATH";
constexpr const char* kSysInfoFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kSysInfoFolderValue = "MSINFO";
constexpr const char* kSysInfoFile = "\\MSINFO32.EXE";

// Read control and the six specific key rights.
constexpr std::uint32_t kKeyRights = platform::READ_CONTROL | platform::KEY_QUERY_VALUE |
                                     platform::KEY_SET_VALUE | platform::KEY_CREATE_SUB_KEY |
                                     platform::KEY_ENUMERATE_SUB_KEYS | platform::KEY_NOTIFY |
                                     platform::KEY_CREATE_LINK;

constexpr std::uint32_t kValueBufferSize = 1024;

// The launcher takes blanks as separators between a program and its
// arguments; quotes keep a path with blanks one program path.
std::string quoted(const std::string& path) {
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        return path;
    }
    return '"' + path + '"';
}

std::string hex(unsigned char code) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%X", code);
    return digits;
}

}  // namespace

frmAbout::frmAbout() : forms::Form("frmAbout") {
    cmdOK.Click = [this] { cmdOK_Click(); };
}

void frmAbout::design() {
    setCaption("About Zekvarin Skirmish");
    setBorderStyle(forms::BorderStyle::FixedDialog);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setShowInTaskbar(false);
    setClientSize(6330, 3285);
    setStartUpPosition(forms::StartUpPosition::CenterScreen);

    picIcon.Move(240, 120, 660, 660);
    picIcon.setPicture({"about_icon"});
    Picture1.Move(4920, 120, 1215, 1215);
    Picture1.setBordered(false);
    Picture1.setPicture({"about_tribes"});
    Image50.Move(4920, 1440, 1260, 1260);
    Image50.setStretch(true);
    Image50.setPicture({"about_island"});

    struct LabelDesign {
        forms::Label& label;
        forms::Twips left, top, width, height;
        const char* caption;
        bool black;
    };
    for (const LabelDesign& d : {
             LabelDesign{lblTitle, 1050, 120, 1845, 240, "Zekvarin Skirmish Client", true},
             LabelDesign{lblVersion, 1050, 360, 1125, 225, "Version", false},
             LabelDesign{lblDescription, 240, 840, 4395, 1050,
                         "Allows Zekvarin players to play a single player skirmish game against "
                         "the Zekvarin computer players.  While setting up games, players will be "
                         "able to choose a variety of settings including the available spells "
                         "and buildings as well as the difficulty of the opponents they are "
                         "facing.",
                         true},
             LabelDesign{Label2, 240, 1920, 2655, 255, "Written for the Zekvarin community.",
                         false},
             LabelDesign{Label3, 240, 2160, 3975, 495,
                         "Pictures drawn for this program. Thanks to everyone who tried the "
                         "early releases.",
                         false},
             LabelDesign{lblDisclaimer, 120, 2880, 2295, 345, "Use at your own risk.", true},
             LabelDesign{Label1, 2280, 2880, 2295, 255, "Free for every player.", false},
         }) {
        d.label.Move(d.left, d.top, d.width, d.height);
        d.label.setCaption(d.caption);
        d.label.setWordWrap(true);
        if (d.black) {
            d.label.setForeColor(forms::colors::Black);
        }
    }

    // An etched rule: a shadow line with a highlight line just below it.
    Line2.setEnds(0, 2760, 6600, 2760);
    Line2.setBorderColor(forms::colors::ButtonShadow);
    Line1.setEnds(-240, 2775, 6360, 2775);
    Line1.setBorderColor(forms::colors::HighlightText);

    cmdOK.Move(4680, 2880, 1260, 345);
    cmdOK.setCaption("OK");
    cmdOK.setDefault(true);
    cmdOK.setCancel(true);
    cmdOK.setTabIndex(0);
}

void frmAbout::Form_Load() {
    const forms::AppInfo& app = forms::App();
    lblVersion.setCaption("Version " + std::to_string(app.Major) + "." + std::to_string(app.Minor) +
                          "." + std::to_string(app.Revision));
}

void frmAbout::cmdOK_Click() {
    Unload();
}

void frmAbout::ShowSysInfo() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    try {
        platform::HKEY root = platform::HKEY_LOCAL_MACHINE;
        std::string key = kSysInfoKey;
        std::string value = kSysInfoValue;
        std::string path;
        bool found = GetKeyValue(root, key, value, path);
        if (!found) {
            key = kSysInfoFolderKey;
            value = kSysInfoFolderValue;
            // The folder's tool is tested for; the first value's path is not.
            found =
                GetKeyValue(root, key, value, path) && !platform::Dir(path + kSysInfoFile).empty();
            path += kSysInfoFile;
        }
        if (found) {
            platform::launcher().run(quoted(path), forms::winstyle::NormalFocus);
            return;
        }
    } catch (const std::exception&) {
        // Any failure on the way ends in the one message below.
    }
    forms::MsgBox("System Information Is Unavailable At This Time", forms::style::OkOnly);
}

bool frmAbout::GetKeyValue(platform::HKEY& KeyRoot, std::string& KeyName, std::string& SubKeyRef,
                           std::string& KeyVal) {
    platform::Registry& registry = platform::registry();
    platform::HKEY key = 0;
    // Closes the key however this returns, an error raised below included
    // (0, when the open failed, is closed in vain and the answer ignored).
    struct Closer {
        platform::Registry& registry;
        platform::HKEY& key;
        ~Closer() { registry.RegCloseKey(key); }
    } closer{registry, key};

    std::uint32_t type = platform::REG_NONE;
    std::string buffer(kValueBufferSize, '\0');
    std::uint32_t size = kValueBufferSize;
    if (registry.RegOpenKeyEx(KeyRoot, KeyName, 0, kKeyRights, key) != platform::ERROR_SUCCESS ||
        registry.RegQueryValueEx(key, SubKeyRef, type, &buffer, size) != platform::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    // A value with no bytes has no last character to look at.
    if (size == 0) {
        throw forms::RuntimeError(forms::err::InvalidProcedureCall,
                                  "Invalid procedure call or argument");
    }
    // A text stored with its ending NUL loses it; one stored without keeps
    // its last character.
    std::string kept = buffer.substr(0, buffer[size - 1] == '\0' ? size - 1 : size);
    if (type == platform::REG_SZ) {
        KeyVal = kept;
    } else if (type == platform::REG_DWORD) {
        for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
            KeyVal += hex(static_cast<unsigned char>(*it));
        }
        // Left as hexadecimal text: no caller reads a number value.
        KeyVal = "&h" + KeyVal;
    }
    return true;
}

}  // namespace help
