// Shows each form of the program in real (offscreen) windows, checks what
// the window system made of it, and saves a picture of it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "app/Main.h"
#include "app/frmOptions.h"
#include "app/frmSplash.h"
#include "app/frmfirstload.h"
#include "forms/Runtime.h"
#include "forms/qt/QtBackend.h"
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

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
