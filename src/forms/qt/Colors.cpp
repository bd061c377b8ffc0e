#include "forms/qt/Colors.h"

#include <QApplication>

namespace forms::qt {

namespace {

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

}  // namespace

QColor resolve(Color color) {
    if (color & colors::SystemFlag) {
        return QApplication::palette().color(QPalette::Active, systemRole(color));
    }
    return rgb(color);
}

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

}  // namespace forms::qt
