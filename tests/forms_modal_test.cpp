// The forms runtime's loops on the headless back end: modal forms, timers on
// the virtual clock, ending the program and the unhandled-error report.
#include <gtest/gtest.h>

#include <string>

#include "forms/Runtime.h"
#include "forms/headless/Headless.h"
#include "support/FormsRuntimeFixture.h"

namespace {

using forms::headless::Driver;
using forms::headless::HeadlessBackend;
using forms::headless::ScriptError;
using testing_support::FormSetup;
using testing_support::FormsRuntime;
using testing_support::note;
using testing_support::setup;
using testing_support::trace;
using testing_support::Trace;

HeadlessBackend& backend() {
    return static_cast<HeadlessBackend&>(forms::Runtime::current().backend());
}

std::string at() {
    return " @" + std::to_string(backend().now());
}

// ---- Test forms

class InnerForm : public forms::Form {
public:
    InnerForm() : forms::Form("frmInner") {
        close.Click = [this] {
            note("inner: unload");
            Unload();
            note("inner: after unload");
        };
    }
    forms::CommandButton close{*this, "close"};

protected:
    void design() override { close.Move(120, 120, 1000, 400); }
    void Form_Unload() override { note("inner: Form_Unload"); }
};

class DialogForm : public forms::Form {
public:
    DialogForm() : forms::Form("frmDialog") {
        ok.Click = [this] {
            note("dialog: unload");
            Unload();
            note("dialog: after unload");
        };
        more.Click = [this] {
            note("dialog: before inner");
            forms::form<InnerForm>().Show(forms::ShowMode::Modal, this);
            note("dialog: after inner");
        };
        ask.Click = [] {
            note("dialog: before box");
            forms::MsgBox("Question?");
            note("dialog: after box");
        };
        fail.Click = [] {
            note("dialog: throw");
            throw forms::RuntimeError(forms::err::PathNotFound, "Path not found");
        };
        tmr.Tick = [] {
            note("dialog: tick" + at());
            if (setup.endOnTickInBox && backend().inMessageBox()) {
                note("dialog: End");
                forms::End();
                note("dialog: after End");
            }
        };
    }

    forms::CommandButton ok{*this, "ok"};
    forms::CommandButton more{*this, "more"};
    forms::CommandButton ask{*this, "ask"};
    forms::CommandButton fail{*this, "fail"};
    forms::Timer tmr{*this, "tmr"};

protected:
    void design() override {
        ok.Move(120, 120, 1000, 400);
        more.Move(120, 600, 1000, 400);
        ask.Move(120, 1080, 1000, 400);
        fail.Move(120, 1560, 1000, 400);
        tmr.setInterval(setup.dialogTimerInterval);
        tmr.setEnabled(setup.dialogTimerInterval > 0);
    }
    void Form_Load() override { note("dialog: Form_Load"); }
    void Form_Unload() override { note("dialog: Form_Unload"); }
    void Form_Terminate() override { note("dialog: Form_Terminate"); }
};

class OwnerForm : public forms::Form {
public:
    OwnerForm() : forms::Form("frmOwner") {
        open.Click = [this] {
            note("owner: before show");
            forms::form<DialogForm>().Show(forms::ShowMode::Modal, this);
            note("owner: after show");
        };
        fail.Click = [] {
            note("owner: throw");
            throw forms::RuntimeError(forms::err::FileNotFound, "File not found");
        };
        trapped.Click = [] {
            try {
                throw forms::RuntimeError(forms::err::FileNotFound, "File not found");
            } catch (const forms::RuntimeError& error) {
                note("owner: trapped " + std::to_string(error.Number()));
            }
        };
    }

    forms::CommandButton open{*this, "open"};
    forms::CommandButton fail{*this, "fail"};
    forms::CommandButton trapped{*this, "trapped"};

protected:
    void design() override {
        open.Move(120, 120, 1000, 400);
        fail.Move(120, 600, 1000, 400);
        trapped.Move(120, 1080, 1000, 400);
    }
    void Form_Unload() override { note("owner: Form_Unload"); }
    void Form_Terminate() override { note("owner: Form_Terminate"); }
};

class TimerForm : public forms::Form {
public:
    TimerForm() : forms::Form("frmTimer") {
        tmr.Tick = [this] {
            note("tick" + at());
            if (backend().inMessageBox()) {
                note("  inside the box");
            }
            if (setup.unloadAfterTicks > 0 && ++ticks_ == setup.unloadAfterTicks) {
                Unload();
            }
        };
        box.Click = [] {
            forms::MsgBox("Wait for it", forms::style::Information, "Timer");
            note("after box" + at());
        };
    }

    forms::Timer tmr{*this, "tmr"};
    forms::CommandButton box{*this, "box"};

protected:
    void design() override {
        ticks_ = 0;
        box.Move(120, 120, 1000, 400);
        tmr.setInterval(setup.timerInterval);
        tmr.setEnabled(setup.timerEnabledAtDesign);
    }
    void Form_Load() override {
        if (setup.enableTimerInLoad) {
            tmr.setInterval(100);
            tmr.setEnabled(true);
        }
    }

private:
    int ticks_ = 0;
};

// ---- Modal forms

TEST_F(FormsRuntime, ModalShowReturnsAfterTheUnloadingHandlerFinished) {
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "open").click("frmDialog", "ok").run();
    EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load", "dialog: unload",
                            "dialog: Form_Unload", "dialog: after unload", "owner: after show"}));
    EXPECT_FALSE(forms::form<DialogForm>().Loaded());
    EXPECT_TRUE(forms::Runtime::current().modalStack().empty());
    EXPECT_FALSE(d.ended());
}

TEST_F(FormsRuntime, NestedModalFormsReturnInOrder) {
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "open")
        .click("frmDialog", "more")
        .then([] {
            const auto& stack = forms::Runtime::current().modalStack();
            ASSERT_EQ(stack.size(), 2u);
            EXPECT_EQ(stack[0]->Name(), "frmDialog");
            EXPECT_EQ(stack[1]->Name(), "frmInner");
        })
        .click("frmInner", "close")
        .click("frmDialog", "ok")
        .run();
    EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load", "dialog: before inner",
                            "inner: unload", "inner: Form_Unload", "inner: after unload",
                            "dialog: after inner", "dialog: unload", "dialog: Form_Unload",
                            "dialog: after unload", "owner: after show"}));
    EXPECT_TRUE(forms::Runtime::current().modalStack().empty());
}

TEST_F(FormsRuntime, AFormBeneathAModalFormTakesNoInput) {
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "open").click("frmOwner", "trapped");
    EXPECT_THROW(d.run(), ScriptError);
    // The refused click ran nothing on the form beneath.
    EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load"}));
}

TEST_F(FormsRuntime, AModalFormWaitingWithNothingQueuedIsAScriptError) {
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "open");
    EXPECT_THROW(d.run(), ScriptError);
}

// ---- Timers

TEST_F(FormsRuntime, TimerTicksAtExactMultiplesOfItsInterval) {
    setup.timerInterval = 250;
    d.startOnly<TimerForm>();
    d.runFor(1100);
    EXPECT_EQ(trace, (Trace{"tick @250", "tick @500", "tick @750", "tick @1000"}));
    EXPECT_EQ(d.now(), 1100);

    // Disabled, it stops; enabled again, it counts from then.
    auto& f = forms::form<TimerForm>();
    f.tmr.setEnabled(false);
    d.runFor(1000);
    EXPECT_EQ(trace.size(), 4u);
    f.tmr.setEnabled(true);
    d.runFor(300);
    EXPECT_EQ(trace.back(), "tick @2350");
    EXPECT_EQ(trace.size(), 5u);

    // A new interval counts from the change.
    f.tmr.setInterval(40);  // at 2400
    d.runFor(100);
    EXPECT_EQ(trace, (Trace{"tick @250", "tick @500", "tick @750", "tick @1000", "tick @2350",
                            "tick @2440", "tick @2480"}));
}

TEST_F(FormsRuntime, TimerStopsWhenItsFormUnloads) {
    setup.timerInterval = 100;
    setup.unloadAfterTicks = 2;
    d.startOnly<TimerForm>();
    d.runFor(1000);
    EXPECT_EQ(trace, (Trace{"tick @100", "tick @200"}));
    EXPECT_FALSE(forms::form<TimerForm>().Loaded());

    // Loaded again, it starts over from the load.
    setup.unloadAfterTicks = 0;
    forms::form<TimerForm>().Show();  // at 1000
    d.runFor(250);
    EXPECT_EQ(trace, (Trace{"tick @100", "tick @200", "tick @1100", "tick @1200"}));
}

TEST_F(FormsRuntime, TimerEnabledInFormLoadCountsFromTheLoad) {
    setup.timerEnabledAtDesign = false;
    setup.enableTimerInLoad = true;
    d.runFor(130);  // nothing loaded yet: the clock just moves
    ASSERT_EQ(d.now(), 130);
    d.startOnly<TimerForm>();
    d.runFor(250);
    EXPECT_EQ(trace, (Trace{"tick @230", "tick @330"}));
}

TEST_F(FormsRuntime, TimerEnabledAtDesignCountsFromTheLoad) {
    setup.timerInterval = 100;
    d.runFor(70);
    d.startOnly<TimerForm>();
    d.runFor(150);
    EXPECT_EQ(trace, (Trace{"tick @170"}));
}

TEST_F(FormsRuntime, TimerTicksInsideAModalFormsLoop) {
    setup.dialogTimerInterval = 100;
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "open").wait(350).click("frmDialog", "ok").run();
    EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load", "dialog: tick @100",
                            "dialog: tick @200", "dialog: tick @300", "dialog: unload",
                            "dialog: Form_Unload", "dialog: after unload", "owner: after show"}));
    d.runFor(1000);
    EXPECT_EQ(trace.back(), "owner: after show");  // no tick after the unload
}

TEST_F(FormsRuntime, TimerTicksInsideAMessageBox) {
    setup.timerInterval = 100;
    d.startOnly<TimerForm>();
    d.click("frmTimer", "box").wait(250).ok().runFor(250);
    EXPECT_EQ(trace, (Trace{"tick @100", "  inside the box", "tick @200", "  inside the box",
                            "after box @250"}));
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].prompt, "Wait for it");
    EXPECT_EQ(d.messages()[0].title, "Timer");
    EXPECT_EQ(d.messages()[0].style, forms::style::Information);
    EXPECT_EQ(d.messages()[0].atMs, 0);
}

// ---- Ending the program

TEST(FormsRuntimeEnd, EndInsideABoxInsideAModalFormUnwindsEverything) {
    trace.clear();
    setup = FormSetup{};
    setup.dialogTimerInterval = 100;
    setup.endOnTickInBox = true;
    {
        Driver d;
        d.startOnly<OwnerForm>();
        d.click("frmOwner", "open")
            .click("frmDialog", "ask")
            .wait(500)
            .ok()
            .click("frmDialog", "ok");
        d.run();
        EXPECT_TRUE(d.ended());
        EXPECT_FALSE(d.pending());  // what was still queued is dropped
        EXPECT_EQ(d.now(), 100);
        EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load", "dialog: before box",
                                "dialog: tick @100", "dialog: End"}));
        EXPECT_THROW(d.run(), ScriptError);  // an ended program takes no more input
    }
    // Not even the end of the runtime runs an unload or terminate handler.
    EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load", "dialog: before box",
                            "dialog: tick @100", "dialog: End"}));
}

TEST(FormsRuntimeEnd, UnhandledErrorIsReportedAndEndsTheProgram) {
    trace.clear();
    setup = FormSetup{};
    {
        Driver d;
        d.startOnly<OwnerForm>();
        d.click("frmOwner", "fail").click("frmOwner", "trapped").run();
        EXPECT_TRUE(d.ended());
        ASSERT_EQ(d.messages().size(), 1u);
        const auto& report = d.messages()[0];
        EXPECT_EQ(report.style, 16);
        EXPECT_EQ(report.title, "Zekvarin Skirmish Mode");
        EXPECT_NE(report.prompt.find("53"), std::string::npos) << report.prompt;
        EXPECT_NE(report.prompt.find("File not found"), std::string::npos) << report.prompt;
        EXPECT_EQ(trace, (Trace{"owner: throw"}));
    }
    EXPECT_EQ(trace, (Trace{"owner: throw"}));
}

TEST(FormsRuntimeEnd, UnhandledErrorInAModalFormEndsTheWholeProgram) {
    trace.clear();
    setup = FormSetup{};
    Driver d;
    d.app().Title = "Renamed";
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "open").click("frmDialog", "fail").run();
    EXPECT_TRUE(d.ended());
    EXPECT_EQ(d.exitStatus(), forms::kExitOnError);
    ASSERT_EQ(d.messages().size(), 1u);
    EXPECT_EQ(d.messages()[0].style, forms::style::Critical);
    EXPECT_EQ(d.messages()[0].title, "Renamed");
    EXPECT_NE(d.messages()[0].prompt.find("76"), std::string::npos);
    EXPECT_NE(d.messages()[0].prompt.find("Path not found"), std::string::npos);
    // The owner's handler never got past its Show.
    EXPECT_EQ(trace, (Trace{"owner: before show", "dialog: Form_Load", "dialog: throw"}));
}

TEST_F(FormsRuntime, ATrappedErrorNeitherReportsNorEnds) {
    d.startOnly<OwnerForm>();
    d.click("frmOwner", "trapped").run();
    EXPECT_FALSE(d.ended());
    EXPECT_TRUE(d.messages().empty());
    EXPECT_EQ(trace, (Trace{"owner: trapped 53"}));
}

}  // namespace
