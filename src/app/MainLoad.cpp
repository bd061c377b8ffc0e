// Main's load step: configuration, the backup of the game's files, the saved
// settings, and every editor control set from level 1's header.
#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "app/disableClose.h"
#include "app/frmOptions.h"
#include "app/frmfirstload.h"
#include "forms/Runtime.h"

namespace app {

namespace {

std::string backupFailureText(const std::string& gameDir) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " +
           Printable(gameDir) +
           ".  If the problem persists, try running the Zekvarin Restore file.";
}

}  // namespace

void Main::Form_Load() {
    if (!loadConfigurationAndBackup()) {
        return;
    }
    if (loadSavedSettings()) {
        setControlsFromLevel1();
    }
    // A game exported by an earlier run that never ended it: its files are
    // still in the game's folder, so End Game is the way back.
    if (backupTree.SessionPending()) {
        SetGameRunningState();
    }
}

bool Main::loadConfigurationAndBackup() {
    DisableCloseMenu(*this);
    for (int level = 2; level <= kLevelCount; ++level) {
        hfile[level - 1].assign(kLevelHeaderLength, '\0');
    }
    hfile[0].assign(kLevelHeaderLength, '\0');
    cpatrCFG.assign(kAvailabilityLength, '\0');
    cpatrfile.assign(kCpuAttributesLength, '\0');
    forms::form<frmOptions>().Unload();

    Configuration configuration = ReadConfigurationOrEnd();
    zekdir.setText(configuration.zekdir);
    appdir.setText(configuration.appdir);

    std::string why;
    switch (backupTree.State(&why)) {
        case BackupTree::Session::Pending:
            // While an exported game is still in the game's folder, the
            // backup tree holds the game's own files: backing up now would
            // put the exported ones in their place.
            backupTree.SweepTemporaries(zekdir.Text());
            return true;
        case BackupTree::Session::Unknown:
            // The tree may hold the game's own files: nothing is backed up
            // over it, and End Game stays the way on once it can be read.
            forms::MsgBox("Zekvarin Skirmish Mode cannot read its backup folder " + ProgramDir() +
                              "\\BACKUP, so it cannot tell whether a game is in progress:\r\n\r\n" +
                              why +
                              "\r\n\r\nNothing was backed up, since the folder may hold your "
                              "game's original files.  Allow Zekvarin Skirmish Mode to read the "
                              "folder, then press End Game.",
                          forms::style::Exclamation, "Error- File Backup");
            return true;
        case BackupTree::Session::None:
            break;
    }
    const std::string failure = backupTree.Backup(zekdir.Text());
    if (failure.empty()) {
        return true;
    }
    // Whatever stopped the backup (a folder that moved or is not the game,
    // a missing or unreadable file), the user chooses the folder again
    // rather than meeting this message at every start.
    forms::MsgBox(backupFailureText(zekdir.Text()) + "\r\n\r\n" + Printable(failure) +
                      "\r\n\r\nPlease choose the Zekvarin directory again.",
                  forms::style::Critical, "Critical Error- File Backup");
    Unload();
    forms::form<frmfirstload>().Show();
    return false;
}

bool Main::BackupBeforeExport() {
    // A fresh backup before every export, so that End Game puts back the
    // folder exactly as it was just before this game, not as it was when
    // the program started. Within a session the tree already holds it.
    if (backupTree.SessionPending()) {
        return true;
    }
    const std::string failure = backupTree.Backup(zekdir.Text());
    if (failure.empty()) {
        return true;
    }
    forms::MsgBox(backupFailureText(zekdir.Text()) + "\r\n\r\n" + Printable(failure),
                  forms::style::Exclamation, "Error- File Backup");
    return false;
}

bool Main::loadSavedSettings() {
    try {
        // A flags file that is missing (the read creates it empty), empty or
        // short holds no flags anyone chose.
        recordLoaded[0] = ReadRecord(ProgramDir() + "\\cpatrCFG.dat", cpatrCFG,
                                     kAvailabilityLength) == kAvailabilityLength;
        for (int level = 2; level <= kLevelCount; ++level) {
            ReadRecord(ProgramDir() + levelHeaderPath(level), hfile[level - 1], kLevelHeaderLength);
            recordLoaded[level] = true;
        }
        ReadRecord(ProgramDir() + levelHeaderPath(1), hfile[0], kLevelHeaderLength);
        recordLoaded[1] = true;
        // Flags not read start from level 1's characters 1-6, which have
        // their layout and which every toggle mirrors into them.
        if (!recordLoaded[0]) {
            cpatrCFG = hfile[0].substr(0, kAvailabilityLength);
            recordLoaded[0] = true;
        }
    } catch (const forms::RuntimeError&) {
        forms::MsgBox(
            "An error occured while trying to load the level settings from " + ProgramDir() +
                "\\levels.  Zekvarin Skirmish will try to continue running without any previous "
                "configurations, however it is recommended that you reinstall the application "
                "before trying to use it.",
            forms::style::Exclamation, "Error- Loading Level Settings");
        return false;
    }
    return true;
}

void Main::setControlsFromLevel1() {
    const std::string& level1 = hfile[0];
    Command1.setCaption(TestMask(level1, kGameOptionFlags, kFogOfWar) ? "FOG is ON" : "FOG is OFF");
    Command2.setCaption(TestMask(level1, kGameOptionFlags, kGodMode) ? "GOD is ON" : "GOD is OFF");
    for (const AvailabilityItem& item : kAvailabilityItems) {
        forms::Image& toggle = image(item.toggle);
        if (TestMask(hfile[0], item.character, item.mask)) {
            toggle.setTag("2");
            toggle.setPicture(image(item.holder).Picture());
        } else {
            toggle.setTag("1");
            toggle.setPicture(item.spell ? Nothing2.Picture() : Nothing3.Picture());
        }
    }
    Nothing1.setPicture(Nothing2.Picture());
    Nothing1.setToolTipText("Guest Spells (Cannot be saved)");
    // Ticking a box runs its click handler, which spreads that alliance over
    // all 25 levels. Only the first tribe's byte decides.
    for (const Alliance& alliance : kAlliances) {
        control<forms::CheckBox>(alliance.box)
            .setValue(TestMask(hfile[0], alliance.firstCharacter, alliance.firstMask) ? 1 : 0);
    }
}

}  // namespace app
