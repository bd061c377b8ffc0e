#include "pictures/Pictures.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace zekpictures {
namespace {

using Draw = std::function<void(QPainter&)>;

constexpr int kSuper = 4;  // tiles are drawn 4x larger and scaled down
const QSize kSpellSize(30, 42);
const QSize kHutSize(44, 49);

// Paints at kSuper times the size in the picture's own coordinates, then
// scales down, so small glyphs get smooth edges.
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

QPen pen(QColor c, qreal width) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPolygonF star(QPointF c, int points, qreal outer, qreal inner, qreal turn = 0) {
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const qreal r = (i % 2 == 0) ? outer : inner;
        const qreal a = turn + M_PI * i / points - M_PI / 2;
        poly << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    return poly;
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

// ---------------------------------------------------------------- spells

void blast(QPainter& p) {
    QRadialGradient g(QPointF(15, 21), 13);
    g.setColorAt(0, QColor(255, 255, 200));
    g.setColorAt(0.35, QColor(255, 210, 40));
    g.setColorAt(1, QColor(230, 60, 10));
    p.setPen(pen(QColor(110, 20, 0), 0.8));
    p.setBrush(g);
    p.drawPolygon(star(QPointF(15, 21), 12, 13, 5.5));
}

void lightning(QPainter& p) {
    QPolygonF bolt{{19, 3}, {7, 22}, {14, 22}, {9, 39}, {24, 16}, {16, 16}, {22, 3}};
    p.setPen(pen(QColor(150, 100, 0), 1));
    p.setBrush(QColor(255, 225, 40));
    p.drawPolygon(bolt);
}

void tornado(QPainter& p) {
    for (int i = 0; i < 8; ++i) {
        const qreal w = 24 - i * 2.7;
        const qreal cx = 15 + 2.2 * std::sin(i * 0.9);
        const qreal y = 6 + i * 4.2;
        p.setPen(pen(QColor(90, 95, 105), 1));
        p.setBrush(QColor(225 - i * 6, 228 - i * 6, 232 - i * 6));
        p.drawEllipse(QRectF(cx - w / 2, y, w, 5.5));
    }
    p.setPen(pen(QColor(235, 235, 235, 160), 0.8));
    p.drawLine(QPointF(4, 10), QPointF(1, 12));
    p.drawLine(QPointF(27, 16), QPointF(29, 19));
}

void swarm(QPainter& p) {
    const QPointF bugs[] = {{8, 9},   {20, 8}, {14, 16}, {24, 20}, {6, 22},
                            {16, 27}, {9, 34}, {22, 33}, {27, 11}};
    for (const QPointF& b : bugs) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 190));
        p.drawEllipse(QRectF(b.x() - 3, b.y() - 3.2, 2.8, 2.4));
        p.drawEllipse(QRectF(b.x() + 0.2, b.y() - 3.2, 2.8, 2.4));
        p.setBrush(QColor(25, 20, 10));
        p.drawEllipse(QRectF(b.x() - 2, b.y() - 1.3, 4, 2.8));
    }
}

void invisibility(QPainter& p) {
    QPen dashed(QColor(255, 255, 255), 1.4, Qt::DashLine, Qt::RoundCap);
    dashed.setDashPattern({2, 1.6});
    p.setPen(dashed);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QRectF(11, 6, 8, 8));
    QPainterPath body;
    body.moveTo(8, 36);
    body.lineTo(10, 20);
    body.quadTo(15, 15, 20, 20);
    body.lineTo(22, 36);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(star(QPointF(24, 9), 4, 3, 0.8));
    p.drawPolygon(star(QPointF(5, 28), 4, 2.4, 0.7));
}

void hypnotise(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 235, 250));
    p.drawEllipse(QPointF(15, 21), 12, 12);
    QPainterPath spiral;
    for (int i = 0; i <= 200; ++i) {
        const qreal t = i / 200.0 * 3.2 * 2 * M_PI;
        const qreal r = 0.3 + 11 * i / 200.0;
        const QPointF pt(15 + r * std::cos(t), 21 + r * std::sin(t));
        i == 0 ? spiral.moveTo(pt) : spiral.lineTo(pt);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(110, 0, 110), 1.7));
    p.drawPath(spiral);
}

void fireball(QPainter& p, QPointF c, qreal r) {
    QPainterPath trail;
    trail.moveTo(c + QPointF(-r * 0.7, -r * 0.7));
    trail.lineTo(c + QPointF(-r * 3.2, -r * 4.2));
    trail.lineTo(c + QPointF(r * 0.7, -r * 0.5));
    trail.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 140, 20, 150));
    p.drawPath(trail);
    QRadialGradient g(c, r);
    g.setColorAt(0, QColor(255, 255, 180));
    g.setColorAt(0.5, QColor(255, 180, 30));
    g.setColorAt(1, QColor(220, 50, 0));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

void firestorm(QPainter& p) {
    fireball(p, QPointF(22, 12), 3.2);
    fireball(p, QPointF(11, 22), 4.2);
    fireball(p, QPointF(23, 33), 3.6);
    fireball(p, QPointF(7, 36), 2.4);
}

void ghost(QPainter& p, QPointF at, qreal s, int alpha) {
    QPainterPath g;
    g.moveTo(at.x() - 5 * s, at.y() + 8 * s);
    g.lineTo(at.x() - 5 * s, at.y());
    g.arcTo(QRectF(at.x() - 5 * s, at.y() - 5 * s, 10 * s, 10 * s), 180, -180);
    g.lineTo(at.x() + 5 * s, at.y() + 8 * s);
    for (int i = 0; i < 4; ++i) {
        const qreal x = at.x() + 5 * s - (i + 1) * 2.5 * s;
        g.quadTo(x + 1.25 * s, at.y() + (i % 2 ? 9.8 : 6.2) * s, x, at.y() + 8 * s);
    }
    g.closeSubpath();
    p.setPen(pen(QColor(160, 230, 230, alpha), 0.6));
    p.setBrush(QColor(225, 250, 250, alpha));
    p.drawPath(g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 30, 40, alpha));
    p.drawEllipse(QPointF(at.x() - 1.8 * s, at.y()), 1.0 * s, 1.4 * s);
    p.drawEllipse(QPointF(at.x() + 1.8 * s, at.y()), 1.0 * s, 1.4 * s);
}

void ghostArmy(QPainter& p) {
    ghost(p, QPointF(8, 11), 0.8, 140);
    ghost(p, QPointF(22, 12), 0.8, 140);
    ghost(p, QPointF(15, 23), 1.15, 240);
}

void erode(QPainter& p) {
    QPainterPath land;
    land.moveTo(0, 20);
    land.lineTo(6, 18);
    land.lineTo(10, 21);
    land.lineTo(12, 30);
    land.lineTo(18, 30);
    land.lineTo(20, 22);
    land.lineTo(25, 19);
    land.lineTo(30, 20);
    land.lineTo(30, 42);
    land.lineTo(0, 42);
    land.closeSubpath();
    QLinearGradient g(0, 18, 0, 42);
    g.setColorAt(0, QColor(160, 105, 50));
    g.setColorAt(1, QColor(90, 55, 25));
    p.setPen(pen(QColor(60, 35, 15), 0.9));
    p.setBrush(g);
    p.drawPath(land);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 130, 210));
    p.drawRect(QRectF(12.4, 27, 5.2, 2.6));
    // crumbs breaking off the banks into the gully
    p.setBrush(QColor(130, 85, 40));
    p.drawEllipse(QPointF(11.5, 23), 1.5, 1.3);
    p.drawEllipse(QPointF(18.6, 24.5), 1.3, 1.1);
    p.drawEllipse(QPointF(14.2, 25.5), 1.0, 0.9);
    p.setBrush(QColor(60, 130, 210));
    for (qreal x : {4.0, 24.0}) {
        p.drawEllipse(QPointF(x, 8), 1.2, 1.8);
        p.drawEllipse(QPointF(x + 2.5, 12), 1.2, 1.8);
    }
    p.setPen(pen(QColor(60, 35, 15), 0.7));
    p.drawLine(QPointF(4, 28), QPointF(8, 33));
    p.drawLine(QPointF(23, 27), QPointF(26, 34));
}

void swamp(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 20));
    p.drawRect(QRectF(0, 30, 30, 12));
    const struct {
        qreal x, y, r;
    } bubbles[] = {{9, 27, 5},   {20, 24, 4},   {15, 14, 3.2}, {23, 34, 3},
                   {6, 36, 2.4}, {22, 10, 2.2}, {11, 6, 1.8}};
    for (const auto& b : bubbles) {
        QRadialGradient g(QPointF(b.x - b.r * 0.3, b.y - b.r * 0.3), b.r * 1.3);
        g.setColorAt(0, QColor(200, 255, 140));
        g.setColorAt(1, QColor(70, 160, 40));
        p.setPen(pen(QColor(25, 60, 10), 0.7));
        p.setBrush(g);
        p.drawEllipse(QPointF(b.x, b.y), b.r, b.r);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(b.x - b.r * 0.4, b.y - b.r * 0.4), b.r * 0.25, b.r * 0.25);
    }
}

void landBridge(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 200, 240));
    p.drawRect(QRectF(0, 0, 30, 22));
    p.setBrush(QColor(40, 100, 190));
    p.drawRect(QRectF(0, 22, 30, 20));
    p.setPen(pen(QColor(180, 220, 255), 0.6));
    p.drawLine(QPointF(10, 34), QPointF(14, 34));
    p.drawLine(QPointF(16, 38), QPointF(21, 38));
    QPainterPath bridge;
    bridge.moveTo(0, 20);
    bridge.quadTo(15, 8, 30, 20);
    bridge.lineTo(30, 42);
    bridge.lineTo(25, 42);
    bridge.quadTo(15, 16, 5, 42);
    bridge.lineTo(0, 42);
    bridge.closeSubpath();
    QLinearGradient g(0, 10, 0, 42);
    g.setColorAt(0, QColor(120, 170, 60));
    g.setColorAt(0.2, QColor(150, 100, 50));
    g.setColorAt(1, QColor(95, 60, 30));
    p.setPen(pen(QColor(55, 35, 15), 0.9));
    p.setBrush(g);
    p.drawPath(bridge);
}

void angelOfDeath(QPainter& p) {
    QPolygonF left{{14, 16}, {2, 6}, {5, 12}, {1, 14}, {5, 19}, {2, 23}, {9, 24}, {13, 22}};
    QPolygonF right;
    for (const QPointF& pt : left) {
        right << QPointF(30 - pt.x(), pt.y());
    }
    p.setPen(pen(QColor(90, 0, 0), 0.6));
    p.setBrush(QColor(15, 10, 15));
    p.drawPolygon(left);
    p.drawPolygon(right);
    QPolygonF robe{{15, 13}, {21, 38}, {9, 38}};
    p.drawPolygon(robe);
    p.setBrush(QColor(235, 230, 215));
    p.drawEllipse(QPointF(15, 12), 3.3, 3.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(15, 10, 15));
    p.drawEllipse(QPointF(13.7, 11.8), 0.9, 1.1);
    p.drawEllipse(QPointF(16.3, 11.8), 0.9, 1.1);
}

void earthquake(QPainter& p) {
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, 16, 0, 42);
    g.setColorAt(0, QColor(170, 120, 70));
    g.setColorAt(1, QColor(100, 65, 35));
    p.setBrush(g);
    p.drawRect(QRectF(0, 16, 30, 26));
    QPolygonF crack{{13, 16}, {17, 16}, {14, 23}, {19, 28}, {13, 34},
                    {16, 42}, {12, 42}, {10, 34}, {15, 28}, {10, 23}};
    p.setBrush(QColor(20, 10, 5));
    p.drawPolygon(crack);
    p.setPen(pen(QColor(255, 240, 200), 1.1));
    for (qreal y : {5.0, 9.0}) {
        p.drawLine(QPointF(3, y), QPointF(9, y + 2));
        p.drawLine(QPointF(27, y), QPointF(21, y + 2));
    }
    p.drawLine(QPointF(13, 5), QPointF(15, 11));
    p.drawLine(QPointF(17, 5), QPointF(15, 11));
}

void arrowDown(QPainter& p, qreal x, qreal top, qreal bottom) {
    p.setPen(pen(QColor(80, 60, 0), 0.8));
    p.setBrush(QColor(255, 220, 60));
    QPolygonF a{{x - 2, top}, {x + 2, top},          {x + 2, bottom - 5}, {x + 4.5, bottom - 5},
                {x, bottom},  {x - 4.5, bottom - 5}, {x - 2, bottom - 5}};
    p.drawPolygon(a);
}

void flatten(QPainter& p) {
    p.setPen(QPen(QColor(90, 120, 60), 0.9, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    QPainterPath hill;
    hill.moveTo(1, 29);
    hill.cubicTo(8, 14, 22, 14, 29, 29);
    p.drawPath(hill);
    p.setPen(pen(QColor(30, 70, 20), 0.9));
    p.setBrush(QColor(90, 170, 60));
    p.drawRect(QRectF(0, 29, 30, 5));
    p.setBrush(QColor(120, 80, 40));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(0, 34, 30, 8));
    arrowDown(p, 9, 4, 21);
    arrowDown(p, 21, 4, 21);
}

void volcano(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 120, 130, 170));
    p.drawEllipse(QPointF(12, 7), 5, 4);
    p.drawEllipse(QPointF(19, 5), 4, 3.2);
    QPolygonF cone{{0, 42}, {11, 17}, {19, 17}, {30, 42}};
    QLinearGradient g(0, 17, 0, 42);
    g.setColorAt(0, QColor(130, 80, 40));
    g.setColorAt(1, QColor(75, 45, 20));
    p.setPen(pen(QColor(45, 25, 10), 0.8));
    p.setBrush(g);
    p.drawPolygon(cone);
    QPolygonF lava{{11, 17}, {19, 17}, {17.5, 21}, {16, 20}, {15, 28}, {13.5, 21}, {12.5, 22}};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 40, 10));
    p.drawPolygon(lava);
    p.setBrush(QColor(255, 150, 20));
    p.drawEllipse(QPointF(15, 15), 4.5, 2.4);
    p.setBrush(QColor(255, 80, 0));
    p.drawEllipse(QPointF(10, 11), 1.3, 1.3);
    p.drawEllipse(QPointF(20, 10), 1.1, 1.1);
    p.drawEllipse(QPointF(15, 9), 1.2, 1.2);
}

void person(QPainter& p, QPointF head, qreal s, QColor fill, QColor line) {
    p.setPen(pen(line, 0.8));
    p.setBrush(fill);
    QPainterPath body;
    body.moveTo(head.x() - 4.5 * s, head.y() + 13 * s);
    body.lineTo(head.x() - 3.5 * s, head.y() + 5 * s);
    body.quadTo(head.x(), head.y() + 2.5 * s, head.x() + 3.5 * s, head.y() + 5 * s);
    body.lineTo(head.x() + 4.5 * s, head.y() + 13 * s);
    body.closeSubpath();
    p.drawPath(body);
    p.drawEllipse(head, 2.6 * s, 2.6 * s);
}

void convert(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(20, 60, 170), 2));
    const QRectF ring(3, 9, 24, 24);
    p.drawArc(ring, 30 * 16, 120 * 16);
    p.drawArc(ring, 210 * 16, 120 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 170));
    // arrow heads at the ends of the two arcs
    p.drawPolygon(QPolygonF{{2, 17.5}, {8.5, 17}, {4.4, 22.5}});
    p.drawPolygon(QPolygonF{{28, 24.5}, {21.5, 25}, {25.6, 19.5}});
    person(p, QPointF(15, 16), 0.85, QColor(255, 255, 255), QColor(60, 50, 20));
}

void shield(QPainter& p) {
    QPainterPath s;
    s.moveTo(4, 8);
    s.quadTo(15, 3, 26, 8);
    s.lineTo(26, 20);
    s.quadTo(25, 32, 15, 38);
    s.quadTo(5, 32, 4, 20);
    s.closeSubpath();
    QLinearGradient g(4, 0, 26, 0);
    g.setColorAt(0, QColor(230, 235, 245));
    g.setColorAt(0.5, QColor(160, 170, 185));
    g.setColorAt(1, QColor(110, 120, 135));
    p.setPen(pen(QColor(40, 45, 60), 1));
    p.setBrush(g);
    p.drawPath(s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 200));
    QPainterPath inner;
    inner.moveTo(8, 11);
    inner.quadTo(15, 8, 22, 11);
    inner.lineTo(22, 20);
    inner.quadTo(21, 28, 15, 33);
    inner.quadTo(9, 28, 8, 20);
    inner.closeSubpath();
    p.drawPath(inner);
    p.setBrush(QColor(250, 220, 80));
    p.drawPolygon(star(QPointF(15, 20), 5, 4.5, 1.9));
}

// ---------------------------------------------------------------- guests

void bloodlust(QPainter& p) {
    QPainterPath drop;
    drop.moveTo(15, 5);
    drop.cubicTo(19, 14, 25, 20, 25, 27);
    drop.arcTo(QRectF(5, 17, 20, 20), 0, -180);
    drop.cubicTo(5, 20, 11, 14, 15, 5);
    QRadialGradient g(QPointF(12, 24), 14);
    g.setColorAt(0, QColor(255, 80, 80));
    g.setColorAt(1, QColor(150, 0, 0));
    p.setPen(pen(QColor(60, 0, 0), 1));
    p.setBrush(g);
    p.drawPath(drop);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(QPolygonF{{10, 25}, {14, 25}, {12, 32}});
    p.drawPolygon(QPolygonF{{16, 25}, {20, 25}, {18, 32}});
}

void teleport(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        const qreal w = 24 - i * 5.5;
        const qreal h = 32 - i * 7.5;
        p.setPen(pen(QColor(80 + i * 40, 230, 255, 255 - i * 20), 1.6));
        p.drawEllipse(QRectF(15 - w / 2, 21 - h / 2, w, h));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(star(QPointF(15, 21), 4, 3.4, 0.9));
    p.drawPolygon(star(QPointF(25, 6), 4, 2.4, 0.6));
    p.drawPolygon(star(QPointF(5, 37), 4, 2.4, 0.6));
}

void armageddon(QPainter& p) {
    QPainterPath skull;
    skull.addEllipse(QRectF(5, 8, 20, 18));
    skull.addRect(QRectF(9.5, 22, 11, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 240, 225));
    p.drawPath(skull.simplified());
    p.setBrush(QColor(30, 5, 0));
    p.drawEllipse(QRectF(8.5, 14, 5.5, 5.5));
    p.drawEllipse(QRectF(16, 14, 5.5, 5.5));
    p.drawPolygon(QPolygonF{{15, 20}, {13.5, 23.5}, {16.5, 23.5}});
    for (qreal x : {12.0, 15.0, 18.0}) {
        p.drawRect(QRectF(x - 0.5, 26, 1, 4));
    }
    p.setBrush(QColor(255, 150, 20));
    p.drawPolygon(QPolygonF{{3, 41},
                            {6, 33},
                            {8, 37},
                            {11, 32},
                            {13, 36},
                            {15, 31},
                            {17, 36},
                            {19, 32},
                            {22, 37},
                            {24, 33},
                            {27, 41}});
}

// ---------------------------------------------------------------- huts

void hutGlyph(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 130, 40));
    p.drawRect(QRectF(0, 38, 44, 11));
    p.setPen(pen(QColor(60, 35, 15), 1));
    p.setBrush(QColor(150, 95, 50));
    p.drawRect(QRectF(9, 24, 26, 17));
    p.setBrush(QColor(220, 180, 80));
    p.drawPolygon(QPolygonF{{22, 6}, {40, 27}, {4, 27}});
    p.setPen(pen(QColor(160, 120, 40), 0.7));
    for (qreal x : {13.0, 18.0, 26.0, 31.0}) {
        p.drawLine(QPointF(22, 8), QPointF(x, 26));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 20, 10));
    p.drawRoundedRect(QRectF(19, 30, 7, 11), 3, 3);
}

void guardTower(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 120, 60));
    p.drawRect(QRectF(0, 42, 44, 7));
    p.setPen(pen(QColor(45, 45, 50), 1));
    p.setBrush(QColor(165, 165, 170));
    p.drawRect(QRectF(14, 14, 16, 30));
    QPolygonF top{{10, 14}, {10, 6}, {14, 6}, {14, 9}, {18, 9}, {18, 6}, {22, 6}, {22, 9},
                  {26, 9},  {26, 6}, {30, 6}, {30, 9}, {34, 9}, {34, 6}, {34, 14}};
    p.setBrush(QColor(185, 185, 190));
    p.drawPolygon(top);
    p.setPen(pen(QColor(110, 110, 115), 0.6));
    for (qreal y : {20.0, 26.0, 32.0, 38.0}) {
        p.drawLine(QPointF(14.5, y), QPointF(29.5, y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 35));
    p.drawRect(QRectF(20.5, 16, 3, 7));
    p.drawRoundedRect(QRectF(18.5, 35, 7, 9), 3, 3);
    p.setPen(pen(QColor(60, 40, 20), 0.8));
    p.drawLine(QPointF(32, 6), QPointF(32, 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 40, 40));
    p.drawPolygon(QPolygonF{{32, 0.5}, {39, 2.2}, {32, 4}});
}

void sword(QPainter& p, QPointF hilt, qreal angle) {
    p.save();
    p.translate(hilt);
    p.rotate(angle);
    p.setPen(pen(QColor(50, 50, 60), 0.7));
    p.setBrush(QColor(225, 230, 240));
    p.drawPolygon(QPolygonF{{-1.6, 0}, {-1.6, -24}, {0, -28}, {1.6, -24}, {1.6, 0}});
    p.setBrush(QColor(200, 160, 40));
    p.drawRect(QRectF(-5, -0.5, 10, 2.4));
    p.setBrush(QColor(100, 55, 25));
    p.drawRect(QRectF(-1.3, 1.9, 2.6, 6));
    p.setBrush(QColor(200, 160, 40));
    p.drawEllipse(QPointF(0, 8.6), 1.8, 1.8);
    p.restore();
}

void warrior(QPainter& p) {
    sword(p, QPointF(12, 36), 40);
    sword(p, QPointF(32, 36), -40);
}

void temple(QPainter& p) {
    p.setPen(pen(QColor(70, 60, 40), 0.8));
    p.setBrush(QColor(245, 235, 205));
    p.drawPolygon(QPolygonF{{22, 6}, {40, 17}, {4, 17}});
    p.drawRect(QRectF(5, 17, 34, 3));
    for (qreal x : {7.0, 15.0, 24.0, 32.0}) {
        p.drawRect(QRectF(x, 20, 5, 18));
    }
    p.drawRect(QRectF(4, 38, 36, 3));
    p.drawRect(QRectF(2, 41, 40, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 190, 40));
    p.drawEllipse(QPointF(22, 12.5), 2.3, 2.3);
}

void spy(QPainter& p) {
    QPainterPath eye;
    eye.moveTo(3, 25);
    eye.quadTo(22, 6, 41, 25);
    eye.quadTo(22, 44, 3, 25);
    p.setPen(pen(QColor(10, 10, 15), 1.2));
    p.setBrush(QColor(245, 245, 240));
    p.drawPath(eye);
    QRadialGradient g(QPointF(22, 25), 8);
    g.setColorAt(0, QColor(120, 200, 120));
    g.setColorAt(1, QColor(20, 110, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(22, 25), 8, 8);
    p.setBrush(QColor(5, 5, 5));
    p.drawEllipse(QPointF(22, 25), 3.6, 3.6);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(24.5, 22.5), 1.5, 1.5);
    p.setPen(pen(QColor(200, 200, 210), 1));
    p.drawLine(QPointF(8, 12), QPointF(11, 15));
    p.drawLine(QPointF(22, 6), QPointF(22, 10));
    p.drawLine(QPointF(36, 12), QPointF(33, 15));
}

void fireWarrior(QPainter& p) {
    auto flame = [&](qreal w, qreal top, QColor c) {
        QPainterPath f;
        f.moveTo(22, top);
        f.cubicTo(22 + w * 0.2, top + 10, 22 + w, top + 14, 22 + w * 0.8, 44 - (44 - top) * 0.15);
        f.quadTo(22, 46, 22 - w * 0.8, 44 - (44 - top) * 0.15);
        f.cubicTo(22 - w, top + 14, 22 - w * 0.2, top + 10, 22, top);
        p.setBrush(c);
        p.drawPath(f);
    };
    p.setPen(Qt::NoPen);
    flame(15, 3, QColor(215, 35, 10));
    flame(10.5, 13, QColor(255, 140, 15));
    flame(6, 23, QColor(255, 235, 100));
}

void boat(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 180));
    p.drawRect(QRectF(0, 34, 44, 15));
    p.setPen(pen(QColor(60, 40, 20), 1.2));
    p.drawLine(QPointF(22, 5), QPointF(22, 33));
    p.setPen(pen(QColor(120, 120, 120), 0.8));
    p.setBrush(QColor(250, 250, 245));
    p.drawPolygon(QPolygonF{{23, 6}, {37, 29}, {23, 29}});
    p.drawPolygon(QPolygonF{{21, 10}, {21, 29}, {10, 29}});
    p.setPen(pen(QColor(50, 25, 10), 1));
    p.setBrush(QColor(140, 80, 35));
    p.drawPolygon(QPolygonF{{3, 30}, {41, 30}, {35, 39}, {9, 39}});
    p.setPen(pen(QColor(170, 210, 255), 0.8));
    p.drawLine(QPointF(2, 43), QPointF(10, 43));
    p.drawLine(QPointF(24, 45), QPointF(34, 45));
}

void balloon(QPainter& p) {
    QPainterPath envelope;
    envelope.moveTo(22, 30);
    envelope.cubicTo(8, 22, 6, 4, 22, 3);
    envelope.cubicTo(38, 4, 36, 22, 22, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(215, 30, 30));
    p.drawPath(envelope);
    p.save();
    p.setClipPath(envelope);
    p.setBrush(QColor(255, 210, 40));
    p.drawRect(QRectF(15, 0, 4.5, 32));
    p.drawRect(QRectF(24.5, 0, 4.5, 32));
    p.restore();
    p.setPen(pen(QColor(90, 10, 10), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(envelope);
    p.setPen(pen(QColor(70, 45, 20), 0.8));
    p.drawLine(QPointF(17, 27), QPointF(19, 36));
    p.drawLine(QPointF(27, 27), QPointF(25, 36));
    p.setBrush(QColor(150, 95, 45));
    p.drawRect(QRectF(18, 36, 8, 6));
}

// ---------------------------------------------------------------- emblem

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

// A backdrop that darkens from the middle outwards.
void radialFill(QPainter& p, QSizeF size, qreal radius, QColor middle, QColor edge) {
    QRadialGradient g(QPointF(size.width() / 2, size.height() / 2), radius);
    g.setColorAt(0, middle);
    g.setColorAt(1, edge);
    p.fillRect(QRectF(QPointF(0, 0), size), g);
}

QImage logo() {
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

// ---------------------------------------------------------------- about

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

// Four tribe shields on a dusk sky, two above two, joined by a gold ring:
// the alliances the program sets.
QImage tribes() {
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
QImage island() {
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

// ---------------------------------------------------------------- background

std::uint32_t hashNoise(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Smooth value noise in [0, 1) with cells of `cell` pixels.
double valueNoise(int x, int y, int cell, std::uint32_t seed) {
    const int cx = x / cell;
    const int cy = y / cell;
    const double fx = (x % cell) / static_cast<double>(cell);
    const double fy = (y % cell) / static_cast<double>(cell);
    auto v = [&](int i, int j) { return (hashNoise(cx + i, cy + j, seed) & 0xFFFF) / 65536.0; };
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = v(0, 0) + (v(1, 0) - v(0, 0)) * sx;
    const double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

// Calm parchment-like stone: a warm light base, soft clouds and a fine grain.
QImage background() {
    QImage img(624, 694, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double clouds = valueNoise(x, y, 64, 7) * 0.6 + valueNoise(x, y, 16, 11) * 0.4;
            const double grain = (hashNoise(x, y, 3) & 0xFF) / 255.0;
            const double shade = (clouds - 0.5) * 14 + (grain - 0.5) * 6;
            auto clamp = [](double v) {
                return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
            };
            line[x] = qRgb(clamp(222 + shade), clamp(214 + shade), clamp(196 + shade * 0.9));
        }
    }
    return img;
}

}  // namespace

std::vector<Picture> drawAll() {
    struct Spell {
        const char* name;
        QColor top, bottom;
        void (*glyph)(QPainter&);
    };
    const Spell spells[] = {
        {"spell_blast", QColor(110, 25, 15), QColor(50, 8, 5), blast},
        {"spell_lightning", QColor(25, 55, 130), QColor(8, 18, 50), lightning},
        {"spell_tornado", QColor(125, 145, 165), QColor(60, 72, 85), tornado},
        {"spell_swarm", QColor(215, 175, 50), QColor(130, 95, 20), swarm},
        {"spell_invisibility", QColor(180, 160, 225), QColor(95, 80, 160), invisibility},
        {"spell_hypnotise", QColor(215, 80, 185), QColor(110, 25, 100), hypnotise},
        {"spell_firestorm", QColor(70, 20, 10), QColor(140, 50, 15), firestorm},
        {"spell_ghostarmy", QColor(30, 65, 80), QColor(8, 22, 30), ghostArmy},
        {"spell_erode", QColor(225, 205, 160), QColor(200, 175, 125), erode},
        {"spell_swamp", QColor(80, 95, 40), QColor(30, 45, 12), swamp},
        {"spell_landbridge", QColor(150, 200, 240), QColor(40, 100, 190), landBridge},
        {"spell_angleofdeath", QColor(140, 15, 25), QColor(45, 3, 8), angelOfDeath},
        {"spell_earthquake", QColor(215, 150, 80), QColor(150, 95, 45), earthquake},
        {"spell_flatten", QColor(160, 210, 250), QColor(220, 238, 255), flatten},
        {"spell_volcano", QColor(40, 25, 45), QColor(90, 45, 40), volcano},
        {"spell_convert", QColor(240, 210, 110), QColor(175, 130, 35), convert},
        {"spell_shield", QColor(40, 110, 70), QColor(12, 45, 25), shield},
        {"guest_bloodlust", QColor(35, 5, 5), QColor(5, 0, 0), bloodlust},
        {"guest_teleport", QColor(70, 30, 130), QColor(25, 8, 55), teleport},
        {"guest_armageddon", QColor(15, 5, 0), QColor(190, 60, 10), armageddon},
    };
    const Spell huts[] = {
        {"hut_hut", QColor(150, 200, 235), QColor(110, 170, 90), hutGlyph},
        {"hut_guardtower", QColor(175, 200, 225), QColor(120, 150, 180), guardTower},
        {"hut_warrior", QColor(170, 35, 30), QColor(80, 12, 10), warrior},
        {"hut_temple", QColor(110, 75, 170), QColor(50, 30, 90), temple},
        {"hut_spy", QColor(55, 55, 70), QColor(20, 20, 28), spy},
        {"hut_firewarrior", QColor(60, 25, 10), QColor(120, 50, 15), fireWarrior},
        {"hut_boat", QColor(170, 215, 245), QColor(110, 175, 230), boat},
        {"hut_balloon", QColor(120, 185, 240), QColor(200, 230, 255), balloon},
    };

    std::vector<Picture> all;
    for (const Spell& s : spells) {
        all.push_back({s.name, tile(kSpellSize, s.top, s.bottom, s.bottom.darker(250), s.glyph)});
    }
    all.push_back({"spell_off", offTile(kSpellSize)});
    for (const Spell& h : huts) {
        all.push_back({h.name, tile(kHutSize, h.top, h.bottom, h.bottom.darker(250), h.glyph)});
    }
    all.push_back({"hut_off", offTile(kHutSize)});
    all.push_back({"splash_logo", logo()});
    all.push_back({"main_background", background()});
    // The window icon at 48 pixels, and its other sizes for window lists and
    // the desktop's launcher (iconNN).
    all.push_back({"icon", icon(48)});
    for (int size : {16, 32, 64, 128, 256}) {
        all.push_back({QStringLiteral("icon%1").arg(size), icon(size)});
    }
    all.push_back({"about_icon", icon(40)});
    all.push_back({"about_tribes", tribes()});
    all.push_back({"about_island", island()});
    return all;
}

bool saveAll(const QString& dir, QString* error) {
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    for (const Picture& picture : drawAll()) {
        const QString file = QDir(dir).filePath(picture.name + QStringLiteral(".png"));
        if (!picture.image.save(file, "PNG")) {
            *error = QStringLiteral("cannot write %1").arg(file);
            return false;
        }
    }
    return true;
}

}  // namespace zekpictures
