#include "app/RecordText.h"

#include <algorithm>
#include <charconv>

namespace app {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        result.push_back(line);
        start = end + 1;
    }
    return result;
}

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

namespace {

std::optional<platform::FolderIdentity> parseIdentity(const std::string& text) {
    platform::FolderIdentity identity;
    const char* end = text.data() + text.size();
    auto [afterDevice, deviceError] = std::from_chars(text.data(), end, identity.device);
    if (deviceError != std::errc() || afterDevice == end || *afterDevice != ' ') {
        return std::nullopt;
    }
    auto [afterInode, inodeError] = std::from_chars(afterDevice + 1, end, identity.inode);
    if (inodeError != std::errc() || afterInode != end) {
        return std::nullopt;
    }
    return identity;
}

const std::string kBirth = "birth ";

// "seconds.nanoseconds", the nanoseconds in nine digits.
std::string birthText(const platform::BirthTime& birth) {
    std::string nanoseconds = std::to_string(birth.nanoseconds);
    nanoseconds.insert(0, 9 - std::min<std::size_t>(9, nanoseconds.size()), '0');
    return kBirth + std::to_string(birth.seconds) + "." + nanoseconds;
}

std::optional<platform::BirthTime> parseBirth(const std::string& line) {
    if (!line.starts_with(kBirth)) {
        return std::nullopt;
    }
    platform::BirthTime birth;
    const char* end = line.data() + line.size();
    auto [afterSeconds, secondsError] =
        std::from_chars(line.data() + kBirth.size(), end, birth.seconds);
    if (secondsError != std::errc() || end - afterSeconds != 10 || *afterSeconds != '.') {
        return std::nullopt;
    }
    auto [afterNanoseconds, nanosecondsError] =
        std::from_chars(afterSeconds + 1, end, birth.nanoseconds);
    if (nanosecondsError != std::errc() || afterNanoseconds != end) {
        return std::nullopt;
    }
    return birth;
}

bool needsEscape(unsigned char c) {
    return c < 0x20 || c == 0x7f || c == '%';
}

}  // namespace

std::string EscapedLine(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string result;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (needsEscape(code)) {
            result += {'%', kHex[code >> 4], kHex[code & 0xf]};
        } else {
            result += c;
        }
    }
    return result;
}

std::optional<std::string> UnescapedLine(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        if (code != '%') {
            if (needsEscape(code)) {
                return std::nullopt;
            }
            result += text[i];
            continue;
        }
        unsigned value = 0;
        const char* digits = text.data() + i + 1;
        if (i + 2 >= text.size() ||
            std::from_chars(digits, digits + 2, value, 16).ptr != digits + 2) {
            return std::nullopt;
        }
        result += static_cast<char>(value);
        i += 2;
    }
    return result;
}

std::string FolderRecordText(const FolderRecord& record) {
    std::string text = record.folder;
    const bool split = text.find('\n') != std::string::npos;
    std::replace(text.begin(), text.end(), '\n', '?');
    text += "\r\n";
    if (record.identity) {
        text +=
            std::to_string(record.identity->device) + " " + std::to_string(record.identity->inode);
    }
    text += "\r\n";
    const bool born = record.identity && record.identity->birth;
    if (split || born) {
        text += EscapedLine(record.folder) + "\r\n";
    }
    if (born) {
        text += birthText(*record.identity->birth) + "\r\n";
    }
    return text;
}

FolderRecord ParseFolderRecord(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    FolderRecord record{lines.empty() ? "" : lines[0],
                        lines.size() > 1 ? parseIdentity(lines[1]) : std::nullopt};
    if (lines.size() > 2) {
        if (std::optional<std::string> whole = UnescapedLine(lines[2])) {
            record.folder = *whole;
        }
    }
    if (lines.size() > 3 && record.identity) {
        record.identity->birth = parseBirth(lines[3]);
    }
    return record;
}

Sameness Compare(const std::optional<platform::FolderIdentity>& a,
                 const std::optional<platform::FolderIdentity>& b) {
    if (!a || !b) {
        return Sameness::CannotTell;
    }
    if (a->inode != b->inode || (a->birth && b->birth && *a->birth != *b->birth)) {
        return Sameness::Other;
    }
    return a->device == b->device ? Sameness::Same : Sameness::CannotTell;
}

}  // namespace app
