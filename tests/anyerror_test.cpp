// Errors of any kind (memory that runs out, a thread or a system call of the
// library's that fails), not only the runtime's own: every trap that takes
// "any failure" takes them and shows its own message, and neither the
// unhandled-error report nor main() lets one unwind.
#include <gtest/gtest.h>

#include <functional>
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

// Each trap, what it is made to meet, and the message it shows.
struct Trap {
    const char* name;
    // Puts the error in the trap's way; the program has started.
    std::function<void(ProgramFixture&, FileFaults&, std::exception_ptr)> inject;
    std::function<void(Driver&)> act;
    std::string title;
    bool ends = false;  // the trap's message ends the program
};

void startGame(Driver& d) {
    d.click("Main", "Start");
    d.run();
}

void easy(Driver& d) {
    d.click("Main", "Start").click("frmdifficulty", "easy").wait(5000);
    d.run();
}

// A failed export keeps the dialog open.
void easyThenCancel(Driver& d) {
    d.click("Main", "Start").click("frmdifficulty", "easy").click("frmdifficulty", "cancel");
    d.run();
}

TEST(AnyError, EveryTrapThatTakesAnyFailureShowsItsOwnMessage) {
    platform::RecordingShell shell;
    platform::setShell(&shell);
    const std::vector<Trap> traps{
        {"start-up backup",
         [](ProgramFixture&, FileFaults& f, std::exception_ptr e) {
             f.raise("/game/levels/levl2001.dat", e);
         },
         {},
         "Critical Error- File Backup",
         true},
        {"loading the settings",
         [](ProgramFixture&, FileFaults& f, std::exception_ptr e) {
             f.raise("/program/levels/levl2002.hdr", e);
         },
         {},
         "Error- Loading Level Settings"},
        {"Start Game's save",
         [](ProgramFixture&, FileFaults& f, std::exception_ptr e) {
             f.raise("/program/levels/levl2001.hdr", e);
         },
         startGame, "Error- Saving Level Configuration"},
        {"the export's settings",
         [](ProgramFixture&, FileFaults& f, std::exception_ptr e) {
             f.raise("/program/language/lang00.dat", e);
         },
         easyThenCancel, "Error- Exporting Settings to Zekvarin"},
        {"the export's scripts",
         [](ProgramFixture&, FileFaults& f, std::exception_ptr e) {
             f.raise("/CPUScripts/Easy/cpscr001.dat", e);
         },
         easyThenCancel, "Error- Copying Scripts"},
        {"the launch",
         [](ProgramFixture& fx, FileFaults&, std::exception_ptr e) { fx.launcher().error = e; },
         easy, "Error- Running Zekvarin"},
        {"the text viewer",
         [](ProgramFixture& fx, FileFaults&, std::exception_ptr e) { fx.launcher().error = e; },
         [](Driver& d) {
             d.menu("Main", "mnulevellist");
             d.run();
         },
         "Zekvarin Skirmish Mode"},
        {"the browser",
         [&shell](ProgramFixture&, FileFaults&, std::exception_ptr e) { shell.error = e; },
         [](Driver& d) {
             d.menu("Main", "mnuzekvault");
             d.run();
         },
         ""},
    };
    for (const std::exception_ptr& error : kErrors) {
        const std::string described = forms::classicError(error).Description();
        for (const Trap& trap : traps) {
            SCOPED_TRACE(std::string(trap.name) + ": " + described);
            ProgramFixture fx;
            FileFaults faults;
            shell.error = nullptr;
            if (!trap.act) {
                trap.inject(fx, faults, error);  // it acts in the start
            }
            fx.start();
            if (trap.act) {
                trap.inject(fx, faults, error);
                trap.act(fx.driver());
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
