// The forms' colours in Qt's palettes: a fixed colour as it is, a system
// colour as the role of the application's palette that stands for it.
#pragma once

#include <QColor>
#include <QPalette>

#include "forms/Types.h"

namespace forms::qt {

// The colour as the active palette shows it now.
QColor resolve(Color color);

// Sets the role of the palette to the colour. A system colour follows the
// palette in every colour group, so disabled controls still grey out; a
// fixed colour is the same in all of them.
void setRole(QPalette& palette, QPalette::ColorRole role, Color color);

}  // namespace forms::qt
