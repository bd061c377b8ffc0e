#include "app/GameFolderRecord.h"

#include <optional>

#include "app/BackupTree.h"
#include "app/ConfigFiles.h"
#include "app/Failures.h"
#include "app/RecordText.h"
#include "platform/FileContents.h"
#include "platform/FileOperation.h"
#include "platform/Folders.h"

namespace app {

GameFolderRecord::Holder GameFolderRecord::Read(const std::string& gameDir) {
    using Kind = Holder::Kind;
    const std::string path = gameDir + kName;
    std::string text;
    try {
        platform::FileOperation operation;
        // Only the program names its record, so it is looked up as written.
        const platform::FileOperation::Kind kind = operation.entry(path, true).kind;
        if (kind == platform::FileOperation::Kind::Missing) {
            return {};
        }
        text = platform::readTextFile(path);
    } catch (const std::exception&) {
        return {Kind::Unreadable, "", DescribeError(std::current_exception()), false};
    }
    const FolderRecord record = ParseFolderRecord(text);
    Holder holder{Kind::Stale, record.folder, "", false};
    if (holder.programFolder.empty()) {
        return holder;  // it names no program folder
    }
    // This program folder, under its path or moved elsewhere on its disk.
    const bool ours =
        record.folder == ProgramDir() ||
        (record.identity && record.identity == platform::folderIdentity(ProgramDir()));
    holder.namesThisProgram = ours;
    const BackupTree tree = ours ? BackupTree() : BackupTree(holder.programFolder);
    if (tree.SessionMayBeIn(gameDir)) {
        holder.kind = ours ? Kind::Ours : Kind::Other;
    }
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
