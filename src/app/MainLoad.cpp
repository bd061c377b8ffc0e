// Main's load step: configuration, the backup of the game's files, the saved
// settings, and every editor control set from level 1's header.
#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "app/disableClose.h"
#include "app/frmOptions.h"
#include "app/frmfirstload.h"
#include "forms/Runtime.h"
#include "platform/Files.h"

namespace app {

namespace {

std::string backupFailureText(const std::string& gameDir) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " + gameDir +
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

    // While an exported game is still in the game's folder, the backup tree
    // holds the game's own files: backing up now would put the exported
    // ones in their place.
    if (backupTree.SessionPending()) {
        return true;
    }
    if (backupTree.Backup(zekdir.Text())) {
        return true;
    }
    // A game folder that was moved or removed since it was configured: the
    // user chooses it again, rather than meeting this message at every start.
    if (!zekdir.Text().empty() && !platform::folderExists(zekdir.Text())) {
        forms::MsgBox(backupFailureText(zekdir.Text()) +
                          "\r\n\r\nPlease choose the Zekvarin directory again.",
                      forms::style::Critical, "Critical Error- File Backup");
        Unload();
        forms::form<frmfirstload>().Show();
        return false;
    }
    forms::MsgBox(
        backupFailureText(zekdir.Text()) + "\r\n\r\nZekvarin Skirmish Mode will now close.",
        forms::style::Critical, "Critical Error- File Backup");
    forms::End(forms::kExitOnError);
}

bool Main::BackupBeforeExport() {
    if (backupTree.HoldsBackupOf(zekdir.Text())) {
        return true;
    }
    if (backupTree.Backup(zekdir.Text())) {
        return true;
    }
    forms::MsgBox(backupFailureText(zekdir.Text()), forms::style::Exclamation,
                  "Error- File Backup");
    return false;
}

bool Main::loadSavedSettings() {
    try {
        ReadRecord(ProgramDir() + "\\cpatrCFG.dat", cpatrCFG, kAvailabilityLength);
        recordLoaded[0] = true;
        for (int level = 2; level <= kLevelCount; ++level) {
            ReadRecord(ProgramDir() + levelHeaderPath(level), hfile[level - 1], kLevelHeaderLength);
            recordLoaded[level] = true;
        }
        ReadRecord(ProgramDir() + levelHeaderPath(1), hfile[0], kLevelHeaderLength);
        recordLoaded[1] = true;
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
