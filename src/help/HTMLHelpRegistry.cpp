// HTMLHelp: reading help file registrations and other registry values.
#include <utility>

#include "forms/Error.h"
#include "help/HTMLHelp.h"
#include "help/TextCompare.h"
#include "platform/Environment.h"

namespace help {

namespace {

constexpr const char* kHelpKey = "Software\\Microsoft\\Windows\\HTML Help";
// The size of the value-name buffer and of the buffer an expandable text is
// expanded into, in characters.
constexpr std::uint32_t kBufferChars = 2048;

// Closes an opened key when the scope ends, whichever way it ends.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (handle != 0) {
            platform::registry().RegCloseKey(handle);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    platform::HKEY handle = 0;
};

}  // namespace

std::optional<bool> HTMLHelp::HHCheckRegistry(std::string& FileToCheck) {
    std::string name = FileToCheck;
    if (name.empty()) {
        return std::nullopt;
    }
    HHRegFileExists_ = false;
    if (!HHValidateCHMFile(name)) {
        return false;
    }
    name = bareName(name);
    std::string listing;
    RegValueRecord record = HHReadRegValue("HKLM", kHelpKey, listing, name);
    if (!sameText(name, record.Name)) {
        HHRegFileName_.clear();
        HHRegFilePath_.clear();
        return false;
    }
    HHRegFileName_ = record.Name;
    // The text is the value's name, "=", the folder and a CR. The folder is
    // taken after the "=" that follows the name (a name may hold "=" itself)
    // and ends at its NUL; data stored without one ends at the CR.
    std::string folder;
    if (record.Text.size() > record.Name.size()) {
        folder = record.Text.substr(record.Name.size() + 1);
    }
    auto nul = folder.find('\0');
    if (nul != std::string::npos) {
        folder.erase(nul);
    } else if (!folder.empty() && folder.back() == '\r') {
        folder.pop_back();
    }
    HHRegFilePath_ = folder;
    std::string registered = HHRegFilePath_ + "\\" + HHRegFileName_;
    if (EnsureFileExists(registered)) {
        HHRegFileExists_ = true;
    }
    return false;
}

RegValueRecord HTMLHelp::HHReadRegValue(std::string rootName, std::string keyPath,
                                        std::string& listing, std::string& valueName) {
    platform::Registry& registry = platform::registry();
    RegValueRecord record;
    OpenKey key;
    try {
        platform::HKEY root = HHRootKeyFromName(rootName);
        if (root == 0 || registry.RegOpenKeyEx(root, keyPath, 0, platform::KEY_QUERY_VALUE,
                                               key.handle) != platform::ERROR_SUCCESS) {
            return record;
        }
        std::string name;
        std::uint32_t type = 0;
        std::uint32_t dataSize = 0;
        bool matched = false;
        for (std::uint32_t index = 0; !matched; ++index) {
            name.assign(kBufferChars, '\0');
            std::uint32_t nameLength = kBufferChars;
            if (registry.RegEnumValue(key.handle, index, name, nameLength, type, dataSize) !=
                platform::ERROR_SUCCESS) {
                break;
            }
            name.resize(std::min<std::size_t>(nameLength, name.size()));
            matched = (type == platform::REG_SZ || type == platform::REG_EXPAND_SZ) &&
                      sameText(name, valueName);
        }
        if (!matched) {
            return record;
        }
        record.Name = valueName;
        std::string data(dataSize, '\0');
        std::uint32_t size = dataSize;
        if (registry.RegQueryValueEx(key.handle, valueName, type, &data, size) !=
            platform::ERROR_SUCCESS) {
            return record;
        }
        data.resize(size);
        if (type == platform::REG_EXPAND_SZ) {
            std::string expanded(kBufferChars, ' ');
            // An expansion that does not fit the buffer counts as a failed
            // read: the buffer would hold no path at all.
            if (platform::ExpandEnvironmentStrings(data, expanded, kBufferChars) > kBufferChars) {
                return record;
            }
            data = std::move(expanded);
        }
        record.Text = listing + name + "=" + data + "\r";
    } catch (const std::exception&) {
    }
    return record;
}

platform::HKEY HTMLHelp::HHRootKeyFromName(std::string rootName) {
    static const std::pair<const char*, platform::HKEY> roots[] = {
        {"HKCU", platform::HKEY_CURRENT_USER},   {"HKLM", platform::HKEY_LOCAL_MACHINE},
        {"HKU", platform::HKEY_USERS},           {"HKDD", platform::HKEY_DYN_DATA},
        {"HKCC", platform::HKEY_CURRENT_CONFIG}, {"HKCR", platform::HKEY_CLASSES_ROOT},
    };
    rootName = upperText(rootName);
    for (const auto& [name, key] : roots) {
        if (rootName == name) {
            return key;
        }
    }
    return 0;
}

}  // namespace help
