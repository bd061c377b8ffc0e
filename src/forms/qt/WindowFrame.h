// The frame the window system draws around a form's window: its title bar
// and borders, measured on a framed window and remembered for windows that
// have none yet.
#pragma once

#include <QMargins>
#include <QWidget>

namespace forms::qt {

class WindowFrame {
public:
    // The frame's margins around the window (which may be null): as measured
    // on it when it is shown and framed, else as last measured on any window.
    QMargins around(const QWidget* window);

private:
    QMargins last_;
    bool known_ = false;
};

}  // namespace forms::qt
