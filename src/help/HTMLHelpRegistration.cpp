// HTMLHelp: registering help files (a help file's folder kept in the
// registry under its bare name), whether the help control is installed, and
// the sample help file names.
#include "app/ConfigFiles.h"
#include "help/HTMLHelp.h"
#include "help/TextCompare.h"

namespace help {

namespace {

constexpr const char* kRegistrationKey = "Software\\Microsoft\\Windows\\HTML Help";
// The help control's type library.
constexpr const char* kHelpTypeLibrary =
    "SOFTWARE\\Classes\\TypeLib\\{ADB880A2-D8FF-11CF-9377-00AA003B7A11}";
// Set-value and create-subkey rights.
constexpr std::uint32_t kCreateAccess = platform::KEY_SET_VALUE | platform::KEY_CREATE_SUB_KEY;

}  // namespace

void HTMLHelp::HHRegister(std::string& FileToRegister) {
    if (FileToRegister.empty() || !HHValidateCHMFile(FileToRegister)) {
        return;
    }
    HHCheckRegistry(FileToRegister);
    if (!HHRegFileName_.empty()) {
        HHMsgInformation("The file " + FileToRegister + " is already registered.  " +
                         "HHRegister will not be run as no action need be taken.");
        return;
    }
    const std::string asPassed = FileToRegister;
    if (!HHValidateCHMFile(FileToRegister)) {
        return;
    }
    // A bare name has no folder to record: the record would hold an empty
    // folder, and bare-name lookups would then resolve to a relative name.
    if (FileToRegister.find('\\') == std::string::npos) {
        HHMsgExclamation("Cannot register " + FileToRegister +
                         " without having a supplied path.\"");
        return;
    }
    if (!EnsureFileExists(FileToRegister)) {
        return;
    }
    FileToRegister = bareName(FileToRegister);
    // The folder with its closing "\", as the caller wrote it.
    std::string folder = asPassed.substr(0, asPassed.size() - FileToRegister.size());

    platform::Registry& registry = platform::registry();
    platform::HKEY key = 0;
    std::uint32_t disposition = 0;
    if (registry.RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kRegistrationKey, kCreateAccess, key,
                                disposition) != platform::ERROR_SUCCESS) {
        HHMsgExclamation("HTML Help Class: HHRegister Error");
        return;
    }
    long written = registry.RegSetValueEx(key, FileToRegister, platform::REG_SZ, folder + '\0');
    registry.RegCloseKey(key);
    // A successful write leaves the registration fields as they were.
    if (written != platform::ERROR_SUCCESS) {
        HHCheckRegistry(FileToRegister);
    }
}

void HTMLHelp::HHUnRegister(std::string& FileToUnRegister) {
    if (FileToUnRegister.empty() || !HHValidateCHMFile(FileToUnRegister)) {
        return;
    }
    HHCheckRegistry(FileToUnRegister);
    if (HHRegFileName_.empty()) {
        HHMsgInformation("The file " + FileToUnRegister + " is not registered.  " +
                         "HHUnRegister will not be run as no action need be taken.");
        return;
    }
    FileToUnRegister = bareName(FileToUnRegister);
    platform::Registry& registry = platform::registry();
    platform::HKEY key = 0;
    if (registry.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kRegistrationKey, 0,
                              platform::KEY_SET_VALUE, key) == platform::ERROR_SUCCESS) {
        registry.RegDeleteValue(key, FileToUnRegister);
        registry.RegCloseKey(key);
    }
    // Neither a failed open nor a failed delete is reported; the fields say
    // what is registered now.
    HHCheckRegistry(FileToUnRegister);
}

std::string HTMLHelp::HHSetHelpFile(std::int16_t intSelHelpFile) {
    switch (intSelHelpFile) {
        case 1:
            return app::ProgramDir() + "\\Library.chm";
        case 2:
            return "Library.txt";
        default:
            return "";
    }
}

bool HTMLHelp::HHInstalled() {
    HHInstalled_ = HHEnumRegKey(kHelpTypeLibrary);
    return HHInstalled_;
}

// A key counts only when it may be changed: it is opened with every right.
bool HTMLHelp::HHEnumRegKey(std::string keyPath, std::int32_t /*ignored*/) {
    platform::Registry& registry = platform::registry();
    platform::HKEY key = 0;
    if (registry.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, keyPath, 0, platform::KEY_ALL_ACCESS,
                              key) != platform::ERROR_SUCCESS) {
        return false;
    }
    return registry.RegCloseKey(key) == platform::ERROR_SUCCESS;
}

}  // namespace help
