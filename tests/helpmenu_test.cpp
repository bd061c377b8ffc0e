// The Help menu's commands (text files, web pages, About), the About
// dialog's system-information launcher, and the platform services behind
// them: the text viewer's stand-in, the shell open and the directory lookup.
#include "help/HelpMenu.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/Main.h"
#include "forms/Runtime.h"
#include "help/frmAbout.h"
#include "platform/DesktopServices.h"
#include "platform/FileSearch.h"
#include "platform/HelpViewer.h"
#include "platform/Launcher.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::HKEY_LOCAL_MACHINE;
using platform::REG_BINARY;
using platform::REG_DWORD;
using platform::REG_SZ;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::TempDir;
using testing_support::writeFile;

constexpr const char* kAppTitle = "Zekvarin Skirmish Mode";
constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";
constexpr const char* kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

help::frmAbout& about() {
    return forms::form<help::frmAbout>();
}

// The program started on Main, with a shell, help viewer and registry of
// the tests' own in place.
class HelpMenu : public ::testing::Test {
protected:
    HelpMenu() {
        platform::setShell(&shell);
        platform::setHelpViewer(&viewer);
        platform::setRegistry(&store);
    }
    ~HelpMenu() override {
        platform::setShell(nullptr);
        platform::setHelpViewer(nullptr);
        platform::setRegistry(nullptr);
    }
    void start() {
        fx.start();
        ASSERT_TRUE(mainForm().Visible());
    }
    std::string P() const { return fx.programDir().string(); }
    void putValue(const char* key, const char* name, std::uint32_t type, const std::string& data,
                  bool readOnly = false) {
        store.putKey({HKEY_LOCAL_MACHINE, key, {{name, type, data}}, readOnly});
    }

    ProgramFixture fx;
    forms::headless::Driver& d = fx.driver();
    platform::RecordingShell shell;
    platform::RecordingHelpViewer viewer;
    platform::RegistryStore store;
};

// ---------------------------------------------------------------- the menu

TEST_F(HelpMenu, TextFilesRunTheViewerLineAsWrittenAlsoWhenTheFileIsMissing) {
    struct Case {
        const char* how;  // a menu item, or a key on Main
        bool byKey;
        const char* file;
        bool present;
    };
    start();
    for (const Case& c : {Case{"mnulevellist", false, "levellist.txt", true},
                          Case{"Ctrl+L", true, "levellist.txt", true},
                          Case{"mnuchangelog", false, "changelog.txt", true},
                          Case{"mnuchangelog", false, "changelog.txt", false}}) {
        SCOPED_TRACE(std::string(c.how) + (c.present ? "" : " (missing file)"));
        if (!c.present) {
            fs::remove(fx.programDir() / c.file);
        }
        fx.launcher().launches.clear();
        c.byKey ? d.key("Main", c.how) : d.menu("Main", c.how);
        d.run();
        ASSERT_EQ(fx.launcher().launches.size(), 1u);
        EXPECT_EQ(fx.launcher().launches[0].commandLine,
                  "notepad.exe " + P() + "\\" + std::string(c.file));
        EXPECT_EQ(fx.launcher().launches[0].windowStyle, 1);
    }
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
}

TEST_F(HelpMenu, AViewerThatCannotStartIsReportedAndTheProgramGoesOn) {
    start();
    fx.launcher().failing = true;
    for (const char* item : {"mnulevellist", "mnuchangelog"}) {
        d.menu("Main", item);
        d.run();
    }
    ASSERT_EQ(d.messages().size(), 2u);
    for (const auto& message : d.messages()) {
        EXPECT_EQ(message.style, 48);
        EXPECT_EQ(message.title, kAppTitle);
        EXPECT_EQ(message.prompt, "File not found");
    }
    EXPECT_FALSE(d.ended());
    EXPECT_TRUE(mainForm().Visible());
}

TEST_F(HelpMenu, WebPagesGoToTheShellsDefaultVerbAndAFailureStaysSilent) {
    start();
    shell.result = platform::SE_ERR_NOASSOC;
    const std::pair<const char*, const char*> pages[] = {{"mnuzekvault", help::kZekVaultPage},
                                                         {"mnuashenpact", help::kAshenPactPage},
                                                         {"mnuzekrec", help::kOrnavellePage}};
    for (const auto& [item, address] : pages) {
        d.menu("Main", item);
    }
    d.run();
    ASSERT_EQ(shell.calls.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& call = shell.calls[i];
        EXPECT_EQ(call.file, pages[i].second);
        EXPECT_TRUE(call.file.find(".example/") != std::string::npos) << call.file;
        EXPECT_EQ(call.hwnd, 0);
        EXPECT_EQ(call.operation, std::nullopt);
        EXPECT_EQ(call.parameters, std::nullopt);
        EXPECT_EQ(call.directory, std::nullopt);
        EXPECT_EQ(call.showCommand, 0);
    }
    EXPECT_TRUE(d.messages().empty()) << fx.lastMessage();
}

TEST_F(HelpMenu, EveryItemWorksWhileAGameRuns) {
    writeFile(fx.programDir() / "zekskirmishhelp.chm", "compiled help");
    start();
    d.click("Main", "Start").click("frmdifficulty", "easy");
    d.run();
    ASSERT_TRUE(testing_support::gameRunningState());
    const std::size_t launches = fx.launcher().launches.size();

    d.key("Main", "F1").key("Main", "Ctrl+L").menu("Main", "mnuchangelog");
    for (const char* item : {"mnuzekvault", "mnuashenpact", "mnuzekrec", "About1"}) {
        d.menu("Main", item);
    }
    d.key("frmAbout", "Enter");
    d.run();
    EXPECT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(fx.launcher().launches.size(), launches + 2);
    EXPECT_EQ(shell.calls.size(), 3u);
    EXPECT_FALSE(testing_support::loaded("frmAbout"));
    EXPECT_TRUE(testing_support::gameRunningState());
}

// ---------------------------------------------------------------- About

// Enter, Esc and the fresh load of each showing: in the screens test.
TEST_F(HelpMenu, AboutIsModalOverMainCentredAndShowsTheApplicationsVersion) {
    start();
    d.app().Major = 1;
    d.app().Minor = 20;
    d.app().Revision = 300;
    d.menu("Main", "About1").then([&] {
        help::frmAbout& dialog = about();
        EXPECT_TRUE(dialog.isModal());
        EXPECT_EQ(dialog.Owner(), &mainForm());
        EXPECT_EQ(dialog.ActiveControl(), &dialog.cmdOK);
        EXPECT_EQ(dialog.lblVersion.Caption(), "Version 1.20.300");
        EXPECT_EQ(dialog.Left(), (forms::ScreenWidth() - dialog.Width()) / 2);
    });
    d.key("frmAbout", "Esc");
    d.run();
    EXPECT_FALSE(about().Loaded());
}

// ---------------------------------------------------------------- GetKeyValue

TEST_F(HelpMenu, GetKeyValueReadsTextAndNumberValuesAndClosesItsKey) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string data;
        bool readOnly;
        std::optional<std::string> expected;  // none: returns false with ""
    };
    const std::string full(1024, 'x');
    const std::vector<Case> cases{
        {"text with its NUL", REG_SZ, std::string("C:\\Tools\0", 9), false, "C:\\Tools"},
        {"text without NUL", REG_SZ, "C:\\Tools", false, "C:\\Tools"},
        {"1024 bytes", REG_SZ, full, false, full},
        {"1025 bytes", REG_SZ, full + "y", false, std::nullopt},
        // A number's digits are appended to the text as it came in.
        {"number 261", REG_DWORD, std::string("\x05\x01\x00\x00", 4), false, "&hcame in015"},
        {"number 0xAB00", REG_DWORD, std::string("\x00\xAB\x00\x00", 4), false, "&hcame in0AB0"},
        {"binary", REG_BINARY, "ab", false, "came in"},
        {"key that refuses full access", REG_SZ, "x", true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store = {};
        putValue(kToolKey, "PATH", c.type, c.data, c.readOnly);
        platform::HKEY root = HKEY_LOCAL_MACHINE;
        std::string key = kToolKey, name = "path", value = "came in";
        EXPECT_EQ(about().GetKeyValue(root, key, name, value), c.expected.has_value());
        EXPECT_EQ(value, c.expected.value_or(""));
        EXPECT_EQ(store.openHandles(), 0u);
    }
    // No key, no value, and a value with no bytes at all.
    platform::HKEY root = HKEY_LOCAL_MACHINE;
    std::string missingKey = "SOFTWARE\\Nothing", name = "PATH", value = "x";
    EXPECT_FALSE(about().GetKeyValue(root, missingKey, name, value));
    EXPECT_EQ(value, "");
    store = {};
    putValue(kToolKey, "PATH", REG_SZ, "");
    std::string key = kToolKey, other = "Other";
    EXPECT_FALSE(about().GetKeyValue(root, key, other, value));
    EXPECT_THROW(about().GetKeyValue(root, key, name, value), forms::RuntimeError);
    EXPECT_EQ(store.openHandles(), 0u);
}

// ---------------------------------------------------------------- StartSysInfo

TEST_F(HelpMenu, StartSysInfoRunsTheToolAsOnePathOrSaysItIsUnavailable) {
    TempDir tools;
    const fs::path folder = tools.path() / "Shared Tools";
    writeFile(folder / "msinfo32.exe", "");
    fs::create_directories(tools.path() / "Only A Folder" / "MSINFO32.EXE");
    const std::string pathValue = std::string("C:\\Program Files\\MSINFO32.EXE") + '\0';
    struct Case {
        const char* what;
        std::optional<std::string> toolPath;    // the first value's data
        std::optional<std::string> toolFolder;  // the second value's data
        bool launcherFails;
        std::optional<std::string> run;  // none: the message instead
    };
    const std::vector<Case> cases{
        {"first value, run untested and whole", pathValue, folder.string(), false,
         "\"C:\\Program Files\\MSINFO32.EXE\""},
        {"second value, tool found", std::nullopt, folder.string(), false,
         "\"" + folder.string() + "\\MSINFO32.EXE\""},
        {"no values", std::nullopt, std::nullopt, false, std::nullopt},
        {"folder without the tool", std::nullopt, tools.str(), false, std::nullopt},
        {"a folder of the tool's name", std::nullopt, (tools.path() / "Only A Folder").string(),
         false, std::nullopt},
        {"empty first value stops at once", "", folder.string(), false, std::nullopt},
        {"tool that cannot start", pathValue, std::nullopt, true, std::nullopt},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store = {};
        if (c.toolPath) {
            putValue(kToolKey, "PATH", REG_SZ, *c.toolPath);
        }
        if (c.toolFolder) {
            putValue(kFolderKey, "MSINFO", REG_SZ, *c.toolFolder + '\0');
        }
        fx.launcher().launches.clear();
        fx.launcher().failing = c.launcherFails;
        const std::size_t shown = d.messages().size();
        d.then([] { about().StartSysInfo(); });
        d.run();
        if (c.run) {
            ASSERT_EQ(fx.launcher().launches.size(), 1u);
            EXPECT_EQ(fx.launcher().launches[0].commandLine, *c.run);
            EXPECT_EQ(fx.launcher().launches[0].windowStyle, 1);
            EXPECT_EQ(d.messages().size(), shown);
        } else {
            EXPECT_TRUE(fx.launcher().launches.empty());
            ASSERT_EQ(d.messages().size(), shown + 1);
            EXPECT_EQ(d.messages().back().style, 0);
            EXPECT_EQ(d.messages().back().title, kAppTitle);
            EXPECT_EQ(d.messages().back().prompt, kUnavailable);
        }
        EXPECT_EQ(store.openHandles(), 0u);
        EXPECT_EQ(platform::openSearches(), 0u);
    }
}

// ---------------------------------------------------------------- platform

// The launcher shows text files through the desktop's opener when the text
// viewer it is asked for does not exist here.
class TextViewer : public ::testing::Test {
protected:
    TextViewer() { platform::setDesktop(&desktop); }
    ~TextViewer() override { platform::setDesktop(nullptr); }

    TempDir root;
    platform::RecordingDesktopServices desktop;
    platform::ProcessLauncher launcher{[this] { return root.str(); }};
};

TEST_F(TextViewer, TheRestOfTheLineIsOneFileForTheOpener) {
    const fs::path odd = root.path() / "my \"zek\" prog; $(touch pwned) `x` & more";
    fs::create_directories(odd);
    struct Case {
        std::string line;
        std::optional<std::string> opened;  // none: "File not found"
    };
    for (const Case& c : std::vector<Case>{
             {"notepad.exe " + odd.string() + "\\levellist.txt", odd.string() + "/levellist.txt"},
             {"NotePad.EXE   " + odd.string() + "\\changelog.txt", odd.string() + "/changelog.txt"},
             {"notepad.exe \"" + root.str() + "\\a b.txt\"", root.str() + "/a b.txt"},
             {"notepad.exe ", std::nullopt},
             {"notepad.exe.sh " + root.str(), std::nullopt},
         }) {
        SCOPED_TRACE(c.line);
        desktop.opened.clear();
        if (c.opened) {
            EXPECT_GT(launcher.run(c.line, 1), 0);
            EXPECT_EQ(desktop.opened, std::vector<std::string>{*c.opened});
        } else {
            EXPECT_THROW(launcher.run(c.line, 1), forms::RuntimeError);
            EXPECT_TRUE(desktop.opened.empty());
        }
    }
    desktop.failing = true;
    EXPECT_THROW(launcher.run("notepad.exe " + root.str() + "\\x.txt", 1), forms::RuntimeError);
}

TEST(ShellOpen, TheDesktopShellOpensOnlyWithTheDefaultVerbAndNoParameters) {
    platform::RecordingDesktopServices desktop;
    platform::setDesktop(&desktop);
    platform::DesktopShell shell;
    const std::string page = help::kOrnavellePage;
    EXPECT_GT(shell.ShellExecute(0, std::nullopt, page, std::nullopt, std::nullopt, 0), 32);
    EXPECT_GT(shell.ShellExecute(0, "Open", page, "", "/tmp", 1), 32);
    EXPECT_EQ(shell.ShellExecute(0, "print", page, std::nullopt, std::nullopt, 0),
              platform::SE_ERR_NOASSOC);
    EXPECT_EQ(shell.ShellExecute(0, std::nullopt, page, "--new", std::nullopt, 0),
              platform::SE_ERR_NOASSOC);
    EXPECT_EQ(desktop.opened, (std::vector<std::string>{page, page}));
    desktop.failing = true;
    EXPECT_EQ(shell.ShellExecute(0, std::nullopt, page, std::nullopt, std::nullopt, 0),
              platform::SE_ERR_NOASSOC);
    platform::setDesktop(nullptr);
}

TEST(DirLookup, FindsNormalFilesInAnyCaseAndPassesOverFolders) {
    TempDir dir;
    writeFile(dir.path() / "Tool.EXE", "");
    fs::create_directories(dir.path() / "A folder.exe");
    const std::string base = dir.str();
    for (const auto& [path, found] : std::vector<std::pair<std::string, std::string>>{
             {base + "\\tool.exe", "Tool.EXE"},
             {base + "\\*.exe", "Tool.EXE"},  // the folder comes first by name
             {base + "\\a folder.exe", ""},
             {base + "\\missing.exe", ""},
             {"", ""}}) {
        EXPECT_EQ(platform::Dir(path), found) << path;
    }
    EXPECT_EQ(platform::openSearches(), 0u);
}

// The real launcher and opener, with stand-ins first on PATH that note who
// ran, how many arguments they got and the first of them: an xdg-open, and
// then a notepad.exe. Each gets the file the program names as its one path
// on this system.
TEST(DesktopOpener, TheViewerOrOpenerGetsTheFilesOwnPathAndNoShellRunsIt) {
    TempDir root;
    const fs::path bin = root.path() / "bin";
    const fs::path log = root.path() / "opened.log";
    auto standIn = [&](const char* name) {
        writeFile(bin / name, "#!/bin/sh\nprintf '%s|%s|%s\\n' \"${0##*/}\" \"$#\" \"$1\" >> '" +
                                  log.string() + "'\n");
        fs::permissions(bin / name, fs::perms::owner_all);
    };
    standIn("xdg-open");
    testing_support::ScopedEnv path("PATH", bin.string() + ":/usr/bin:/bin");
    const fs::path odd = root.path() / "prog; $(touch pwned) `touch pwned2`";
    writeFile(odd / "LevelList.txt", "levels");
    const fs::path cwd = fs::current_path();
    fs::current_path(root.path());

    platform::ProcessLauncher launcher([&] { return odd.string(); });
    for (const char* runs : {"xdg-open", "notepad.exe"}) {
        if (std::string(runs) == "notepad.exe") {
            standIn(runs);
        }
        EXPECT_GT(launcher.run("notepad.exe " + odd.string() + "\\levellist.txt", 1), 0);
        EXPECT_EQ(testing_support::awaitLog(log),
                  std::string(runs) + "|1|" + (odd / "LevelList.txt").string() + "\n");
        fs::remove(log);
    }
    platform::DesktopShell shell;
    EXPECT_GT(
        shell.ShellExecute(0, std::nullopt, help::kZekVaultPage, std::nullopt, std::nullopt, 0),
        32);
    EXPECT_EQ(testing_support::awaitLog(log),
              "xdg-open|1|" + std::string(help::kZekVaultPage) + "\n");

    fs::current_path(cwd);
    EXPECT_FALSE(fs::exists(root.path() / "pwned"));
    EXPECT_FALSE(fs::exists(root.path() / "pwned2"));
}

}  // namespace
