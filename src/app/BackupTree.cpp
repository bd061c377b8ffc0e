#include "app/BackupTree.h"

#include <algorithm>
#include <charconv>

#include "app/ConfigFiles.h"
#include "forms/Error.h"
#include "platform/CopySet.h"
#include "platform/FileContents.h"
#include "platform/FileError.h"
#include "platform/FileOperation.h"
#include "platform/Folders.h"
#include "platform/PathNotation.h"

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

// "device inode", as backup.source keeps a folder's identity.
std::string identityText(const platform::FolderIdentity& identity) {
    return std::to_string(identity.device) + " " + std::to_string(identity.inode);
}

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

std::string BackupTree::Backup(const std::string& gameDir) const {
    platform::FileOperation operation;
    // Until every copy is made, the tree is the backup of no folder.
    try {
        platform::removeFile(ProgramDir() + kSource);
    } catch (const forms::RuntimeError& error) {
        return platform::describe(error);
    }
    Sweep(operation, gameDir);
    // The identity is taken before the copies: should the folder be
    // replaced meanwhile, the record names the one the copies began in,
    // and End Game will not take the other for it.
    const std::optional<platform::FolderIdentity> identity = platform::folderIdentity(gameDir);
    std::string failure = BackupGameFiles(operation, [&gameDir] { return gameDir; });
    if (!failure.empty()) {
        return failure;
    }
    try {
        platform::writeTextFile(
            ProgramDir() + kSource,
            gameDir + "\r\n" + (identity ? identityText(*identity) : "") + "\r\n");
    } catch (const forms::RuntimeError&) {
        // The backup is made; without its record End Game cannot tell where
        // it came from, and asks.
    }
    return "";
}

std::optional<BackupTree::Source> BackupTree::ReadSource() const {
    std::vector<std::string> text;
    try {
        text = lines(platform::readTextFile(ProgramDir() + kSource));
    } catch (const forms::RuntimeError&) {
        return std::nullopt;
    }
    if (text.empty() || text.front().empty()) {
        return std::nullopt;
    }
    return Source{text.front(), text.size() > 1 ? parseIdentity(text[1]) : std::nullopt};
}

BackupTree::Session BackupTree::State(std::string* why) const {
    try {
        platform::FileOperation operation;
        return operation.entry(ProgramDir() + kMarker, true).kind ==
                       platform::FileOperation::Kind::Missing
                   ? Session::None
                   : Session::Pending;
    } catch (const forms::RuntimeError& error) {
        if (why != nullptr) {
            *why = platform::describe(error);
        }
        return Session::Unknown;
    }
}

BackupTree::Marker BackupTree::ReadMarker() const {
    std::vector<std::string> text = lines(platform::readTextFile(ProgramDir() + kMarker));
    Marker marker;
    if (!text.empty()) {
        marker.folder = text.front();
        for (auto line = text.begin() + 1; line != text.end(); ++line) {
            const std::size_t tab = line->find('\t');
            marker.created.push_back(tab == std::string::npos
                                         ? Created{*line, ""}
                                         : Created{line->substr(0, tab), line->substr(tab + 1)});
        }
    }
    return marker;
}

void BackupTree::BeginSession(platform::FileOperation& operation, const std::string& gameDir,
                              const std::vector<CopyRow>& exportRows) const {
    using Kind = platform::FileOperation::Kind;
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
        const bool known = std::any_of(
            marker.created.begin(), marker.created.end(),
            [&row](const Created& created) { return created.destination == row.destination; });
        if (known) {
            continue;
        }
        // Only what is not there at all is the export's to create; what is
        // there (a file, a folder, a pipe) is the user's.
        const platform::FileOperation::Entry entry = operation.entry(gameDir + row.destination);
        if (entry.kind == Kind::Missing) {
            marker.created.push_back({row.destination, ""});
        } else if (entry.kind == Kind::DanglingLink) {
            marker.created.push_back({row.destination, entry.target});
        }
    }
    std::string text = marker.folder + "\r\n";
    for (const Created& created : marker.created) {
        text +=
            created.destination + (created.target.empty() ? "" : "\t" + created.target) + "\r\n";
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

void BackupTree::Sweep(platform::FileOperation& operation, const std::string& gameDir) const {
    std::vector<std::string> folders = BackupFolders();
    if (!gameDir.empty()) {
        std::vector<std::string> game = GameFolders(gameDir);
        folders.insert(folders.end(), game.begin(), game.end());
    }
    folders.push_back(ProgramDir() + "\\BACKUP");
    folders.push_back(ProgramDir() + "\\CFG");
    for (const std::string& folder : folders) {
        operation.sweep(folder);
    }
}

void BackupTree::SweepTemporaries(const std::string& gameDir) const {
    platform::FileOperation operation;
    Sweep(operation, gameDir);
}

BackupTree::Target BackupTree::RestoreTarget() const {
    using Problem = Target::Problem;
    switch (State()) {
        case Session::None:
            // Nothing of the program's is in the game's folder: putting the
            // backup back could only undo what the user did since.
            return {Problem::NothingToRestore, ""};
        case Session::Unknown:
            return {Problem::Unreadable, ""};
        case Session::Pending:
            break;
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
    const std::optional<Source> source = ReadSource();
    if (!source || !source->identity) {
        return {Problem::CannotTell, folder};
    }
    if (platform::folderIdentity(folder) != source->identity) {
        return {Problem::NotBackedUp, folder};
    }
    return {Problem::None, folder};
}

BackupTree::Outcome BackupTree::Restore(const std::string& folder,
                                        const std::vector<CopyRow>& restoreRows) const {
    std::vector<Created> created;
    if (SessionPending()) {
        try {
            created = ReadMarker().created;
        } catch (const forms::RuntimeError&) {
        }
    }
    // One operation for the whole restore: its checks, removals and copies
    // look each folder up once.
    platform::FileOperation operation;
    Sweep(operation, folder);
    platform::CopySet set(operation);
    auto destinationBase = [&folder] { return folder; };
    auto backedUp = [&operation](const CopyRow& row) {
        return operation.fileExists(ProgramDir() + row.source);
    };
    auto createdAt = [&created](const CopyRow& row) {
        return std::find_if(created.begin(), created.end(), [&row](const Created& entry) {
            return entry.destination == row.destination;
        });
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
            auto madeByExport = createdAt(row);
            if (madeByExport != created.end() && !backedUp(row)) {
                try {
                    // Through a link, the export created the link's target;
                    // the link itself was there before and stays.
                    if (madeByExport->target.empty()) {
                        operation.removeRegularFile(destination);
                    } else {
                        operation.removeRegularFile(madeByExport->target, true);
                    }
                } catch (const forms::RuntimeError& error) {
                    problems.push_back(platform::describe(error));
                }
            } else {
                copies.push_back(row);
            }
        }
        if (phase == 1) {
            if (!problems.empty()) {
                outcome.firstPhaseFailed = true;
                outcome.failedFile = problems.front();
                return outcome;
            }
            try {
                CopyPhase(copies, 1, ProgramDir, destinationBase, nullptr, &set, IfSame::Skip);
            } catch (const forms::RuntimeError& error) {
                outcome.firstPhaseFailed = true;
                outcome.failedFile = platform::describe(error);
                return outcome;
            }
            continue;
        }
        for (const CopyRow& row : CopyPhaseSkippingFailures(copies, 2, ProgramDir, destinationBase,
                                                            &set, IfSame::Skip)) {
            // A file without a backup has nothing to restore. One with a
            // backup is tried once more, which also tells why it failed.
            if (!backedUp(row)) {
                continue;
            }
            try {
                platform::CopySet retry(operation);
                retry.add(ProgramDir() + row.source, folder + row.destination,
                          platform::CopySet::IfSourceMissing::Fail, IfSame::Skip);
                retry.commit(platform::CopySet::OnFailure::Stop);
            } catch (const forms::RuntimeError& error) {
                problems.push_back(platform::describe(error));
            }
        }
        outcome.notRestored = problems;
    }
    return outcome;
}

}  // namespace app
