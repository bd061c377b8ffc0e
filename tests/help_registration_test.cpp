// Registering help files with the help-viewer class, and the registry store
// kept in a file across runs.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/FileSearch.h"
#include "platform/RegistryFile.h"
#include "support/HelpFixture.h"

namespace {

using help::HTMLHelp;
using testing_support::HelpFixture;
using testing_support::kHelpCaption;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

const std::string kHeader = "Zek Skirmish registry 1\n";
// The keys that creating the registration key makes on its way down.
const std::string kKeys =
    "K\tHKLM\t0\tSoftware\n"
    "K\tHKLM\t0\tSoftware\\Microsoft\n"
    "K\tHKLM\t0\tSoftware\\Microsoft\\Windows\n"
    "K\tHKLM\t0\tSoftware\\Microsoft\\Windows\\HTML Help\n";

class HelpRegistration : public ::testing::Test, public HelpFixture {
protected:
    HelpRegistration() { writeFile(helpFile(), "compiled help"); }

    // The registration of the program's help file as the store holds it.
    std::string registered() const {
        return kHeader + kKeys + "V\t1\tzekskirmishhelp.chm\t" + program.programDir().string() +
               "\\%00\n";
    }
    std::string stored() const { return platform::registryText(store); }
    std::string lastPrompt() { return messages().empty() ? "" : messages().back().prompt; }

    HTMLHelp h;
};

TEST_F(HelpRegistration, RegisterCheckReRegisterAndUnregister) {
    std::string file = helpPath();
    h.HHRegister(file);
    EXPECT_EQ(file, "zekskirmishhelp.chm");
    EXPECT_EQ(stored(), registered());
    EXPECT_EQ(h.HHRegFileName(), "");  // a successful write refreshes nothing
    EXPECT_TRUE(messages().empty());

    std::string name = "zekskirmishhelp.chm";
    EXPECT_EQ(h.HHCheckRegistry(name), std::optional<bool>(false));
    EXPECT_EQ(h.HHRegFileName(), "zekskirmishhelp.chm");
    EXPECT_EQ(h.HHRegFilePath(), program.programDir().string() + "\\");
    EXPECT_TRUE(h.HHRegFileExists());

    // Another letter case is the same file: nothing is written.
    std::string shouted = program.programDir().string() + "\\ZEKSKIRMISHHELP.CHM";
    h.HHRegister(shouted);
    EXPECT_EQ(lastPrompt(), "The file " + program.programDir().string() +
                                "\\ZEKSKIRMISHHELP.CHM is already registered.  HHRegister will "
                                "not be run as no action need be taken.");
    EXPECT_EQ(messages().back().style, 64);
    EXPECT_EQ(stored(), registered());

    h.HHUnRegister(shouted);
    EXPECT_EQ(shouted, "ZEKSKIRMISHHELP.CHM");
    EXPECT_EQ(stored(), kHeader + kKeys);
    EXPECT_EQ(h.HHRegFileName(), "");
    EXPECT_FALSE(h.HHRegFileExists());

    std::string again = helpPath();
    h.HHUnRegister(again);
    EXPECT_EQ(lastPrompt(), "The file " + helpPath() +
                                " is not registered.  HHUnRegister will not be run as no action "
                                "need be taken.");
    EXPECT_EQ(again, helpPath());
    EXPECT_EQ(stored(), kHeader + kKeys);
    EXPECT_EQ(store.openHandles(), 0u);
    EXPECT_EQ(platform::openSearches(), 0u);
}

// Nothing is written for a name that cannot be registered; each gets its
// one warning, and the caller's text stays as it was.
TEST_F(HelpRegistration, NamesThatAreNotRegistered) {
    const struct {
        std::string file;
        std::string warning;
    } cases[] = {
        {"", ""},
        {"help.txt", "help.txt is not a valid HTML Help file."},
        // A bare name has no folder to record.
        {"zekskirmishhelp.chm",
         "Cannot register zekskirmishhelp.chm without having a supplied path.\""},
        {helpPath() + "x.chm",
         "The file " + helpPath() +
             "x.chm does not exist.\nPlease make sure the correct path and file name have been "
             "specified."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::size_t before = messages().size();
        std::string file = c.file;
        h.HHRegister(file);
        EXPECT_EQ(file, c.file);
        EXPECT_EQ(lastPrompt(), c.warning);
        EXPECT_EQ(messages().size(), before + (c.warning.empty() ? 0 : 1));
        if (!c.warning.empty()) {
            EXPECT_EQ(messages().back().title, kHelpCaption);
            EXPECT_EQ(messages().back().style, 48);
        }
        EXPECT_EQ(stored(), kHeader);
    }
    EXPECT_EQ(platform::openSearches(), 0u);
}

// Whatever registry call fails, every key opened is closed again, and only
// a key that cannot be created is reported.
TEST_F(HelpRegistration, FailingRegistryCallsCloseEveryKey) {
    const struct {
        std::string failing;
        std::string registerWarning;
        bool registeredAfter;
    } cases[] = {
        {"create", "HTML Help Class: HHRegister Error", false},
        {"set", "", false},
        {"enum", "", true},  // the check sees no record, so it is written
        {"query", "", true},
        {"open", "", true},
        {"delete", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        store.putKey({platform::HKEY_LOCAL_MACHINE, testing_support::kHelpRegistryKey, {}, false});
        store.fault = [&](const std::string& operation) {
            return operation == c.failing ? platform::ERROR_ACCESS_DENIED : 0;
        };
        std::size_t before = messages().size();
        std::string file = helpPath();
        h.HHRegister(file);
        EXPECT_EQ(store.openHandles(), 0u);
        EXPECT_EQ(messages().size(), before + (c.registerWarning.empty() ? 0 : 1));
        EXPECT_EQ(lastPrompt().find("HHRegister Error") != std::string::npos,
                  !c.registerWarning.empty());
        store.fault = nullptr;
        std::string name = "zekskirmishhelp.chm";
        h.HHCheckRegistry(name);
        EXPECT_EQ(h.HHRegFileName().empty(), !c.registeredAfter);

        store.fault = [&](const std::string& operation) {
            return operation == c.failing ? platform::ERROR_ACCESS_DENIED : 0;
        };
        file = helpPath();
        h.HHUnRegister(file);
        EXPECT_EQ(store.openHandles(), 0u);
        store.fault = nullptr;
        file = helpPath();
        h.HHUnRegister(file);  // clean up for the next case
    }
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpRegistration, TheHelpControlCountsAsInstalledOnlyWhenItsKeyMayBeChanged) {
    const std::string typeLibrary =
        "SOFTWARE\\Classes\\TypeLib\\{ADB880A2-D8FF-11CF-9377-00AA003B7A11}";
    EXPECT_FALSE(h.HHInstalled());
    store.putKey({platform::HKEY_LOCAL_MACHINE, typeLibrary, {}, false});
    EXPECT_TRUE(h.HHInstalled());
    store.putKey({platform::HKEY_LOCAL_MACHINE, typeLibrary, {}, true});
    EXPECT_FALSE(h.HHInstalled());
    EXPECT_EQ(store.openHandles(), 0u);
}

TEST_F(HelpRegistration, TheSampleHelpFiles) {
    EXPECT_EQ(h.HHSetHelpFile(1), program.programDir().string() + "\\Library.chm");
    EXPECT_EQ(h.HHSetHelpFile(2), "Library.txt");
    for (std::int16_t other : {0, 3, -1}) {
        EXPECT_EQ(h.HHSetHelpFile(other), "");
    }
}

// ---------------------------------------------------------------- the kept store

class KeptStore : public HelpRegistration {
protected:
    std::string file() const { return (config.path() / "zek-skirmish" / "registry").string(); }
    TempDir config;
};

TEST_F(KeptStore, ARegistrationSurvivesARestart) {
    {
        platform::KeptRegistry kept(file());
        platform::setRegistry(&kept);
        std::string path = helpPath();
        h.HHRegister(path);
        platform::setRegistry(nullptr);
    }
    EXPECT_EQ(readFile(file()), registered());

    platform::KeptRegistry restarted(file());
    platform::setRegistry(&restarted);
    HTMLHelp later;
    std::string name = "ZekSkirmishHelp.chm";
    later.HHCheckRegistry(name);
    EXPECT_EQ(later.HHRegFileName(), "ZekSkirmishHelp.chm");
    EXPECT_EQ(later.HHRegFilePath(), program.programDir().string() + "\\");
    EXPECT_TRUE(later.HHRegFileExists());
    later.HHUnRegister(name);
    EXPECT_EQ(readFile(file()), kHeader + kKeys);
    platform::setRegistry(nullptr);
}

TEST_F(KeptStore, ValuesComeBackByteForByte) {
    platform::RegistryStore original;
    std::string odd = std::string("a\tb\r\n%\0\xff", 8);
    original.putKey({platform::HKEY_CLASSES_ROOT, "CLSID\\{x}\\Inproc%Server", {}, true});
    original.putKey({platform::HKEY_CURRENT_USER,
                     "Tab\tKey",
                     {{"", platform::REG_EXPAND_SZ, odd}, {"n=\"1\"", platform::REG_DWORD, "1234"}},
                     false});
    platform::RegistryStore copy;
    ASSERT_TRUE(platform::loadRegistryText(platform::registryText(original), copy));
    ASSERT_EQ(copy.keys().size(), 2u);
    EXPECT_EQ(copy.keys()[0].path, "CLSID\\{x}\\Inproc%Server");
    EXPECT_TRUE(copy.keys()[0].readOnly);
    EXPECT_EQ(copy.keys()[1].values[0].data, odd);
    EXPECT_EQ(copy.keys()[1].values[1].name, "n=\"1\"");
    EXPECT_EQ(platform::registryText(copy), platform::registryText(original));
}

// A file that is not a store is kept aside, not written over.
TEST_F(KeptStore, AnUnreadableFileIsKeptAside) {
    for (const std::string text : {"not a store\n", "Zek Skirmish registry 1\nV\t1\tx\ty\n",
                                   "Zek Skirmish registry 1\nK\tHKLM\t0\tbad%G0\n"}) {
        SCOPED_TRACE(text);
        writeFile(file(), text);
        platform::KeptRegistry kept(file());
        EXPECT_TRUE(kept.store().keys().empty());
        EXPECT_FALSE(fs::exists(file()));
        EXPECT_EQ(readFile(file() + ".bad"), text);
    }
}

// A change that cannot be kept is undone and reported as a failed write.
TEST_F(KeptStore, AChangeThatCannotBeWrittenIsUndone) {
    writeFile(config.path() / "zek-skirmish", "a file where the folder should be");
    platform::KeptRegistry kept(file());
    platform::setRegistry(&kept);
    std::string path = helpPath();
    h.HHRegister(path);
    EXPECT_EQ(lastPrompt(), "HTML Help Class: HHRegister Error");
    EXPECT_EQ(kept.store().openHandles(), 0u);
    EXPECT_EQ(platform::registryText(kept.store()).find("zekskirmishhelp"), std::string::npos);
    platform::setRegistry(nullptr);
}

TEST(RegistryFile, LivesInTheUsersConfigurationFolder) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    std::string restore = savedConfig != nullptr ? savedConfig : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(platform::registryFilePath(), "/cfg/zek-skirmish/registry");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(platform::registryFilePath(),
              std::string(std::getenv("HOME")) + "/.config/zek-skirmish/registry");
    if (savedConfig != nullptr) {
        ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
