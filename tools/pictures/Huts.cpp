// The hut tiles: a glyph a building or unit on its own gradient.
#include <QPainterPath>
#include <QRadialGradient>

#include "pictures/Drawing.h"
#include "pictures/PictureSets.h"

namespace zekpictures {
namespace {

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

}  // namespace

std::vector<Picture> hutTiles() {
    const TileDesign huts[] = {
        {"hut_hut", QColor(150, 200, 235), QColor(110, 170, 90), hutGlyph},
        {"hut_guardtower", QColor(175, 200, 225), QColor(120, 150, 180), guardTower},
        {"hut_warrior", QColor(170, 35, 30), QColor(80, 12, 10), warrior},
        {"hut_temple", QColor(110, 75, 170), QColor(50, 30, 90), temple},
        {"hut_spy", QColor(55, 55, 70), QColor(20, 20, 28), spy},
        {"hut_firewarrior", QColor(60, 25, 10), QColor(120, 50, 15), fireWarrior},
        {"hut_boat", QColor(170, 215, 245), QColor(110, 175, 230), boat},
        {"hut_balloon", QColor(120, 185, 240), QColor(200, 230, 255), balloon},
    };
    return tileSet(QSize(44, 49), huts, "hut_off");
}

}  // namespace zekpictures
