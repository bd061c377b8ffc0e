// The Qt Widgets back end's help window on Qt's offscreen platform: where
// it opens and comes back, closing it with Esc, and a page it cannot read.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/QtBackendFixture.h"

namespace {

using namespace forms;
using testing_support::BoxAnswerer;
using testing_support::QtBackendTest;
using testing_support::SampleForm;
using testing_support::shownHelpWindow;
using testing_support::windowOf;

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

}  // namespace
