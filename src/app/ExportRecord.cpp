#include "app/ExportRecord.h"

#include <exception>

#include "app/RecordText.h"

namespace app {

namespace {

const std::string kSessionLine = "session ";

std::string sessionLine(const std::string& markerText) {
    return kSessionLine + platform::checksumText(platform::checksumOf(markerText));
}

// Where the backup keeps its copy of a game file, relative to the program
// folder; empty for a file it has no place for.
std::string backupOf(const std::string& destination) {
    static const std::vector<CopyRow> rows = BackupSet();
    for (const CopyRow& row : rows) {
        if (row.source == destination) {
            return row.destination;
        }
    }
    return {};
}

}  // namespace

void ExportRecord::Add(platform::FileOperation& operation, const std::string& programFolder,
                       const std::vector<CopyRow>& exportRows) {
    for (const CopyRow& row : exportRows) {
        const std::optional<platform::Checksum> checksum =
            platform::fileChecksum(operation, programFolder + row.source);
        // A source that is missing fails the export before it writes there.
        if (checksum) {
            written_[row.destination].insert(*checksum);
        }
    }
}

std::string ExportRecord::Text(const std::string& markerText) const {
    std::string text = sessionLine(markerText) + "\r\n";
    for (const auto& [destination, checksums] : written_) {
        for (const platform::Checksum checksum : checksums) {
            text += platform::checksumText(checksum) + "\t" + destination + "\r\n";
        }
    }
    return text;
}

std::optional<ExportRecord> ExportRecord::Parse(const std::string& text,
                                                const std::string& markerText) {
    const std::vector<std::string> lines = Lines(text);
    // A record cut short, or of another marker, names no file for certain.
    if (lines.size() < 2 || lines.front() != sessionLine(markerText)) {
        return std::nullopt;
    }
    ExportRecord record;
    for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
        const std::size_t tab = line->find('\t');
        const std::optional<platform::Checksum> checksum =
            tab == std::string::npos ? std::nullopt : platform::parseChecksum(line->substr(0, tab));
        if (!checksum || tab + 1 == line->size()) {
            return std::nullopt;
        }
        record.written_[line->substr(tab + 1)].insert(*checksum);
    }
    return record;
}

bool ExportRecord::StillIn(const std::string& gameDir, const std::string& programFolder) const {
    platform::FileOperation operation;
    for (const auto& [destination, checksums] : written_) {
        try {
            const std::optional<platform::Checksum> now =
                platform::fileChecksum(operation, gameDir + destination);
            if (!now || !checksums.contains(*now)) {
                continue;
            }
            const std::string backup = backupOf(destination);
            if (backup.empty()) {
                return true;
            }
            const std::optional<platform::Checksum> kept =
                platform::fileChecksum(operation, programFolder + backup);
            if (!kept || *kept != *now) {
                return true;
            }
        } catch (const std::exception&) {
            // What cannot be read may be the skirmish's still.
            return true;
        }
    }
    return false;
}

}  // namespace app
