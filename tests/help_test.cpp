// The Help command and the help-viewer class's core: properties, the
// contents display, the help file checks, its message boxes and its
// registry reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "app/Main.h"
#include "platform/Environment.h"
#include "platform/FileSearch.h"
#include "support/HelpFixture.h"

namespace {

using help::HTMLHelp;
using help::HTMLHelpProbe;
using platform::HH_DISPLAY_TOC;
namespace fs = std::filesystem;
using testing_support::HelpFixture;
using testing_support::kHelpCaption;
using testing_support::mainForm;
using testing_support::writeFile;

const std::string kNotThere =
    " does not exist.\nPlease make sure the correct path and file name "
    "have been specified.";

HTMLHelp* helpObject() {
    return static_cast<HTMLHelp*>(mainForm().hHelp.get());
}

// The program started and waiting on Main, with or without its help file.
class HelpCommand : public ::testing::Test, public HelpFixture {
protected:
    void startProgram(bool withHelpFile) {
        if (withHelpFile) {
            writeFile(helpFile(), "compiled help");
        } else {
            fs::remove(helpFile());
        }
        program.start();
        ASSERT_TRUE(mainForm().Visible());
        ASSERT_TRUE(messages().empty());
    }
    forms::headless::Driver& driver() { return program.driver(); }
};

void expectContentsCall(const platform::RecordingHelpViewer::Call& call, std::int32_t caller,
                        const std::string& file) {
    EXPECT_EQ(call.hwndCaller, caller);
    EXPECT_EQ(call.file, file);
    EXPECT_EQ(call.command, HH_DISPLAY_TOC);
    EXPECT_EQ(call.data, platform::HelpData(std::int32_t{0}));
}

// ---------------------------------------------------------------- Help command

TEST_F(HelpCommand, F1AndTheMenuItemShareOneObjectForMainsLife) {
    startProgram(true);
    EXPECT_EQ(mainForm().hHelp, nullptr);
    driver().key("Main", "F1");
    driver().run();
    HTMLHelp* first = helpObject();
    ASSERT_NE(first, nullptr);
    driver().menu("Main", "Help2");
    driver().run();
    EXPECT_EQ(helpObject(), first);
    EXPECT_EQ(mainForm().hHelp.use_count(), 1);
    ASSERT_EQ(viewer.calls.size(), 2u);
    for (const auto& call : viewer.calls) {
        expectContentsCall(call, 0, helpPath());
    }
    EXPECT_EQ(first->CHMFile(), helpPath());
    EXPECT_EQ(first->HHWndHandle(), viewer.result);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpCommand, AMissingHelpFileShowsOneWarningAndNothingElse) {
    startProgram(false);
    std::string fog = mainForm().Command1.Caption();
    driver().menu("Main", "Help2");
    driver().run();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].style, 48);
    EXPECT_EQ(messages()[0].title, kHelpCaption);
    EXPECT_EQ(messages()[0].prompt, "The file " + helpPath() + kNotThere);
    EXPECT_TRUE(messages()[0].ownerless);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_TRUE(program.launcher().launches.empty());
    EXPECT_EQ(mainForm().Command1.Caption(), fog);
    EXPECT_TRUE(mainForm().Start.Enabled());
    EXPECT_FALSE(fs::exists(helpFile()));
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpCommand, MainStaysUsableWhileTheWarningIsOpenAndHelpRunsAgainInsideIt) {
    startProgram(false);
    std::string fog = mainForm().Command1.Caption();
    auto& backend = driver().backend();
    driver().menu("Main", "Help2");
    // Inside the first box: Main takes a click, then the Help command again.
    driver().click("Main", "Command1").then([&] {
        EXPECT_EQ(backend.ownerlessBoxesOpen(), 1);
        EXPECT_NE(mainForm().Command1.Caption(), fog);
    });
    driver().key("Main", "F1").then([&] { EXPECT_EQ(backend.ownerlessBoxesOpen(), 2); }).ok();
    driver().then([&] { EXPECT_EQ(backend.ownerlessBoxesOpen(), 1); }).ok();
    driver().run();
    EXPECT_EQ(backend.ownerlessBoxesOpen(), 0);
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1].prompt, messages()[0].prompt);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_EQ(mainForm().hHelp.use_count(), 1);
}

// A file of that name that is not compiled help: the viewer opens nothing (0);
// a viewer that cannot be loaded raises. Neither shows anything.
TEST_F(HelpCommand, AViewerThatOpensNothingOrCannotBeLoadedStaysSilent) {
    startProgram(true);
    viewer.results = {0};
    driver().menu("Main", "Help2");
    driver().run();
    viewer.raising = true;
    driver().key("Main", "F1");
    driver().run();
    EXPECT_EQ(viewer.calls.size(), 2u);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(driver().ended());
    EXPECT_EQ(helpObject()->HHWndHandle(), 0);  // stored by the first, kept by the second
}

// ---------------------------------------------------------------- errors of any kind

// Errors that are not the runtime's own, as the standard library and the
// file layer raise them, and the report that names each.
struct ForeignError {
    std::string name;
    std::exception_ptr error;
    std::string report;
};

void PrintTo(const ForeignError& error, std::ostream* out) {
    *out << error.name;
}

template <class E>
ForeignError foreign(std::string name, const E& error, int number, const std::string& text) {
    return {std::move(name), std::make_exception_ptr(error),
            "Run-time error '" + std::to_string(number) + "':\r\n\r\n" + text};
}

const std::system_error kDiskFull(std::make_error_code(std::errc::no_space_on_device),
                                  "writing levl2001.hdr");

class AnyError : public HelpCommand, public ::testing::WithParamInterface<ForeignError> {};

// The Help command's display trap takes it: nothing is shown, the program
// goes on, and the window handle keeps its value.
TEST_P(AnyError, StopsTheHelpDisplayQuietly) {
    startProgram(true);
    viewer.error = GetParam().error;
    driver().key("Main", "F1");
    driver().run();
    EXPECT_EQ(viewer.calls.size(), 1u);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(driver().ended());
    EXPECT_EQ(helpObject()->HHWndHandle(), 0);
}

// A handler with no trap: the unhandled-error report, then the end.
TEST_P(AnyError, EscapingAHandlerIsReportedAndEndsTheProgram) {
    startProgram(true);
    mainForm().Command1.Click = [error = GetParam().error] { std::rethrow_exception(error); };
    driver().click("Main", "Command1");
    driver().run();
    EXPECT_TRUE(driver().ended());
    EXPECT_EQ(driver().exitStatus(), forms::kExitOnError);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].style, forms::style::Critical);
    EXPECT_EQ(messages()[0].title, "Zekvarin Skirmish Mode");
    EXPECT_EQ(messages()[0].prompt, GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    OfEachKind, AnyError,
    ::testing::Values(foreign("OutOfMemory", std::bad_alloc(), 7, "Out of memory"),
                      foreign("IndexOutOfRange", std::out_of_range("record index 200"), 9,
                              "record index 200"),
                      foreign("FailedSystemCall", kDiskFull, 61, kDiskFull.what())),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- the class

// One HTMLHelp on the program's runtime, Main not shown.
class HelpClass : public ::testing::Test, public HelpFixture {
protected:
    std::string inProgram(const std::string& name) const {
        return program.programDir().string() + "\\" + name;
    }
    // The messages' texts so far.
    std::vector<std::string> prompts() {
        std::vector<std::string> texts;
        for (const auto& m : messages()) {
            EXPECT_EQ(m.title, kHelpCaption);
            EXPECT_TRUE(m.ownerless);
            texts.push_back(m.prompt);
        }
        return texts;
    }
    HTMLHelp h;
};

TEST_F(HelpClass, ANewInstanceStartsEmptyAndTheBoxesCarryTheirStyles) {
    EXPECT_EQ(h.CHMFile(), "");
    EXPECT_EQ(h.HHWindow(), "");
    EXPECT_EQ(h.HHTopicID(), 0);
    EXPECT_FALSE(h.HHShowOnTop());
    EXPECT_FALSE(h.HHPopupCustomColors());
    EXPECT_EQ(h.HHRegFileName(), "");
    EXPECT_FALSE(h.HHRegFileExists());
    EXPECT_EQ(h.HHWndHandle(), 0);
    EXPECT_EQ(HTMLHelpProbe::HHMsgCritical(h, "c"), 1);
    EXPECT_EQ(HTMLHelpProbe::HHMsgInformation(h, "i"), 1);
    ASSERT_EQ(prompts(),
              (std::vector<std::string>{"No HTML Help window handle to retrieve.", "c", "i"}));
    EXPECT_EQ(messages()[0].style, 48);
    EXPECT_EQ(messages()[1].style, 16);
    EXPECT_EQ(messages()[2].style, 64);
}

TEST_F(HelpClass, TheNameCheckLooksAtTheLastThreeCharactersOnly) {
    const struct {
        std::string name;
        bool valid;
    } cases[] = {
        {"help.chm", true}, {"HELP.CHM", true}, {"help.cHm", true},
        {"helpchm", true},  {"chm", true},      {"help.chm ", false},
        {"", false},        {"hm", false},      {"help.txt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.name + "'");
        std::size_t before = messages().size();
        EXPECT_EQ(HTMLHelpProbe::HHValidateCHMFile(h, c.name), c.valid);
        if (c.valid) {
            EXPECT_EQ(messages().size(), before);
        } else {
            ASSERT_EQ(messages().size(), before + 1);
            EXPECT_EQ(messages().back().prompt, c.name + " is not a valid HTML Help file.");
        }
    }
}

TEST_F(HelpClass, AnInvalidNameEndsTheDisplayAfterItsWarning) {
    h.CHMFile("");
    h.HHDisplayContents(9);
    EXPECT_EQ(prompts(), std::vector<std::string>{" is not a valid HTML Help file."});
    EXPECT_TRUE(viewer.calls.empty());
}

TEST_F(HelpClass, TheFileNameAndTheCallerWindow) {
    writeFile(helpFile(), "x");
    const struct {
        std::string window;
        bool onTop;
        std::int32_t callingForm;
        std::string suffix;
        std::int32_t caller;
    } cases[] = {
        {"", false, 77, "", 0},
        {"   ", true, 77, "", 77},
        {"main", true, 0, ">main", 0},
        {" main ", false, 77, "> main ", 0},
    };
    for (const auto& c : cases) {
        h.HHWindow(c.window);
        h.HHShowOnTop(c.onTop);
        h.CHMFile(helpPath());
        h.HHDisplayContents(c.callingForm);
        expectContentsCall(viewer.calls.back(), c.caller, helpPath() + c.suffix);
    }
    h.HHDisplayContents();  // no calling window: 0 even on top
    expectContentsCall(viewer.calls.back(), 0, helpPath() + "> main ");
    EXPECT_TRUE(messages().empty());
}

TEST_F(HelpClass, TheWindowHandleFollowsTheViewersAnswers) {
    writeFile(helpFile(), "x");
    h.CHMFile(helpPath());
    viewer.results = {55, 0};
    h.HHDisplayContents();
    EXPECT_EQ(h.HHWndHandle(), 55);
    viewer.raising = true;  // the viewer cannot be loaded: the handle stays
    h.HHDisplayContents();
    EXPECT_EQ(h.HHWndHandle(), 55);
    viewer.raising = false;  // it cannot read the file: 0 is stored
    h.HHDisplayContents();
    EXPECT_EQ(h.HHWndHandle(), 0);
    EXPECT_EQ(prompts(), std::vector<std::string>{"No HTML Help window handle to retrieve."});
}

TEST_F(HelpClass, ABareNameResolvesToItsRegisteredFolderElseTheProgramFolder) {
    testing_support::TempDir other;
    writeFile(other.path() / "Guide.chm", "x");
    writeFile(program.programDir() / "Guide.chm", "x");
    h.CHMFile("Guide.chm");
    h.HHDisplayContents();
    EXPECT_EQ(h.CHMFile(), inProgram("Guide.chm"));
    EXPECT_EQ(h.HHRegFileName(), "");

    registerValue("guide.CHM", other.str() + "\\" + '\0');
    h.CHMFile("Guide.chm");
    h.HHDisplayContents();
    EXPECT_EQ(h.HHRegFileName(), "Guide.chm");
    EXPECT_EQ(h.HHRegFilePath(), other.str() + "\\");
    EXPECT_TRUE(h.HHRegFileExists());
    EXPECT_EQ(h.CHMFile(), other.str() + "\\Guide.chm");
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[1].file, other.str() + "\\Guide.chm");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(store.openHandles(), 0u);
    EXPECT_EQ(platform::openSearches(), 0u);
}

TEST_F(HelpClass, ARegisteredFileThatIsGoneWarnsForEachPathTested) {
    registerValue("Guide.chm", "/nowhere\\" + std::string(1, '\0'));
    h.CHMFile("Guide.chm");
    h.HHDisplayContents();
    EXPECT_EQ(prompts(), (std::vector<std::string>{"The file /nowhere\\\\Guide.chm" + kNotThere,
                                                   "The file /nowhere\\Guide.chm" + kNotThere}));
    EXPECT_FALSE(h.HHRegFileExists());
    EXPECT_EQ(h.CHMFile(), "/nowhere\\Guide.chm");
    EXPECT_TRUE(viewer.calls.empty());
}

TEST_F(HelpClass, TheExistenceTestIsADirectorySearch) {
    fs::create_directories(program.programDir() / "folder.chm");
    writeFile(helpFile(), "x");
    for (const std::string name :
         {"folder.chm", "ZEKSKIRMISHHELP.chm", "zek*.chm", "?ekskirmishhelp.chm"}) {
        h.CHMFile(inProgram(name));
        h.HHDisplayContents();
        EXPECT_EQ(viewer.calls.back().file, inProgram(name));
    }
    EXPECT_EQ(viewer.calls.size(), 4u);
    // A path with "/" only holds no "\": a bare name, put behind the program folder.
    h.CHMFile(program.programDir().string() + "/zekskirmishhelp.chm");
    h.HHDisplayContents();
    EXPECT_EQ(viewer.calls.size(), 4u);
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(platform::openSearches(), 0u);
}

// ---------------------------------------------------------------- registry reads

TEST_F(HelpClass, RootKeyNamesMapWithoutLetterCase) {
    const std::pair<std::string, platform::HKEY> cases[] = {
        {"hkcu", platform::HKEY_CURRENT_USER},
        {"HKLM", platform::HKEY_LOCAL_MACHINE},
        {"hKu", platform::HKEY_USERS},
        {"HKDD", platform::HKEY_DYN_DATA},
        {"HKCC", platform::HKEY_CURRENT_CONFIG},
        {"hkcr", platform::HKEY_CLASSES_ROOT},
        {"HKEY_LOCAL_MACHINE", 0},
        {"", 0},
    };
    for (const auto& [name, key] : cases) {
        EXPECT_EQ(HTMLHelpProbe::HHRootKeyFromName(h, name), key) << name;
    }
}

TEST_F(HelpClass, ReadingAValueListsItsNameAndDataAndClosesEveryKey) {
    ::setenv("ZEK_HELP_TEST_DIR", "/srv/help", 1);
    registerValue("Dword", "\x01\x02\x03\x04", platform::REG_DWORD);
    registerValue("Plain.chm", std::string("C:\\Help\\\0", 9));
    registerValue("Expand.chm", std::string("%ZEK_HELP_TEST_DIR%\\\0", 21),
                  platform::REG_EXPAND_SZ);
    registerValue("", std::string("default\0", 8));
    std::string expanded = "/srv/help\\" + std::string(1, '\0');
    expanded += std::string(2048 - expanded.size(), ' ');
    const struct {
        std::string root, key, name, wantName, wantText;
        std::string fault;
    } cases[] = {
        {"HKLM", testing_support::kHelpRegistryKey, "plain.CHM", "plain.CHM",
         "Plain.chm=C:\\Help\\" + std::string(1, '\0') + "\r", ""},
        {"HKLM", testing_support::kHelpRegistryKey, "Expand.chm", "Expand.chm",
         "Expand.chm=" + expanded + "\r", ""},
        {"hklm", testing_support::kHelpRegistryKey, "", "",
         "=default" + std::string(1, '\0') + "\r", ""},
        {"HKLM", testing_support::kHelpRegistryKey, "Dword", "", "", ""},
        {"HKLM", testing_support::kHelpRegistryKey, "None.chm", "", "", ""},
        {"HKCR", testing_support::kHelpRegistryKey, "Plain.chm", "", "", ""},
        {"HKXX", testing_support::kHelpRegistryKey, "Plain.chm", "", "", ""},
        {"HKLM", testing_support::kHelpRegistryKey, "Plain.chm", "Plain.chm", "", "query"},
        {"HKLM", testing_support::kHelpRegistryKey, "Plain.chm", "", "", "enum"},
        {"HKLM", testing_support::kHelpRegistryKey, "Plain.chm", "", "", "open"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root + " " + c.name + " " + c.fault);
        store.fault = [&c](const std::string& op) { return op == c.fault ? 5L : 0L; };
        help::RegValueRecord record = HTMLHelpProbe::HHReadRegValue(h, c.root, c.key, c.name);
        EXPECT_EQ(record.Name, c.wantName);
        EXPECT_EQ(record.Text, c.wantText);
        EXPECT_EQ(store.openHandles(), 0u);
    }
    store.fault = nullptr;
    ::unsetenv("ZEK_HELP_TEST_DIR");
}

TEST_F(HelpClass, CheckingARegistrationTakesTheFolderWhateverTheStoredForm) {
    testing_support::TempDir other;
    ::setenv("ZEK_HELP_TEST_DIR", other.str().c_str(), 1);
    const struct {
        std::string name, data;
        std::uint32_t type;
    } cases[] = {
        {"Nul.chm", other.str() + "\\" + '\0', platform::REG_SZ},
        {"NoNul.chm", other.str() + "\\", platform::REG_SZ},
        {"Expand.chm", std::string("%ZEK_HELP_TEST_DIR%\\") + '\0', platform::REG_EXPAND_SZ},
        {"a=b.chm", other.str() + "\\" + '\0', platform::REG_SZ},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(other.path() / c.name, "x");
        registerValue(c.name, c.data, c.type);
        std::string name = c.name;
        EXPECT_EQ(h.HHCheckRegistry(name), std::optional<bool>(false));
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(h.HHRegFileName(), c.name);
        EXPECT_EQ(h.HHRegFilePath(), other.str() + "\\");
        EXPECT_TRUE(h.HHRegFileExists());
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(store.openHandles(), 0u);
    ::unsetenv("ZEK_HELP_TEST_DIR");
}

TEST_F(HelpClass, CheckingAnEmptyAnInvalidOrAnUnregisteredName) {
    testing_support::TempDir other;
    writeFile(other.path() / "Guide.chm", "x");
    registerValue("Guide.chm", other.str() + "\\" + '\0');
    std::string name = "C:\\Docs\\Guide.chm";  // only the bare name counts
    EXPECT_EQ(h.HHCheckRegistry(name), std::optional<bool>(false));
    EXPECT_EQ(h.HHRegFileName(), "Guide.chm");

    std::string empty;
    EXPECT_EQ(h.HHCheckRegistry(empty), std::nullopt);
    EXPECT_TRUE(h.HHRegFileExists());
    std::string invalid = "Guide.txt";
    EXPECT_EQ(h.HHCheckRegistry(invalid), std::optional<bool>(false));
    EXPECT_EQ(h.HHRegFileName(), "Guide.chm");  // kept
    EXPECT_FALSE(h.HHRegFileExists());
    EXPECT_EQ(prompts(), std::vector<std::string>{"Guide.txt is not a valid HTML Help file."});

    std::string unknown = "Other.chm";
    EXPECT_EQ(h.HHCheckRegistry(unknown), std::optional<bool>(false));
    EXPECT_EQ(h.HHRegFileName(), "");
    EXPECT_EQ(h.HHRegFilePath(), "");
}

// ---------------------------------------------------------------- environment

TEST(Environment, ExpandsKnownNamesAndLeavesTheRestAsItIs) {
    ::setenv("ZEK_ENV_A", "alpha", 1);
    ::unsetenv("ZEK_ENV_NONE");
    const std::pair<std::string, std::string> cases[] = {
        {"%ZEK_ENV_A%", "alpha"},
        {"x%ZEK_ENV_A%y%ZEK_ENV_A%", "xalphayalpha"},
        {"%ZEK_ENV_NONE%\\%ZEK_ENV_A%", "%ZEK_ENV_NONE%\\alpha"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"50% of %ZEK_ENV_A", "50% of %ZEK_ENV_A"},
        {std::string("a\0%ZEK_ENV_A%", 13), "a"},
    };
    for (const auto& [source, expected] : cases) {
        std::string buffer(32, ' ');
        EXPECT_EQ(platform::ExpandEnvironmentStrings(source, buffer, 32), expected.size() + 1);
        EXPECT_EQ(buffer, expected + '\0' + std::string(31 - expected.size(), ' ')) << source;
    }
    std::string small = "keep";
    EXPECT_EQ(platform::ExpandEnvironmentStrings("%ZEK_ENV_A%", small, 4), 6u);
    EXPECT_EQ(small, "keep");
    ::unsetenv("ZEK_ENV_A");
}

}  // namespace
