// The spell tiles, the guest spells' among them: a glyph a spell on its own
// gradient.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "pictures/Drawing.h"
#include "pictures/PictureSets.h"

namespace zekpictures {
namespace {

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

}  // namespace

std::vector<Picture> spellTiles() {
    const TileDesign spells[] = {
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
    return tileSet(QSize(30, 42), spells, "spell_off");
}

}  // namespace zekpictures
