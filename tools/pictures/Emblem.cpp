// The program's badge, a gold "ZS" on a blue disc: the splash logo and the
// window icons.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "pictures/Drawing.h"
#include "pictures/PictureSets.h"

namespace zekpictures {
namespace {

// The stroke letters Z and S inside box.
void letters(QPainter& p, QRectF box, qreal width, QColor c) {
    const qreal gap = box.width() * 0.12;
    const qreal lw = (box.width() - gap) / 2;
    const QRectF z(box.left(), box.top(), lw, box.height());
    const QRectF s(box.left() + lw + gap, box.top(), lw, box.height());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(QPolygonF{z.topLeft(), z.topRight(), z.bottomLeft(), z.bottomRight()});
    QPainterPath sp;
    const QRectF upper(s.left(), s.top(), s.width(), s.height() / 2);
    const QRectF lower(s.left(), s.center().y(), s.width(), s.height() / 2);
    sp.arcMoveTo(upper, 15);
    sp.arcTo(upper, 15, 255);
    sp.arcTo(lower, 90, -255);
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(sp);
}

// Round badge: gold ring, deep blue disc with a faint star, gold "ZS".
void emblem(QPainter& p, QPointF c, qreal r) {
    QLinearGradient ring(c.x() - r, c.y() - r, c.x() + r, c.y() + r);
    ring.setColorAt(0, QColor(255, 228, 130));
    ring.setColorAt(0.5, QColor(205, 150, 40));
    ring.setColorAt(1, QColor(130, 85, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(c, r, r);
    QRadialGradient disc(c - QPointF(r * 0.3, r * 0.35), r * 1.1);
    disc.setColorAt(0, QColor(45, 85, 170));
    disc.setColorAt(1, QColor(10, 22, 60));
    p.setBrush(disc);
    p.drawEllipse(c, r * 0.84, r * 0.84);
    p.setBrush(QColor(120, 160, 255, 55));
    p.drawPolygon(star(c, 4, r * 0.8, r * 0.2));
    const qreal h = r * 0.78;
    const qreal w = r * 1.12;
    const QRectF box(c.x() - w / 2, c.y() - h / 2, w, h);
    letters(p, box.translated(r * 0.03, r * 0.04), r * 0.2, QColor(0, 0, 0, 150));
    letters(p, box, r * 0.2, QColor(255, 215, 90));
}

}  // namespace

QImage splashLogo() {
    const QSize size(200, 160);
    return render(size, [](QPainter& p) {
        radialFill(p, QSizeF(200, 160), 120, QColor(28, 26, 40), QColor(0, 0, 0));
        // crossed blades behind the badge
        p.setPen(Qt::NoPen);
        for (int side : {-1, 1}) {
            p.save();
            p.translate(100, 80);
            p.rotate(side * 40);
            QLinearGradient blade(-4, 0, 4, 0);
            blade.setColorAt(0, QColor(230, 235, 245));
            blade.setColorAt(1, QColor(120, 130, 150));
            p.setBrush(blade);
            p.drawPolygon(QPolygonF{{-4, 70}, {-4, -62}, {0, -74}, {4, -62}, {4, 70}});
            p.restore();
        }
        p.setBrush(QColor(200, 150, 40));
        p.drawPolygon(star(QPointF(100, 80), 4, 76, 12, M_PI / 4));
        emblem(p, QPointF(100, 80), 54);
    });
}

QImage icon(int size) {
    return render(QSize(size, size), [size](QPainter& p) {
        emblem(p, QPointF(size / 2.0, size / 2.0), size / 2.0 - 0.5);
    });
}

}  // namespace zekpictures
