// Start Game, End Game and the diagnostic TEST button of the main window.
#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "forms/Runtime.h"
#include "platform/Files.h"
#include "skirmish/AttributePatch.h"
#include "skirmish/CopySets.h"
#include "skirmish/Session.h"
#include "skirmish/frmdifficulty.h"

namespace app {

void Main::Start_Click() {
    skirmish::SetGameRunningState(*this);

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
    } catch (const forms::RuntimeError&) {
        forms::MsgBox("An error has occured while trying to save the level restrictions in " +
                          ProgramDir() +
                          "\\levels.  Continuing is possilbe, however is not recommended as your "
                          "settings may not be saved for use in Skirmish Mode.",
                      forms::style::Exclamation, "Error- Saving Level Configuration");
        return;
    }

    // The computer players get the flags just saved, before the export
    // copies their files, so this game already plays by them.
    skirmish::PatchAttributes(*this);

    // A game directory changed in Options since the start has not been
    // backed up yet: it is, before anything is exported into it.
    if (zekdir.Text() != backedUpFrom) {
        BackupGameFilesOrEnd();
        backedUpFrom = zekdir.Text();
    }

    forms::form<skirmish::frmdifficulty>().Show(forms::ShowMode::Modal, this);
}

void Main::EndGame_Click() {
    zekdir.setText(StripCrLf(zekdir.Text()));
    appdir.setText(StripCrLf(appdir.Text()));
    // The files go back into the folder they came from: the one exported
    // to, or else the one backed up, even when the game directory was
    // changed in Options meanwhile.
    const std::string restoreTo = skirmish::SessionPending()
                                      ? skirmish::SessionGameDir()
                                      : (backedUpFrom.empty() ? zekdir.Text() : backedUpFrom);
    auto gameDir = [&restoreTo] { return restoreTo; };
    std::vector<CopyRow> rows = skirmish::RestoreSet();
    try {
        if (gameDir().empty()) {
            throw forms::RuntimeError(forms::err::PathNotFound, "Path not found");
        }
        CopyPhase(rows, 1, ProgramDir, gameDir);
    } catch (const forms::RuntimeError&) {
        forms::MsgBox("Zekvarin Skirmish Mode was unable to restore your backed up files in " +
                          ProgramDir() + "\\BACKUP to " + gameDir() +
                          ".  You should manualy do this yourself if you want to restore your "
                          "files.",
                      forms::style::Exclamation, "Error- Restore Backup");
        return;
    }
    std::vector<CopyRow> failed = CopyPhaseSkippingFailures(rows, 2, ProgramDir, gameDir);
    std::string notRestored;
    for (const CopyRow& row : failed) {
        // A file without a backup had nothing to restore; only a backup
        // that exists and could not be copied back is worth a word.
        if (platform::fileExists(ProgramDir() + row.source)) {
            notRestored += "\r\n" + gameDir() + row.destination;
        }
    }
    skirmish::EndSession();
    skirmish::SetStartState(*this);
    if (!notRestored.empty()) {
        forms::MsgBox("Zekvarin Skirmish Mode was unable to restore these backed up files from " +
                          ProgramDir() + "\\BACKUP to " + restoreTo + ":" + notRestored +
                          "\r\n\r\nYou should manualy do this yourself if you want to restore "
                          "your files.",
                      forms::style::Exclamation, "Error- Restore Backup");
    }
}

// End Game runs when the window's life is ended from outside, but only while
// an exported game waits to be ended: otherwise there is nothing to restore.
void Main::Form_Terminate() {
    if (skirmish::SessionPending()) {
        EndGame_Click();
    }
}

void Main::test_Click() {
    forms::MsgBox(zekdir.Text() + "\\levels\\levl2001.dat");
}

}  // namespace app
