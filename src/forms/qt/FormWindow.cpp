#include "forms/qt/FormWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <vector>

#include "forms/qt/Colors.h"
#include "forms/qt/Strings.h"
#include "forms/qt/Units.h"

namespace forms::qt {

FormWindow::FormWindow(Form& form, Pictures& pictures, Deliver deliver)
    : QWidget(nullptr, flagsFor(form)),
      form(&form),
      client(new ClientArea(this)),
      pictures_(pictures),
      deliver_(std::move(deliver)),
      appliedFlags_(flagsFor(form)) {
    setObjectName(qstr(form.Name()));
}

void FormWindow::layoutParts() {
    int bar = menuBarHeight();
    if (menuBar != nullptr) {
        menuBar->setGeometry(0, 0, width(), bar);
    }
    client->setGeometry(0, bar, width(), height() - bar);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // Whether the form goes is the runtime's decision, never Qt's: an
    // accepted close would only hide the window behind the form's back.
    event->ignore();
    if (form == nullptr || !form->systemMenu().hasClose()) {
        return;
    }
    Form* closing = form;
    deliver_([closing] { closing->requestClose(); });
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    // Keys reach the window when the control with the focus has no use for
    // them; a focused button takes Enter itself.
    if (form != nullptr && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        pressButton(true);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FormWindow::pressButton(bool wantDefault) {
    if (form == nullptr) {
        return;
    }
    for (Control* control : form->controls()) {
        if (control->Kind() != ControlKind::CommandButton || !control->Visible()) {
            continue;
        }
        auto* button = static_cast<CommandButton*>(control);
        if (wantDefault ? button->Default() : button->Cancel()) {
            deliver_([button] { button->userClick(); });
            return;
        }
    }
}

Qt::WindowFlags FormWindow::flagsFor(Form& form) {
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

void FormWindow::apply() {
    setWindowTitle(qstr(form->Caption()));
    Qt::WindowFlags flags = flagsFor(*form);
    if (flags != appliedFlags_) {
        // New flags hide the window: it comes back if it was shown.
        bool shown = isVisible();
        setWindowFlags(flags);
        appliedFlags_ = flags;
        if (shown) {
            show();
        }
    }
    setWindowIcon(pictures_.windowIcon(form->Icon()));

    QPalette palette = QApplication::palette();
    setRole(palette, QPalette::Window, form->BackColor());
    client->setPalette(palette);
    client->picture = pictures_.picture(form->Picture());
    client->update();

    // Size and place only on a real change, so that a new caption does not
    // undo what the user did to a sizable window.
    QSize inside(px(form->ClientWidth()), px(form->ClientHeight()));
    bool sizable = form->BorderStyle() == BorderStyle::Sizable;
    if (inside != appliedClient_ || sizable != appliedSizable_) {
        QSize outer(inside.width(), inside.height() + menuBarHeight());
        if (sizable) {
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            resize(outer);
        } else {
            setFixedSize(outer);
        }
        appliedClient_ = inside;
        appliedSizable_ = sizable;
    }
    QPoint position(px(form->Left()), px(form->Top()));
    if (!placed_ || position != appliedPosition_) {
        move(position);  // a window's position is that of its frame
        appliedPosition_ = position;
        placed_ = true;
    }
    layoutParts();
}

void FormWindow::applyTabOrder() {
    std::vector<QWidget*> chain;
    for (Control* control : form->tabOrder()) {
        auto it = widgets.find(control);
        if (it != widgets.end()) {
            chain.push_back(it->second);
        }
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

// ---- Menus

void FormWindow::buildMenus() {
    if (form->menuBar().empty()) {
        return;
    }
    menuBar = new QMenuBar(this);
    // Always inside the window, never in a desktop-wide bar, so the client
    // area sits where the form's layout expects it.
    menuBar->setNativeMenuBar(false);
    addMenus(menuBar, form->menuBar());
}

template <class Container>
void FormWindow::addMenus(Container* container, const std::vector<Menu*>& menus) {
    for (Menu* menu : menus) {
        if (menu->Items().empty()) {
            connectMenu(container->addAction(QString()), *menu);
        } else {
            QMenu* submenu = container->addMenu(QString());
            actions[menu] = submenu->menuAction();
            applyMenu(*menu);
            addMenus(submenu, menu->Items());
        }
    }
}

void FormWindow::connectMenu(QAction* action, Menu& menu) {
    QObject::connect(action, &QAction::triggered, action,
                     [this, &menu] { deliver_([&menu] { menu.userClick(); }); });
    // Also on the window itself, so the shortcut works while the menu is
    // closed.
    addAction(action);
    actions[&menu] = action;
    applyMenu(menu);
}

void FormWindow::applyMenu(Menu& menu) {
    auto it = actions.find(&menu);
    if (it == actions.end()) {
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

}  // namespace forms::qt
