#include "platform/ChmHelpViewer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "forms/Runtime.h"
#include "platform/CompiledHelp.h"
#include "platform/PathNotation.h"

namespace platform {

namespace {

std::string trimmed(std::string text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A file argument: "help file", optionally followed by "::/path inside
// it", optionally followed by ">window type".
struct FileArgument {
    std::string file;
    std::string inner;
};

FileArgument split(std::string text) {
    if (auto window = text.find('>'); window != std::string::npos) {
        text.erase(window);
    }
    FileArgument argument;
    auto inner = text.find("::");
    argument.file = text.substr(0, inner);
    if (inner != std::string::npos) {
        argument.inner = text.substr(inner + 2);
    }
    return argument;
}

struct OpenedHelp {
    std::shared_ptr<CompiledHelp> help;
    forms::HelpBook book;
};

std::optional<OpenedHelp> openBook(const std::string& fileText) {
    std::string native = nativePath(fileText);
    if (native.empty()) {
        return std::nullopt;
    }
    auto help = CompiledHelp::open(native);
    if (!help) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::path key = std::filesystem::weakly_canonical(native, error);
    forms::HelpBook book;
    book.key = error ? native : key.string();
    book.title = help->title();
    book.contents = help->contents();
    book.index = help->index();
    for (const std::string& entry : help->entries()) {
        std::string name = lower(entry);
        if (name.ends_with(".htm") || name.ends_with(".html")) {
            book.pages.push_back(entry);
        }
    }
    // The window keeps the file open for as long as it may load pages.
    book.load = [help](const std::string& path) { return help->read(path); };
    return OpenedHelp{help, std::move(book)};
}

// The first of the ";"-separated names that the index knows.
std::optional<std::string> lookUp(const CompiledHelp& help, const std::string& names) {
    std::istringstream list(names);
    std::string name;
    while (std::getline(list, name, ';')) {
        if (auto page = help.pageForKeyword(trimmed(name))) {
            return page;
        }
    }
    return std::nullopt;
}

// A lookup that found no topic and names no page of its own shows the
// record's message, if it has one, in a box captioned with its title (the
// program's title when it has none), and opens no window. With a caller
// window the box belongs to the program's forms, else to none of them.
void showLookupMessage(const HH_AKLINK& link, std::int32_t hwndCaller) {
    if (!link.pszMsgText || link.pszMsgText->empty()) {
        return;
    }
    forms::Runtime& runtime = forms::Runtime::current();
    const std::string title = link.pszMsgTitle.value_or("");
    if (hwndCaller != 0) {
        runtime.MsgBox(*link.pszMsgText, forms::style::Exclamation, title);
    } else {
        runtime.OwnerlessMsgBox(*link.pszMsgText, forms::style::Exclamation, title);
    }
}

std::int32_t showPopup(std::int32_t hwndCaller, const OptionalText& file, const HelpData& data,
                       forms::Backend& backend) {
    const auto* record = std::get_if<HH_POPUP>(&data);
    if (record == nullptr) {
        return 0;
    }
    forms::HelpPopup popup;
    if (record->pszText && !record->pszText->empty()) {
        popup.text = *record->pszText;
    } else if (file) {
        FileArgument argument = split(*file);
        auto opened = CompiledHelp::open(nativePath(argument.file));
        auto source =
            opened && !argument.inner.empty() ? opened->read(argument.inner) : std::nullopt;
        auto topic = source ? popupTopic(*source, record->idString) : std::nullopt;
        if (!topic) {
            return 0;
        }
        popup.text = *topic;
    } else {
        return 0;
    }
    popup.x = record->pt.x;
    popup.y = record->pt.y;
    // -1 asks for the system's colours; so does a text colour equal to the
    // background's, which would leave nothing to read.
    if (record->clrForeground != -1 && record->clrBackground != -1 &&
        record->clrForeground != record->clrBackground) {
        popup.foreground = static_cast<forms::Color>(record->clrForeground);
        popup.background = static_cast<forms::Color>(record->clrBackground);
    }
    if (record->pszFont) {
        readPopupFont(*record->pszFont, popup);
    }
    const RECT& margins = record->rcMargins;
    popup.margins[0] = margins.left;
    popup.margins[1] = margins.top;
    popup.margins[2] = margins.right;
    popup.margins[3] = margins.bottom;
    popup.owner = hwndCaller;
    return static_cast<std::int32_t>(backend.showHelpPopup(popup));
}

}  // namespace

void readPopupFont(const std::string& fontText, forms::HelpPopup& popup) {
    std::vector<std::string> parts;
    std::istringstream list(fontText);
    std::string part;
    while (std::getline(list, part, ',')) {
        parts.push_back(trimmed(part));
    }
    if (!parts.empty() && !parts[0].empty()) {
        popup.fontName = parts[0];
    }
    if (parts.size() > 1) {
        try {
            double size = std::stod(parts[1]);
            if (size > 0 && size < 200) {
                popup.fontSize = size;
            }
        } catch (const std::exception&) {
            // not a size: the default stays
        }
    }
    for (std::size_t i = 3; i < parts.size(); ++i) {
        std::istringstream words(lower(parts[i]));
        std::string word;
        while (words >> word) {
            popup.bold = popup.bold || word == "bold";
            popup.italic = popup.italic || word == "italic";
            popup.underline = popup.underline || word == "underline";
        }
    }
}

std::int32_t ChmHelpViewer::HtmlHelp(std::int32_t hwndCaller, const OptionalText& file,
                                     unsigned command, const HelpData& data) {
    if (!forms::Runtime::exists()) {
        return 0;
    }
    forms::Backend& backend = forms::Runtime::current().backend();
    if (command == HH_CLOSE_ALL) {
        backend.closeHelpWindows();
        return 0;
    }
    if (command == HH_DISPLAY_TEXT_POPUP) {
        return showPopup(hwndCaller, file, data, backend);
    }
    if (!file) {
        return 0;
    }
    FileArgument argument = split(*file);
    auto opened = openBook(argument.file);
    if (!opened) {
        return 0;
    }
    const CompiledHelp& help = *opened->help;
    std::string page = help.defaultPage();
    forms::HelpPane pane = forms::HelpPane::Contents;
    std::optional<std::string> wanted;
    if (!argument.inner.empty()) {
        wanted = CompiledHelp::entryPath(argument.inner);
    }
    switch (command) {
        case HH_DISPLAY_TOC:
            break;
        case HH_DISPLAY_TOPIC:
            if (const auto* topic = std::get_if<std::string>(&data); topic && !topic->empty()) {
                wanted = CompiledHelp::entryPath(*topic);
            }
            break;
        case HH_HELP_CONTEXT:
            if (const auto* context = std::get_if<std::int32_t>(&data)) {
                wanted = help.pageForContext(static_cast<std::uint32_t>(*context));
            }
            break;
        case HH_DISPLAY_INDEX:
            pane = forms::HelpPane::Index;
            break;
        case HH_DISPLAY_SEARCH:
            pane = forms::HelpPane::Search;
            break;
        case HH_KEYWORD_LOOKUP:
        case HH_ALINK_LOOKUP: {
            const auto* link = std::get_if<HH_AKLINK>(&data);
            if (link == nullptr) {
                return 0;
            }
            wanted = link->pszKeywords ? lookUp(help, *link->pszKeywords) : std::nullopt;
            if (!wanted && link->pszUrl && !link->pszUrl->empty()) {
                wanted = CompiledHelp::entryPath(*link->pszUrl);
            }
            if (!wanted) {
                showLookupMessage(*link, hwndCaller);
                return 0;
            }
            break;
        }
        default:
            return 0;
    }
    if (wanted) {
        page = *wanted;
    }
    return static_cast<std::int32_t>(backend.showHelp(opened->book, page, pane, hwndCaller));
}

}  // namespace platform
