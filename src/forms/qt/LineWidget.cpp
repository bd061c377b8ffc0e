#include "forms/qt/LineWidget.h"

#include <QPainter>

namespace forms::qt {

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(color, 1));
    painter.drawLine(from, to);
}

}  // namespace forms::qt
