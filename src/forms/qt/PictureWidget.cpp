#include "forms/qt/PictureWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <tuple>

namespace forms::qt {

PictureWidget::PictureWidget(QWidget* parent) : QLabel(parent) {}

void PictureWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect inside = rect();
    if (bordered) {
        // Sunken: dark above and left, light below and right.
        QRect outer = rect().adjusted(0, 0, -1, -1);
        QRect inner = outer.adjusted(1, 1, -1, -1);
        for (auto [box, upper, lower] : {std::tuple{outer, QPalette::Mid, QPalette::Light},
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

void PictureWidget::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
    bool wasPressed = pressed_;
    pressed_ = false;
    event->accept();
    if (wasPressed && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()) && onClick) {
        onClick();
    }
}

}  // namespace forms::qt
