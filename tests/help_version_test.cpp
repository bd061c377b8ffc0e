// The help-viewer class's version checks: version texts, minimum versions,
// release names, the operating system's class and long path names.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/FileSearch.h"
#include "platform/VersionServices.h"
#include "support/HelpFixture.h"

namespace {

using help::HTMLHelp;
using help::HTMLHelpProbe;
using platform::ScriptedVersionServices;
using testing_support::HelpFixture;
using testing_support::writeFile;
namespace fs = std::filesystem;

const std::string kHelpKey = "CLSID\\{4662DAB0-D393-11D0-9A56-00C04FB68B66}\\InprocServer32";
const std::string kBrowserKey = "CLSID\\{0A89A860-D7B1-11CE-8350-444553540000}\\InProcServer32";

struct Version {
    std::uint16_t a, b, c, d;
};

class HelpVersion : public ::testing::Test, public HelpFixture {
protected:
    HelpVersion() { platform::setVersionServices(&services); }
    ~HelpVersion() override { platform::setVersionServices(nullptr); }

    std::string inProgram(const std::string& name) const {
        return program.programDir().string() + "\\" + name;
    }
    // A control registered at a file of the program folder with that version.
    void install(const std::string& key, const std::string& name, Version v,
                 const std::string& data = "", std::uint32_t type = platform::REG_SZ) {
        writeFile(program.programDir() / name, "control");
        store.putKey({platform::HKEY_CLASSES_ROOT,
                      key,
                      {{"", type, data.empty() ? inProgram(name) + '\0' : data}},
                      false});
        services.versionBlocks[inProgram(name)] =
            ScriptedVersionServices::block(v.a, v.b, v.c, v.d);
    }
    void installBoth(Version help, Version browser) {
        install(kHelpKey, "hhctrl.ocx", help);
        install(kBrowserKey, "shdocvw.dll", browser);
    }
    bool verify(std::int32_t minHelp, std::int32_t minBrowser) {
        return h.HHVerifyMinConfig(minHelp, minBrowser);
    }
    std::string versionOf(Version v) {
        services.versionBlocks["f"] = ScriptedVersionServices::block(v.a, v.b, v.c, v.d);
        return HTMLHelpProbe::HHGetFileVersion(h, "f");
    }

    HTMLHelp h;
    ScriptedVersionServices services;
};

TEST_F(HelpVersion, VersionTexts) {
    const struct {
        Version v;
        std::string text;
    } cases[] = {
        {{4, 72, 7290, 0}, "4.72.7290.00"},     {{5, 0, 2919, 6307}, "5.00.2919.6307"},
        {{4, 71, 1008, 3}, "4.71.1008.03"},     {{6, 0, 0, 5}, "6.00.0005"},
        {{0xFFFF, 1, 2, 3}, "-1.01.02.03"},      // a part with its top bit set is negative
        {{5, 0xFFFE, 0x8000, 7}, "5.-02.0007"},  // and a negative build picks the short form
    };
    for (const auto& c : cases) {
        EXPECT_EQ(versionOf(c.v), c.text);
    }
}

// No version information, or information that cannot be read, is no version.
TEST_F(HelpVersion, AFileWithoutReadableVersionInformationHasNone) {
    EXPECT_EQ(HTMLHelpProbe::HHGetFileVersion(h, "missing"), "");
    services.versionBlocks["short"] = std::string(20, '\1');
    EXPECT_EQ(HTMLHelpProbe::HHGetFileVersion(h, "short"), "");
    services.versionBlocks["f"] = ScriptedVersionServices::block(1, 2, 3, 4);
    services.unreadable = true;
    EXPECT_EQ(HTMLHelpProbe::HHGetFileVersion(h, "f"), "");
    platform::LinuxVersionServices system;
    platform::setVersionServices(&system);
    writeFile(program.programDir() / "hhctrl.ocx", "control");
    EXPECT_EQ(HTMLHelpProbe::HHGetFileVersion(h, inProgram("hhctrl.ocx")), "");
}

// Minimums compare as text: "10.00.01.00" comes before "4.72.7290", and
// "5.00.2919.800" after "5.00.2919.3800".
TEST_F(HelpVersion, MinimumVersions) {
    const struct {
        Version help, browser;
        std::int32_t minHelp, minBrowser;
        bool passes;
    } cases[] = {
        {{4, 74, 8702, 0}, {5, 0, 2919, 6307}, 16, 256, true},
        {{10, 0, 1, 0}, {5, 0, 2919, 6307}, 16, 256, false},
        {{4, 72, 7290, 0}, {4, 71, 1712, 5000}, 16, 261, true},
        {{4, 72, 7290, 0}, {4, 71, 1712, 5000}, 17, 261, false},
        {{4, 72, 8164, 0}, {4, 71, 1712, 5000}, 19, 262, false},
        {{4, 74, 8702, 0}, {5, 0, 2919, 800}, 26, 273, true},
        {{4, 74, 8702, 0}, {5, 0, 2717, 2000}, 26, 270, true},
        {{4, 74, 8637, 0}, {5, 0, 2717, 2000}, 26, 270, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.minHelp) + "/" + std::to_string(c.minBrowser));
        installBoth(c.help, c.browser);
        EXPECT_EQ(verify(c.minHelp, c.minBrowser), c.passes);
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(store.openHandles(), 0u);
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpVersion, AMinimumOutsideItsTableMakesTheVersionUnknown) {
    installBoth({4, 74, 8702, 0}, {5, 0, 2919, 6307});
    EXPECT_FALSE(verify(15, 256));
    EXPECT_EQ(h.HHFriendlyName(), "unknown");  // the field is used without reading again
    EXPECT_EQ(h.IEFriendlyName(), "5.01");
    EXPECT_FALSE(verify(16, 300));
    EXPECT_EQ(h.HHFriendlyName(), "1.3");
    EXPECT_EQ(h.IEFriendlyName(), "unknown");
    EXPECT_EQ(h.IEVersion(), "5.00.2919.6307");  // the property reads again
    EXPECT_EQ(h.IEFriendlyName(), "5.01");
}

// A check passes only on what this call itself read, never on what an
// earlier read left in the field.
TEST_F(HelpVersion, AVersionThatCannotBeReadNowFailsTheCheck) {
    installBoth({4, 74, 8702, 0}, {5, 0, 2919, 6307});
    ASSERT_TRUE(verify(16, 256));
    fs::remove(program.programDir() / "hhctrl.ocx");
    EXPECT_FALSE(verify(16, 256));
    EXPECT_EQ(h.HHVersion(), "4.74.8702.00");
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].prompt,
              "Hhctrl.ocx is not in its registered location.  Please reinstall HTML Help.");
    EXPECT_EQ(messages()[0].style, 16);
}

TEST_F(HelpVersion, ControlsThatAreNotRegisteredOrNotThere) {
    EXPECT_EQ(h.HHVersion(), "");
    EXPECT_EQ(h.IEVersion(), "");
    store.putKey({platform::HKEY_CLASSES_ROOT,
                  kBrowserKey,
                  {{"", platform::REG_SZ, inProgram("gone.dll") + '\0'}},
                  false});
    EXPECT_EQ(h.IEVersion(), "");
    // An empty version is read again by the release name, which warns again.
    EXPECT_EQ(h.HHFriendlyName(), "unknown");
    std::vector<std::string> prompts;
    for (const auto& m : messages()) {
        EXPECT_EQ(m.style, 16);
        prompts.push_back(m.prompt);
    }
    EXPECT_EQ(prompts, (std::vector<std::string>{
                           "Hhctrl.ocx is not registered.  Please install HTML Help.",
                           "Shdocvw.dll is not registered.  Please install Internet Explorer.",
                           "Internet Explorer is not in its registered location.  Please "
                           "reinstall Internet Explorer.",
                           "Hhctrl.ocx is not registered.  Please install HTML Help.",
                       }));
    EXPECT_EQ(store.openHandles(), 0u);
}

// The registered path is found however the value holds it: with its NUL,
// without one, or to be expanded.
TEST_F(HelpVersion, TheRegisteredPathInEachStoredForm) {
    ::setenv("ZEK_VERSION_TEST_DIR", program.programDir().c_str(), 1);
    const struct {
        std::string data;
        std::uint32_t type;
    } cases[] = {
        {inProgram("hhctrl.ocx") + '\0', platform::REG_SZ},
        {inProgram("hhctrl.ocx"), platform::REG_SZ},
        {std::string("%ZEK_VERSION_TEST_DIR%\\hhctrl.ocx") + '\0', platform::REG_EXPAND_SZ},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        install(kHelpKey, "hhctrl.ocx", {4, 73, 8474, 0}, c.data, c.type);
        EXPECT_EQ(h.HHVersion(), "4.73.8474.00");
    }
    EXPECT_EQ(h.HHFriendlyName(), "1.21a");
    EXPECT_TRUE(messages().empty());
    ::unsetenv("ZEK_VERSION_TEST_DIR");
}

TEST_F(HelpVersion, ReleaseNames) {
    const struct {
        Version browser;
        std::string name;
    } cases[] = {
        {{5, 0, 2919, 6307}, "5.01"},
        {{5, 50, 3825, 1300}, "5.5 Platform Preview"},
        {{4, 72, 3612, 1707}, "4.0 SP2"},
        {{4, 71, 1008, 3}, "unknown"},  // 4.71.1008.03, not 4.71.1008.3000
    };
    for (const auto& c : cases) {
        install(kBrowserKey, "shdocvw.dll", c.browser);
        h.IEVersion();
        EXPECT_EQ(h.IEFriendlyName(), c.name);
    }
}

TEST_F(HelpVersion, OperatingSystemClasses) {
    const struct {
        std::uint32_t platform, major, minor;
        std::int32_t cls;
    } cases[] = {
        {2, 3, 51, 1}, {1, 4, 0, 2},  {2, 4, 0, 3}, {1, 4, 10, 4},
        {2, 5, 1, 5},  {1, 4, 90, 0}, {2, 6, 1, 0}, {platform::VER_PLATFORM_OTHER, 5, 0, 0},
    };
    for (const auto& c : cases) {
        services.version.dwPlatformId = c.platform;
        services.version.dwMajorVersion = c.major;
        services.version.dwMinorVersion = c.minor;
        EXPECT_EQ(HTMLHelpProbe::HHGetOSVersion(h), c.cls) << c.platform << " " << c.major;
    }
    platform::LinuxVersionServices system;
    platform::setVersionServices(&system);
    EXPECT_EQ(HTMLHelpProbe::HHGetOSVersion(h), 0);
}

// Class 0 (this system) walks the folders with directory searches; the
// later classes ask the platform; a path without "~" is left alone.
TEST_F(HelpVersion, LongPathNames) {
    fs::create_directories(program.programDir() / "ab" / "Program Files" / "HTML Help");
    fs::path saved = fs::current_path();
    fs::current_path(program.programDir());
    const struct {
        std::uint32_t platform, major;
        std::string path, longPath;
    } cases[] = {
        {2, 6, "ab\\program*\\html*\\hh~1.ocx", "ab\\Program Files\\HTML Help\\hh~1.ocx"},
        {2, 6, "\"ab\\PROGRAM FILES\\hh~1.ocx\"", "ab\\Program Files\\hh~1.ocx"},
        {2, 6, "ab\\Gone\\hh~1.ocx", ""},
        {2, 6, "ab\\no\\tilde.ocx", "ab\\no\\tilde.ocx"},
        {2, 5, "C:\\PROGRA~1\\hh.ocx", "C:\\Program Files\\hh.ocx"},
        {2, 5, "C:\\UNKNOWN~1\\hh.ocx", ""},
    };
    services.longNames["C:\\PROGRA~1\\hh.ocx"] = "C:\\Program Files\\hh.ocx";
    for (const auto& c : cases) {
        services.version.dwPlatformId = c.platform;
        services.version.dwMajorVersion = c.major;
        EXPECT_EQ(HTMLHelpProbe::HHLongPathName(h, c.path), c.longPath) << c.path;
    }
    fs::current_path(saved);
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST(VersionServices, ThisSystemsLongPathIsThePathItselfWhenItExists) {
    testing_support::TempDir dir;
    platform::LinuxVersionServices system;
    std::string out;
    EXPECT_EQ(system.GetLongPathName(dir.str(), out, 4096), dir.str().size());
    EXPECT_EQ(out, dir.str());
    EXPECT_EQ(system.GetLongPathName(dir.str(), out, 4), dir.str().size() + 1);
    EXPECT_EQ(system.GetLongPathName(dir.str() + "/none~1", out, 4096), 0u);
    platform::OSVERSIONINFO info;
    EXPECT_FALSE(system.GetVersionEx(info));  // its size must be set
}

}  // namespace
