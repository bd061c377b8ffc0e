// The main window's backdrop: light stone from value noise, pixel by pixel.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "pictures/PictureSets.h"

namespace zekpictures {
namespace {

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

}  // namespace

// Calm parchment-like stone: a warm light base, soft clouds and a fine grain.
QImage mainBackground() {
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

}  // namespace zekpictures
