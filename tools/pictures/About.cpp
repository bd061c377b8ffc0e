// The About box's pictures: the four tribes' shields and the island.
#include <QLinearGradient>
#include <QPainterPath>

#include "pictures/Drawing.h"
#include "pictures/PictureSets.h"

namespace zekpictures {
namespace {

// The four tribes' colours, in their order Blue, Red, Yellow, Green.
const QColor kTribes[] = {QColor(40, 90, 200), QColor(200, 40, 35), QColor(230, 190, 40),
                          QColor(45, 150, 60)};

// A heater shield in the tribe's colour with a gold rim and a light sheen.
void shield(QPainter& p, QRectF box, QColor colour) {
    QPainterPath path;
    path.moveTo(box.left(), box.top());
    path.lineTo(box.right(), box.top());
    path.lineTo(box.right(), box.top() + box.height() * 0.45);
    path.quadTo(box.right(), box.bottom() - box.height() * 0.15, box.center().x(), box.bottom());
    path.quadTo(box.left(), box.bottom() - box.height() * 0.15, box.left(),
                box.top() + box.height() * 0.45);
    path.closeSubpath();
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, colour.lighter(140));
    g.setColorAt(1, colour.darker(160));
    p.setBrush(g);
    p.setPen(pen(QColor(205, 160, 50), 1.6));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawEllipse(QPointF(box.left() + box.width() * 0.35, box.top() + box.height() * 0.3),
                  box.width() * 0.16, box.height() * 0.12);
}

}  // namespace

// Four tribe shields on a dusk sky, two above two, joined by a gold ring:
// the alliances the program sets.
QImage aboutTribes() {
    const QSize size(80, 80);
    return render(size, [](QPainter& p) {
        QLinearGradient sky(0, 0, 0, 80);
        sky.setColorAt(0, QColor(30, 28, 60));
        sky.setColorAt(1, QColor(90, 60, 70));
        p.fillRect(QRectF(0, 0, 80, 80), sky);
        p.setPen(pen(QColor(220, 175, 60), 2.4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(40, 40), 24, 24);
        const QPointF corners[] = {{6, 5}, {44, 5}, {6, 42}, {44, 42}};
        for (int i = 0; i < 4; ++i) {
            shield(p, QRectF(corners[i], QSizeF(30, 33)), kTribes[i]);
        }
    });
}

// An island in a calm sea with a compass star: where a skirmish is fought.
QImage aboutIsland() {
    const QSize size(80, 80);
    return render(size, [](QPainter& p) {
        radialFill(p, QSizeF(80, 80), 56, QColor(70, 150, 210), QColor(15, 55, 120));
        QPainterPath land;
        land.moveTo(14, 44);
        land.cubicTo(12, 24, 34, 12, 50, 18);
        land.cubicTo(68, 24, 70, 44, 60, 56);
        land.cubicTo(50, 68, 22, 68, 14, 44);
        p.setPen(pen(QColor(235, 220, 170), 3));
        p.setBrush(QColor(95, 150, 70));
        p.drawPath(land);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 115, 50));
        p.drawEllipse(QPointF(30, 36), 7, 5);
        p.drawEllipse(QPointF(48, 46), 8, 6);
        p.setBrush(QColor(140, 120, 95));
        p.drawPolygon(QPolygonF{{36, 32}, {42, 22}, {48, 32}});
        p.setBrush(QColor(245, 245, 240));
        p.drawPolygon(QPolygonF{{40, 25.3}, {42, 22}, {44, 25.3}});
        p.setBrush(QColor(255, 220, 110));
        p.drawPolygon(star(QPointF(66, 14), 4, 10, 2.5));
        p.setBrush(QColor(200, 60, 40));
        p.drawPolygon(QPolygonF{{66, 4}, {68, 12}, {64, 12}});
    });
}

}  // namespace zekpictures
