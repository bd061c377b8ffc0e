// The help viewer the program uses: reads compiled help files and shows
// them through the forms runtime's back end, in a help window with the
// file's contents beside the page, and text popups.
//
// What each command does:
//   HH_DISPLAY_TOC        the file's default page, contents beside it;
//   HH_DISPLAY_TOPIC      the page whose path inside the file the data names
//                         (or the file argument's "::/page"), else as
//                         HH_DISPLAY_TOC;
//   HH_HELP_CONTEXT       the page the file maps the context number to, else
//                         as HH_DISPLAY_TOC;
//   HH_DISPLAY_INDEX,     the default page with the index or the search
//   HH_DISPLAY_SEARCH     beside it;
//   HH_KEYWORD_LOOKUP,    the page the file's index files under the first of
//   HH_ALINK_LOOKUP       the record's ";"-separated names, else the record's
//                         default page; with neither, no window, only the
//                         record's message (if any) in a box with its title;
//   HH_CLOSE_ALL          closes every help window;
//   HH_DISPLAY_TEXT_POPUP the record's text, or topic idString of the text
//                         file "help file::/name.txt", at the record's point.
// The window type after ">" in a file argument is ignored. A file that
// cannot be read as compiled help opens nothing and gives 0.
#pragma once

#include "forms/Help.h"
#include "platform/HelpViewer.h"

namespace platform {

class ChmHelpViewer : public HelpViewer {
public:
    std::int32_t HtmlHelp(std::int32_t hwndCaller, const OptionalText& file, unsigned command,
                          const HelpData& data) override;
};

// Reads a popup's font text: "face, size, character set, styles", where the
// styles are any of BOLD, ITALIC and UNDERLINE (without letter case).
// Missing or unreadable parts keep the popup's defaults.
void readPopupFont(const std::string& fontText, forms::HelpPopup& popup);

}  // namespace platform
