// Main's backup of the game folder, at the start and before every game, and
// the check that no other program folder's skirmish is exported there.
#include "app/ConfigFiles.h"
#include "app/GameFolderRecord.h"
#include "app/Main.h"
#include "app/frmfirstload.h"
#include "forms/Runtime.h"

namespace app {

namespace {

std::string backupFailureText(const std::string& gameDir) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " +
           Printable(gameDir) +
           ".  If the problem persists, try running the Zekvarin Restore file.";
}

// A backup that failed in the program's own folder: choosing the game
// folder again cannot mend it, so the message names the folder at fault.
std::string ownFolderFailureText(const std::string& gameDir, const BackupTree::Failure& failure) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " +
           Printable(gameDir) + ", because it cannot write in its own folder " +
           Printable(failure.place.folder) + ":\r\n\r\n" + Printable(failure.what) +
           "\r\n\r\nMake sure that folder exists and can be written (it may be read-only, or "
           "its disk full).";
}

const char* const kWillClose = "\r\n\r\nZekvarin Skirmish Mode will now close.";

// What the user was about to do with the game folder, and how each message
// begins.
std::string refusedUse(Main::GameFolderUse use, const std::string& gameDir) {
    switch (use) {
        case Main::GameFolderUse::Backup:
            return "Zekvarin Skirmish Mode cannot back up the files in the directory " + gameDir;
        case Main::GameFolderUse::Export:
            return "Zekvarin Skirmish Mode cannot copy the settings files into the directory " +
                   gameDir;
        case Main::GameFolderUse::Restore:
            break;
    }
    return "Zekvarin Skirmish Mode cannot restore your backed up files in " +
           Printable(ProgramDir()) + "\\BACKUP to " + gameDir;
}

std::string programFolderOf(const GameFolderRecord::Holder& holder) {
    return holder.programFolder.empty() ? "an unknown folder" : Printable(holder.programFolder);
}

// Why the game folder is refused over a record that is there: whose
// skirmish it names, or what is wrong with it; each names the record file.
std::string refusal(const GameFolderRecord::Holder& holder) {
    using Trouble = GameFolderRecord::Holder::Trouble;
    const std::string file = Printable(holder.file);
    if (holder.kind == GameFolderRecord::Holder::Kind::Other) {
        if (holder.movedAway) {
            return ": its record " + file +
                   " says that a skirmish set up by Zekvarin Skirmish Mode in the folder that "
                   "was at " +
                   programFolderOf(holder) +
                   " is in progress there, and that folder has since been moved or replaced, so "
                   "the files there may not be the game's own.\r\n\r\nStart Zekvarin Skirmish "
                   "Mode in that folder, wherever it is now, and press End Game there first.  If "
                   "that folder no longer exists, delete " +
                   file + ", then try again.";
        }
        return ": a skirmish set up by Zekvarin Skirmish Mode in " + programFolderOf(holder) +
               " is in progress there, as its record " + file +
               " says, so the files there are not the game's own.\r\n\r\nStart Zekvarin "
               "Skirmish Mode in " +
               programFolderOf(holder) + " and press End Game there first.";
    }
    switch (holder.trouble) {
        case Trouble::NotAFile:
            return ": " + file +
                   " is not a file, where Zekvarin Skirmish Mode keeps the record of a skirmish "
                   "in progress there, so it cannot tell whether the files there are the game's "
                   "own:\r\n\r\n" +
                   Printable(holder.why) +
                   "\r\n\r\nMove or rename it out of the Zekvarin directory, then try again.";
        case Trouble::AccessDenied:
        case Trouble::ReadError:
            break;
    }
    return ": the record of a skirmish in progress there, " + file +
           ", cannot be read, so the files there may not be the game's own:\r\n\r\n" +
           Printable(holder.why) +
           (holder.trouble == Trouble::AccessDenied
                ? "\r\n\r\nAllow Zekvarin Skirmish Mode to read that file, then try again."
                : "\r\n\r\nMake sure that file can be read (its disk may be failing), then "
                  "try again.");
}

}  // namespace

bool Main::GameFolderFree(const std::string& gameDir, GameFolderUse use) {
    using Kind = GameFolderRecord::Holder::Kind;
    const GameFolderRecord::Holder holder = GameFolderRecord::Read(gameDir);
    const std::string shownDir = Printable(gameDir);
    // End Game puts back this program's own backup wherever the user sends
    // it, and takes its record along.
    if (use == GameFolderUse::Restore && holder.namesThisProgram) {
        return true;
    }
    switch (holder.kind) {
        case Kind::None:
        case Kind::Ours:
            return true;
        case Kind::Stale: {
            std::string removal = "The record has been removed.";
            try {
                GameFolderRecord::Remove(gameDir);
            } catch (const std::exception&) {
                removal = "The record " + Printable(holder.file) +
                          " could not be removed:\r\n\r\n" +
                          Printable(DescribeError(std::current_exception()));
            }
            forms::MsgBox("The Zekvarin directory " + shownDir +
                              " held a record that a skirmish set up by Zekvarin Skirmish Mode "
                              "in " +
                              programFolderOf(holder) +
                              " is in progress there, but no game of that folder is in progress "
                              "there any more.  " +
                              removal,
                          forms::style::Information);
            return true;
        }
        case Kind::Other:
        case Kind::Unreadable:
            break;
    }
    forms::MsgBox(refusedUse(use, shownDir) + refusal(holder), forms::style::Exclamation,
                  use == GameFolderUse::Restore ? "Error- Restore Backup" : "Error- File Backup");
    return false;
}

Main::BackupResult Main::backupGameFolder(BackupTree::Failure& failure) {
    const std::string gameDir = zekdir.Text();
    if (!GameFolderFree(gameDir, GameFolderUse::Backup)) {
        return BackupResult::Refused;
    }
    failure = backupTree.Backup(gameDir);
    if (!failure.empty()) {
        return BackupResult::Failed;
    }
    // Another program folder that exported into the game folder while the
    // copies ran has put its files among them.
    if (!GameFolderFree(gameDir, GameFolderUse::Backup)) {
        backupTree.Forget();
        return BackupResult::Refused;
    }
    return BackupResult::Done;
}

// At the start: a backup that fails in the game folder sends the user to
// choose the folder again; one that fails in the program's own folder, or
// for no file's sake, ends the program as the critical message says.
bool Main::backupAtStart() {
    BackupTree::Failure failure;
    if (backupGameFolder(failure) != BackupResult::Failed) {
        return true;
    }
    const std::string gameDir = zekdir.Text();
    switch (failure.place.where) {
        case FailurePlace::Where::GameFolder:
            // Whatever stopped the backup (a folder that moved or is not
            // the game, a missing or unreadable file), the user chooses the
            // folder again rather than meeting this message at every start.
            forms::MsgBox(backupFailureText(gameDir) + "\r\n\r\n" + Printable(failure.what) +
                              "\r\n\r\nPlease choose the Zekvarin directory again.",
                          forms::style::Critical, "Critical Error- File Backup");
            Unload();
            forms::form<frmfirstload>().Show();
            return false;
        case FailurePlace::Where::OwnFolder:
            forms::MsgBox(ownFolderFailureText(gameDir, failure) + kWillClose,
                          forms::style::Critical, "Critical Error- File Backup");
            break;
        case FailurePlace::Where::Unknown:
            forms::MsgBox(
                backupFailureText(gameDir) + "\r\n\r\n" + Printable(failure.what) + kWillClose,
                forms::style::Critical, "Critical Error- File Backup");
            break;
    }
    forms::End(forms::kExitOnError);
}

bool Main::BackupBeforeExport() {
    // A fresh backup before every export, so that End Game puts back the
    // folder exactly as it was just before this game, not as it was when
    // the program started. Within a session the tree already holds it.
    if (backupTree.SessionPending()) {
        return true;
    }
    BackupTree::Failure failure;
    switch (backupGameFolder(failure)) {
        case BackupResult::Done:
            return true;
        case BackupResult::Refused:
            return false;
        case BackupResult::Failed:
            break;
    }
    forms::MsgBox(failure.place.where == FailurePlace::Where::OwnFolder
                      ? ownFolderFailureText(zekdir.Text(), failure)
                      : backupFailureText(zekdir.Text()) + "\r\n\r\n" + Printable(failure.what),
                  forms::style::Exclamation, "Error- File Backup");
    return false;
}

}  // namespace app
