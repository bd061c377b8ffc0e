// Conversion between the forms' twips and the pixels of Qt's widgets.
//
// The forms are laid out as at 96 dpi, so a pixel is always the same number
// of twips whatever the screen's own resolution says.
#pragma once

#include "forms/Types.h"

namespace forms::qt {

// Twips to pixels, to the nearest pixel.
int px(Twips t);
Twips twips(int pixels);

}  // namespace forms::qt
