// What the help tests share: the program on the headless back end with a
// recording help viewer and a registry store of their own in place, and a
// door to the help-viewer class's private operations.
#pragma once

#include <string>
#include <vector>

#include "help/HTMLHelp.h"
#include "platform/HelpViewer.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace help {

// Calls the private operations of HTMLHelp for tests.
struct HTMLHelpProbe {
    static bool HHValidateCHMFile(HTMLHelp& h, const std::string& name) {
        return h.HHValidateCHMFile(name);
    }
    static RegValueRecord HHReadRegValue(HTMLHelp& h, const std::string& root,
                                         const std::string& key, std::string valueName) {
        std::string listing;
        return h.HHReadRegValue(root, key, listing, valueName);
    }
    static platform::HKEY HHRootKeyFromName(HTMLHelp& h, const std::string& name) {
        return h.HHRootKeyFromName(name);
    }
    static std::string HHGetFileVersion(HTMLHelp& h, const std::string& path) {
        return h.HHGetFileVersion(path);
    }
    static std::string HHLongPathName(HTMLHelp& h, const std::string& path) {
        return h.HHLongPathName(path);
    }
    static std::int32_t HHGetOSVersion(HTMLHelp& h) { return h.HHGetOSVersion(); }
    static std::int32_t HHMsgCritical(HTMLHelp& h, const std::string& text) {
        return h.HHMsgCritical(text);
    }
    static std::int32_t HHMsgInformation(HTMLHelp& h, const std::string& text) {
        return h.HHMsgInformation(text);
    }
};

}  // namespace help

namespace testing_support {

constexpr const char* kHelpCaption = "HTML Help Class";
constexpr const char* kHelpRegistryKey = "Software\\Microsoft\\Windows\\HTML Help";

class HelpFixture {
public:
    HelpFixture() {
        platform::setHelpViewer(&viewer);
        platform::setRegistry(&store);
    }
    ~HelpFixture() {
        platform::setHelpViewer(nullptr);
        platform::setRegistry(nullptr);
    }

    // The program folder's help file, as the Help command names it.
    std::string helpPath() const { return program.programDir().string() + "\\zekskirmishhelp.chm"; }
    fs::path helpFile() const { return program.programDir() / "zekskirmishhelp.chm"; }

    // A value under the help files' registration key, bytes as given.
    void registerValue(const std::string& name, const std::string& data,
                       std::uint32_t type = platform::REG_SZ) {
        platform::RegistryStore::Key key{platform::HKEY_LOCAL_MACHINE, kHelpRegistryKey, {}, false};
        for (const auto& existing : store.keys()) {
            if (existing.root == key.root && existing.path == key.path) {
                key = existing;
            }
        }
        key.values.push_back({name, type, data});
        store.putKey(key);
    }

    const std::vector<forms::headless::MessageRecord>& messages() {
        return program.driver().messages();
    }

    ProgramFixture program;
    platform::RecordingHelpViewer viewer;
    platform::RegistryStore store;
};

}  // namespace testing_support
