// Errors of any kind (memory that runs out, a thread or a system call of the
// library's that fails), not only the runtime's own: every trap that takes
// "any failure" takes them and shows its own message, and neither the
// unhandled-error report nor main() lets one unwind.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "forms/Runtime.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace {

using forms::headless::Driver;
using testing_support::FileFaults;
using testing_support::ProgramFixture;

const std::vector<std::exception_ptr> kErrors{
    std::make_exception_ptr(std::bad_alloc()),
    std::make_exception_ptr(std::system_error(
        std::make_error_code(std::errc::resource_unavailable_try_again), "thread")),
};

// Each trap, where the error meets it, what the user does, and the message
// it shows.
struct Trap {
    const char* name;
    const char* file;  // a path the trap's copy or read touches; else the launcher or shell
    bool byShell;
    std::vector<const char*> clicks;  // form, control, ...; none: the start itself
    std::string title;                // empty: nothing is shown
    bool ends = false;                // the trap's message ends the program
};

TEST(AnyError, EveryTrapThatTakesAnyFailureShowsItsOwnMessage) {
    platform::RecordingShell shell;
    platform::setShell(&shell);
    const std::vector<const char*> easy{"Main", "Start", "frmdifficulty", "easy"};
    // A failed export keeps the dialog open.
    const std::vector<const char*> easyThenCancel{"Main", "Start",         "frmdifficulty",
                                                  "easy", "frmdifficulty", "cancel"};
    const std::vector<Trap> traps{
        {"start-up backup",
         "/game/levels/levl2001.dat",
         false,
         {},
         "Critical Error- File Backup",
         true},
        {"loading the settings",
         "/program/levels/levl2002.hdr",
         false,
         {},
         "Error- Loading Level Settings"},
        {"Start Game's save",
         "/program/levels/levl2001.hdr",
         false,
         {"Main", "Start"},
         "Error- Saving Level Configuration"},
        {"the export's settings", "/program/language/lang00.dat", false, easyThenCancel,
         "Error- Exporting Settings to Zekvarin"},
        {"the export's scripts", "/CPUScripts/Easy/cpscr001.dat", false, easyThenCancel,
         "Error- Copying Scripts"},
        {"the launch", nullptr, false, easy, "Error- Running Zekvarin"},
        {"the text viewer", nullptr, false, {"Main", "mnulevellist"}, "Zekvarin Skirmish Mode"},
        {"the browser", nullptr, true, {"Main", "mnuzekvault"}, ""},
    };
    for (const std::exception_ptr& error : kErrors) {
        const std::string described = forms::classicError(error).Description();
        for (const Trap& trap : traps) {
            SCOPED_TRACE(std::string(trap.name) + ": " + described);
            ProgramFixture fx;
            FileFaults faults;
            auto inject = [&] {
                if (trap.file != nullptr) {
                    faults.raise(trap.file, error);
                } else if (trap.byShell) {
                    shell.error = error;
                } else {
                    fx.launcher().error = error;
                }
            };
            shell.error = nullptr;
            if (trap.clicks.empty()) {
                inject();
            }
            fx.start();
            if (!trap.clicks.empty()) {
                inject();
                Driver& d = fx.driver();
                for (std::size_t i = 0; i + 1 < trap.clicks.size(); i += 2) {
                    const bool menu = std::string(trap.clicks[i + 1]).starts_with("mnu");
                    menu ? d.menu(trap.clicks[i], trap.clicks[i + 1])
                         : d.click(trap.clicks[i], trap.clicks[i + 1]);
                }
                if (std::string(trap.clicks.back()) == "easy") {
                    d.wait(5000);  // the launch-wait form's timer
                }
                d.run();
            }
            const auto& messages = fx.driver().messages();
            EXPECT_EQ(fx.driver().ended(), trap.ends);
            if (trap.title.empty()) {
                EXPECT_TRUE(messages.empty()) << fx.lastMessage();
                continue;
            }
            ASSERT_EQ(messages.size(), 1u) << fx.lastMessage();
            EXPECT_EQ(messages[0].title, trap.title);
            EXPECT_EQ(messages[0].prompt.find("Run-time error"), std::string::npos);
            if (trap.ends) {
                EXPECT_EQ(fx.driver().exitStatus(), forms::kExitOnError);
                EXPECT_NE(messages[0].prompt.find(described), std::string::npos);
            }
        }
    }
    platform::setShell(nullptr);
}

// A report that cannot be shown still ends the program on an error, and
// says why on standard error.
TEST(AnyError, AReportThatCannotBeShownStillEnds) {
    class BoxesFail : public forms::headless::HeadlessBackend {
    public:
        int messageBox(const std::string&, int, const std::string&) override {
            throw std::bad_alloc();
        }
    };
    auto owned = std::make_unique<BoxesFail>();
    BoxesFail& backend = *owned;
    forms::Runtime runtime(std::move(owned));
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(runtime.dispatch([] { throw std::out_of_range("record 200"); }),
                 forms::ProgramEnd);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(backend.ended());
    EXPECT_EQ(backend.exitStatus(), forms::kExitOnError);
    EXPECT_NE(said.find("Run-time error '9'"), std::string::npos) << said;
}

// What main() does before and through the event loop: an error ends it with
// status 1 and a line on standard error, never std::terminate.
TEST(AnyError, MainEndsWithStatusOneOnAnErrorBeforeTheLoop) {
    ::testing::internal::CaptureStderr();
    const int status = forms::runGuarded("ZekSkirmish", []() -> int {
        throw std::system_error(std::make_error_code(std::errc::no_space_on_device), "registry");
    });
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, forms::kExitOnError);
    EXPECT_NE(said.find("ZekSkirmish: Run-time error '61'"), std::string::npos) << said;
    EXPECT_EQ(forms::runGuarded("ZekSkirmish", [] { return forms::kExitNormally; }),
              forms::kExitNormally);
}

}  // namespace
