// Small value types shared by forms, controls and the back ends.
#pragma once

#include <cstdint>
#include <string>

namespace forms {

// Positions and sizes of forms and controls are kept in twips, 1/1440 inch.
using Twips = int;

constexpr int kTwipsPerInch = 1440;
constexpr int kTwipsPerPixelAt96Dpi = 15;

// A colour is 0x00BBGGRR like the classic runtime, or one of the system
// colours below, which a back end resolves against its own palette.
using Color = std::uint32_t;

namespace colors {
constexpr Color Black = 0x000000;
constexpr Color White = 0xFFFFFF;
constexpr Color SystemFlag = 0x80000000u;
constexpr Color ButtonFace = SystemFlag | 0x0F;
constexpr Color ButtonShadow = SystemFlag | 0x10;
constexpr Color ButtonText = SystemFlag | 0x12;
constexpr Color HighlightText = SystemFlag | 0x0E;
constexpr Color WindowBackground = SystemFlag | 0x05;
constexpr Color WindowText = SystemFlag | 0x08;
}  // namespace colors

// A point on the screen, in pixels.
struct ScreenPoint {
    int x = 0;
    int y = 0;

    bool operator==(const ScreenPoint&) const = default;
};

struct Font {
    std::string Name = "MS Sans Serif";
    double Size = 8.25;
    bool Bold = false;

    bool operator==(const Font&) const = default;
};

// A picture is named by the file it comes from (without folder or
// extension); the back end that draws it looks the name up in the program
// folder's pictures. An empty name is no picture. Assigning one control's
// picture to another copies the name, so equal pictures compare equal.
struct Picture {
    std::string Name;

    bool empty() const { return Name.empty(); }
    bool operator==(const Picture&) const = default;
};

// Message box styles: the buttons (low bits) plus the icon.
namespace style {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Exclamation = 48;
constexpr int Information = 64;
}  // namespace style

// What a message box returns: the button that closed it.
namespace answer {
constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace answer

// Window styles for running a command line.
namespace winstyle {
constexpr int Hide = 0;
constexpr int NormalFocus = 1;
constexpr int MinimizedFocus = 2;
}  // namespace winstyle

}  // namespace forms
