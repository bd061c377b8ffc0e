#include "app/BackupTree.h"

#include <algorithm>

#include "app/ConfigFiles.h"
#include "forms/Error.h"
#include "platform/Files.h"

namespace app {

namespace {

// The lines of a text, each without its line end.
std::vector<std::string> lines(const std::string& text) {
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

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

bool BackupTree::Backup(const std::string& gameDir) const {
    // Until every copy is made, the tree is the backup of no folder.
    try {
        platform::removeFile(ProgramDir() + kSource);
    } catch (const forms::RuntimeError&) {
        return false;
    }
    if (!BackupGameFiles([&gameDir] { return gameDir; })) {
        return false;
    }
    try {
        platform::writeTextFile(ProgramDir() + kSource, gameDir + "\r\n");
    } catch (const forms::RuntimeError&) {
        // The backup is made; without its record, Start Game takes it again.
    }
    return true;
}

std::string BackupTree::Source() const {
    try {
        return StripCrLf(platform::readTextFile(ProgramDir() + kSource));
    } catch (const forms::RuntimeError&) {
        return "";
    }
}

bool BackupTree::HoldsBackupOf(const std::string& gameDir) const {
    std::string source = Source();
    return !source.empty() && platform::sameFolder(source, gameDir);
}

bool BackupTree::SessionPending() const {
    const std::string marker = ProgramDir() + kMarker;
    return platform::fileExists(marker) || platform::folderExists(marker);
}

BackupTree::Marker BackupTree::ReadMarker() const {
    std::vector<std::string> text = lines(platform::readTextFile(ProgramDir() + kMarker));
    Marker marker;
    if (!text.empty()) {
        marker.folder = text.front();
        marker.created.assign(text.begin() + 1, text.end());
    }
    return marker;
}

void BackupTree::BeginSession(const std::string& gameDir,
                              const std::vector<CopyRow>& exportRows) const {
    Marker marker;
    if (SessionPending()) {
        try {
            marker = ReadMarker();
        } catch (const forms::RuntimeError&) {
        }
    }
    if (marker.folder != gameDir) {
        marker = Marker{gameDir, {}};
    }
    for (const CopyRow& row : exportRows) {
        if (!platform::fileExists(gameDir + row.destination) &&
            !contains(marker.created, row.destination)) {
            marker.created.push_back(row.destination);
        }
    }
    std::string text = marker.folder + "\r\n";
    for (const std::string& created : marker.created) {
        text += created + "\r\n";
    }
    platform::writeTextFile(ProgramDir() + kMarker, text);
}

void BackupTree::EndSession() const {
    try {
        platform::removeFile(ProgramDir() + kMarker);
    } catch (const forms::RuntimeError&) {
        // The next start finds the session again, and End Game, run once
        // more, finds every file already in place.
    }
}

BackupTree::Target BackupTree::RestoreTarget() const {
    using Problem = Target::Problem;
    if (!SessionPending()) {
        std::string source = Source();
        return {IsGameFolder(source) ? Problem::None : Problem::NothingToRestore, source};
    }
    Marker marker;
    try {
        marker = ReadMarker();
    } catch (const forms::RuntimeError&) {
        return {Problem::Unreadable, ""};
    }
    const std::string& folder = marker.folder;
    if (blank(folder)) {
        return {Problem::NotNamed, ""};
    }
    std::string native = platform::nativePath(folder);
    if (native.empty() || native.front() != '/') {
        return {Problem::NotFullPath, folder};
    }
    if (!platform::folderExists(folder)) {
        return {Problem::Missing, folder};
    }
    if (!HoldsBackupOf(folder)) {
        return {Problem::NotBackedUp, folder};
    }
    return {Problem::None, folder};
}

BackupTree::Outcome BackupTree::Restore(const std::string& folder,
                                        const std::vector<CopyRow>& restoreRows) const {
    std::vector<std::string> created;
    if (SessionPending()) {
        try {
            created = ReadMarker().created;
        } catch (const forms::RuntimeError&) {
        }
    }
    auto destinationBase = [&folder] { return folder; };
    auto backedUp = [](const CopyRow& row) {
        return platform::fileExists(ProgramDir() + row.source);
    };
    Outcome outcome;
    for (int phase : {1, 2}) {
        // What the phase has to do: files the export created go, files that
        // differ from their backup get it back, the rest stay untouched.
        std::vector<CopyRow> copies;
        std::vector<std::string> problems;
        for (const CopyRow& row : restoreRows) {
            if (row.phase != phase) {
                continue;
            }
            const std::string destination = folder + row.destination;
            if (!backedUp(row) && contains(created, row.destination)) {
                try {
                    platform::removeFile(destination);
                } catch (const forms::RuntimeError& error) {
                    problems.push_back(destination + ": " + error.Description());
                }
            } else if (!platform::sameContents(ProgramDir() + row.source, destination)) {
                copies.push_back(row);
            }
        }
        if (phase == 1) {
            if (!problems.empty()) {
                outcome.firstPhaseFailed = true;
                outcome.failedFile = problems.front();
                return outcome;
            }
            std::size_t copied = 0;
            try {
                CopyPhase(copies, 1, ProgramDir, destinationBase, &copied);
            } catch (const forms::RuntimeError& error) {
                outcome.firstPhaseFailed = true;
                if (copied < copies.size()) {
                    const CopyRow& row = copies[copied];
                    outcome.failedFile =
                        (backedUp(row) ? folder + row.destination : ProgramDir() + row.source) +
                        ": " + error.Description();
                }
                return outcome;
            }
            continue;
        }
        for (const CopyRow& row :
             CopyPhaseSkippingFailures(copies, 2, ProgramDir, destinationBase)) {
            // A file without a backup has nothing to restore. One with a
            // backup is tried once more, which also tells why it failed.
            if (!backedUp(row)) {
                continue;
            }
            try {
                platform::copyFile(ProgramDir() + row.source, folder + row.destination);
            } catch (const forms::RuntimeError& error) {
                problems.push_back(folder + row.destination + ": " + error.Description());
            }
        }
        outcome.notRestored = problems;
    }
    return outcome;
}

}  // namespace app
