// The 25 availability toggles as the tests expect them: the toggle's image,
// its bit in a level header and its own picture. Written out here, apart
// from the program's own table, so that a slip in either shows.
#pragma once

#include <array>

namespace testing_support {

struct Toggle {
    const char* image;
    int character;
    int mask;
    bool spell;
    const char* picture;
};

constexpr std::array<Toggle, 25> kToggles{{
    {"Image16", 1, 0x04, true, "spell_blast"},
    {"Image10", 1, 0x08, true, "spell_lightning"},
    {"Image5", 1, 0x10, true, "spell_tornado"},
    {"Image11", 1, 0x20, true, "spell_swarm"},
    {"Image12", 1, 0x40, true, "spell_invisibility"},
    {"Image13", 1, 0x80, true, "spell_hypnotise"},
    {"Image7", 2, 0x01, true, "spell_firestorm"},
    {"Image52", 2, 0x02, true, "spell_ghostarmy"},
    {"Image4", 2, 0x04, true, "spell_erode"},
    {"Image6", 2, 0x08, true, "spell_swamp"},
    {"Image9", 2, 0x10, true, "spell_landbridge"},
    {"Image1", 2, 0x20, true, "spell_angleofdeath"},
    {"Image3", 2, 0x40, true, "spell_earthquake"},
    {"Image8", 2, 0x80, true, "spell_flatten"},
    {"Image2", 3, 0x01, true, "spell_volcano"},
    {"Image17", 3, 0x02, true, "spell_convert"},
    {"Image14", 3, 0x08, true, "spell_shield"},
    {"Image24", 5, 0x02, false, "hut_hut"},
    {"Image23", 5, 0x10, false, "hut_guardtower"},
    {"Image21", 5, 0x20, false, "hut_temple"},
    {"Image20", 5, 0x40, false, "hut_spy"},
    {"Image22", 5, 0x80, false, "hut_warrior"},
    {"Image19", 6, 0x01, false, "hut_firewarrior"},
    {"Image18", 6, 0x20, false, "hut_boat"},
    {"Image15", 6, 0x80, false, "hut_balloon"},
}};

}  // namespace testing_support
