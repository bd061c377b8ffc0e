// Shows each form of the program in real (offscreen) windows, checks what
// the window system made of it, and saves a picture of it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QWhatsThis>
#include <filesystem>

#include "app/Main.h"
#include "app/frmOptions.h"
#include "app/frmSplash.h"
#include "app/frmfirstload.h"
#include "forms/Runtime.h"
#include "forms/qt/QtBackend.h"
#include "help/HTMLHelp.h"
#include "help/frmAbout.h"
#include "platform/ChmHelpViewer.h"
#include "skirmish/frmdifficulty.h"
#include "skirmish/frmrungame.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::TempDir;

namespace {

int gArgc = 1;
char gArg0[] = "screens_test";
char* gArgv[] = {gArg0, nullptr};

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_ = std::make_unique<forms::Runtime>(forms::qt::makeBackend(gArgc, gArgv));
        program_ = dir_.path() / "program";
        game_ = dir_.path() / "game";
        standin::writeProgramData(program_);
        standin::writeGameFolder(game_);
        fs::create_directory_symlink(ZEK_PICTURES_DIR, program_ / "pictures");
        testing_support::writeFile(program_ / "CFG" / "zekdir.cfg", game_.string() + "\r\n");
        testing_support::writeFile(program_ / "CFG" / "appdir.cfg", program_.string() + "\r\n");
        for (const char* folder :
             {"BACKUP", "BACKUP/language", "BACKUP/levels", "BACKUP/SAVE", "BACKUP/scripts"}) {
            fs::create_directories(program_ / folder);
        }
        runtime_->app().Path = program_.string();
        forms::qt::setEndHandler([](int) {});
        fs::create_directories(ZEK_SCREENSHOT_DIR);
    }

    void TearDown() override {
        for (forms::Form* form : runtime_->loadedForms()) {
            form->Unload();
        }
        runtime_.reset();
    }

    // The shown top-level window of that object name, or null.
    static QWidget* topLevel(const char* name) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String(name) && widget->isVisible()) {
                return widget;
            }
        }
        return nullptr;
    }

    // Saves the form's picture and returns it for a look at its pixels.
    QImage shoot(forms::Form& form, const std::string& name) {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
        std::string file = std::string(ZEK_SCREENSHOT_DIR) + "/" + name + ".png";
        EXPECT_TRUE(forms::qt::grabForm(form, file)) << file;
        return QImage(QString::fromStdString(file));
    }

    TempDir dir_;
    fs::path program_;
    fs::path game_;
    std::unique_ptr<forms::Runtime> runtime_;
};

// The client area is drawn at 15 twips a pixel; the menu bar, when there is
// one, comes on top of it.
void expectClientSize(const QImage& image, const forms::Form& form, int extraHeight = 0) {
    EXPECT_EQ(image.width(), form.ClientWidth() / 15);
    EXPECT_GE(image.height(), form.ClientHeight() / 15 + extraHeight);
}

TEST_F(Screens, Splash) {
    auto& splash = forms::form<app::frmSplash>();
    splash.Show();
    ASSERT_TRUE(splash.Visible());
    EXPECT_EQ(splash.lblVersion.Caption(), "Version 0.0.4");
    QImage image = shoot(splash, "frmSplash");
    expectClientSize(image, splash);
    // A black screen with the logo and white writing on it.
    EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(Qt::black));
}

TEST_F(Screens, FirstRunDialog) {
    auto& dialog = forms::form<app::frmfirstload>();
    dialog.Show();
    EXPECT_EQ(dialog.appdir.Text(), program_.string());
    expectClientSize(shoot(dialog, "frmfirstload"), dialog);
}

TEST_F(Screens, MainWindow) {
    auto& main = forms::form<app::Main>();
    main.Show();
    ASSERT_TRUE(main.Visible());
    EXPECT_FALSE(main.systemMenu().hasClose());
    expectClientSize(shoot(main, "Main"), main, 1);
    // The game running: End Game is the button to press.
    main.Image10.userClick();
    main.Command1.userClick();
    main.BR.userClick();
    main.Start.setEnabled(false);
    main.Exit2.setEnabled(false);
    main.EndGame.setEnabled(true);
    shoot(main, "Main_edited");
}

TEST_F(Screens, OptionsDialog) {
    auto& options = forms::form<app::frmOptions>();
    options.Show();
    EXPECT_EQ(options.zekdir.Text(), game_.string());
    expectClientSize(shoot(options, "frmOptions"), options);
}

TEST_F(Screens, DifficultyAndLaunchWait) {
    auto& difficulty = forms::form<skirmish::frmdifficulty>();
    difficulty.Show();
    expectClientSize(shoot(difficulty, "frmdifficulty"), difficulty);
    auto& wait = forms::form<skirmish::frmrungame>();
    wait.Show();
    expectClientSize(shoot(wait, "frmrungame"), wait);
    wait.Unload();
}

// The box a missing help file gives: it belongs to no window, so Main stays
// usable, and F1 on Main opens a second one while the first is still open.
// End Game over a marker that names no folder offers the configured one;
// No leaves the game in progress.
TEST_F(Screens, EndGameOffersTheConfiguredFolder) {
    testing_support::writeFile(program_ / "BACKUP" / "export.pending", "");
    auto& main = forms::form<app::Main>();
    main.Show();
    ASSERT_TRUE(main.EndGame.Enabled());
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || seen) {
            return;
        }
        seen = true;
        EXPECT_EQ(box->windowTitle(), "Error- Restore Backup");
        EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
        std::string file = std::string(ZEK_SCREENSHOT_DIR) + "/end_game_offer.png";
        EXPECT_TRUE(box->grab().save(QString::fromStdString(file)));
        box->button(QMessageBox::No)->click();
    });
    poll.start(10);
    runtime_->dispatch([&main] { main.EndGame_Click(); });
    EXPECT_TRUE(seen);
    EXPECT_TRUE(main.EndGame.Enabled());
    EXPECT_TRUE(fs::exists(program_ / "BACKUP" / "export.pending"));
}

TEST_F(Screens, MissingHelpFileWarningLeavesMainUsable) {
    fs::remove(program_ / "zekskirmishhelp.chm");
    auto& main = forms::form<app::Main>();
    main.Show();
    auto openBoxes = [] {
        std::vector<QMessageBox*> boxes;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                boxes.push_back(box);
            }
        }
        return boxes;
    };
    auto pressF1 = [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            for (QAction* action : w->actions()) {
                if (action->shortcut() == QKeySequence(Qt::Key_F1)) {
                    action->trigger();
                    return;
                }
            }
        }
    };
    int step = 0;
    std::size_t mostOpen = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto boxes = openBoxes();
        mostOpen = std::max(mostOpen, boxes.size());
        if (step == 0 && boxes.size() == 1) {
            QMessageBox* box = boxes[0];
            EXPECT_EQ(box->windowTitle(), "HTML Help Class");
            EXPECT_EQ(box->text().toStdString(), "The file " + program_.string() +
                                                     "\\zekskirmishhelp.chm does not exist.\n"
                                                     "Please make sure the correct path and file "
                                                     "name have been specified.");
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->parentWidget(), nullptr);
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
            std::string file = std::string(ZEK_SCREENSHOT_DIR) + "/help_missing_file.png";
            EXPECT_TRUE(box->grab().save(QString::fromStdString(file)));
            step = 1;
            QTimer::singleShot(0, pressF1);  // the Help command again, inside the box
        } else if (step == 1 && boxes.size() == 2) {
            step = 2;
            boxes[1]->button(QMessageBox::Ok)->click();
        } else if (step == 2 && boxes.size() == 1) {
            step = 3;
            boxes[0]->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    QTimer::singleShot(5000, [&] {
        for (QMessageBox* box : openBoxes()) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    main.Help2.userClick();
    EXPECT_EQ(step, 3);
    EXPECT_EQ(mostOpen, 2u);
    EXPECT_TRUE(openBoxes().empty());
}

// The help window and the text popup, from the shipped help file.
class HelpScreens : public Screens {
protected:
    QImage shootHelp(long number, const std::string& name) {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
        std::string file = std::string(ZEK_SCREENSHOT_DIR) + "/" + name + ".png";
        EXPECT_TRUE(forms::qt::grabHelp(number, file)) << file;
        return QImage(QString::fromStdString(file));
    }

    const std::string helpFile_ = std::string(ZEK_HELP_SOURCE_DIR) + "/zekskirmishhelp.chm";
    platform::ChmHelpViewer viewer_;
};

TEST_F(HelpScreens, ContentsTreeBesideTheFirstPageAndAnEntryShowsItsPage) {
    long number = viewer_.HtmlHelp(0, helpFile_, platform::HH_DISPLAY_TOC, 0);
    ASSERT_NE(number, 0);
    QWidget* window = topLevel("helpWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zekvarin Skirmish Mode Help"));
    auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("helpContents"));
    auto* page = window->findChild<QTextBrowser*>(QStringLiteral("helpPage"));
    ASSERT_TRUE(tree != nullptr && page != nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 6);
    EXPECT_EQ(page->source().path(), QStringLiteral("/welcome.htm"));
    EXPECT_TRUE(page->toPlainText().contains(QStringLiteral("A skirmish in five steps")));
    // The page's picture comes from inside the help file.
    QVariant picture = page->loadResource(QTextDocument::ImageResource,
                                          page->source().resolved(QUrl("main-window.png")));
    EXPECT_FALSE(QImage::fromData(picture.toByteArray()).isNull());
    QImage shot = shootHelp(number, "help_contents");
    EXPECT_GE(shot.width(), 600);

    QTreeWidgetItem* editor = tree->topLevelItem(0)->child(1);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(editor).center());
    EXPECT_EQ(page->source().path(), QStringLiteral("/editor.htm"));
    emit page->anchorClicked(QUrl("startgame.htm#top"));
    EXPECT_EQ(page->source().path(), QStringLiteral("/startgame.htm"));
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Start Game and the difficulties"));
}

TEST_F(HelpScreens, F1OnMainOpensTheContents) {
    fs::copy_file(helpFile_, program_ / "zekskirmishhelp.chm");
    platform::setHelpViewer(&viewer_);
    auto& main = forms::form<app::Main>();
    main.Show();
    main.Help2.userClick();
    platform::setHelpViewer(nullptr);
    QWidget* window = topLevel("helpWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->findChild<QTextBrowser*>(QStringLiteral("helpPage"))->source().path(),
              QStringLiteral("/welcome.htm"));
    shootHelp(window->property("helpNumber").toLongLong(), "help_f1");
}

TEST_F(HelpScreens, TopicInTheWindowAlreadyOpen) {
    long first = viewer_.HtmlHelp(0, helpFile_, platform::HH_DISPLAY_TOC, 0);
    long number = viewer_.HtmlHelp(0, helpFile_ + ">main", platform::HH_DISPLAY_TOPIC,
                                   std::string("/messages.htm"));
    EXPECT_EQ(number, first);
    QWidget* window = topLevel("helpWindow");
    ASSERT_NE(window, nullptr);
    auto* page = window->findChild<QTextBrowser*>(QStringLiteral("helpPage"));
    EXPECT_EQ(page->source().path(), QStringLiteral("/messages.htm"));
    shootHelp(number, "help_topic");
    viewer_.HtmlHelp(0, helpFile_, platform::HH_DISPLAY_INDEX, 0);
    EXPECT_EQ(window->findChild<QTabWidget*>(QStringLiteral("helpPanes"))->currentIndex(), 1);
    viewer_.HtmlHelp(0, helpFile_, platform::HH_DISPLAY_SEARCH, platform::HH_FTS_QUERY{});
    EXPECT_EQ(window->findChild<QTabWidget*>(QStringLiteral("helpPanes"))->currentIndex(), 2);
    auto* words = window->findChild<QLineEdit*>(QStringLiteral("helpSearchText"));
    auto* results = window->findChild<QListWidget*>(QStringLiteral("helpSearchResults"));
    words->setText(QStringLiteral("gxexec.exe LAUNCHER search path"));
    emit words->returnPressed();
    ASSERT_EQ(results->count(), 1) << "every word must be on the page";
    EXPECT_EQ(results->item(0)->text(), QStringLiteral("Start Game and the difficulties"));
    shootHelp(number, "help_search");
    viewer_.HtmlHelp(0, std::string(), platform::HH_CLOSE_ALL, 0);
    QApplication::processEvents();
    EXPECT_EQ(topLevel("helpWindow"), nullptr);
}

TEST_F(HelpScreens, TextPopup) {
    platform::HH_POPUP record;
    record.cbStruct = 50;
    record.pt = {120, 90};
    record.clrForeground = 0x000000;
    record.clrBackground = 0xE1FFFF;
    record.rcMargins = {-1, -1, -1, -1};
    record.pszFont = "Arial, 10, ascii, Bold ";
    record.idString = 2;
    long number =
        viewer_.HtmlHelp(0, helpFile_ + "::/popups.txt", platform::HH_DISPLAY_TEXT_POPUP, record);
    ASSERT_NE(number, 0);
    QWidget* popup = topLevel("helpPopup");
    ASSERT_NE(popup, nullptr);
    auto* text = popup->findChild<QLabel*>(QStringLiteral("helpPopupText"));
    EXPECT_TRUE(text->text().startsWith(QStringLiteral("Saves your settings")));
    EXPECT_TRUE(text->font().bold());
    QImage shot = shootHelp(number, "help_popup");
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, 3), QColor(0xFF, 0xFF, 0xE1));
}

// What a caller of the help class sees: a topic in the help window, text
// popups over Main from a given text and from the help file, and Main in
// What's-This mode.
TEST_F(HelpScreens, TheHelpClassShowsATopicAndTextPopups) {
    fs::copy_file(helpFile_, program_ / "zekskirmishhelp.chm");
    platform::setHelpViewer(&viewer_);
    help::HTMLHelp h;
    h.CHMFile(program_.string() + "\\zekskirmishhelp.chm");
    h.HHTopicURL("/editor.htm");
    h.HHDisplayTopicURL();
    QWidget* window = topLevel("helpWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->findChild<QTextBrowser*>(QStringLiteral("helpPage"))->source().path(),
              QStringLiteral("/editor.htm"));
    shootHelp(h.HHWndHandle(), "help_class_topic");

    auto& main = forms::form<app::Main>();
    main.Show();
    std::int32_t owner = static_cast<std::int32_t>(main.hWnd());
    h.HHPopupType(4);
    h.HHPopupText("Switches the spell off in all 25 levels.");
    h.HHPopupTextBold(true);
    h.HHPopupTextColor(0x800000);
    h.HHPopupBackColor(0xE1FFFF);
    h.HHDisplayPopup(owner);
    QWidget* popup = topLevel("helpPopup");
    ASSERT_NE(popup, nullptr);
    auto* text = popup->findChild<QLabel*>(QStringLiteral("helpPopupText"));
    EXPECT_EQ(text->text(), QStringLiteral("Switches the spell off in all 25 levels."));
    EXPECT_TRUE(text->font().bold());
    QImage shot = shootHelp(popup->property("helpNumber").toLongLong(), "help_class_popup");
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, 3), QColor(0xFF, 0xFF, 0xE1));

    h.HHPopupType(1);
    h.HHPopupFile("popups.txt");
    h.HHPopupID(2);
    h.HHDisplayPopup(owner);
    popup = topLevel("helpPopup");
    ASSERT_NE(popup, nullptr);
    text = popup->findChild<QLabel*>(QStringLiteral("helpPopupText"));
    EXPECT_TRUE(text->text().startsWith(QStringLiteral("Saves your settings")));
    EXPECT_FALSE(text->font().bold());  // the look went back to its defaults
    shootHelp(popup->property("helpNumber").toLongLong(), "help_class_popup_file");
    platform::setHelpViewer(nullptr);

    h.HHInvokeWhatsThisHelp(owner);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

TEST_F(Screens, AboutDialogClosesWithEnterAndEscAndLoadsAfreshEachTime) {
    auto& main = forms::form<app::Main>();
    main.Show();
    auto& about = forms::form<help::frmAbout>();
    std::vector<std::string> versions;
    // Runs inside the dialog's modal loop: look at it, then press the key.
    auto whileOpen = [&](Qt::Key key, const std::string& picture) {
        // Should a key go unheard, the dialog still goes, and the test fails.
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] { about.Unload(); });
        safety.start(5000);
        QTimer::singleShot(0, [&, key, picture] {
            versions.push_back(about.lblVersion.Caption());
            QWidget* window = topLevel("frmAbout");
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->windowTitle(), "About Zekvarin Skirmish");
            EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
            EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
            ASSERT_NE(window->focusWidget(), nullptr);
            EXPECT_EQ(window->focusWidget()->objectName(), "cmdOK");
            QImage image = shoot(about, picture);
            expectClientSize(image, about);
            // The tribes' picture is drawn where it belongs, not left blank.
            EXPECT_NE(QColor(image.pixel(330 + 20, 10 + 20)), QColor(image.pixel(2, 2)));
            QTest::keyClick(window, key);
        });
        QElapsedTimer clock;
        clock.start();
        main.About1.userClick();
        EXPECT_FALSE(about.Loaded());
        EXPECT_LT(clock.elapsed(), 4000) << "the key did not close the dialog";
    };
    whileOpen(Qt::Key_Return, "frmAbout");
    about.lblVersion.setCaption("stale");
    whileOpen(Qt::Key_Escape, "frmAbout_again");
    EXPECT_EQ(versions, (std::vector<std::string>{"Version 0.0.4", "Version 0.0.4"}));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
