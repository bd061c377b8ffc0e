// The Qt Widgets back end's event loops on Qt's offscreen platform: timers,
// modal forms, message boxes and the window they give back, the report of
// an error escaping a handler, and the end of the program.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "support/QtBackendFixture.h"

namespace {

using namespace forms;
using testing_support::BoxAnswerer;
using testing_support::BusyForm;
using testing_support::LockedForm;
using testing_support::ModalForm;
using testing_support::NextForm;
using testing_support::PlainForm;
using testing_support::QtBackendTest;
using testing_support::SampleForm;
using testing_support::SplashForm;
using testing_support::waitFor;
using testing_support::widget;
using testing_support::windowOf;

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

}  // namespace
