#include "forms/qt/WindowFrame.h"

namespace forms::qt {

QMargins WindowFrame::around(const QWidget* window) {
    if (window != nullptr && window->isVisible()) {
        QRect outer = window->frameGeometry();
        QRect inner = window->geometry();
        QMargins measured(inner.left() - outer.left(), inner.top() - outer.top(),
                          outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (!measured.isNull()) {
            last_ = measured;
            known_ = true;
            return measured;
        }
    }
    if (known_) {
        return last_;
    }
    // Before any window has been framed: a border of 4 pixels and a title
    // bar of 23.
    return QMargins(4, 27, 4, 4);
}

}  // namespace forms::qt
