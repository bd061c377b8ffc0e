// What a back end needs to show a help window and a text popup.
//
// The program's help viewer reads the help file and hands the back end a
// "book": its title, its contents and index lists, and a loader for the
// pages and pictures inside it. The back end draws the window and loads
// pages through the book as links are followed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/Types.h"

namespace forms {

// One entry of a contents list or of a keyword index, with the entries
// nested below it. `page` is a path inside the help file ("/page.htm", ""
// for a heading).
struct HelpTopic {
    std::string name;
    std::string page;
    std::vector<HelpTopic> children;
    bool operator==(const HelpTopic&) const = default;
};

// Which list the help window shows beside the page.
enum class HelpPane { Contents, Index, Search };

struct HelpBook {
    // Names the help file: a second display of the same key raises the
    // window already open for it instead of opening another.
    std::string key;
    std::string title;
    std::vector<HelpTopic> contents;
    std::vector<HelpTopic> index;
    // The pages a search looks through.
    std::vector<std::string> pages;
    // The bytes of a path inside the help file, or nothing.
    std::function<std::optional<std::string>(const std::string& path)> load;
};

struct HelpPopup {
    std::string text;
    // Where the popup goes, in screen pixels.
    int x = 0;
    int y = 0;
    // 0x00BBGGRR; none for the system's colours.
    std::optional<Color> foreground;
    std::optional<Color> background;
    std::string fontName;
    double fontSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // Left, top, right, bottom in pixels; -1 for the usual margin.
    int margins[4] = {-1, -1, -1, -1};
    // The window that owns the popup, 0 for none.
    long owner = 0;
};

}  // namespace forms
