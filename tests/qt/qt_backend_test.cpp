// Tests of the Qt Widgets back end, on Qt's offscreen platform.
//
// The forms here are small programs of their own; the tests act as the user
// would (QTest mouse and key events, closing windows, signals) and check
// both sides: what the widgets show and what the program's controls saw.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/Runtime.h"
#include "forms/qt/QtBackend.h"

namespace {

using namespace forms;

int appArgc = 1;
char appName[] = "qt_backend_test";
char* appArgv[] = {appName, nullptr};
QString pictureRoot;  // the program folder of the tests, with pictures/

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

QWidget* windowOf(const Form& form) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QString::fromStdString(form.Name())) {
            return window;
        }
    }
    return nullptr;
}

// The help window on show, if there is one.
QWidget* shownHelpWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == "helpWindow" && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

template <class W>
W* widget(const Form& form, const char* name) {
    QWidget* window = windowOf(form);
    return window == nullptr ? nullptr : window->findChild<W*>(QString::fromLatin1(name));
}

bool waitFor(const std::function<bool()>& condition, int ms = 3000) {
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired()) {
        QTest::qWait(5);
    }
    return condition();
}

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

TEST_F(QtBackendTest, PlacesFormsAndControlsInPixels) {
    auto& f = form<SampleForm>();
    show(f);
    QWidget* window = windowOf(f);
    ASSERT_NE(window, nullptr);
    auto* client = window->findChild<QWidget*>("client");
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(client->size(), QSize(400, 260));
    EXPECT_EQ(client->y(), bar->height());
    EXPECT_EQ(window->size(), QSize(400, 260 + bar->height()));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());  // fixed dialog

    auto* frame = widget<QGroupBox>(f, "fraSound");
    auto* sound = widget<QCheckBox>(f, "chkSound");
    EXPECT_EQ(frame->parentWidget(), client);
    EXPECT_EQ(frame->geometry(), QRect(8, 52, 184, 104));
    EXPECT_EQ(sound->parentWidget(), frame);
    EXPECT_EQ(sound->geometry(), QRect(16, 40, 152, 20));
    EXPECT_FALSE(client->rect().intersects(widget<QLabel>(f, "lblHolder")->geometry()));

    auto* start = widget<QPushButton>(f, "cmdStart");
    f.cmdStart.Move(15, 30, 1500, 450);
    EXPECT_EQ(start->geometry(), QRect(1, 2, 100, 30));
    f.chkMusic.setContainer(nullptr);
    EXPECT_EQ(widget<QCheckBox>(f, "chkMusic")->parentWidget(), client);
    EXPECT_TRUE(widget<QCheckBox>(f, "chkMusic")->isVisibleTo(window));

    f.Move(1500, 750);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(100, 50));
    f.setCaption("Renamed");
    EXPECT_EQ(window->windowTitle(), "Renamed");
    EXPECT_TRUE(window->isVisible());

    // New window flags hide a window; it must come back.
    f.setControlBox(false);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowTitleHint);
    f.setShowInTaskbar(false);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowType(), Qt::Dialog);

    // The menu bar belongs to the frame, not to the client area.
    auto& plain = form<PlainForm>();
    show(plain);
    Backend& backend = runtime->backend();
    EXPECT_EQ(backend.frameHeight(f) - backend.frameHeight(plain), bar->height() * 15);
    EXPECT_EQ(f.Height(), f.ClientHeight() + backend.frameHeight(f));
    EXPECT_GT(backend.screenWidth(), 0);
}

TEST_F(QtBackendTest, LabelsSizeThemselvesAndTakeColours) {
    auto& f = form<SampleForm>();
    show(f);
    auto* path = widget<QLabel>(f, "lblPath");
    EXPECT_EQ(path->geometry().topLeft(), QPoint(208, 56));
    EXPECT_EQ(path->size(), path->sizeHint());
    EXPECT_EQ(widget<QLabel>(f, "lblName")->text(), "Player name:");

    // A right-aligned label that sizes itself keeps its right edge.
    auto* name = widget<QLabel>(f, "lblName");
    f.lblName.setAlignment(Alignment::Right);
    f.lblName.setAutoSize(true);
    EXPECT_EQ(name->geometry().right() + 1, 308);
    f.lblName.setCaption("The player's full name:");
    EXPECT_EQ(name->geometry().right() + 1, 308);
    EXPECT_EQ(name->width(), name->sizeHint().width());

    auto* title = widget<QLabel>(f, "lblTitle");
    EXPECT_FALSE(title->autoFillBackground());
    f.lblTitle.setForeColor(0x0000FF);  // red, in 0x00BBGGRR
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    f.fraSound.setBackColor(colors::Black);
    EXPECT_EQ(widget<QGroupBox>(f, "fraSound")->palette().color(QPalette::Window), Qt::black);
    EXPECT_EQ(widget<QLineEdit>(f, "txtName")->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Base));

    f.lblTitle.setFont({"MS Sans Serif", 8.25, true});
    QFont font = title->font();
    EXPECT_TRUE(font.family() == "Liberation Sans" || font.family() == "DejaVu Sans");
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_TRUE(font.bold());
}

TEST_F(QtBackendTest, ButtonsRaiseClickOnceAndNotWhenDisabled) {
    auto& f = form<SampleForm>();
    show(f);
    auto* start = widget<QPushButton>(f, "cmdStart");
    EXPECT_EQ(start->text(), "&Start");
    EXPECT_EQ(start->toolTip(), "Start the skirmish");
    EXPECT_TRUE(start->isDefault());
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_EQ(f.starts, 1);
    f.cmdStart.setEnabled(false);
    EXPECT_FALSE(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_EQ(f.starts, 1);
}

TEST_F(QtBackendTest, CheckBoxFollowsCodeAndUserWithOneClickEach) {
    auto& f = form<SampleForm>();
    show(f);
    auto* box = widget<QCheckBox>(f, "chkSound");
    f.chkSound.setValue(1);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(f.soundClicks, 1);

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_EQ(f.chkSound.Value(), 0);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(f.soundClicks, 2);

    // A handler that refuses the change wins over what Qt drew.
    f.chkSound.Click = [&f] {
        ++f.soundClicks;
        f.chkSound.setValue(0);
    };
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_EQ(f.chkSound.Value(), 0);
    EXPECT_FALSE(box->isChecked());
}

TEST_F(QtBackendTest, TypingRaisesChangeAndLockedBoxRefusesIt) {
    auto& f = form<SampleForm>();
    show(f);
    auto* name = widget<QLineEdit>(f, "txtName");
    QTest::keyClicks(name, "Zed");
    EXPECT_EQ(f.txtName.Text(), "Zed");
    EXPECT_EQ(f.changes, (std::vector<std::string>{"Z", "Ze", "Zed"}));

    f.txtName.setText("K\xC3\xA4ra");  // UTF-8 on both sides
    EXPECT_EQ(name->text(), QString::fromUtf8("K\xC3\xA4ra"));
    EXPECT_EQ(f.changes.size(), 4u);

    // What the program makes of the typing is what the box shows.
    f.txtName.Change = [&f] {
        std::string upper = f.txtName.Text();
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        f.txtName.setText(upper);
    };
    name->clear();
    QTest::keyClicks(name, "ab");
    EXPECT_EQ(name->text(), "AB");
    EXPECT_EQ(f.txtName.Text(), "AB");

    auto* path = widget<QLineEdit>(f, "txtPath");
    EXPECT_TRUE(path->isReadOnly());
    QTest::keyClicks(path, "x");
    EXPECT_EQ(path->text(), "/opt/zekvarin");
    EXPECT_EQ(f.txtPath.Text(), "/opt/zekvarin");
}

TEST_F(QtBackendTest, KeyboardFollowsTabOrderDefaultAndCancel) {
    auto& f = form<SampleForm>();
    show(f);
    QWidget* window = windowOf(f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* name = widget<QLineEdit>(f, "txtName");
    EXPECT_EQ(QApplication::focusWidget(), name);
    EXPECT_EQ(widget<QCheckBox>(f, "chkMusic")->focusPolicy(), Qt::NoFocus);

    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), widget<QCheckBox>(f, "chkSound"));
    EXPECT_EQ(f.ActiveControl(), &f.chkSound);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), widget<QLineEdit>(f, "txtPath"));

    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(f.starts, 1);
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_EQ(f.cancels, 1);
    EXPECT_EQ(f.starts, 1);
}

TEST_F(QtBackendTest, PicturesDrawAndMissingOnesDrawNothing) {
    auto& f = form<SampleForm>();
    show(f);
    auto* logo = widget<QLabel>(f, "imgLogo");
    EXPECT_EQ(logo->size(), QSize(32, 32));
    EXPECT_EQ(logo->grab().toImage().pixelColor(30, 30), QColor(0, 0, 128));
    QTest::mouseClick(logo, Qt::LeftButton);
    EXPECT_EQ(f.logoClicks, 1);

    f.imgLogo.setStretch(false);  // at the picture's own size
    EXPECT_EQ(logo->size(), QSize(8, 8));
    f.imgLogo.setPicture({"no-such-picture"});
    EXPECT_EQ(logo->size(), QSize(32, 32));

    f.setPicture({"backdrop"});
    QImage client = windowOf(f)->findChild<QWidget*>("client")->grab().toImage();
    EXPECT_EQ(client.pixelColor(2, 2), QColor(0, 128, 0));
    EXPECT_NE(client.pixelColor(100, 100), QColor(0, 128, 0));
}

TEST_F(QtBackendTest, MenusMirrorTheFormAndShortcutsTrigger) {
    auto& f = form<SampleForm>();
    show(f);
    QWidget* window = windowOf(f);
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), "&File");
    QList<QAction*> items = bar->actions()[0]->menu()->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "E&xit");
    QAction* about = bar->actions()[1]->menu()->actions()[0];
    EXPECT_EQ(about->shortcut(), QKeySequence(Qt::Key_F1));

    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_F1);
    EXPECT_EQ(f.helpClicks, 1);
    f.mnuHelpAbout.setEnabled(false);
    EXPECT_FALSE(about->isEnabled());
    QTest::keyClick(window, Qt::Key_F1);
    EXPECT_EQ(f.helpClicks, 1);
    f.mnuFileOpen.setVisible(false);
    EXPECT_FALSE(items[0]->isVisible());

    items[2]->trigger();  // Exit unloads the form
    EXPECT_FALSE(f.Loaded());
}

TEST_F(QtBackendTest, TimerTicksWhileLoadedAndStopsWithTheForm) {
    auto& f = form<SampleForm>();
    show(f);
    f.tmrPulse.setInterval(15);
    f.tmrPulse.setEnabled(true);
    EXPECT_TRUE(waitFor([&f] { return f.ticks >= 3; }));
    f.tmrPulse.setEnabled(false);
    int stopped = f.ticks;
    QTest::qWait(80);
    EXPECT_EQ(f.ticks, stopped);

    f.tmrPulse.setEnabled(true);
    EXPECT_TRUE(waitFor([&f, stopped] { return f.ticks > stopped; }));
    f.Unload();
    int unloaded = f.ticks;
    QTest::qWait(80);
    EXPECT_EQ(f.ticks, unloaded);
}

TEST_F(QtBackendTest, ModalShowReturnsOnceTheHandlerThatUnloadedHasRun) {
    show(form<SampleForm>());
    auto& modal = form<ModalForm>();
    bool returned = false;
    bool handlerFinished = false;
    runtime->dispatch([&] {
        modal.Show(ShowMode::Modal);
        returned = true;
        handlerFinished = modal.afterUnload;
    });
    EXPECT_TRUE(returned);
    EXPECT_TRUE(handlerFinished);
    EXPECT_EQ(modal.ticks, 1);
    EXPECT_EQ(modal.modalWindow, "frmModal");
    EXPECT_FALSE(modal.Loaded());
}

TEST_F(QtBackendTest, MessageBoxWaitsWhileTimersTickInsideIt) {
    BoxAnswerer answerer;
    auto& busy = form<BusyForm>();
    answerer.until = [&busy] { return busy.ticks >= 3; };
    show(busy);
    EXPECT_TRUE(waitFor([&busy] { return busy.answer == 1; }));
    EXPECT_GE(busy.maxDepth, 2);  // the timer ticked again inside its own tick
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, "Busy");
    EXPECT_EQ(answerer.seen[0].text, "Working\nplease wait");
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Information);
}

// Key presses must reach the owner again once a modal form or a message box
// over it has gone, without the user clicking it first.
TEST_F(QtBackendTest, OwnerIsActiveAgainAfterAModalFormOrMessageBox) {
    auto& owner = form<SampleForm>();
    show(owner);
    QWidget* ownerWindow = windowOf(owner);
    QWidget* name = widget<QLineEdit>(owner, "txtName");
    ASSERT_TRUE(waitFor([ownerWindow] { return QApplication::activeWindow() == ownerWindow; }));
    name->setFocus();

    auto& modal = form<ModalForm>();
    runtime->dispatch([&] { modal.Show(ShowMode::Modal, &owner); });
    EXPECT_EQ(modal.activeWindow, "frmModal");
    EXPECT_TRUE(waitFor([ownerWindow] { return QApplication::activeWindow() == ownerWindow; }));
    EXPECT_EQ(QApplication::focusWidget(), name);

    BoxAnswerer answerer;
    QString activeInBox;
    answerer.until = [&activeInBox] {
        activeInBox = QApplication::activeWindow()->objectName();
        return true;
    };
    runtime->dispatch([] { MsgBox("Saved.", style::Information, "Done"); });
    EXPECT_EQ(activeInBox, "messageBox");
    EXPECT_TRUE(waitFor([ownerWindow] { return QApplication::activeWindow() == ownerWindow; }));
    EXPECT_EQ(QApplication::focusWidget(), name);
}

// A box that asks Yes or No shows both buttons and returns the one pressed.
TEST_F(QtBackendTest, YesNoBoxReturnsTheButtonPressed) {
    for (auto [button, expected] :
         {std::pair{QMessageBox::Yes, answer::Yes}, std::pair{QMessageBox::No, answer::No}}) {
        BoxAnswerer answerer;
        answerer.press = button;
        int got = 0;
        runtime->dispatch([&got] {
            got = MsgBox("Restore?", style::Exclamation | style::YesNo, "Error- Restore Backup");
        });
        EXPECT_EQ(got, expected);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Warning);
    }
}

// A timer never fires before its interval has passed on the monotonic clock
// (Qt lets its default coarse timers fire up to 5% early).
TEST_F(QtBackendTest, TimerNeverFiresBeforeItsInterval) {
    auto& f = form<SampleForm>();
    show(f);
    QElapsedTimer clock;  // monotonic
    std::vector<qint64> firstTicks;
    f.tmrPulse.Tick = [&] {
        firstTicks.push_back(clock.elapsed());
        f.tmrPulse.setEnabled(false);
    };
    constexpr int kInterval = 3000;
    for (int round = 0; round < 2; ++round) {
        f.tmrPulse.setInterval(kInterval);
        clock.start();
        f.tmrPulse.setEnabled(true);
        ASSERT_TRUE(waitFor([&] { return firstTicks.size() == std::size_t(round) + 1; }, 5000));
        EXPECT_GE(firstTicks.back(), kInterval) << "round " << round;
    }
}

TEST_F(QtBackendTest, EveryWindowCarriesTheProgramIconInAllItsSizes) {
    BoxAnswerer answerer;
    QList<QSize> inBox;
    answerer.until = [&inBox] {
        inBox = QApplication::activeModalWidget()->windowIcon().availableSizes();
        return true;
    };
    show(form<PlainForm>());
    show(form<SampleForm>());
    runtime->dispatch([] { MsgBox("Saved.", style::Information, "Done"); });
    const QList<QSize> sizes{QSize(16, 16), QSize(32, 32), QSize(48, 48)};
    for (const Form* f : std::vector<const Form*>{&form<PlainForm>(), &form<SampleForm>()}) {
        QList<QSize> available = windowOf(*f)->windowIcon().availableSizes();
        std::sort(available.begin(), available.end(),
                  [](QSize a, QSize b) { return a.width() < b.width(); });
        EXPECT_EQ(available, sizes) << f->Name();
    }
    EXPECT_EQ(inBox.size(), sizes.size());
}

TEST_F(QtBackendTest, UntrappedErrorIsReportedAndEndsTheProgram) {
    BoxAnswerer answerer;
    auto& f = form<SampleForm>();
    show(f);
    f.cmdStart.Click = [] { throw RuntimeError(err::FileNotFound, "File not found"); };
    QTest::mouseClick(widget<QPushButton>(f, "cmdStart"), Qt::LeftButton);
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(exitStatus, kExitOnError);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text, "Run-time error '53':\n\nFile not found");
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Critical);

    // Once ended, no further event reaches the program.
    f.cmdCancel.Click = [&f] { ++f.cancels; };
    QTest::mouseClick(widget<QPushButton>(f, "cmdCancel"), Qt::LeftButton);
    EXPECT_EQ(f.cancels, 0);
}

// An error that is not the runtime's own, thrown by the handler of a button
// clicked in the running program, reaches the report and the program's own
// end (exit status 1), never std::terminate; in a process of its own, as the
// end stops the process.
TEST_F(QtBackendTest, AnyErrorEscapingAHandlerIsReportedNeverTerminates) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto program = [this] {
        qt::setEndHandler({});
        BoxAnswerer answerer;
        answerer.until = [&answerer] {
            std::fprintf(stderr, "%s\n", qPrintable(answerer.seen.back().text));
            return true;
        };
        auto& f = form<SampleForm>();
        show(f);
        f.cmdStart.Click = [] { throw std::bad_alloc(); };
        QTimer::singleShot(
            0, [&f] { QTest::mouseClick(widget<QPushButton>(f, "cmdStart"), Qt::LeftButton); });
        QTimer::singleShot(5000, [] { std::_Exit(3); });  // no end at all
        runtime->backend().runMain();
    };
    EXPECT_EXIT(program(), ::testing::ExitedWithCode(kExitOnError),
                "Run-time error '7':\n\nOut of memory");
}

// The help window reads its pages from inside Qt, outside any handler: a
// failed read goes to the same report and end.
TEST_F(QtBackendTest, AnErrorReadingAHelpPageIsReportedAndEndsTheProgram) {
    BoxAnswerer answerer;
    HelpBook book;
    book.key = "broken.chm";
    book.load = [](const std::string&) -> std::optional<std::string> {
        throw std::out_of_range("page 12 of 3");
    };
    runtime->backend().showHelp(book, "/welcome.htm", HelpPane::Contents, 0);
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(exitStatus, kExitOnError);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text, "Run-time error '9':\n\npage 12 of 3");
    runtime->backend().closeHelpWindows();
}

TEST_F(QtBackendTest, CloseIsRefusedWithoutCloseInTheSystemMenu) {
    auto& locked = form<LockedForm>();
    show(locked);
    QWidget* window = windowOf(locked);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(locked.Loaded());
    EXPECT_TRUE(window->isVisible());

    auto& plain = form<PlainForm>();
    show(plain);
    QWidget* plainWindow = windowOf(plain);
    EXPECT_TRUE(plainWindow->windowFlags() & Qt::WindowCloseButtonHint);
    plainWindow->close();
    EXPECT_FALSE(plain.Loaded());
    EXPECT_EQ(plain.unloads, 1);
    EXPECT_FALSE(plainWindow->isVisible());
}

TEST_F(QtBackendTest, ShowingAgainStartsFromTheDesign) {
    auto& f = form<SampleForm>();
    show(f);
    f.chkSound.setValue(1);
    f.cmdStart.setCaption("&Go");
    f.txtName.setText("Ann");
    f.lblTitle.Move(0, 0, 300, 300);
    f.setCaption("Changed");
    f.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windowOf(f), nullptr);

    show(f);
    EXPECT_EQ(windowOf(f)->windowTitle(), "Skirmish Options");
    EXPECT_FALSE(widget<QCheckBox>(f, "chkSound")->isChecked());
    EXPECT_EQ(widget<QPushButton>(f, "cmdStart")->text(), "&Start");
    EXPECT_EQ(widget<QLineEdit>(f, "txtName")->text(), "");
    EXPECT_EQ(widget<QLabel>(f, "lblTitle")->geometry(), QRect(8, 12, 340, 17));
}

TEST_F(QtBackendTest, MainLoopOutlivesAHandlerThatSwapsForms) {
    QObject guard;
    bool timedOut = false;
    QTimer::singleShot(5000, &guard, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    runtime->run<SplashForm>();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(form<NextForm>().ticks, 1);
    EXPECT_TRUE(runtime->loadedForms().empty());
}

TEST_F(QtBackendTest, SessionEndTerminatesLoadedFormsThenEnds) {
    auto& f = form<SampleForm>();
    auto& plain = form<PlainForm>();
    show(f);
    show(plain);
    form<LockedForm>();  // never loaded: not terminated
    std::raise(SIGTERM);
    EXPECT_TRUE(waitFor([this] { return endCalls == 1; }));
    EXPECT_EQ(f.terminations, 1);
    EXPECT_EQ(plain.terminations, 1);
    EXPECT_EQ(plain.unloads, 0);
}

// A help window opens centred on its owner; moved, resized and closed (by
// the user or by the program), it comes back as it was left, and a display
// while it is open leaves it where it is.
TEST_F(QtBackendTest, HelpWindowOpensCentredOnItsOwnerAndComesBackWhereItWasLeft) {
    auto& f = form<SampleForm>();
    show(f);
    QWidget* owner = windowOf(f);
    owner->move(500, 300);
    HelpBook book;
    book.key = "/program/help.chm";
    auto open = [&] {
        runtime->backend().showHelp(book, "/page.htm", HelpPane::Contents, f.hWnd());
        return shownHelpWindow();
    };
    QWidget* help = open();
    ASSERT_NE(help, nullptr);
    QPoint offCentre = help->frameGeometry().center() - owner->frameGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 1) << offCentre.x() << "," << offCentre.y();

    const std::vector<std::function<void()>> closings{
        [&help] { help->close(); }, [this] { runtime->backend().closeHelpWindows(); }};
    for (std::size_t i = 0; i < closings.size(); ++i) {
        SCOPED_TRACE(i == 0 ? "closed by the user" : "closed by the program");
        const QRect left(120 + 40 * int(i), 80, 640, 420);
        help->setGeometry(left);
        closings[i]();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        help = open();
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->geometry(), left);
        EXPECT_EQ(open(), help);
        EXPECT_EQ(help->geometry(), left);
    }
}

// Esc closes the help window, from the page as from a text field.
TEST_F(QtBackendTest, EscClosesTheHelpWindow) {
    HelpBook book;
    book.key = "/program/help.chm";
    for (auto [pane, part] :
         {std::pair{HelpPane::Contents, "helpPage"}, {HelpPane::Index, "helpIndexFilter"}}) {
        SCOPED_TRACE(part);
        runtime->backend().showHelp(book, "/page.htm", pane, 0);
        QPointer<QWidget> help = shownHelpWindow();
        ASSERT_NE(help, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(help));
        auto* focused = help->findChild<QWidget*>(part);
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(help.isNull());
    }
}

TEST_F(QtBackendTest, GrabsASampleScreenshot) {
    auto& f = form<SampleForm>();
    show(f);
    f.chkSound.setValue(1);
    f.txtName.setText("Kara");
    const std::string path = ZEK_SAMPLE_SCREENSHOT;
    ASSERT_TRUE(qt::grabForm(f, path));
    QImage shot(QString::fromStdString(path));
    EXPECT_EQ(shot.size(), windowOf(f)->size());
    EXPECT_FALSE(qt::grabForm(form<PlainForm>(), path));  // not loaded
}

}  // namespace

int main(int argc, char** argv) {
    // Offscreen, one screen of a common desktop's size (Qt's own is 800 by
    // 800, smaller than the help window) so windows are placed as there.
    QTemporaryDir config;
    if (qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen") == "offscreen") {
        QFile screens(config.filePath("screens.json"));
        if (screens.open(QIODevice::WriteOnly)) {
            screens.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0,)"
                          R"( "width": 1920, "height": 1080, "logicalDpi": 96}]})");
            screens.close();
        }
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir folder;
    QDir(folder.path()).mkpath("pictures");
    QImage logo(8, 8, QImage::Format_RGB32);
    logo.fill(QColor(0, 0, 128));
    logo.save(folder.filePath("pictures/logo.png"));
    QImage backdrop(16, 16, QImage::Format_RGB32);
    backdrop.fill(QColor(0, 128, 0));
    backdrop.save(folder.filePath("pictures/backdrop.png"));
    for (auto [file, size] : {std::pair{"icon", 48}, {"icon16", 16}, {"icon32", 32}}) {
        QImage icon(size, size, QImage::Format_ARGB32);
        icon.fill(QColor(128, 0, 0));
        icon.save(folder.filePath(QStringLiteral("pictures/%1.png").arg(file)));
    }
    pictureRoot = folder.path();

    return RUN_ALL_TESTS();
}
