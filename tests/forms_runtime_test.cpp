// The forms runtime on the headless back end: control events, the life of a
// form, modal loops, timers on the virtual clock, ending the program, the
// unhandled-error report and what the driver lets a user do.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/disableClose.h"
#include "forms/Runtime.h"
#include "forms/headless/Headless.h"

namespace {

using forms::headless::Driver;
using forms::headless::HeadlessBackend;
using forms::headless::ScriptError;
using Trace = std::vector<std::string>;

// What the handlers did, in order.
Trace trace;

void note(const std::string& entry) {
    trace.push_back(entry);
}

HeadlessBackend& backend() {
    return static_cast<HeadlessBackend&>(forms::Runtime::current().backend());
}

std::string at() {
    return " @" + std::to_string(backend().now());
}

// How the next load of a test form sets itself up; reset for every test.
struct FormSetup {
    int dialogTimerInterval = 0;  // 0: the dialog has no running timer
    bool endOnTickInBox = false;  // the dialog's tick ends the program inside a box
    int timerInterval = 250;
    bool timerEnabledAtDesign = true;
    bool enableTimerInLoad = false;
    int unloadAfterTicks = 0;  // 0: the timer form never unloads itself
};
FormSetup setup;

// ---- Test forms

class ControlsForm : public forms::Form {
public:
    ControlsForm() : forms::Form("frmControls") {
        chk.Click = [this] { note("chk.Click " + std::to_string(chk.Value())); };
        txt.Change = [this] { note("txt.Change " + txt.Text()); };
    }

    forms::CheckBox chk{*this, "chk"};
    forms::TextBox txt{*this, "txt"};
    forms::Label lbl{*this, "lbl"};

protected:
    void design() override {
        setCaption("Controls");
        setClientSize(4800, 3600);
        chk.Move(120, 120, 2000, 300);
        chk.setCaption("&Fog of war");
        chk.setValue(1);
        txt.Move(120, 600, 2000, 300);
        txt.setText("design text");
        lbl.Move(120, 1000, 2000, 300);
        lbl.setCaption("design label");
    }
    void Form_Load() override {
        note("Form_Load " + Caption() + "|" + lbl.Caption() + "|" + txt.Text() + "|" +
             std::to_string(chk.Value()));
    }
    void Form_Unload() override { note("Form_Unload"); }
};

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

class KeysForm : public forms::Form {
public:
    KeysForm() : forms::Form("frmKeys") {
        for (forms::CommandButton* b :
             {&okBtn, &cancelBtn, &offside, &disabledBtn, &save, &edge, &beyond, &above}) {
            b->Click = [b] { note(b->Name()); };
        }
        for (forms::Menu* m : {&mnuHelp, &mnuLoad, &mnuOff}) {
            m->Click = [m] { note(m->Name()); };
        }
    }

    // Declared in an order that differs from the tab order.
    forms::CommandButton okBtn{*this, "okBtn"};
    forms::CommandButton cancelBtn{*this, "cancelBtn"};
    forms::CommandButton offside{*this, "offside"};
    forms::CommandButton disabledBtn{*this, "disabledBtn"};
    forms::CommandButton save{*this, "save"};
    forms::TextBox txt{*this, "txt"};
    forms::CommandButton edge{*this, "edge"};
    forms::CommandButton beyond{*this, "beyond"};
    forms::CommandButton above{*this, "above"};
    forms::Menu mnuFile{*this, "mnuFile"};
    forms::Menu mnuHelp{mnuFile, "mnuHelp"};
    forms::Menu mnuLoad{mnuFile, "mnuLoad"};
    forms::Menu mnuOff{mnuFile, "mnuOff"};

protected:
    void design() override {
        setClientSize(4000, 3000);
        txt.Move(120, 120, 2000, 300);
        txt.setTabIndex(0);
        save.Move(120, 600, 1000, 400);
        save.setCaption("&Save");
        save.setTabIndex(1);
        disabledBtn.Move(1200, 600, 1000, 400);
        disabledBtn.setCaption("&Disabled");
        disabledBtn.setEnabled(false);
        disabledBtn.setTabIndex(2);
        // Right of the client area: no pointer reaches it, the keyboard does.
        offside.Move(4000, 600, 1000, 400);
        offside.setTabIndex(3);
        cancelBtn.Move(120, 1200, 1000, 400);
        cancelBtn.setCancel(true);
        cancelBtn.setTabIndex(4);
        okBtn.Move(1200, 1200, 1000, 400);
        okBtn.setDefault(true);
        okBtn.setTabIndex(5);
        // Out of the tab order, for the edges of the client area.
        edge.Move(-999, 2999, 1000, 400);  // one twip inside on each axis
        edge.setTabStop(false);
        beyond.Move(-1000, 1800, 1000, 400);  // ends where the client area starts
        beyond.setTabStop(false);
        above.Move(120, -400, 1000, 400);  // ends where the client area starts
        above.setTabStop(false);
        mnuFile.setCaption("&File");
        mnuHelp.setCaption("&Help");
        mnuHelp.setShortcut("F1");
        mnuLoad.setCaption("&Load");
        mnuLoad.setShortcut("Ctrl+L");
        mnuOff.setCaption("&Off");
        mnuOff.setShortcut("Ctrl+D");
        mnuOff.setEnabled(false);
    }
};

class NoCloseForm : public forms::Form {
public:
    NoCloseForm() : forms::Form("frmNoClose") {}

protected:
    void Form_Load() override { app::DisableCloseMenu(*this); }
    void Form_Unload() override { note("frmNoClose: Form_Unload"); }
};

class PlainForm : public forms::Form {
public:
    PlainForm() : forms::Form("frmPlain") {}

protected:
    void Form_Unload() override { note("frmPlain: Form_Unload"); }
};

class FormsRuntime : public ::testing::Test {
protected:
    FormsRuntime() {
        trace.clear();
        setup = FormSetup{};
    }

    Driver d;
};

// ---- Check boxes and text boxes

TEST_F(FormsRuntime, CheckBoxValueRaisesClickOnceInsideTheAssignment) {
    d.startOnly<ControlsForm>();
    auto& f = forms::form<ControlsForm>();
    trace.clear();

    f.chk.setValue(0);
    EXPECT_EQ(trace, (Trace{"chk.Click 0"}));  // the handler saw the new value
    f.chk.setValue(0);
    EXPECT_EQ(trace, (Trace{"chk.Click 0"}));  // unchanged: nothing
    f.chk.setValue(1);
    EXPECT_EQ(trace, (Trace{"chk.Click 0", "chk.Click 1"}));
}

TEST_F(FormsRuntime, CheckBoxUserClickFlipsTheValueAndRaisesClickOnce) {
    d.startOnly<ControlsForm>();
    auto& f = forms::form<ControlsForm>();
    trace.clear();

    d.click("frmControls", "chk").run();
    EXPECT_EQ(f.chk.Value(), 0);
    EXPECT_EQ(trace, (Trace{"chk.Click 0"}));
    d.click("frmControls", "chk").run();
    EXPECT_EQ(f.chk.Value(), 1);
    EXPECT_EQ(trace, (Trace{"chk.Click 0", "chk.Click 1"}));

    // A disabled box ignores the click.
    f.chk.setEnabled(false);
    d.click("frmControls", "chk").run();
    EXPECT_EQ(f.chk.Value(), 1);
    EXPECT_EQ(trace.size(), 2u);
}

TEST_F(FormsRuntime, TextBoxRaisesChangeOnlyOnARealChange) {
    d.startOnly<ControlsForm>();
    auto& f = forms::form<ControlsForm>();
    trace.clear();

    f.txt.setText("C:\\Games");
    f.txt.setText("C:\\Games");
    EXPECT_EQ(trace, (Trace{"txt.Change C:\\Games"}));

    d.type("frmControls", "txt", "typed").run();
    EXPECT_EQ(f.txt.Text(), "typed");
    d.type("frmControls", "txt", "typed").run();
    EXPECT_EQ(trace, (Trace{"txt.Change C:\\Games", "txt.Change typed"}));
}

TEST_F(FormsRuntime, LockedTextBoxRefusesTypingButNotCode) {
    d.startOnly<ControlsForm>();
    auto& f = forms::form<ControlsForm>();
    f.txt.setLocked(true);
    trace.clear();

    d.type("frmControls", "txt", "typed").run();
    EXPECT_EQ(f.txt.Text(), "design text");
    EXPECT_TRUE(trace.empty());

    f.txt.setText("from code");
    EXPECT_EQ(trace, (Trace{"txt.Change from code"}));
}

// ---- Load, unload, show again

TEST_F(FormsRuntime, FirstShowLoadsWithDesignValuesThenRunsFormLoad) {
    auto& f = forms::form<ControlsForm>();
    EXPECT_FALSE(f.Loaded());
    EXPECT_TRUE(trace.empty());  // referring to a form does not load it

    d.startOnly<ControlsForm>();
    EXPECT_TRUE(f.Loaded());
    EXPECT_TRUE(f.Visible());
    // Design values raise no events: Form_Load is the first handler to run,
    // and it sees every design value in place.
    EXPECT_EQ(trace, (Trace{"Form_Load Controls|design label|design text|1"}));
}

TEST_F(FormsRuntime, ShowAfterUnloadStartsAgainFromDesignValues) {
    d.startOnly<ControlsForm>();
    auto& f = forms::form<ControlsForm>();
    f.setCaption("changed caption");
    f.lbl.setCaption("changed label");
    f.chk.setValue(0);
    f.txt.setText("changed text");
    f.txt.setLocked(true);
    trace.clear();

    f.Unload();
    EXPECT_FALSE(f.Loaded());
    EXPECT_FALSE(f.Visible());
    EXPECT_EQ(trace, (Trace{"Form_Unload"}));
    f.Unload();  // unloading an unloaded form does nothing
    EXPECT_EQ(trace.size(), 1u);

    f.Show();
    EXPECT_EQ(trace, (Trace{"Form_Unload", "Form_Load Controls|design label|design text|1"}));
    EXPECT_EQ(f.Caption(), "Controls");
    EXPECT_EQ(f.lbl.Caption(), "design label");
    EXPECT_FALSE(f.txt.Locked());

    // Showing a shown form does not load it again.
    f.Show();
    EXPECT_EQ(trace.size(), 2u);
}

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

// ---- Message boxes

TEST_F(FormsRuntime, MsgBoxWithoutTitleShowsTheAppTitle) {
    EXPECT_EQ(forms::MsgBox("No title", forms::style::Exclamation), 1);
    forms::MsgBox("Own title", forms::style::OkOnly, "Options");
    d.app().Title = "Renamed";
    forms::MsgBox("Later");
    ASSERT_EQ(d.messages().size(), 3u);
    EXPECT_EQ(d.messages()[0].title, "Zekvarin Skirmish Mode");
    EXPECT_EQ(d.messages()[0].style, forms::style::Exclamation);
    EXPECT_EQ(d.messages()[0].prompt, "No title");
    EXPECT_EQ(d.messages()[1].title, "Options");
    EXPECT_EQ(d.messages()[2].title, "Renamed");
}

// ---- Closing a window

TEST_F(FormsRuntime, AFormWithoutCloseInItsSystemMenuRefusesToClose) {
    d.startOnly<NoCloseForm>();
    forms::form<PlainForm>().Show();
    auto& noClose = forms::form<NoCloseForm>();
    EXPECT_FALSE(noClose.systemMenu().hasClose());

    d.close("frmNoClose").key("frmNoClose", "Alt+F4").run();
    EXPECT_TRUE(noClose.Loaded());
    EXPECT_TRUE(trace.empty());

    d.close("frmPlain").run();
    EXPECT_FALSE(forms::form<PlainForm>().Loaded());
    EXPECT_EQ(trace, (Trace{"frmPlain: Form_Unload"}));

    // Code can still unload it.
    noClose.Unload();
    EXPECT_EQ(trace, (Trace{"frmPlain: Form_Unload", "frmNoClose: Form_Unload"}));
}

// ---- What the driver lets a user do

TEST_F(FormsRuntime, AControlOutsideTheClientAreaCannotBeClicked) {
    d.startOnly<KeysForm>();
    d.click("frmKeys", "offside");
    EXPECT_THROW(d.run(), ScriptError);
    d.click("frmKeys", "beyond");
    EXPECT_THROW(d.run(), ScriptError);
    d.click("frmKeys", "above");
    EXPECT_THROW(d.run(), ScriptError);
    d.click("frmKeys", "edge").run();  // one twip of it shows
    EXPECT_EQ(trace, (Trace{"edge"}));
}

TEST_F(FormsRuntime, TabFollowsTabIndexSkipsDisabledAndReachesEveryButton) {
    d.startOnly<KeysForm>();
    auto& f = forms::form<KeysForm>();
    auto focused = [&f] {
        return f.ActiveControl() == nullptr ? std::string("none") : f.ActiveControl()->Name();
    };
    EXPECT_EQ(focused(), "txt");  // the first in tab order has the focus after the load
    Trace order;
    for (int i = 0; i < 5; ++i) {
        d.key("frmKeys", "Tab").run();
        order.push_back(focused());
    }
    EXPECT_EQ(order, (Trace{"save", "offside", "cancelBtn", "okBtn", "txt"}));
    d.key("frmKeys", "Shift+Tab").run();
    EXPECT_EQ(focused(), "okBtn");
    EXPECT_TRUE(trace.empty());  // moving the focus presses nothing

    // The button the pointer cannot reach is pressed from the keyboard.
    d.key("frmKeys", "Shift+Tab").key("frmKeys", "Shift+Tab").key("frmKeys", "Space").run();
    EXPECT_EQ(focused(), "offside");
    EXPECT_EQ(trace, (Trace{"offside"}));
}

TEST_F(FormsRuntime, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
    d.startOnly<KeysForm>();
    ASSERT_EQ(forms::form<KeysForm>().ActiveControl()->Name(), "txt");
    d.key("frmKeys", "Enter").key("frmKeys", "Esc").run();
    EXPECT_EQ(trace, (Trace{"okBtn", "cancelBtn"}));
}

TEST_F(FormsRuntime, AltAndTheAccessKeyPressesTheButton) {
    d.startOnly<KeysForm>();
    d.key("frmKeys", "Alt+S").run();
    EXPECT_EQ(trace, (Trace{"save"}));
    EXPECT_EQ(forms::form<KeysForm>().ActiveControl()->Name(), "save");
    d.key("frmKeys", "Alt+s").run();
    EXPECT_EQ(trace, (Trace{"save", "save"}));
    // A disabled button's access key does nothing.
    d.key("frmKeys", "Alt+D").run();
    EXPECT_EQ(trace, (Trace{"save", "save"}));
}

TEST_F(FormsRuntime, MenuShortcutsRunTheirItems) {
    d.startOnly<KeysForm>();
    d.key("frmKeys", "F1").key("frmKeys", "Ctrl+L").key("frmKeys", "Ctrl+D").run();
    EXPECT_EQ(trace, (Trace{"mnuHelp", "mnuLoad"}));  // the disabled item does not run
    d.menu("frmKeys", "mnuLoad").run();
    EXPECT_EQ(trace, (Trace{"mnuHelp", "mnuLoad", "mnuLoad"}));
}

}  // namespace
