#include "forms/qt/QtBackend.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <QWhatsThis>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <vector>

#include "forms/Runtime.h"
#include "forms/qt/ActivationReturn.h"
#include "forms/qt/ControlWidgets.h"
#include "forms/qt/Deliver.h"
#include "forms/qt/FormWindow.h"
#include "forms/qt/Pictures.h"
#include "forms/qt/QtHelp.h"
#include "forms/qt/SessionEnd.h"
#include "forms/qt/Strings.h"
#include "forms/qt/Units.h"
#include "forms/qt/WindowFrame.h"

namespace forms::qt {

namespace {

// ---- Message boxes

// The icon of a message box style.
QMessageBox::Icon iconFor(int style) {
    switch (style & 0x70) {
        case style::Critical:
            return QMessageBox::Critical;
        case 32:
            return QMessageBox::Question;
        case style::Exclamation:
            return QMessageBox::Warning;
        case style::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// ---- What End() does

std::function<void(int)>& endHandler() {
    static std::function<void(int)> handler;
    return handler;
}

[[noreturn]] void endAtOnce(int exitStatus) {
    std::fflush(nullptr);
    std::_Exit(exitStatus);
}

// ---- The back end

class QtBackend : public Backend {
public:
    QtBackend();
    ~QtBackend() override;

    void formLoaded(Form& form) override;
    void formShown(Form& form) override;
    void formHidden(Form& form) override;
    void formUnloaded(Form& form) override;
    void formChanged(Form& form) override;
    void controlChanged(Control& control) override;
    void menuChanged(Menu& menu) override;
    void timerChanged(Timer& timer) override;
    void runModal(Form& form) override;
    void runMain() override;
    int messageBox(const std::string& prompt, int style, const std::string& title) override;
    long showHelp(const HelpBook& book, const std::string& page, HelpPane pane,
                  long owner) override;
    void closeHelpWindows() override;
    long showHelpPopup(const HelpPopup& popup) override;
    int ownerlessMessageBox(const std::string& prompt, int style,
                            const std::string& title) override;
    [[noreturn]] void endProgram(int exitStatus) override;
    Twips screenWidth() const override;
    Twips screenHeight() const override;
    Twips frameWidth(const Form& form) const override;
    Twips frameHeight(const Form& form) const override;
    void enterWhatsThisMode(Form& form) override;
    ScreenPoint cursorPosition() const override;

    FormWindow* windowOf(const Form& form) const;
    // Runs the program's handler for an event that Qt delivered. Whatever
    // it raises stops here, in the unhandled-error report and the end:
    // Qt's loops cannot be unwound.
    void deliver(const std::function<void()>& handler);

private:
    // The window of the form with that handle, if it is loaded.
    QWidget* windowByHandle(long handle) const;
    void sessionEnded();
    void postMainCheck();
    void checkMain();
    void stopLoops();

    // Context of the connections to the application and of queued calls:
    // it goes first when the back end goes, and takes them with it.
    std::unique_ptr<QObject> hub_;
    std::unique_ptr<QSocketNotifier> sessionEnd_;
    std::map<const Form*, FormWindow*> windows_;
    std::unordered_map<const QWidget*, Control*> controlOf_;
    // How the windows and widgets hand their handlers to deliver().
    Deliver deliver_ = [this](const std::function<void()>& handler) { deliver(handler); };
    Pictures pictures_;
    ControlWidgets controls_{pictures_, deliver_};
    std::vector<QEventLoop*> loops_;
    std::vector<QPointer<QMessageBox>> boxes_;
    int nested_ = 0;
    bool mainRunning_ = false;
    bool ending_ = false;
    mutable WindowFrame frame_;
    HelpWindows help_;
};

QtBackend::QtBackend() : hub_(std::make_unique<QObject>()) {
    QObject::connect(qApp, &QApplication::focusChanged, hub_.get(), [this](QWidget*, QWidget* now) {
        auto it = controlOf_.find(now);
        if (it != controlOf_.end()) {
            it->second->Parent().setFocus(it->second);
        }
    });
    if (sessionEndDescriptor() >= 0) {
        sessionEnd_ =
            std::make_unique<QSocketNotifier>(sessionEndDescriptor(), QSocketNotifier::Read);
        QObject::connect(sessionEnd_.get(), &QSocketNotifier::activated, hub_.get(), [this] {
            drainSessionEnd();
            sessionEnded();
        });
    }
}

QtBackend::~QtBackend() {
    hub_.reset();
    sessionEnd_.reset();
    for (auto& [form, window] : windows_) {
        window->form = nullptr;
        delete window;
    }
}

FormWindow* QtBackend::windowOf(const Form& form) const {
    auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second;
}

void QtBackend::deliver(const std::function<void()>& handler) {
    if (ending_ || !Runtime::exists()) {
        return;
    }
    try {
        Runtime::current().dispatch(handler);
    } catch (const ProgramEnd&) {
        stopLoops();
    }
    postMainCheck();
}

// ---- Windows

void QtBackend::formLoaded(Form& form) {
    auto* window = new FormWindow(form, pictures_, deliver_);
    windows_[&form] = window;
    for (Control* control : form.controls()) {
        if (QWidget* widget = controls_.create(*window, *control)) {
            controlOf_[widget] = control;
        }
    }
    // Containers are looked up among the widgets, so every widget exists
    // before any is placed.
    for (Control* control : form.controls()) {
        controls_.apply(*window, *control);
    }
    window->buildMenus();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, window,
                     [window] { window->pressButton(false); });
    window->apply();
}

void QtBackend::formShown(Form& form) {
    FormWindow* window = windowOf(form);
    if (window == nullptr) {
        return;
    }
    // The load step may have taken Close out of the system menu, which the
    // runtime does not report: the flags are settled here.
    window->apply();
    Qt::WindowModality modality = form.isModal() ? Qt::ApplicationModal : Qt::NonModal;
    if (!window->isVisible() && window->windowModality() != modality) {
        window->setWindowModality(modality);
    }
    if (form.isModal() && !window->isVisible()) {
        FormWindow* owner = form.Owner() != nullptr ? windowOf(*form.Owner()) : nullptr;
        QWidget* back = owner != nullptr ? owner : QApplication::activeWindow();
        window->returnTo = ActivationReturn(back);
        // The window system keeps a modal window above its owner.
        if (back != nullptr && back->windowHandle() != nullptr) {
            window->winId();
            window->windowHandle()->setTransientParent(back->windowHandle());
        }
    }
    window->applyTabOrder();
    if (window->isVisible()) {
        window->raise();  // shown again: to the front
    }
    window->show();
    window->activateWindow();
    if (Control* active = form.ActiveControl()) {
        auto it = window->widgets.find(active);
        if (it != window->widgets.end()) {
            it->second->setFocus(Qt::OtherFocusReason);
        }
    }
}

void QtBackend::formHidden(Form& form) {
    if (FormWindow* window = windowOf(form)) {
        window->hide();
    }
}

void QtBackend::formUnloaded(Form& form) {
    FormWindow* window = windowOf(form);
    if (window == nullptr) {
        return;
    }
    windows_.erase(&form);
    window->form = nullptr;
    for (auto& [timer, qtimer] : window->timers) {
        qtimer->stop();
    }
    for (auto& [control, widget] : window->widgets) {
        controlOf_.erase(widget);
    }
    if (window->modalLoop != nullptr) {
        window->modalLoop->quit();
        window->modalLoop = nullptr;
    }
    window->hide();
    window->setObjectName(QString());
    // The unload may come from a handler of this very window's widgets or
    // timers, so the window goes once that handler has returned.
    window->deleteLater();
    postMainCheck();
}

void QtBackend::formChanged(Form& form) {
    if (FormWindow* window = windowOf(form)) {
        window->apply();
    }
}

Twips QtBackend::frameWidth(const Form& form) const {
    if (form.BorderStyle() == BorderStyle::None) {
        return 0;
    }
    QMargins frame = frame_.around(windowOf(form));
    return twips(frame.left() + frame.right());
}

Twips QtBackend::frameHeight(const Form& form) const {
    FormWindow* window = windowOf(form);
    int bar = 0;
    if (window != nullptr) {
        bar = window->menuBarHeight();
    } else if (!form.menuBar().empty()) {
        bar = 20;
    }
    if (form.BorderStyle() == BorderStyle::None) {
        return twips(bar);
    }
    QMargins frame = frame_.around(window);
    return twips(frame.top() + frame.bottom() + bar);
}

Twips QtBackend::screenWidth() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    return twips(screen != nullptr ? screen->geometry().width() : 1024);
}

Twips QtBackend::screenHeight() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    return twips(screen != nullptr ? screen->geometry().height() : 768);
}

// Qt's What's-This mode is application-wide; the form's window is brought
// forward first so that the question-mark pointer applies to it.
void QtBackend::enterWhatsThisMode(Form& form) {
    FormWindow* window = windowOf(form);
    if (window == nullptr || !window->isVisible()) {
        return;
    }
    window->activateWindow();
    QWhatsThis::enterWhatsThisMode();
}

ScreenPoint QtBackend::cursorPosition() const {
    QPoint point = QCursor::pos();
    return {point.x(), point.y()};
}

// ---- Controls and menus

void QtBackend::controlChanged(Control& control) {
    FormWindow* window = windowOf(control.Parent());
    if (window == nullptr) {
        return;
    }
    controls_.apply(*window, control);
    if (control.focusable() || control.Kind() == ControlKind::Frame) {
        window->applyTabOrder();
    }
}

void QtBackend::timerChanged(Timer& timer) {
    if (FormWindow* window = windowOf(timer.Parent())) {
        controls_.applyTimer(*window, timer);
    }
}

void QtBackend::menuChanged(Menu& menu) {
    if (FormWindow* window = windowOf(menu.Parent())) {
        window->applyMenu(menu);
    }
}

// ---- Loops

void QtBackend::runModal(Form& form) {
    QPointer<FormWindow> window = windowOf(form);
    if (ending_) {
        throw ProgramEnd{};
    }
    if (window == nullptr || !form.Loaded()) {
        return;
    }
    ActivationReturn back = window->returnTo;
    QEventLoop loop;
    window->modalLoop = &loop;
    loops_.push_back(&loop);
    ++nested_;
    loop.exec();
    --nested_;
    std::erase(loops_, &loop);
    if (window != nullptr && window->modalLoop == &loop) {
        window->modalLoop = nullptr;
    }
    if (!ending_) {
        back.restore();
    }
    postMainCheck();
    if (ending_) {
        throw ProgramEnd{};
    }
}

void QtBackend::runMain() {
    if (ending_) {
        throw ProgramEnd{};
    }
    if (Runtime::current().loadedForms().empty()) {
        return;
    }
    mainRunning_ = true;
    QApplication::exec();
    mainRunning_ = false;
    if (ending_) {
        throw ProgramEnd{};
    }
}

// A handler may unload one form and then show another, so whether any form
// is left is asked only once the handler has returned to the loop.
void QtBackend::postMainCheck() {
    if (mainRunning_) {
        QMetaObject::invokeMethod(
            hub_.get(), [this] { checkMain(); }, Qt::QueuedConnection);
    }
}

void QtBackend::checkMain() {
    // Leaving the application's loop ends every loop inside it too, so the
    // question waits for the nested ones to finish (each asks again).
    if (!mainRunning_ || nested_ > 0 || ending_ || !Runtime::exists()) {
        return;
    }
    if (Runtime::current().loadedForms().empty()) {
        QCoreApplication::exit(0);
    }
}

int QtBackend::messageBox(const std::string& prompt, int style, const std::string& title) {
    if (ending_) {
        throw ProgramEnd{};
    }
    const bool yesNo = (style & 0x7) == style::YesNo;
    QMessageBox box(iconFor(style), qstr(title), multiline(prompt),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    box.setObjectName(QStringLiteral("messageBox"));
    boxes_.emplace_back(&box);
    ActivationReturn back(QApplication::activeWindow());
    ++nested_;
    const int pressed = box.exec();  // timers keep ticking in its loop
    --nested_;
    if (!ending_) {
        back.restore();
    }
    std::erase_if(boxes_, [&box](const QPointer<QMessageBox>& p) { return p == &box; });
    postMainCheck();
    if (ending_) {
        throw ProgramEnd{};
    }
    if (yesNo) {
        return pressed == QMessageBox::Yes ? answer::Yes : answer::No;
    }
    return answer::Ok;
}

int QtBackend::ownerlessMessageBox(const std::string& prompt, int style, const std::string& title) {
    if (ending_) {
        throw ProgramEnd{};
    }
    // No parent and no modality: exec() would make the box application-modal
    // and lock every form, so the box gets a loop of its own instead, and the
    // forms' events go on being delivered inside it.
    QMessageBox box(iconFor(style), qstr(title), multiline(prompt), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ownerlessMessageBox"));
    box.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    boxes_.emplace_back(&box);
    loops_.push_back(&loop);
    ActivationReturn back(QApplication::activeWindow());
    ++nested_;
    box.show();
    box.raise();
    box.activateWindow();
    loop.exec();
    --nested_;
    // The user may have gone on in another window meanwhile; only a box that
    // still had the keyboard hands it back.
    QWidget* active = QApplication::activeWindow();
    if (!ending_ && (active == nullptr || active == &box)) {
        back.restore();
    }
    std::erase(loops_, &loop);
    std::erase_if(boxes_, [&box](const QPointer<QMessageBox>& p) { return p == &box; });
    postMainCheck();
    if (ending_) {
        throw ProgramEnd{};
    }
    return 1;
}

QWidget* QtBackend::windowByHandle(long handle) const {
    for (const auto& [form, window] : windows_) {
        if (handle != 0 && window->form != nullptr && form->hWnd() == handle) {
            return window;
        }
    }
    return nullptr;
}

long QtBackend::showHelp(const HelpBook& book, const std::string& page, HelpPane pane, long owner) {
    // The help window reads its pages whenever Qt draws it or follows a
    // link, outside any handler: an error in a read goes to the
    // unhandled-error report here, as a handler's would, and never unwinds
    // through Qt.
    HelpBook guarded = book;
    if (book.load) {
        guarded.load = [this, load = book.load](const std::string& path) {
            std::optional<std::string> bytes;
            deliver([&] { bytes = load(path); });
            return bytes;
        };
    }
    return help_.show(guarded, page, pane, windowByHandle(owner));
}

void QtBackend::closeHelpWindows() {
    help_.closeAll();
}

long QtBackend::showHelpPopup(const HelpPopup& popup) {
    return help_.showPopup(popup, windowByHandle(popup.owner));
}

void QtBackend::stopLoops() {
    if (ending_) {
        return;
    }
    ending_ = true;
    for (const QPointer<QMessageBox>& box : boxes_) {
        if (box != nullptr) {
            box->done(0);
        }
    }
    for (QEventLoop* loop : loops_) {
        loop->quit();
    }
    // Qt keeps a quit that no running loop took and ends the next loop with
    // it at once, so only a running main loop is told.
    if (mainRunning_) {
        QCoreApplication::exit(0);
    }
}

void QtBackend::endProgram(int exitStatus) {
    std::function<void(int)>& handler = endHandler();
    if (!handler) {
        endAtOnce(exitStatus);
    }
    handler(exitStatus);
    stopLoops();
    throw ProgramEnd{};
}

void QtBackend::sessionEnded() {
    if (ending_ || !Runtime::exists()) {
        return;
    }
    Runtime& runtime = Runtime::current();
    try {
        for (Form* form : runtime.loadedForms()) {
            runtime.dispatch([form] { form->Terminate(); });
        }
        endProgram(kExitNormally);
    } catch (const ProgramEnd&) {
        stopLoops();
    }
}

}  // namespace

std::unique_ptr<forms::Backend> makeBackend(int& argc, char** argv) {
    if (QApplication::instance() == nullptr) {
        // Lives as long as the process: the program ends by _Exit.
        new QApplication(argc, argv);
    }
    // Whether the program goes on is the runtime's decision.
    QApplication::setQuitOnLastWindowClosed(false);
    installSessionEndHandler();
    return std::make_unique<QtBackend>();
}

bool grabForm(forms::Form& form, const std::string& pngPath) {
    if (!Runtime::exists()) {
        return false;
    }
    auto* backend = dynamic_cast<QtBackend*>(&Runtime::current().backend());
    if (backend == nullptr) {
        return false;
    }
    FormWindow* window = backend->windowOf(form);
    if (window == nullptr) {
        return false;
    }
    window->layoutParts();
    QPixmap shot = window->grab();
    return !shot.isNull() && shot.save(qstr(pngPath), "PNG");
}

void setDesktopFileName(const std::string& name) {
    QGuiApplication::setDesktopFileName(qstr(name));
}

void setEndHandler(std::function<void(int)> handler) {
    endHandler() = std::move(handler);
}

}  // namespace forms::qt
