#include "forms/qt/Units.h"

#include <cmath>

namespace forms::qt {

int px(Twips t) {
    return static_cast<int>(std::lround(static_cast<double>(t) / kTwipsPerPixelAt96Dpi));
}

Twips twips(int pixels) {
    return pixels * kTwipsPerPixelAt96Dpi;
}

}  // namespace forms::qt
