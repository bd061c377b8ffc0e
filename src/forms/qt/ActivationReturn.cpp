#include "forms/qt/ActivationReturn.h"

namespace forms::qt {

ActivationReturn::ActivationReturn(QWidget* window)
    : window_(window), focus_(window != nullptr ? window->focusWidget() : nullptr) {}

void ActivationReturn::restore() const {
    if (window_ == nullptr || !window_->isVisible()) {
        return;
    }
    window_->raise();
    window_->activateWindow();
    if (focus_ != nullptr && focus_->window() == window_) {
        focus_->setFocus(Qt::ActiveWindowFocusReason);
    }
}

}  // namespace forms::qt
