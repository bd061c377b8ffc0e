#include "forms/qt/ClientArea.h"

#include <QPainter>

namespace forms::qt {

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setObjectName(QStringLiteral("client"));
}

void ClientArea::paintEvent(QPaintEvent*) {
    if (!picture.isNull()) {
        QPainter painter(this);
        painter.drawPixmap(0, 0, picture);
    }
}

}  // namespace forms::qt
