// The shared parts of the Qt back-end tests that are no header's: the
// windows' look-ups, the wait, and main(), which sets up the offscreen
// screen and the pictures the test forms show.
#include "support/QtBackendFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace testing_support {

int appArgc = 1;
namespace {
char appName[] = "qt_backend_test";
}
char* appArgv[] = {appName, nullptr};
QString pictureRoot;

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

bool waitFor(const std::function<bool()>& condition, int ms) {
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired()) {
        QTest::qWait(5);
    }
    return condition();
}

}  // namespace testing_support

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
    testing_support::pictureRoot = folder.path();

    return RUN_ALL_TESTS();
}
