// Where the keyboard goes back to when a modal form or a message box closes.
//
// Qt leaves that to the window system, and many desktops then give it to no
// window at all: key presses would go nowhere until the user clicked.
#pragma once

#include <QPointer>
#include <QWidget>

namespace forms::qt {

class ActivationReturn {
public:
    ActivationReturn() = default;
    // Remembers the window and the widget in it that has the focus now.
    explicit ActivationReturn(QWidget* window);

    // Activates the window again and gives the focus back to that widget,
    // if the window is still shown.
    void restore() const;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

}  // namespace forms::qt
