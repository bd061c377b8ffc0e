// The forms runtime on the headless back end: control events, the life of a
// form, message boxes and closing a window.
#include <gtest/gtest.h>

#include <string>

#include "app/disableClose.h"
#include "forms/Runtime.h"
#include "forms/headless/Headless.h"
#include "support/FormsRuntimeFixture.h"

namespace {

using testing_support::FormsRuntime;
using testing_support::note;
using testing_support::trace;
using testing_support::Trace;

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

}  // namespace
