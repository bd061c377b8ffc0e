// The program's pictures by group, each group drawn in a file of its own
// (Spells.cpp, Huts.cpp, Emblem.cpp, About.cpp, Background.cpp); drawAll()
// puts them together in the order the program folder lists them.
#pragma once

#include <QImage>
#include <vector>

#include "pictures/Pictures.h"

namespace zekpictures {

// The spell tiles, the guest spells' last, then "spell_off".
std::vector<Picture> spellTiles();

// The hut tiles, then "hut_off".
std::vector<Picture> hutTiles();

// The splash screen's logo: the badge on crossed blades.
QImage splashLogo();

// The program's badge as a square icon of `size` pixels.
QImage icon(int size);

// The About box's pictures: the four tribes' shields, and the island.
QImage aboutTribes();
QImage aboutIsland();

// The main window's stone backdrop.
QImage mainBackground();

}  // namespace zekpictures
