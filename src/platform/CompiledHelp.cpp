#include "platform/CompiledHelp.h"

#include <chm_lib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "platform/CompiledHelpCheck.h"

namespace platform {

namespace {

chmFile* file(void* handle) {
    return static_cast<chmFile*>(handle);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && lower(a) == lower(b);
}

std::uint32_t little32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint16_t little16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

// A text field of the file's own records ends at its first NUL.
std::string cString(const std::string& bytes, std::size_t at = 0) {
    if (at >= bytes.size()) {
        return "";
    }
    auto end = bytes.find('\0', at);
    return bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The first page of a topic list, depth first.
std::string firstPage(const std::vector<HelpTopic>& topics) {
    for (const HelpTopic& topic : topics) {
        if (!topic.page.empty()) {
            return topic.page;
        }
        if (std::string page = firstPage(topic.children); !page.empty()) {
            return page;
        }
    }
    return "";
}

const HelpTopic* findTopic(const std::vector<HelpTopic>& topics, const std::string& name) {
    for (const HelpTopic& topic : topics) {
        if (!topic.page.empty() && equalNoCase(topic.name, name)) {
            return &topic;
        }
        if (const HelpTopic* found = findTopic(topic.children, name)) {
            return found;
        }
    }
    return nullptr;
}

// Called from inside chmlib, which no exception may cross.
int collectEntry(chmFile*, chmUnitInfo* unit, void* context) {
    auto* paths = static_cast<std::vector<std::string>*>(context);
    try {
        std::string path = unit->path;
        if (!path.empty() && path.back() != '/') {
            paths->push_back(path);
        }
    } catch (const std::exception&) {
        return CHM_ENUMERATOR_FAILURE;
    }
    return CHM_ENUMERATOR_CONTINUE;
}

// ---- Sitemaps
//
// A sitemap is loose HTML (unclosed <LI>, upper-case tags, unquoted values)
// with one fixed shape: nested <UL> lists of <OBJECT type="text/sitemap">
// entries carrying <param name=... value=...>. Only those few tags matter,
// so a small scan over the tags reads it; a full HTML parser would add a
// library for no gain.

std::string decodeEntities(const std::string& text) {
    static const std::pair<const char*, char> named[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [entity, ch] : named) {
                std::size_t length = std::strlen(entity);
                if (text.compare(i, length, entity) == 0) {
                    out += ch;
                    i += length;
                    replaced = true;
                    break;
                }
            }
            if (!replaced && text.compare(i, 2, "&#") == 0) {
                auto semicolon = text.find(';', i);
                if (semicolon != std::string::npos && semicolon - i <= 6) {
                    std::string digits = text.substr(i + 2, semicolon - i - 2);
                    if (!digits.empty() &&
                        std::all_of(digits.begin(), digits.end(),
                                    [](unsigned char c) { return std::isdigit(c); })) {
                        out += static_cast<char>(std::stoi(digits) & 0xFF);
                        i = semicolon + 1;
                        replaced = true;
                    }
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

struct Tag {
    std::string name;                               // lower case, "/ul" for a closing tag
    std::map<std::string, std::string> attributes;  // names in lower case
};

// Reads the tag that starts at text[pos] == '<'; pos ends after its '>'.
Tag readTag(const std::string& text, std::size_t& pos) {
    Tag tag;
    std::size_t i = pos + 1;
    auto isSpace = [&](std::size_t at) {
        return at < text.size() && std::isspace(static_cast<unsigned char>(text[at]));
    };
    auto isNameChar = [&](std::size_t at) {
        return at < text.size() && !isSpace(at) && text[at] != '>' && text[at] != '=' &&
               text[at] != '<';
    };
    std::size_t start = i;
    while (isNameChar(i)) {
        ++i;
    }
    tag.name = lower(text.substr(start, i - start));
    while (i < text.size() && text[i] != '>') {
        if (isSpace(i) || text[i] == '/') {
            ++i;
            continue;
        }
        start = i;
        while (isNameChar(i) && text[i] != '/') {
            ++i;
        }
        std::string name = lower(text.substr(start, i - start));
        if (name.empty()) {
            ++i;
            continue;
        }
        while (isSpace(i)) {
            ++i;
        }
        std::string value;
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (isSpace(i)) {
                ++i;
            }
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                char quote = text[i++];
                auto end = text.find(quote, i);
                end = end == std::string::npos ? text.size() : end;
                value = text.substr(i, end - i);
                i = end + 1;
            } else {
                start = i;
                while (isNameChar(i)) {
                    ++i;
                }
                value = text.substr(start, i - start);
            }
        }
        tag.attributes[name] = decodeEntities(value);
    }
    pos = std::min(text.size(), i + 1);
    return tag;
}

}  // namespace

std::vector<HelpTopic> parseSitemap(const std::string& html) {
    std::vector<HelpTopic> root;
    // The list each open <UL> adds to, innermost last.
    std::vector<std::vector<HelpTopic>*> lists;
    std::optional<HelpTopic> entry;
    std::size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string::npos) {
        if (html.compare(pos, 4, "<!--") == 0) {
            auto end = html.find("-->", pos);
            pos = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        Tag tag = readTag(html, pos);
        std::vector<HelpTopic>* current = lists.empty() ? &root : lists.back();
        if (tag.name == "ul") {
            // A list right after an entry holds that entry's children.
            lists.push_back(lists.empty() || current->empty() ? current
                                                              : &current->back().children);
        } else if (tag.name == "/ul") {
            if (!lists.empty()) {
                lists.pop_back();
            }
        } else if (tag.name == "object") {
            if (lower(tag.attributes["type"]) == "text/sitemap") {
                entry = HelpTopic{};
            }
        } else if (tag.name == "param" && entry) {
            std::string name = lower(tag.attributes["name"]);
            const std::string& value = tag.attributes["value"];
            // An index entry may list several topics; the first one counts.
            if (name == "name" && entry->name.empty()) {
                entry->name = value;
            } else if (name == "local" && entry->page.empty()) {
                entry->page = CompiledHelp::entryPath(value);
            }
        } else if (tag.name == "/object" && entry) {
            current->push_back(std::move(*entry));
            entry.reset();
        }
    }
    return root;
}

std::optional<std::string> popupTopic(const std::string& file, std::uint32_t id) {
    std::string result;
    bool inTopic = false;
    bool found = false;
    std::size_t pos = 0;
    while (pos <= file.size()) {
        auto end = file.find('\n', pos);
        if (end == std::string::npos) {
            end = file.size();
        }
        std::string line = file.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (lower(line).rfind(".topic", 0) == 0) {
            if (found) {
                break;
            }
            std::string number = line.substr(6);
            number.erase(0, number.find_first_not_of(" \t"));
            number.erase(number.find_last_not_of(" \t") + 1);
            inTopic = !number.empty() &&
                      std::all_of(number.begin(), number.end(),
                                  [](unsigned char c) { return std::isdigit(c); }) &&
                      number.size() <= 10 && std::stoull(number) == id;
            found = inTopic;
            continue;
        }
        if (inTopic) {
            result += line + "\n";
        }
    }
    if (!found) {
        return std::nullopt;
    }
    result.erase(0, result.find_first_not_of('\n'));
    auto last = result.find_last_not_of('\n');
    result.erase(last == std::string::npos ? 0 : last + 1);
    return result;
}

std::shared_ptr<CompiledHelp> CompiledHelp::open(const std::string& nativePath) {
    // chmlib trusts every number in the file; a damaged one would end the
    // program inside it, so the layout is checked first.
    if (!compiledHelpLayoutIsSound(nativePath)) {
        return nullptr;
    }
    chmFile* handle = chm_open(nativePath.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    auto* opened = new (std::nothrow) CompiledHelp(handle);
    if (opened == nullptr) {
        chm_close(handle);
        return nullptr;
    }
    try {
        std::shared_ptr<CompiledHelp> help(opened);
        // Every compiler writes the system record; a file whose record cannot
        // be read (a cut or damaged file) is no help file to show.
        if (!help->read("/#SYSTEM")) {
            return nullptr;
        }
        help->readSystem();
        help->readContextMap();
        return help;
    } catch (const std::exception&) {
        // Out of memory for what a damaged file holds: no help file either.
        return nullptr;
    }
}

CompiledHelp::~CompiledHelp() {
    chm_close(file(handle_));
}

std::optional<std::string> CompiledHelp::read(const std::string& path) const {
    std::string entry = entryPath(path);
    // "#name" after a file name marks a place in the page; the file's own
    // records ("/#SYSTEM") begin with one.
    auto anchor = entry.find('#', entry.find_last_of('/') + 2);
    if (anchor != std::string::npos) {
        entry.erase(anchor);
    }
    chmUnitInfo unit{};
    if (entry.size() >= CHM_MAX_PATHLEN ||
        chm_resolve_object(file(handle_), entry.c_str(), &unit) != CHM_RESOLVE_SUCCESS) {
        return std::nullopt;
    }
    // The bytes grow as they arrive, so a length the data does not bear out
    // is never allocated.
    constexpr LONGUINT64 kPiece = 1 << 20;
    std::string bytes;
    try {
        while (bytes.size() < unit.length) {
            std::size_t done = bytes.size();
            LONGUINT64 piece = std::min<LONGUINT64>(kPiece, unit.length - done);
            bytes.resize(done + static_cast<std::size_t>(piece));
            auto got = chm_retrieve_object(file(handle_), &unit,
                                           reinterpret_cast<unsigned char*>(bytes.data() + done),
                                           done, static_cast<LONGINT64>(piece));
            if (got != static_cast<LONGINT64>(piece)) {
                return std::nullopt;
            }
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> CompiledHelp::entries() const {
    std::vector<std::string> paths;
    chm_enumerate(file(handle_), CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                  collectEntry, &paths);
    return paths;
}

std::string CompiledHelp::entryPath(const std::string& page) {
    std::string path = page;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/') {
        path.insert(path.begin(), '/');
    }
    return path;
}

// The file's system record lists its title, default topic and the names of
// its contents and index lists, each as a (code, length, text) record.
void CompiledHelp::readSystem() {
    std::string contentsFile;
    std::string indexFile;
    if (auto system = read("/#SYSTEM")) {
        for (std::size_t at = 4; at + 4 <= system->size();) {
            std::uint16_t code = little16(*system, at);
            std::uint16_t length = little16(*system, at + 2);
            at += 4;
            if (at + length > system->size()) {
                break;
            }
            std::string text = cString(system->substr(at, length));
            at += length;
            switch (code) {
                case 0:
                    contentsFile = text;
                    break;
                case 1:
                    indexFile = text;
                    break;
                case 2:
                    defaultPage_ = text.empty() ? "" : entryPath(text);
                    break;
                case 3:
                    title_ = text;
                    break;
                default:
                    break;
            }
        }
    }
    // Without names in the record, the lists are found by their usual
    // extensions.
    for (const std::string& entry : entries()) {
        std::string name = lower(entry);
        auto endsWith = [&](const char* ext) {
            return name.size() > 4 && name.compare(name.size() - 4, 4, ext) == 0;
        };
        if (contentsFile.empty() && endsWith(".hhc")) {
            contentsFile = entry;
        }
        if (indexFile.empty() && endsWith(".hhk")) {
            indexFile = entry;
        }
    }
    if (auto sitemap = contentsFile.empty() ? std::nullopt : read(contentsFile)) {
        contents_ = parseSitemap(*sitemap);
    }
    if (auto sitemap = indexFile.empty() ? std::nullopt : read(indexFile)) {
        index_ = parseSitemap(*sitemap);
    }
    if (defaultPage_.empty() || !read(defaultPage_)) {
        defaultPage_ = firstPage(contents_);
    }
    if (defaultPage_.empty()) {
        for (const std::string& entry : entries()) {
            std::string name = lower(entry);
            if (name.ends_with(".htm") || name.ends_with(".html")) {
                defaultPage_ = entry;
                break;
            }
        }
    }
}

// The context map pairs each number with the offset of its page's name in
// the file's string table.
void CompiledHelp::readContextMap() {
    auto map = read("/#IVB");
    auto strings = read("/#STRINGS");
    if (!map || !strings || map->size() < 4) {
        return;
    }
    std::size_t size = std::min<std::size_t>(little32(*map, 0), map->size() - 4);
    for (std::size_t at = 4; at + 8 <= 4 + size; at += 8) {
        std::uint32_t context = little32(*map, at);
        std::string name = cString(*strings, little32(*map, at + 4));
        if (auto page = entryEndingWith(name)) {
            contexts_.emplace(context, *page);
        }
    }
}

// Some compilers store the page under the full path it had on the machine
// that built the file; the entry is then the one that path ends with.
std::optional<std::string> CompiledHelp::entryEndingWith(const std::string& name) const {
    if (name.empty()) {
        return std::nullopt;
    }
    std::string wanted = lower(entryPath(name));
    std::optional<std::string> best;
    for (const std::string& entry : entries()) {
        std::string candidate = lower(entry);
        if (wanted.size() >= candidate.size() && wanted.ends_with(candidate) &&
            (!best || entry.size() > best->size())) {
            best = entry;
        }
    }
    return best;
}

std::optional<std::string> CompiledHelp::pageForKeyword(const std::string& keyword) const {
    const HelpTopic* topic = findTopic(index_, keyword);
    return topic == nullptr ? std::nullopt : std::optional<std::string>(topic->page);
}

std::optional<std::string> CompiledHelp::pageForContext(std::uint32_t context) const {
    auto it = contexts_.find(context);
    return it == contexts_.end() ? std::nullopt : std::optional<std::string>(it->second);
}

}  // namespace platform
