#include "app/RecordText.h"

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

}  // namespace

std::string FolderRecordText(const FolderRecord& record) {
    return record.folder + "\r\n" +
           (record.identity ? std::to_string(record.identity->device) + " " +
                                  std::to_string(record.identity->inode)
                            : "") +
           "\r\n";
}

FolderRecord ParseFolderRecord(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    return {lines.empty() ? "" : lines[0],
            lines.size() > 1 ? parseIdentity(lines[1]) : std::nullopt};
}

}  // namespace app
