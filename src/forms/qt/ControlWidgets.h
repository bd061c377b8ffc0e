// The widgets of a form's controls: makes each control's widget in its
// window, keeps it in line with the control's properties, and runs a Timer
// control on a QTimer of the window.
#pragma once

#include <QWidget>

#include "forms/Control.h"
#include "forms/qt/Deliver.h"
#include "forms/qt/FormWindow.h"
#include "forms/qt/Pictures.h"

namespace forms::qt {

class ControlWidgets {
public:
    ControlWidgets(Pictures& pictures, Deliver deliver);

    // Makes the control's widget in the window's client area, named as the
    // control and entered in the window's widgets, and returns it; a timer
    // gets a QTimer in the window's timers instead, and null is returned.
    QWidget* create(FormWindow& window, Control& control);
    // The widget as the control has it now: container, state, colours,
    // font, place and size. Containers are looked up among the window's
    // widgets, so every widget is made before any is placed.
    void apply(FormWindow& window, Control& control);
    // Starts or stops the timer's QTimer as the timer has it now.
    void applyTimer(FormWindow& window, Timer& timer);

private:
    void click(Control& control);

    Pictures& pictures_;
    Deliver deliver_;
};

}  // namespace forms::qt
