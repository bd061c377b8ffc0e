// The drawing helpers the groups of pictures share: rendering, tiles, pens, stars.
#include "pictures/Drawing.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <cmath>

namespace zekpictures {
namespace {

constexpr int kSuper = 4;  // tiles are drawn 4x larger and scaled down

// A tile: vertical gradient, the glyph, then a crisp 1 px frame with a faint
// inner highlight.
QImage tile(QSize size, QColor top, QColor bottom, QColor frame, const Draw& glyph) {
    QImage img = render(size, [&](QPainter& p) {
        QLinearGradient g(0, 0, 0, size.height());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.fillRect(QRectF(0, 0, size.width(), size.height()), g);
        glyph(p);
    });
    QPainter p(&img);
    p.setPen(QColor(255, 255, 255, 55));
    p.drawRect(1, 1, size.width() - 3, size.height() - 3);
    p.setPen(frame);
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return img;
}

void redCross(QPainter& p, QSizeF s) {
    p.setPen(pen(QColor(120, 0, 0), 5));
    p.drawLine(QPointF(4, 4), QPointF(s.width() - 4, s.height() - 4));
    p.drawLine(QPointF(s.width() - 4, 4), QPointF(4, s.height() - 4));
    p.setPen(pen(QColor(230, 30, 30), 3.2));
    p.drawLine(QPointF(4, 4), QPointF(s.width() - 4, s.height() - 4));
    p.drawLine(QPointF(s.width() - 4, 4), QPointF(4, s.height() - 4));
}

QImage offTile(QSize size) {
    return tile(size, QColor(150, 150, 150), QColor(90, 90, 90), QColor(40, 40, 40),
                [size](QPainter& p) {
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor(175, 175, 175));
                    p.drawRect(QRectF(5, 5, size.width() - 10, size.height() - 10));
                    redCross(p, QSizeF(size));
                });
}

}  // namespace

QImage render(QSize size, const Draw& draw) {
    QImage big(size * kSuper, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(kSuper, kSuper);
        draw(p);
    }
    return big.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

QPen pen(QColor c, qreal width) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPolygonF star(QPointF c, int points, qreal outer, qreal inner, qreal turn) {
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const qreal r = (i % 2 == 0) ? outer : inner;
        const qreal a = turn + M_PI * i / points - M_PI / 2;
        poly << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    return poly;
}

void radialFill(QPainter& p, QSizeF size, qreal radius, QColor middle, QColor edge) {
    QRadialGradient g(QPointF(size.width() / 2, size.height() / 2), radius);
    g.setColorAt(0, middle);
    g.setColorAt(1, edge);
    p.fillRect(QRectF(QPointF(0, 0), size), g);
}

std::vector<Picture> tileSet(QSize size, std::span<const TileDesign> tiles, const char* offName) {
    std::vector<Picture> all;
    for (const TileDesign& t : tiles) {
        all.push_back({t.name, tile(size, t.top, t.bottom, t.bottom.darker(250), t.glyph)});
    }
    all.push_back({offName, offTile(size)});
    return all;
}

}  // namespace zekpictures
