// The forms' fonts as Qt fonts. Sizes are fixed in pixels as at 96 dpi, so
// text fits the twip layout of the forms whatever the screen's own
// resolution says; the classic desktop sans fonts map to an installed sans.
#pragma once

#include <QFont>

#include "forms/Types.h"

namespace forms::qt {

QFont toQFont(const forms::Font& font);

}  // namespace forms::qt
