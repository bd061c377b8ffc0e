#include "forms/qt/QtBackend.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QStyle>
#include <QTimer>
#include <QWhatsThis>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "forms/Runtime.h"
#include "forms/qt/QtHelp.h"

namespace forms::qt {

namespace {

// ---- Units, strings, colours, fonts

// The picture of the program's own icon.
const std::string kProgramIcon = "icon";

int px(Twips t) {
    return static_cast<int>(std::lround(static_cast<double>(t) / kTwipsPerPixelAt96Dpi));
}

Twips twips(int pixels) {
    return pixels * kTwipsPerPixelAt96Dpi;
}

QString qstr(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The program writes its line breaks as CR LF; Qt wants LF alone.
QString multiline(const std::string& text) {
    QString result = qstr(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

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

// A button caption too wide for its button wraps onto further lines at its
// blanks, as classic buttons do; Qt's buttons only break at line feeds.
QString wrappedCaption(const QString& caption, const QFont& font, int width) {
    QFontMetrics metrics(font);
    auto shown = [](QString text) { return text.remove(QLatin1Char('&')); };
    if (width <= 0 || metrics.horizontalAdvance(shown(caption)) <= width) {
        return caption;
    }
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(shown(longer)) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines.join(QLatin1Char('\n'));
}

QPalette::ColorRole systemRole(Color color) {
    switch (color) {
        case colors::ButtonFace:
            return QPalette::Button;
        case colors::ButtonShadow:
            return QPalette::Dark;
        case colors::HighlightText:
            return QPalette::HighlightedText;
        case colors::WindowBackground:
            return QPalette::Base;
        case colors::WindowText:
        case colors::ButtonText:
            return QPalette::Text;
        default:
            return QPalette::Window;
    }
}

QColor rgb(Color color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QColor resolve(Color color) {
    if (color & colors::SystemFlag) {
        return QApplication::palette().color(QPalette::Active, systemRole(color));
    }
    return rgb(color);
}

// A system colour follows the palette in every colour group, so disabled
// controls still grey out; a fixed colour is the same in all of them.
void setRole(QPalette& palette, QPalette::ColorRole role, Color color) {
    if (color & colors::SystemFlag) {
        const QPalette system = QApplication::palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, role, system.color(group, systemRole(color)));
        }
    } else {
        palette.setColor(role, rgb(color));
    }
}

QString sansFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* candidate : {"Liberation Sans", "DejaVu Sans"}) {
            if (installed.contains(QLatin1String(candidate))) {
                return QString::fromLatin1(candidate);
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

// Sizes are fixed in pixels as at 96 dpi, so text fits the twip layout of
// the forms whatever the screen's own resolution says.
QFont toQFont(const forms::Font& font) {
    bool desktopSans =
        font.Name == "MS Sans Serif" || font.Name == "Microsoft Sans Serif" || font.Name == "Arial";
    QFont result(desktopSans ? sansFamily() : qstr(font.Name));
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(font.Size * 96.0 / 72.0))));
    result.setBold(font.Bold);
    return result;
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

// ---- The end of the session, reported by signal

int signalPipe[2] = {-1, -1};

void onSessionEnd(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// The handler only writes a byte to a pipe (all it may safely do); the
// event loop reads it and does the real work.
void installSessionEndHandler() {
    if (signalPipe[0] >= 0) {
        return;
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSessionEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// ---- Keyboard focus around modal windows

// Where the keyboard goes back to when a modal form or a message box closes.
// Qt leaves that to the window system, and many desktops then give it to no
// window at all: key presses would go nowhere until the user clicked.
class ActivationReturn {
public:
    ActivationReturn() = default;
    explicit ActivationReturn(QWidget* window)
        : window_(window), focus_(window != nullptr ? window->focusWidget() : nullptr) {}

    void restore() const {
        if (window_ == nullptr || !window_->isVisible()) {
            return;
        }
        window_->raise();
        window_->activateWindow();
        if (focus_ != nullptr && focus_->window() == window_) {
            focus_->setFocus(Qt::ActiveWindowFocusReason);
        }
    }

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

// ---- Widgets of our own

class QtBackend;

// The form's client area: its background colour and picture.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {
        setAutoFillBackground(true);
        setObjectName(QStringLiteral("client"));
    }

    QPixmap picture;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!picture.isNull()) {
            QPainter painter(this);
            painter.drawPixmap(0, 0, picture);
        }
    }
};

// An Image control, or a picture box. An image has no background of its
// own, so what lies behind shows where the picture does not cover it; a
// picture box fills itself with its colour and may have a sunken border.
class PictureWidget : public QLabel {
public:
    explicit PictureWidget(QWidget* parent) : QLabel(parent) {}

    static constexpr int kBorder = 2;

    QPixmap picture;
    bool stretch = false;
    bool bordered = false;
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QRect inside = rect();
        if (bordered) {
            // Sunken: dark above and left, light below and right.
            QRect outer = rect().adjusted(0, 0, -1, -1);
            QRect inner = outer.adjusted(1, 1, -1, -1);
            for (auto [box, upper, lower] :
                 {std::tuple{outer, QPalette::Mid, QPalette::Light},
                  std::tuple{inner, QPalette::Shadow, QPalette::Midlight}}) {
                painter.setPen(palette().color(upper));
                painter.drawLine(box.topLeft(), box.topRight());
                painter.drawLine(box.topLeft(), box.bottomLeft());
                painter.setPen(palette().color(lower));
                painter.drawLine(box.bottomLeft(), box.bottomRight());
                painter.drawLine(box.topRight(), box.bottomRight());
            }
            inside = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
        }
        if (picture.isNull()) {
            return;
        }
        painter.setClipRect(inside);
        if (stretch) {
            painter.drawPixmap(inside, picture);
        } else {
            painter.drawPixmap(inside.topLeft(), picture);
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        pressed_ = event->button() == Qt::LeftButton;
        event->accept();
    }

    // A click is a press and a release on the picture, like a button's.
    void mouseReleaseEvent(QMouseEvent* event) override {
        bool wasPressed = pressed_;
        pressed_ = false;
        event->accept();
        if (wasPressed && event->button() == Qt::LeftButton &&
            rect().contains(event->position().toPoint()) && onClick) {
            onClick();
        }
    }

private:
    bool pressed_ = false;
};

class LineWidget : public QWidget {
public:
    explicit LineWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QPoint from, to;
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(color, 1));
        painter.drawLine(from, to);
    }
};

// A Frame: an etched rectangle with its caption set into the top edge, the
// whole of it filled with its BackColor, so controls on it blend in.
class FrameBox : public QGroupBox {
public:
    explicit FrameBox(QWidget* parent) : QGroupBox(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QFontMetrics metrics(font());
        QRect edge = rect().adjusted(0, metrics.height() / 2, -1, -1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(edge.adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(edge.adjusted(1, 1, 0, 0));
        if (title().isEmpty()) {
            return;
        }
        QRect caption(8, 0, metrics.horizontalAdvance(displayed()) + 4, metrics.height());
        painter.fillRect(caption, palette().brush(QPalette::Window));
        style()->drawItemText(&painter, caption.adjusted(2, 0, 0, 0),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, palette(),
                              isEnabled(), title(), QPalette::WindowText);
    }

private:
    QString displayed() const { return qstr(displayCaption(utf8(title()))); }
};

class FormWindow : public QWidget {
public:
    FormWindow(QtBackend& backend, Form& form, Qt::WindowFlags flags)
        : QWidget(nullptr, flags), form(&form), client(new ClientArea(this)), backend_(backend) {
        setObjectName(qstr(form.Name()));
        appliedFlags = flags;
    }

    // The form shown here; null once it has been unloaded and the window
    // only waits to be deleted.
    Form* form;
    ClientArea* client;
    QMenuBar* menuBar = nullptr;
    QEventLoop* modalLoop = nullptr;
    // Shown modally: the window that has the keyboard again afterwards.
    ActivationReturn returnTo;
    std::map<const Control*, QWidget*> widgets;
    std::map<const Timer*, QTimer*> timers;
    std::map<const Menu*, QAction*> actions;
    Qt::WindowFlags appliedFlags;
    QSize appliedClient;
    bool appliedSizable = false;
    QPoint appliedPosition;
    bool placed = false;

    int menuBarHeight() const { return menuBar == nullptr ? 0 : menuBar->sizeHint().height(); }

    // The bar on top, the client area below it at its own size.
    void layoutParts() {
        int bar = menuBarHeight();
        if (menuBar != nullptr) {
            menuBar->setGeometry(0, 0, width(), bar);
        }
        client->setGeometry(0, bar, width(), height() - bar);
    }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent*) override { layoutParts(); }
    void keyPressEvent(QKeyEvent* event) override;

private:
    QtBackend& backend_;
};

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
    void closeRequested(FormWindow& window);
    // Enter presses the default button, Esc the cancel button.
    void pressButton(FormWindow& window, bool wantDefault);

private:
    QPixmap picture(const forms::Picture& picture);
    QIcon windowIcon(const forms::Picture& picture);
    Qt::WindowFlags flagsFor(Form& form) const;
    QMargins decoration(const Form& form) const;
    void createControl(FormWindow& window, Control& control);
    void applyControl(FormWindow& window, Control& control);
    void applyForm(FormWindow& window);
    void buildMenus(FormWindow& window);
    void addMenuItems(FormWindow& window, QMenu* menu, const Menu& parent);
    QAction* connectMenu(FormWindow& window, QAction* action, Menu& menu);
    void applyTabOrder(FormWindow& window);
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
    std::map<QString, QPixmap> pictures_;
    std::map<std::string, QIcon> icons_;
    std::vector<QEventLoop*> loops_;
    std::vector<QPointer<QMessageBox>> boxes_;
    int nested_ = 0;
    bool mainRunning_ = false;
    bool ending_ = false;
    mutable QMargins decoration_;
    mutable bool decorationKnown_ = false;
    HelpWindows help_;
};

void FormWindow::closeEvent(QCloseEvent* event) {
    // Whether the form goes is the runtime's decision, never Qt's: an
    // accepted close would only hide the window behind the form's back.
    event->ignore();
    if (form != nullptr) {
        backend_.closeRequested(*this);
    }
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    // Keys reach the window when the control with the focus has no use for
    // them; a focused button takes Enter itself.
    if (form != nullptr && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        backend_.pressButton(*this, true);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

QtBackend::QtBackend() : hub_(std::make_unique<QObject>()) {
    QObject::connect(qApp, &QApplication::focusChanged, hub_.get(), [this](QWidget*, QWidget* now) {
        auto it = controlOf_.find(now);
        if (it != controlOf_.end()) {
            it->second->Parent().setFocus(it->second);
        }
    });
    if (signalPipe[0] >= 0) {
        sessionEnd_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(sessionEnd_.get(), &QSocketNotifier::activated, hub_.get(), [this] {
            char bytes[16];
            while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
            }
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

QPixmap QtBackend::picture(const forms::Picture& picture) {
    if (picture.empty() || !Runtime::exists()) {
        return {};
    }
    QString path = qstr(App().Path) + QStringLiteral("/pictures/") + qstr(picture.Name) +
                   QStringLiteral(".png");
    auto it = pictures_.find(path);
    if (it != pictures_.end()) {
        return it->second;
    }
    QPixmap loaded;
    if (!loaded.load(path, "PNG")) {
        return {};  // a missing picture draws nothing
    }
    pictures_.emplace(path, loaded);
    return loaded;
}

// A window's icon is its picture together with the picture's other sizes
// (NAME16, NAME32, ...), so that the window system picks a sharp one for the
// title bar, the task bar and the window switcher. A form without an icon of
// its own carries the program's, as message boxes do.
QIcon QtBackend::windowIcon(const forms::Picture& own) {
    const std::string name = own.empty() ? kProgramIcon : own.Name;
    auto found = icons_.find(name);
    if (found != icons_.end()) {
        return found->second;
    }
    QIcon icon;
    for (const std::string& variant : {std::string(), std::string("16"), std::string("32"),
                                       std::string("64"), std::string("128"), std::string("256")}) {
        QPixmap pixmap = picture(forms::Picture{name + variant});
        if (!pixmap.isNull()) {
            icon.addPixmap(pixmap);
        }
    }
    if (name == kProgramIcon && !icon.isNull()) {
        QApplication::setWindowIcon(icon);
    }
    icons_.emplace(name, icon);
    return icon;
}

// ---- Windows

Qt::WindowFlags QtBackend::flagsFor(Form& form) const {
    Qt::WindowFlags flags = Qt::Window;
    if (form.BorderStyle() == BorderStyle::FixedToolWindow) {
        flags = Qt::Tool;
    } else if (!form.ShowInTaskbar()) {
        flags = Qt::Dialog;
    }
    // A window with neither caption nor control box has no title bar at all,
    // only its border (a start-up screen draws its own).
    if (form.BorderStyle() == BorderStyle::None || (form.Caption().empty() && !form.ControlBox())) {
        return flags | Qt::FramelessWindowHint;
    }
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (form.ControlBox()) {
        flags |= Qt::WindowSystemMenuHint;
        if (form.systemMenu().hasClose()) {
            flags |= Qt::WindowCloseButtonHint;
        }
        if (form.MinButton()) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if (form.MaxButton()) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    return flags;
}

void QtBackend::formLoaded(Form& form) {
    auto* window = new FormWindow(*this, form, flagsFor(form));
    windows_[&form] = window;
    for (Control* control : form.controls()) {
        createControl(*window, *control);
    }
    // Containers are looked up among the widgets, so every widget exists
    // before any is placed.
    for (Control* control : form.controls()) {
        applyControl(*window, *control);
    }
    buildMenus(*window);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, window,
                     [this, window] { pressButton(*window, false); });
    applyForm(*window);
}

void QtBackend::formShown(Form& form) {
    FormWindow* window = windowOf(form);
    if (window == nullptr) {
        return;
    }
    // The load step may have taken Close out of the system menu, which the
    // runtime does not report: the flags are settled here.
    applyForm(*window);
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
    applyTabOrder(*window);
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
        applyForm(*window);
    }
}

void QtBackend::applyForm(FormWindow& window) {
    Form& form = *window.form;
    window.setWindowTitle(qstr(form.Caption()));
    Qt::WindowFlags flags = flagsFor(form);
    if (flags != window.appliedFlags) {
        // New flags hide the window: it comes back if it was shown.
        bool shown = window.isVisible();
        window.setWindowFlags(flags);
        window.appliedFlags = flags;
        if (shown) {
            window.show();
        }
    }
    window.setWindowIcon(windowIcon(form.Icon()));

    QPalette palette = QApplication::palette();
    setRole(palette, QPalette::Window, form.BackColor());
    window.client->setPalette(palette);
    window.client->picture = picture(form.Picture());
    window.client->update();

    // Size and place only on a real change, so that a new caption does not
    // undo what the user did to a sizable window.
    QSize client(px(form.ClientWidth()), px(form.ClientHeight()));
    bool sizable = form.BorderStyle() == BorderStyle::Sizable;
    if (client != window.appliedClient || sizable != window.appliedSizable) {
        QSize outer(client.width(), client.height() + window.menuBarHeight());
        if (sizable) {
            window.setMinimumSize(0, 0);
            window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            window.resize(outer);
        } else {
            window.setFixedSize(outer);
        }
        window.appliedClient = client;
        window.appliedSizable = sizable;
    }
    QPoint position(px(form.Left()), px(form.Top()));
    if (!window.placed || position != window.appliedPosition) {
        window.move(position);  // a window's position is that of its frame
        window.appliedPosition = position;
        window.placed = true;
    }
    window.layoutParts();
}

void QtBackend::closeRequested(FormWindow& window) {
    Form* form = window.form;
    if (form == nullptr || !form->systemMenu().hasClose()) {
        return;
    }
    deliver([form] { form->requestClose(); });
}

void QtBackend::pressButton(FormWindow& window, bool wantDefault) {
    if (window.form == nullptr) {
        return;
    }
    for (Control* control : window.form->controls()) {
        if (control->Kind() != ControlKind::CommandButton || !control->Visible()) {
            continue;
        }
        auto* button = static_cast<CommandButton*>(control);
        if (wantDefault ? button->Default() : button->Cancel()) {
            deliver([button] { button->userClick(); });
            return;
        }
    }
}

QMargins QtBackend::decoration(const Form& form) const {
    FormWindow* window = windowOf(form);
    if (window != nullptr && window->isVisible()) {
        QRect outer = window->frameGeometry();
        QRect inner = window->geometry();
        QMargins measured(inner.left() - outer.left(), inner.top() - outer.top(),
                          outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (!measured.isNull()) {
            decoration_ = measured;
            decorationKnown_ = true;
            return measured;
        }
    }
    if (decorationKnown_) {
        return decoration_;
    }
    // Before any window has been framed: a border of 4 pixels and a title
    // bar of 23.
    return QMargins(4, 27, 4, 4);
}

Twips QtBackend::frameWidth(const Form& form) const {
    if (form.BorderStyle() == BorderStyle::None) {
        return 0;
    }
    QMargins frame = decoration(form);
    return twips(frame.left() + frame.right());
}

Twips QtBackend::frameHeight(const Form& form) const {
    int bar = 0;
    if (FormWindow* window = windowOf(form)) {
        bar = window->menuBarHeight();
    } else if (!form.menuBar().empty()) {
        bar = 20;
    }
    if (form.BorderStyle() == BorderStyle::None) {
        return twips(bar);
    }
    QMargins frame = decoration(form);
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

// ---- Controls

void QtBackend::createControl(FormWindow& window, Control& control) {
    QWidget* widget = nullptr;
    switch (control.Kind()) {
        case ControlKind::CommandButton: {
            auto* button = new QPushButton(window.client);
            // Enter presses the focused button, as users of dialogs expect.
            button->setAutoDefault(true);
            QObject::connect(button, &QPushButton::clicked, button,
                             [this, &control] { deliver([&control] { control.userClick(); }); });
            widget = button;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(window.client);
            // Classic check boxes keep their caption close to the box; the
            // wider default gap would cut off captions laid out for them.
            box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
            auto* check = static_cast<CheckBox*>(&control);
            // Qt has already ticked the box; the control decides the value
            // and the widget is brought back in line with it.
            QObject::connect(box, &QCheckBox::clicked, box, [this, box, check] {
                deliver([check] { check->userClick(); });
                QSignalBlocker block(box);
                box->setCheckState(check->Value() == 0   ? Qt::Unchecked
                                   : check->Value() == 1 ? Qt::Checked
                                                         : Qt::PartiallyChecked);
            });
            widget = box;
            break;
        }
        case ControlKind::Image: {
            auto* image = new PictureWidget(window.client);
            image->onClick = [this, &control] { deliver([&control] { control.userClick(); }); };
            widget = image;
            break;
        }
        case ControlKind::PictureBox:
            widget = new PictureWidget(window.client);
            break;
        case ControlKind::Label: {
            auto* label = new QLabel(window.client);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(window.client);
            auto* box = static_cast<TextBox*>(&control);
            QObject::connect(edit, &QLineEdit::textEdited, edit,
                             [this, edit, box](const QString& text) {
                                 std::string typed = utf8(text);
                                 deliver([box, typed] { box->userType(typed); });
                                 QString kept = qstr(box->Text());
                                 if (edit->text() != kept) {
                                     QSignalBlocker block(edit);
                                     edit->setText(kept);
                                 }
                             });
            widget = edit;
            break;
        }
        case ControlKind::Frame:
            widget = new FrameBox(window.client);
            break;
        case ControlKind::Line:
            widget = new LineWidget(window.client);
            break;
        case ControlKind::Timer: {
            auto* timer = static_cast<Timer*>(&control);
            auto* qtimer = new QTimer(&window);
            // Qt's default coarse timers may fire up to 5% early; the
            // program's waits (the start-up screen, the launch) are minimums.
            qtimer->setTimerType(Qt::PreciseTimer);
            // The tick runs from a posted call, not inside the timer's own
            // event: Qt never delivers a timer's event again while the last
            // one is still being handled, but the program's timers tick on
            // inside a message box or modal form that their own tick opens
            // (the headless back end behaves the same). So ticks may
            // re-enter; the program guards where that matters.
            QObject::connect(qtimer, &QTimer::timeout, qtimer, [this, qtimer, timer] {
                QMetaObject::invokeMethod(
                    qtimer,
                    [this, qtimer, timer] {
                        if (qtimer->isActive()) {
                            deliver([timer] { timer->tick(); });
                        }
                    },
                    Qt::QueuedConnection);
            });
            window.timers[timer] = qtimer;
            return;
        }
    }
    widget->setObjectName(qstr(control.Name()));
    window.widgets[&control] = widget;
    controlOf_[widget] = &control;
}

void QtBackend::applyControl(FormWindow& window, Control& control) {
    auto found = window.widgets.find(&control);
    if (found == window.widgets.end()) {
        return;
    }
    QWidget* widget = found->second;
    QWidget* parent = window.client;
    if (Frame* frame = control.Container()) {
        auto it = window.widgets.find(frame);
        if (it != window.widgets.end()) {
            parent = it->second;
        }
    }
    if (widget->parentWidget() != parent) {
        widget->setParent(parent);
    }
    widget->setEnabled(control.Enabled());
    widget->setToolTip(qstr(control.ToolTipText()));
    widget->setFont(toQFont(control.Font()));
    if (!control.focusable()) {
        widget->setFocusPolicy(Qt::NoFocus);
    } else if (control.TabStop()) {
        widget->setFocusPolicy(Qt::StrongFocus);
    } else {
        // Out of the tab order; a text box can still be clicked into.
        widget->setFocusPolicy(control.Kind() == ControlKind::TextBox ? Qt::ClickFocus
                                                                      : Qt::NoFocus);
    }

    QRect rect(px(control.Left()), px(control.Top()), px(control.Width()), px(control.Height()));
    QPalette palette = QApplication::palette(widget);
    switch (control.Kind()) {
        case ControlKind::CommandButton: {
            auto& button = static_cast<CommandButton&>(control);
            auto* push = static_cast<QPushButton*>(widget);
            // The frame and margins of a button take about 4 px a side.
            push->setText(
                wrappedCaption(qstr(button.Caption()), toQFont(control.Font()), rect.width() - 8));
            push->setDefault(button.Default());
            setRole(palette, QPalette::Button, control.BackColor());
            setRole(palette, QPalette::ButtonText, control.ForeColor());
            break;
        }
        case ControlKind::CheckBox: {
            auto& check = static_cast<CheckBox&>(control);
            auto* box = static_cast<QCheckBox*>(widget);
            box->setText(qstr(check.Caption()));
            QSignalBlocker block(box);
            box->setCheckState(check.Value() == 0   ? Qt::Unchecked
                               : check.Value() == 1 ? Qt::Checked
                                                    : Qt::PartiallyChecked);
            box->setAutoFillBackground(true);
            setRole(palette, QPalette::Window, control.BackColor());
            setRole(palette, QPalette::WindowText, control.ForeColor());
            break;
        }
        case ControlKind::Image: {
            auto& image = static_cast<Image&>(control);
            auto* box = static_cast<PictureWidget*>(widget);
            box->picture = picture(image.Picture());
            box->stretch = image.Stretch();
            if (!image.Stretch() && !box->picture.isNull()) {
                rect.setSize(box->picture.size());
            }
            box->update();
            break;
        }
        case ControlKind::PictureBox: {
            auto& pictureBox = static_cast<PictureBox&>(control);
            auto* box = static_cast<PictureWidget*>(widget);
            box->picture = picture(pictureBox.Picture());
            box->bordered = pictureBox.Bordered();
            box->setAutoFillBackground(true);
            setRole(palette, QPalette::Window, control.BackColor());
            box->update();
            break;
        }
        case ControlKind::Label: {
            auto& label = static_cast<Label&>(control);
            auto* text = static_cast<QLabel*>(widget);
            text->setText(multiline(displayCaption(label.Caption())));
            Qt::Alignment horizontal = label.Alignment() == Alignment::Right    ? Qt::AlignRight
                                       : label.Alignment() == Alignment::Center ? Qt::AlignHCenter
                                                                                : Qt::AlignLeft;
            text->setAlignment(horizontal | Qt::AlignTop);
            text->setWordWrap(label.WordWrap());
            text->setAutoFillBackground(!label.Transparent());
            setRole(palette, QPalette::Window, control.BackColor());
            setRole(palette, QPalette::WindowText, control.ForeColor());
            if (label.AutoSize()) {
                text->setPalette(palette);
                QSize size = label.WordWrap()
                                 ? QSize(rect.width(), text->heightForWidth(rect.width()))
                                 : text->sizeHint();
                int right = rect.x() + rect.width();
                int left = label.Alignment() == Alignment::Right ? right - size.width() : rect.x();
                rect = QRect(QPoint(left, rect.y()), size);
            }
            break;
        }
        case ControlKind::TextBox: {
            auto& box = static_cast<TextBox&>(control);
            auto* edit = static_cast<QLineEdit*>(widget);
            QString text = qstr(box.Text());
            if (edit->text() != text) {
                QSignalBlocker block(edit);
                edit->setText(text);
            }
            edit->setReadOnly(box.Locked());
            setRole(palette, QPalette::Base, control.BackColor());
            setRole(palette, QPalette::Text, control.ForeColor());
            break;
        }
        case ControlKind::Frame: {
            auto* group = static_cast<QGroupBox*>(widget);
            group->setTitle(qstr(static_cast<Frame&>(control).Caption()));
            group->setAutoFillBackground(true);
            setRole(palette, QPalette::Window, control.BackColor());
            setRole(palette, QPalette::WindowText, control.ForeColor());
            break;
        }
        case ControlKind::Line: {
            auto& line = static_cast<Line&>(control);
            auto* painted = static_cast<LineWidget*>(widget);
            QPoint a(px(line.X1()), px(line.Y1()));
            QPoint b(px(line.X2()), px(line.Y2()));
            QRect box(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                      QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
            painted->from = a - box.topLeft();
            painted->to = b - box.topLeft();
            painted->color = resolve(line.BorderColor());
            painted->update();
            rect = box;
            break;
        }
        case ControlKind::Timer:
            return;
    }
    widget->setPalette(palette);
    widget->setGeometry(rect);
    widget->setVisible(control.Visible());
}

void QtBackend::controlChanged(Control& control) {
    FormWindow* window = windowOf(control.Parent());
    if (window == nullptr) {
        return;
    }
    applyControl(*window, control);
    if (control.focusable() || control.Kind() == ControlKind::Frame) {
        applyTabOrder(*window);
    }
}

void QtBackend::applyTabOrder(FormWindow& window) {
    std::vector<QWidget*> chain;
    for (Control* control : window.form->tabOrder()) {
        auto it = window.widgets.find(control);
        if (it != window.widgets.end()) {
            chain.push_back(it->second);
        }
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

void QtBackend::timerChanged(Timer& timer) {
    FormWindow* window = windowOf(timer.Parent());
    if (window == nullptr) {
        return;
    }
    auto it = window->timers.find(&timer);
    if (it == window->timers.end()) {
        return;
    }
    QTimer* qtimer = it->second;
    bool active = timer.Parent().Loaded() && timer.Enabled() && timer.Interval() > 0;
    if (!active) {
        qtimer->stop();
    } else if (!qtimer->isActive() || qtimer->interval() != timer.Interval()) {
        // An unchanged running timer keeps its rhythm.
        qtimer->start(timer.Interval());
    }
}

// ---- Menus

void QtBackend::buildMenus(FormWindow& window) {
    Form& form = *window.form;
    if (form.menuBar().empty()) {
        return;
    }
    window.menuBar = new QMenuBar(&window);
    // Always inside the window, never in a desktop-wide bar, so the client
    // area sits where the form's layout expects it.
    window.menuBar->setNativeMenuBar(false);
    for (Menu* title : form.menuBar()) {
        if (title->Items().empty()) {
            connectMenu(window, window.menuBar->addAction(QString()), *title);
        } else {
            QMenu* menu = window.menuBar->addMenu(QString());
            window.actions[title] = menu->menuAction();
            menuChanged(*title);
            addMenuItems(window, menu, *title);
        }
    }
}

void QtBackend::addMenuItems(FormWindow& window, QMenu* menu, const Menu& parent) {
    for (Menu* item : parent.Items()) {
        if (item->Items().empty()) {
            connectMenu(window, menu->addAction(QString()), *item);
        } else {
            QMenu* submenu = menu->addMenu(QString());
            window.actions[item] = submenu->menuAction();
            menuChanged(*item);
            addMenuItems(window, submenu, *item);
        }
    }
}

QAction* QtBackend::connectMenu(FormWindow& window, QAction* action, Menu& menu) {
    QObject::connect(action, &QAction::triggered, action,
                     [this, &menu] { deliver([&menu] { menu.userClick(); }); });
    // Also on the window itself, so the shortcut works while the menu is
    // closed.
    window.addAction(action);
    window.actions[&menu] = action;
    menuChanged(menu);
    return action;
}

void QtBackend::menuChanged(Menu& menu) {
    FormWindow* window = windowOf(menu.Parent());
    if (window == nullptr) {
        return;
    }
    auto it = window->actions.find(&menu);
    if (it == window->actions.end()) {
        return;
    }
    QAction* action = it->second;
    if (menu.isSeparator()) {
        action->setSeparator(true);
        action->setText(QString());
    } else {
        action->setSeparator(false);
        action->setText(qstr(menu.Caption()));
    }
    action->setShortcut(
        menu.Shortcut().empty()
            ? QKeySequence()
            : QKeySequence::fromString(qstr(menu.Shortcut()), QKeySequence::PortableText));
    action->setEnabled(menu.Enabled());
    action->setVisible(menu.Visible());
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
