#include "app/BackupTree.h"

#include <algorithm>

#include "app/ConfigFiles.h"
#include "app/ExportRecord.h"
#include "app/GameFolderRecord.h"
#include "app/RecordText.h"
#include "forms/Error.h"
#include "platform/CopySet.h"
#include "platform/FileContents.h"
#include "platform/FileError.h"
#include "platform/FileOperation.h"
#include "platform/Folders.h"
#include "platform/PathNotation.h"

namespace app {

BackupTree::Failure BackupTree::Backup(const std::string& gameDir) const {
    try {
        platform::FileOperation operation;
        // Until every copy is made, the tree is the backup of no folder.
        platform::removeFile(programFolder() + kSource);
        Sweep(operation, gameDir);
        // The identity is taken before the copies: should the folder be
        // replaced meanwhile, the record names the one the copies began in,
        // and End Game will not take the other for it.
        const FolderRecord source{gameDir, platform::folderIdentity(gameDir)};
        BackupGameFiles(operation, [&gameDir] { return gameDir; });
        try {
            platform::writeTextFile(programFolder() + kSource, FolderRecordText(source));
        } catch (const std::exception&) {
            // The backup is made; without its record End Game cannot tell
            // where it came from, and asks.
        }
    } catch (const std::exception&) {
        const std::exception_ptr error = std::current_exception();
        return {DescribeError(error), PlaceOfFailure(error, gameDir)};
    }
    return {};
}

void BackupTree::Forget() const {
    try {
        platform::removeFile(programFolder() + kSource);
    } catch (const std::exception&) {
        // A record left names a folder whose files End Game then checks
        // against the backup one by one.
    }
}

std::string BackupTree::programFolder() const {
    return programFolder_.empty() ? ProgramDir() : programFolder_;
}

std::optional<FolderRecord> BackupTree::ReadSource() const {
    FolderRecord source;
    try {
        source = ParseFolderRecord(platform::readTextFile(programFolder() + kSource));
    } catch (const forms::RuntimeError&) {
        return std::nullopt;
    }
    if (source.folder.empty()) {
        return std::nullopt;
    }
    return source;
}

BackupTree::Session BackupTree::State(std::string* why) const {
    try {
        platform::FileOperation operation;
        return operation.entry(programFolder() + kMarker, true).kind ==
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

namespace {

const std::string kProgramLine = "program\t";

}  // namespace

BackupTree::Marker BackupTree::ReadMarker() const {
    Marker marker;
    marker.text = platform::readTextFile(programFolder() + kMarker);
    std::vector<std::string> text = Lines(marker.text);
    if (!text.empty()) {
        marker.folder = text.front();
        for (auto line = text.begin() + 1; line != text.end(); ++line) {
            if (line->starts_with(kProgramLine)) {
                if (std::optional<std::string> record =
                        UnescapedLine(line->substr(kProgramLine.size()))) {
                    marker.program = ParseFolderRecord(*record);
                }
                continue;
            }
            const std::size_t tab = line->find('\t');
            marker.created.push_back(tab == std::string::npos
                                         ? Created{*line, ""}
                                         : Created{line->substr(0, tab), line->substr(tab + 1)});
        }
    }
    return marker;
}

std::optional<ExportRecord> BackupTree::ReadExportRecord(const Marker& marker) const {
    try {
        return ExportRecord::Parse(platform::readTextFile(programFolder() + ExportRecord::kName),
                                   marker.text);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void BackupTree::BeginSession(platform::FileOperation& operation, const std::string& gameDir,
                              const std::vector<CopyRow>& exportRows) const {
    using Kind = platform::FileOperation::Kind;
    Marker marker;
    // The files of the session's earlier exports, where all are on record:
    // a record that lacked some could take the skirmish for gone while
    // they are still there.
    std::optional<ExportRecord> exported;
    if (SessionPending()) {
        try {
            marker = ReadMarker();
            // A session of another game folder starts again here.
            exported = marker.folder == gameDir ? ReadExportRecord(marker) : ExportRecord{};
        } catch (const forms::RuntimeError&) {
        }
    } else {
        exported = ExportRecord{};
    }
    if (marker.folder != gameDir) {
        marker = Marker{"", gameDir, {}, {}};
    }
    if (exported) {
        try {
            exported->Add(operation, programFolder(), exportRows);
        } catch (const std::exception&) {
            // The export meets the file on its own terms; a session whose
            // files are not all on record is judged without them.
            exported.reset();
        }
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
    // The session is this program folder's, whoever started it before.
    std::string text = marker.folder + "\r\n" + kProgramLine +
                       EscapedLine(FolderRecordText(
                           {programFolder(), platform::folderIdentity(programFolder())})) +
                       "\r\n";
    for (const Created& created : marker.created) {
        text +=
            created.destination + (created.target.empty() ? "" : "\t" + created.target) + "\r\n";
    }
    // The record of the export's files goes first: one left by an earlier
    // session with the same marker text must not pass for this one's should
    // the program be killed before its own is written.
    platform::removeFile(programFolder() + ExportRecord::kName);
    platform::writeTextFile(programFolder() + kMarker, text);
    if (exported) {
        platform::writeTextFile(operation, programFolder() + ExportRecord::kName,
                                exported->Text(text));
    }
    GameFolderRecord::Write(operation, gameDir);
}

void BackupTree::EndSession(const std::string& gameDir) const {
    RemoveGameFolderRecord(gameDir);
    DropSession();
}

void BackupTree::RemoveGameFolderRecord(const std::string& gameDir) const {
    GameFolderRecord::Remove(gameDir);
}

void BackupTree::DropSession() const {
    platform::removeFile(programFolder() + kMarker);
    try {
        platform::removeFile(programFolder() + ExportRecord::kName);
    } catch (const std::exception&) {
        // It was written with the marker just removed, and no other marker
        // takes it for its own.
    }
}

bool BackupTree::IsCopy(const Marker& marker) const {
    return marker.program && Compare(marker.program->identity,
                                     platform::folderIdentity(programFolder())) == Sameness::Other;
}

bool BackupTree::CopiedFrom(const std::optional<FolderRecord>& program) const {
    // Only a folder known for certain to be the one the session began in
    // makes this one a copy: a session wrongly dropped would let the next
    // backup take the exported files for the game's own.
    return program && !program->folder.empty() && program->folder != programFolder() &&
           Compare(program->identity, platform::folderIdentity(programFolder())) !=
               Sameness::Same &&
           Compare(program->identity, platform::folderIdentity(program->folder)) == Sameness::Same;
}

bool BackupTree::SessionStartedIn(const FolderRecord& program) const {
    if (State() != Session::Pending) {
        return false;
    }
    Marker marker;
    try {
        marker = ReadMarker();
    } catch (const std::exception&) {
        return false;
    }
    return marker.program && marker.program->folder == program.folder &&
           Compare(marker.program->identity, program.identity) == Sameness::Same &&
           !CopiedFrom(marker.program);
}

void BackupTree::Sweep(platform::FileOperation& operation, const std::string& gameDir) const {
    std::vector<std::string> folders = BackupFolders();
    if (!gameDir.empty()) {
        std::vector<std::string> game = GameFolders(gameDir);
        folders.insert(folders.end(), game.begin(), game.end());
    }
    folders.push_back(ProgramDir() + "\\BACKUP");
    folders.push_back(ProgramDir() + "\\CFG");
    // Leftovers are only clutter: a folder that cannot be swept fails the
    // copies into it on their own terms.
    auto sweep = [&operation](const std::string& folder, const std::string& only) {
        try {
            operation.sweep(folder, only);
        } catch (const std::exception&) {
        }
    };
    for (const std::string& folder : folders) {
        sweep(folder, {});
    }
    // In the game folder itself only the record of the session is the
    // program's: a write of it that was killed leaves its temporary there.
    if (!gameDir.empty()) {
        sweep(gameDir, GameFolderRecord::kFileName);
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
            return {Problem::NothingToRestore, "", ""};
        case Session::Unknown:
            return {Problem::Unreadable, "", ""};
        case Session::Pending:
            break;
    }
    Marker marker;
    try {
        marker = ReadMarker();
    } catch (const forms::RuntimeError&) {
        return {Problem::Unreadable, "", ""};
    }
    const Target target = FolderTarget(marker.folder);
    if (target.problem == Problem::None) {
        if (std::optional<Target> judged = JudgedByGameFolder(marker, target)) {
            return *judged;
        }
    }
    if (CopiedFrom(marker.program)) {
        // That folder's session, unread or naming this game folder or one
        // that cannot be told from it, may be this game still.
        const bool inProgress = BackupTree(marker.program->folder).SessionMayBeIn(marker.folder);
        return {inProgress ? Problem::CopiedSession : Problem::CopiedSessionEnded,
                marker.program->folder, ""};
    }
    return target;
}

BackupTree::Target BackupTree::FolderTarget(const std::string& folder) const {
    using Problem = Target::Problem;
    if (Blank(folder)) {
        return {Problem::NotNamed, "", ""};
    }
    std::string native = platform::nativePath(folder);
    if (native.empty() || native.front() != '/') {
        return {Problem::NotFullPath, folder, ""};
    }
    if (!platform::folderExists(folder)) {
        return {Problem::Missing, folder, ""};
    }
    const std::optional<FolderRecord> source = ReadSource();
    switch (Compare(source ? source->identity : std::nullopt, platform::folderIdentity(folder))) {
        case Sameness::Same:
            return {Problem::None, folder, ""};
        case Sameness::Other:
            return {Problem::NotBackedUp, folder, ""};
        case Sameness::CannotTell:
            break;
    }
    return {Problem::CannotTell, folder, ""};
}

std::optional<BackupTree::Target> BackupTree::JudgedByGameFolder(const Marker& marker,
                                                                 const Target& target) const {
    using Problem = Target::Problem;
    using Kind = GameFolderRecord::Holder::Kind;
    const GameFolderRecord::Holder holder = GameFolderRecord::Read(marker.folder);
    const bool namesStart = holder.kind != Kind::None && holder.kind != Kind::Unreadable &&
                            marker.program && holder.programFolder == marker.program->folder &&
                            Compare(holder.identity, marker.program->identity) != Sameness::Other;
    if (namesStart && IsCopy(marker)) {
        // Only once nothing stands at that folder's path, for certain, is
        // this folder's backup the one to put back.
        try {
            const std::optional<platform::FolderIdentity> there =
                platform::lookUpFolder(marker.program->folder);
            if (there && Compare(marker.program->identity, there) != Sameness::Other) {
                return Target{Problem::CopiedSession, marker.program->folder, ""};
            }
        } catch (const forms::RuntimeError& error) {
            return Target{Problem::CopiedUnknown, marker.program->folder,
                          platform::describe(error)};
        }
        return target;
    }
    if (holder.kind != Kind::None && holder.kind != Kind::Stale) {
        return target;
    }
    const std::optional<ExportRecord> exported = ReadExportRecord(marker);
    if (!exported) {
        return std::nullopt;
    }
    if (!exported->StillIn(marker.folder, programFolder())) {
        return Target{Problem::EndedElsewhere, marker.folder, ""};
    }
    return target;
}

bool BackupTree::SessionMayBeIn(const std::string& gameDir) const {
    switch (State()) {
        case Session::None:
            return false;
        case Session::Unknown:
            return true;
        case Session::Pending:
            break;
    }
    Marker marker;
    try {
        marker = ReadMarker();
    } catch (const std::exception&) {
        return true;
    }
    return Blank(marker.folder) || Compare(platform::folderIdentity(marker.folder),
                                           platform::folderIdentity(gameDir)) != Sameness::Other;
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
