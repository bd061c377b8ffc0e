// What the headless driver lets a user do with a form: clicks only inside
// the client area, the tab order, Enter and Esc, access keys and menu
// shortcuts.
#include <gtest/gtest.h>

#include <string>

#include "forms/Runtime.h"
#include "forms/headless/Headless.h"
#include "support/FormsRuntimeFixture.h"

namespace {

using forms::headless::ScriptError;
using testing_support::FormsRuntime;
using testing_support::note;
using testing_support::trace;
using testing_support::Trace;

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
