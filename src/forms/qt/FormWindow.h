// The window of one loaded form: its client area, its menu bar, and the
// widgets and timers of its controls. It keeps its caption, flags, icon,
// colours, size, place, menus and tab order in line with the form, and
// hands the user's close request, Enter and Esc to the form.
#pragma once

#include <QEventLoop>
#include <QMenuBar>
#include <QPoint>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <map>
#include <vector>

#include "forms/Form.h"
#include "forms/qt/ActivationReturn.h"
#include "forms/qt/ClientArea.h"
#include "forms/qt/Deliver.h"
#include "forms/qt/Pictures.h"

namespace forms::qt {

class FormWindow : public QWidget {
public:
    FormWindow(Form& form, Pictures& pictures, Deliver deliver);

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

    int menuBarHeight() const { return menuBar == nullptr ? 0 : menuBar->sizeHint().height(); }

    // The bar on top, the client area below it at its own size.
    void layoutParts();
    // The window as the form has it now: caption, flags, icon, colours,
    // picture, size and place.
    void apply();
    // The menu bar with the form's menus, once its controls exist.
    void buildMenus();
    // A menu entry as the menu has it now; nothing for a menu not on the bar.
    void applyMenu(Menu& menu);
    void applyTabOrder();
    // Enter presses the default button, Esc the cancel button.
    void pressButton(bool wantDefault);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent*) override { layoutParts(); }
    void keyPressEvent(QKeyEvent* event) override;

private:
    static Qt::WindowFlags flagsFor(Form& form);
    // The menus as entries of the bar or of a menu (Container); one with
    // items of its own opens a submenu of them.
    template <class Container>
    void addMenus(Container* container, const std::vector<Menu*>& menus);
    void connectMenu(QAction* action, Menu& menu);

    Pictures& pictures_;
    Deliver deliver_;
    // What apply() last gave the window, so that it changes only what the
    // form changed.
    Qt::WindowFlags appliedFlags_;
    QSize appliedClient_;
    bool appliedSizable_ = false;
    QPoint appliedPosition_;
    bool placed_ = false;
};

}  // namespace forms::qt
