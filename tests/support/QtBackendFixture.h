// What the tests of the Qt Widgets back end share: small forms of their own,
// look-ups of a form's window and widgets, a wait on a condition, an
// answerer for message boxes, and the fixture that starts a runtime on the
// Qt back end for each test. The tests run on Qt's offscreen platform
// (QtBackendFixture.cpp holds their main()).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/Runtime.h"
#include "forms/qt/QtBackend.h"

namespace testing_support {

// The forms below speak the runtime's own names, as the program's do.
using namespace forms;

// The command line the back end is made with, and the program folder of
// the tests, with pictures/ (made by main()).
extern int appArgc;
extern char* appArgv[];
extern QString pictureRoot;

class PlainForm : public Form {
public:
    PlainForm() : Form("frmPlain") {}
    int unloads = 0;
    int terminations = 0;

protected:
    void design() override { setClientSize(3000, 1500); }
    void Form_Unload() override { ++unloads; }
    void Form_Terminate() override { ++terminations; }
};

// A window whose Close has been taken out of its system menu.
class LockedForm : public Form {
public:
    LockedForm() : Form("frmLocked") {}

protected:
    void design() override { setClientSize(3000, 1500); }
    void Form_Load() override {
        systemMenu().removeByPosition(6);
        systemMenu().removeByPosition(5);
    }
};

class SampleForm : public Form {
public:
    SampleForm() : Form("frmSample") {
        cmdStart.Click = [this] { ++starts; };
        cmdCancel.Click = [this] { ++cancels; };
        chkSound.Click = [this] { ++soundClicks; };
        txtName.Change = [this] { changes.push_back(txtName.Text()); };
        imgLogo.Click = [this] { ++logoClicks; };
        tmrPulse.Tick = [this] { ++ticks; };
        mnuHelpAbout.Click = [this] { ++helpClicks; };
        mnuFileExit.Click = [this] { Unload(); };
    }

    Frame fraSound{*this, "fraSound"};
    CheckBox chkSound{*this, "chkSound"};
    CheckBox chkMusic{*this, "chkMusic"};
    Label lblTitle{*this, "lblTitle"};
    Image imgLogo{*this, "imgLogo"};
    Line linRule{*this, "linRule"};
    Label lblPath{*this, "lblPath"};
    TextBox txtPath{*this, "txtPath"};
    Label lblName{*this, "lblName"};
    TextBox txtName{*this, "txtName"};
    CommandButton cmdStart{*this, "cmdStart"};
    CommandButton cmdCancel{*this, "cmdCancel"};
    Label lblHolder{*this, "lblHolder"};
    Timer tmrPulse{*this, "tmrPulse"};
    Menu mnuFile{*this, "mnuFile"};
    Menu mnuFileOpen{mnuFile, "mnuFileOpen"};
    Menu mnuFileBar{mnuFile, "mnuFileBar"};
    Menu mnuFileExit{mnuFile, "mnuFileExit"};
    Menu mnuHelp{*this, "mnuHelp"};
    Menu mnuHelpAbout{mnuHelp, "mnuHelpAbout"};

    int starts = 0, cancels = 0, soundClicks = 0, logoClicks = 0, ticks = 0, helpClicks = 0;
    int terminations = 0;
    std::vector<std::string> changes;

protected:
    void design() override {
        setCaption("Skirmish Options");
        setClientSize(6000, 3900);
        setBorderStyle(BorderStyle::FixedDialog);
        setMinButton(false);
        setMaxButton(false);
        lblTitle.setCaption("Choose how the next skirmish sounds and who plays it.");
        lblTitle.Move(120, 180, 5100, 255);
        lblTitle.setTransparent(true);
        imgLogo.setPicture({"logo"});
        imgLogo.setStretch(true);
        imgLogo.Move(5400, 120, 480, 480);
        linRule.setEnds(120, 660, 5880, 660);
        linRule.setBorderColor(colors::ButtonShadow);
        fraSound.setCaption("Sound");
        fraSound.Move(120, 780, 2760, 1560);
        chkSound.setContainer(&fraSound);
        chkSound.setCaption("&Effects");
        chkSound.Move(240, 600, 2280, 300);
        chkMusic.setContainer(&fraSound);
        chkMusic.setCaption("&Music");
        chkMusic.Move(240, 960, 2280, 300);
        chkMusic.setTabStop(false);
        lblPath.setCaption("Game folder:");
        lblPath.setAutoSize(true);
        lblPath.Move(3120, 840, 1500, 255);
        txtPath.setText("/opt/zekvarin");
        txtPath.setLocked(true);
        txtPath.Move(3120, 1080, 2760, 315);
        lblName.setCaption("&Player name:");
        lblName.Move(3120, 1440, 1500, 255);
        txtName.Move(3120, 1680, 2760, 315);
        cmdStart.setCaption("&Start");
        cmdStart.setDefault(true);
        cmdStart.setToolTipText("Start the skirmish");
        cmdStart.Move(3360, 3300, 1200, 375);
        cmdCancel.setCaption("Cancel");
        cmdCancel.setCancel(true);
        cmdCancel.Move(4680, 3300, 1200, 375);
        lblHolder.Move(7000, 0, 900, 255);  // a hidden holder, off the client area
        txtName.setTabIndex(0);
        chkSound.setTabIndex(1);
        chkMusic.setTabIndex(2);
        txtPath.setTabIndex(3);
        cmdStart.setTabIndex(4);
        cmdCancel.setTabIndex(5);
        tmrPulse.setEnabled(false);
        mnuFile.setCaption("&File");
        mnuFileOpen.setCaption("&Open...");
        mnuFileBar.setCaption("-");
        mnuFileExit.setCaption("E&xit");
        mnuHelp.setCaption("&Help");
        mnuHelpAbout.setCaption("&About");
        mnuHelpAbout.setShortcut("F1");
    }
    void Form_Terminate() override { ++terminations; }
};

// Shown modally; its timer unloads it and then goes on with its handler.
class ModalForm : public Form {
public:
    ModalForm() : Form("frmModal") {
        tmrClose.Tick = [this] {
            ++ticks;
            QWidget* modal = QApplication::activeModalWidget();
            modalWindow = modal != nullptr ? modal->objectName().toStdString() : "";
            QWidget* active = QApplication::activeWindow();
            activeWindow = active != nullptr ? active->objectName().toStdString() : "";
            Unload();
            afterUnload = true;
        };
    }
    Timer tmrClose{*this, "tmrClose"};
    int ticks = 0;
    bool afterUnload = false;
    std::string modalWindow;
    std::string activeWindow;

protected:
    void design() override {
        setClientSize(3000, 1500);
        tmrClose.setInterval(30);
    }
};

// Its first tick waits in a message box, inside which the timer ticks on.
class BusyForm : public Form {
public:
    BusyForm() : Form("frmBusy") {
        tmrBusy.Tick = [this] {
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            if (++ticks == 1) {
                answer = MsgBox("Working\r\nplease wait", style::Information, "Busy");
            }
            --depth;
        };
    }
    Timer tmrBusy{*this, "tmrBusy"};
    int ticks = 0, depth = 0, maxDepth = 0, answer = 0;

protected:
    void design() override { tmrBusy.setInterval(20); }
};

class NextForm : public Form {
public:
    NextForm() : Form("frmNext") {
        tmrDone.Tick = [this] {
            ++ticks;
            Unload();
        };
    }
    Timer tmrDone{*this, "tmrDone"};
    int ticks = 0;

protected:
    void design() override { tmrDone.setInterval(20); }
};

// A start-up screen that unloads itself and then shows the next form.
class SplashForm : public Form {
public:
    SplashForm() : Form("frmSplash") {
        tmrGo.Tick = [this] {
            Unload();
            form<NextForm>().Show();
        };
    }
    Timer tmrGo{*this, "tmrGo"};

protected:
    void design() override { tmrGo.setInterval(20); }
};

// The top-level window of a loaded form, or nullptr.
QWidget* windowOf(const Form& form);

// The help window on show, if there is one.
QWidget* shownHelpWindow();

template <class W>
W* widget(const Form& form, const char* name) {
    QWidget* window = windowOf(form);
    return window == nullptr ? nullptr : window->findChild<W*>(QString::fromLatin1(name));
}

// Lets Qt run until `condition` holds or `ms` milliseconds have passed;
// whether it holds.
bool waitFor(const std::function<bool()>& condition, int ms = 3000);

// Answers message boxes as they open: records them, and presses OK once
// `until` holds, or after two seconds, so that a fault fails the test
// instead of hanging it.
struct BoxAnswerer {
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon;
    };
    std::vector<Seen> seen;
    std::function<bool()> until = [] { return true; };
    QMessageBox::StandardButton press = QMessageBox::Ok;
    QTimer poll;
    QDeadlineTimer giveUp{2000};

    BoxAnswerer() {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            if (box->property("seen").isNull()) {
                box->setProperty("seen", true);
                seen.push_back({box->windowTitle(), box->text(), box->icon()});
            }
            if (until() || giveUp.hasExpired()) {
                box->button(press)->click();
            }
        });
        poll.start(10);
    }
};

class QtBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        qt::setEndHandler([this](int status) {
            ++endCalls;
            exitStatus = status;
        });
        runtime = std::make_unique<Runtime>(qt::makeBackend(appArgc, appArgv));
        App().Path = pictureRoot.toStdString();
    }

    void TearDown() override {
        runtime.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void show(Form& f) {
        runtime->dispatch([&f] { f.Show(); });
    }

    std::unique_ptr<Runtime> runtime;
    int endCalls = 0;
    int exitStatus = -1;
};

}  // namespace testing_support
