#include "app/GameFolderRecord.h"

#include <optional>

#include "app/BackupTree.h"
#include "app/ConfigFiles.h"
#include "app/Failures.h"
#include "app/RecordText.h"
#include "forms/Error.h"
#include "platform/FileContents.h"
#include "platform/FileOperation.h"
#include "platform/Folders.h"
#include "platform/PathNotation.h"

namespace app {

namespace {

using Holder = GameFolderRecord::Holder;

// What a record names, once read: this program folder, another that may
// have a session in the game folder, or one that has none there.
void judge(Holder& holder, const FolderRecord& record, const std::string& gameDir) {
    using Kind = Holder::Kind;
    holder.kind = Kind::Stale;
    // A path that can name no folder (empty, not a full path, a name over
    // the system's limit) is no program folder's, whatever is written.
    if (platform::pathFault(record.folder) != platform::PathFault::None) {
        return;
    }
    // The identity decides whether the record is this program folder's,
    // under its path or moved elsewhere: a new install at a moved one's old
    // path is not the moved one. The path decides only where the identity
    // cannot (none recorded, or the disk attached again).
    // A folder moved to another disk has another identity: its session,
    // started in the folder the record names, tells that it is that one.
    const Sameness mine = Compare(record.identity, platform::folderIdentity(ProgramDir()));
    holder.namesThisProgram = mine == Sameness::Same ||
                              (mine == Sameness::CannotTell && record.folder == ProgramDir()) ||
                              (mine == Sameness::Other && BackupTree().SessionStartedIn(record));
    if (!holder.namesThisProgram && record.identity &&
        Compare(record.identity, platform::folderIdentity(record.folder)) == Sameness::Other) {
        // Another folder stands where the record's was: that one may have
        // its session in the game folder wherever it is now.
        holder.kind = Kind::Other;
        holder.movedAway = true;
        return;
    }
    const BackupTree tree =
        holder.namesThisProgram ? BackupTree() : BackupTree(holder.programFolder);
    if (tree.SessionMayBeIn(gameDir)) {
        holder.kind = holder.namesThisProgram ? Kind::Ours : Kind::Other;
    }
}

}  // namespace

GameFolderRecord::Holder GameFolderRecord::Read(const std::string& gameDir) {
    using Kind = Holder::Kind;
    using Trouble = Holder::Trouble;
    const std::string path = gameDir + kName;
    // No record can lie where no file can be looked up; the game's files,
    // whose paths are longer still, fail the backup on their own terms.
    const platform::PathFault fault = platform::pathFault(path);
    if (fault == platform::PathFault::NameTooLong || fault == platform::PathFault::PathTooLong) {
        return {};
    }
    Holder holder;
    std::string text;
    try {
        platform::FileOperation operation;
        // The game folder is found as its other files are, whatever the
        // case its path is typed in; the record's own name is the
        // program's, so it is looked up as written, without listing the
        // game folder.
        holder.file = operation.nativePath(gameDir + "\\") + kFileName;
        using EntryKind = platform::FileOperation::Kind;
        const EntryKind kind = operation.entry(holder.file, true).kind;
        if (kind == EntryKind::Missing) {
            return {};
        }
        if (kind != EntryKind::File) {
            holder.kind = Kind::Unreadable;
            holder.trouble = Trouble::NotAFile;
            holder.why =
                holder.file + (kind == EntryKind::Folder ? ": a folder" : ": not a regular file");
            return holder;
        }
        text = platform::readTextFile(holder.file);
    } catch (const std::exception& error) {
        holder.kind = Kind::Unreadable;
        holder.why = DescribeError(std::current_exception());
        const auto* runtime = dynamic_cast<const forms::RuntimeError*>(&error);
        if (runtime != nullptr && runtime->Number() == forms::err::PermissionDenied) {
            holder.trouble = Trouble::AccessDenied;
        }
        return holder;
    }
    const FolderRecord record = ParseFolderRecord(text);
    holder.programFolder = record.folder;
    holder.identity = record.identity;
    judge(holder, record, gameDir);
    return holder;
}

void GameFolderRecord::Write(platform::FileOperation& operation, const std::string& gameDir) {
    platform::writeTextFile(
        operation, gameDir + kName,
        FolderRecordText({ProgramDir(), platform::folderIdentity(ProgramDir())}));
}

void GameFolderRecord::Remove(const std::string& gameDir) {
    platform::removeFile(gameDir + kName);
}

}  // namespace app
