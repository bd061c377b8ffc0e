#include "forms/qt/FrameBox.h"

#include <QPainter>
#include <QStyle>

#include "forms/Control.h"
#include "forms/qt/Strings.h"

namespace forms::qt {

FrameBox::FrameBox(QWidget* parent) : QGroupBox(parent) {}

void FrameBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFontMetrics metrics(font());
    QRect edge = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(edge.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(edge.adjusted(1, 1, 0, 0));
    if (title().isEmpty()) {
        return;
    }
    QRect caption(8, 0, metrics.horizontalAdvance(displayed()) + 4, metrics.height());
    painter.fillRect(caption, palette().brush(QPalette::Window));
    style()->drawItemText(&painter, caption.adjusted(2, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

QString FrameBox::displayed() const {
    return qstr(displayCaption(utf8(title())));
}

}  // namespace forms::qt
