// Start Game, End Game and the diagnostic TEST button of the main window.
#include "app/ConfigFiles.h"
#include "app/Failures.h"
#include "app/Main.h"
#include "forms/Runtime.h"
#include "skirmish/AttributePatch.h"
#include "skirmish/CopySets.h"
#include "skirmish/frmdifficulty.h"

namespace app {

namespace {

// The folder End Game cannot restore into, and why.
std::string unusableTarget(const BackupTree::Target& target) {
    using Problem = BackupTree::Target::Problem;
    const std::string marker = ProgramDir() + BackupTree::kMarker;
    switch (target.problem) {
        case Problem::Unreadable:
            return "the folder named in " + marker + ", because that file cannot be read";
        case Problem::NotNamed:
            return "the folder of the game in progress, because " + marker + " names none";
        case Problem::NotFullPath:
            return "\"" + Printable(target.folder) +
                   "\", because that is not the full path of a folder";
        case Problem::Missing:
            return target.folder + ", because that folder does not exist";
        case Problem::NotBackedUp:
            return target.folder + ", because the backup was not taken from that folder";
        case Problem::CannotTell:
            return target.folder +
                   ", because the backup does not say which folder it was taken from";
        default:
            return target.folder;
    }
}

// What End Game says, after "this folder", when this folder's record of the
// game stays. Called while the removal's error is handled.
std::string sessionKept() {
    return "still counts the game as in progress, as its record " + Printable(ProgramDir()) +
           BackupTree::kMarker + " could not be removed:\r\n\r\n" +
           Printable(DescribeError(std::current_exception())) +
           "\r\n\r\nPress End Game here again once that file can be removed.";
}

}  // namespace

void Main::Start_Click() {
    SetGameRunningState();

    // Save the settings. A record the load step could not read is not
    // written: the buffer holds no settings, only NUL bytes, and the file on
    // disk may still hold good ones.
    try {
        if (recordLoaded[0]) {
            WriteRecord(ProgramDir() + "\\cpatrCFG.dat", cpatrCFG);
        }
        for (int level = 1; level <= kLevelCount; ++level) {
            if (recordLoaded[level]) {
                WriteRecord(ProgramDir() + levelHeaderPath(level), hfile[level - 1]);
            }
        }
    } catch (const std::exception&) {
        forms::MsgBox("An error has occured while trying to save the level restrictions in " +
                          ProgramDir() +
                          "\\levels.  Continuing is possilbe, however is not recommended as your "
                          "settings may not be saved for use in Skirmish Mode.",
                      forms::style::Exclamation, "Error- Saving Level Configuration");
        return;
    }

    // The computer players get the flags just saved, before the export
    // copies their files, so this game already plays by them. Flags the load
    // could not read are no flags: the buffer holds only NUL bytes.
    if (recordLoaded[0]) {
        skirmish::PatchAttributes(*this);
    }

    // A game directory changed in Options since the start has not been
    // backed up yet: it is, before anything is exported into it.
    if (!BackupBeforeExport()) {
        SetStartState();
        return;
    }

    forms::form<skirmish::frmdifficulty>().Show(forms::ShowMode::Modal, this);
}

void Main::EndGame_Click() {
    zekdir.setText(StripCrLf(zekdir.Text()));
    appdir.setText(StripCrLf(appdir.Text()));

    // The files go back into the folder they came from. When that cannot be
    // told, the user may send them to the game directory set in Options
    // (the game may have moved there); otherwise everything stays as it is.
    BackupTree::Target target = backupTree.RestoreTarget();
    if (target.problem == BackupTree::Target::Problem::NothingToRestore) {
        SetStartState();  // nothing was exported, so nothing is to undo
        return;
    }
    switch (target.problem) {
        case BackupTree::Target::Problem::CopiedSession:
        case BackupTree::Target::Problem::CopiedSessionEnded:
        case BackupTree::Target::Problem::CopiedUnknown:
        case BackupTree::Target::Problem::EndedElsewhere:
            EndWithoutRestore(target);
            return;
        default:
            break;
    }
    if (target.problem != BackupTree::Target::Problem::None) {
        std::string prompt = "Zekvarin Skirmish Mode cannot restore your backed up files in " +
                             ProgramDir() + "\\BACKUP to " + unusableTarget(target) + ".";
        if (!IsGameFolder(zekdir.Text())) {
            forms::MsgBox(prompt +
                              "\r\n\r\nChoose the Zekvarin directory under File, Settings, "
                              "then end the game again.",
                          forms::style::Exclamation, "Error- Restore Backup");
            return;
        }
        if (forms::MsgBox(prompt + "\r\n\r\nRestore them to the Zekvarin directory " +
                              zekdir.Text() + " instead?",
                          forms::style::Exclamation | forms::style::YesNo,
                          "Error- Restore Backup") != forms::answer::Yes) {
            return;
        }
        target.folder = zekdir.Text();
    }

    // Another program folder's skirmish exported there since is ended
    // first: its backup holds what this one exported.
    if (!GameFolderFree(target.folder, GameFolderUse::Restore)) {
        return;
    }

    BackupTree::Outcome outcome = backupTree.Restore(target.folder, skirmish::RestoreSet());
    if (outcome.firstPhaseFailed) {
        forms::MsgBox("Zekvarin Skirmish Mode was unable to restore your backed up files in " +
                          ProgramDir() + "\\BACKUP to " + target.folder +
                          ".  You should manualy do this yourself if you want to restore your "
                          "files.\r\n\r\n" +
                          outcome.failedFile,
                      forms::style::Exclamation, "Error- Restore Backup");
        return;
    }
    // The session goes off record only after the last file is back, so
    // that no other program folder takes the folder's files for the game's
    // own before.
    if (outcome.notRestored.empty()) {
        try {
            backupTree.RemoveGameFolderRecord(target.folder);
        } catch (const std::exception&) {
            outcome.notRestored.push_back(DescribeError(std::current_exception()));
        }
    }
    // The game stays in progress until every backed-up file is back, so
    // that the next start cannot back the exported files up over them.
    if (!outcome.notRestored.empty()) {
        std::string files;
        for (const std::string& line : outcome.notRestored) {
            files += "\r\n" + line;
        }
        forms::MsgBox("Zekvarin Skirmish Mode was unable to restore these backed up files from " +
                          ProgramDir() + "\\BACKUP to " + target.folder + ":" + files +
                          "\r\n\r\nThe game stays in progress: press End Game again once "
                          "these files can be written.",
                      forms::style::Exclamation, "Error- Restore Backup");
        return;
    }
    // Every file is back; while this folder's own record of the game stays,
    // so does the game, and End Game finds the files in place next time.
    try {
        backupTree.DropSession();
    } catch (const std::exception&) {
        forms::MsgBox("Zekvarin Skirmish Mode has restored your backed up files in " +
                          Printable(ProgramDir()) + "\\BACKUP to " + Printable(target.folder) +
                          ", but this folder " + sessionKept(),
                      forms::style::Exclamation, "Error- Restore Backup");
        return;
    }
    SetStartState();
}

// End Game that puts nothing back:
// - This program folder is a copy of the one the game was started in (or
//   that folder moved by hand), which still stands at its path, or cannot
//   be looked up: its backup is that folder's, taken before the game, and
//   put back now it could undo what the game saved since. The copy changes
//   nothing and keeps its backup: should that folder be deleted (the second
//   half of a move by hand, say), the copy's End Game restores from it.
// - The game has been ended elsewhere: the skirmish's files are gone from
//   the game folder, and only this folder's own record of the game goes.
void Main::EndWithoutRestore(const BackupTree::Target& target) {
    using Problem = BackupTree::Target::Problem;
    const std::string original = Printable(target.folder);
    const std::string copy = "this folder, " + Printable(ProgramDir()) + ", is a copy of that one";
    switch (target.problem) {
        case Problem::CopiedSession:
            forms::MsgBox(
                "The game in progress was set up by Zekvarin Skirmish Mode in " + original +
                    ", and " + copy +
                    ": only there can End Game restore the game's files, so nothing was restored "
                    "from here.  This folder keeps its backup and still counts the game as in "
                    "progress, until the game has been ended there.\r\n\r\nTo end the game, "
                    "start Zekvarin Skirmish Mode in " +
                    original + " and press End Game there, then press End Game here again.",
                forms::style::Information, "End Game");
            return;
        case Problem::CopiedUnknown:
            forms::MsgBox(
                "The game in progress was set up by Zekvarin Skirmish Mode in " + original +
                    ", and " + copy + ", but that folder cannot be looked up:\r\n\r\n" +
                    Printable(target.why) +
                    "\r\n\r\nSo nothing was restored from here: this folder keeps its backup "
                    "and still counts the game as in progress.  Make sure that folder can be "
                    "looked up, then end the game there if it is still there, or press End Game "
                    "here again.",
                forms::style::Exclamation, "Error- Restore Backup");
            return;
        default:
            break;
    }
    std::string outcome = "This folder no longer counts the game as in progress.";
    try {
        backupTree.DropSession();
    } catch (const std::exception&) {
        outcome = "This folder " + sessionKept();
    }
    if (target.problem == Problem::EndedElsewhere) {
        forms::MsgBox(
            "The skirmish set up by Zekvarin Skirmish Mode is no longer in the Zekvarin "
            "directory " +
                original +
                ": no file it copied there still holds what it copied, so the game "
                "has been ended and the game's files put back already.  Nothing was "
                "restored from " +
                Printable(ProgramDir()) + "\\BACKUP, so that the game's later saves stay.  " +
                outcome,
            forms::style::Information, "End Game");
    } else {
        forms::MsgBox("The game was set up by Zekvarin Skirmish Mode in " + original + ", and " +
                          copy +
                          ".  The game has since been ended there and the game's files put back, "
                          "so nothing was restored from here: that could undo what the game has "
                          "saved since.  " +
                          outcome,
                      forms::style::Information, "End Game");
    }
    if (!backupTree.SessionPending()) {
        SetStartState();
    }
}

// End Game runs when the window's life is ended from outside, but only while
// an exported game waits to be ended: otherwise there is nothing to restore.
void Main::Form_Terminate() {
    if (backupTree.SessionPending()) {
        EndGame_Click();
    }
}

void Main::test_Click() {
    forms::MsgBox(zekdir.Text() + "\\levels\\levl2001.dat");
}

}  // namespace app
