// The help viewer: the one entry point through which the program shows its
// compiled help file.
//
// A call names the caller's window (0 for none), a file argument (the
// help file's path, optionally followed by ">" and a window type name, or
// "path::/file inside it"; or none at all), a command and one data value,
// and returns the number of the help window it opened, or 0 when it opened
// none. A viewer that cannot be loaded at all raises forms::RuntimeError.
//
// The data value is a number, a text or one of three records. The records
// keep the field sizes their callers fill in (the size fields are what the
// caller wrote, not what the record takes), and a text field that the caller
// leaves null stays apart from an empty one.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// Commands.
constexpr unsigned HH_DISPLAY_TOPIC = 0;
constexpr unsigned HH_DISPLAY_TOC = 1;
constexpr unsigned HH_DISPLAY_INDEX = 2;
constexpr unsigned HH_DISPLAY_SEARCH = 3;
constexpr unsigned HH_KEYWORD_LOOKUP = 13;
constexpr unsigned HH_DISPLAY_TEXT_POPUP = 14;
constexpr unsigned HH_HELP_CONTEXT = 15;
constexpr unsigned HH_CLOSE_ALL = 18;
constexpr unsigned HH_ALINK_LOOKUP = 19;

// A text that may be a null pointer.
using OptionalText = std::optional<std::string>;

struct POINT {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const POINT&) const = default;
};

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const RECT&) const = default;
};

// A full-text search request (32 bytes).
struct HH_FTS_QUERY {
    std::int32_t cbStruct = 0;
    std::int32_t fUniCodeStrings = 0;
    OptionalText pszSearchQuery;
    std::int32_t iProximity = 0;
    std::int32_t fStemmedSearch = 0;
    std::int32_t fTitleOnly = 0;
    std::int32_t fExecute = 0;
    OptionalText pszWindow;
    bool operator==(const HH_FTS_QUERY&) const = default;
};

// A keyword or associative-link lookup (32 bytes).
struct HH_AKLINK {
    std::int32_t cbStruct = 0;
    std::int32_t fReserved = 0;
    OptionalText pszKeywords;
    OptionalText pszUrl;
    OptionalText pszMsgText;
    OptionalText pszMsgTitle;
    OptionalText pszWindow;
    std::int32_t fIndexOnFail = 0;
    bool operator==(const HH_AKLINK&) const = default;
};

// A text popup (52 bytes). Colours are 0x00BBGGRR.
struct HH_POPUP {
    std::int32_t cbStruct = 0;
    std::int32_t hinst = 0;
    std::uint32_t idString = 0;
    OptionalText pszText;
    POINT pt;
    std::int32_t clrForeground = 0;
    std::int32_t clrBackground = 0;
    RECT rcMargins;
    OptionalText pszFont;
    bool operator==(const HH_POPUP&) const = default;
};

// The data value of a call: 0 or a number, a text, or a record.
using HelpData = std::variant<std::int32_t, std::string, HH_FTS_QUERY, HH_AKLINK, HH_POPUP>;

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual std::int32_t HtmlHelp(std::int32_t hwndCaller, const OptionalText& file,
                                  unsigned command, const HelpData& data) = 0;
};

// A viewer for tests: records every call whole and answers from a script.
class RecordingHelpViewer : public HelpViewer {
public:
    struct Call {
        std::int32_t hwndCaller;
        OptionalText file;
        unsigned command;
        HelpData data;
    };
    std::int32_t HtmlHelp(std::int32_t hwndCaller, const OptionalText& file, unsigned command,
                          const HelpData& data) override;

    std::vector<Call> calls;
    // What each call returns, in order; once used up, `result`.
    std::vector<std::int32_t> results;
    std::int32_t result = 0x1234;
    // When set, every call raises as a viewer that cannot be loaded.
    bool raising = false;
    // When set, every call raises this error instead, of whatever kind.
    std::exception_ptr error;
};

// The viewer the program uses; tests put their own in place.
HelpViewer& helpViewer();
void setHelpViewer(HelpViewer* viewer);

}  // namespace platform
