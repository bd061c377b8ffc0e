// The Qt Widgets back end on Qt's offscreen platform: forms and controls in
// pixels, what they show, what the user's mouse and keys raise, menus,
// pictures, window icons, closing and showing again.
//
// The forms here are small programs of their own; the tests act as the user
// would (QTest mouse and key events, closing windows, signals) and check
// both sides: what the widgets show and what the program's controls saw.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <cctype>
#include <string>
#include <vector>

#include "support/QtBackendFixture.h"

namespace {

using namespace forms;
using testing_support::BoxAnswerer;
using testing_support::LockedForm;
using testing_support::PlainForm;
using testing_support::QtBackendTest;
using testing_support::SampleForm;
using testing_support::widget;
using testing_support::windowOf;

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
