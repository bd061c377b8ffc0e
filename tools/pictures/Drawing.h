// What every group of pictures draws with: painting at four times the size
// and scaling down, the framed gradient tile and its crossed-out grey
// counterpart, round pens, stars and radial backdrops. The same inputs give
// the same pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QSize>
#include <functional>
#include <span>
#include <vector>

#include "pictures/Pictures.h"

namespace zekpictures {

using Draw = std::function<void(QPainter&)>;

// Paints at four times the size in the picture's own coordinates, then
// scales down, so small glyphs get smooth edges.
QImage render(QSize size, const Draw& draw);

// A pen with round caps and joins.
QPen pen(QColor c, qreal width);

// A star of `points` points around c, its tips `outer` and its dents `inner`
// from it; the first tip points up, turned by `turn` radians.
QPolygonF star(QPointF c, int points, qreal outer, qreal inner, qreal turn = 0);

// A backdrop that darkens from the middle outwards.
void radialFill(QPainter& p, QSizeF size, qreal radius, QColor middle, QColor edge);

// One tile: its picture's name, the top and bottom colours of its gradient
// and its glyph.
struct TileDesign {
    const char* name;
    QColor top, bottom;
    void (*glyph)(QPainter&);
};

// The tiles of one size in the order given, each framed in its bottom
// colour darkened, then the grey, red-crossed tile named offName.
std::vector<Picture> tileSet(QSize size, std::span<const TileDesign> tiles, const char* offName);

}  // namespace zekpictures
