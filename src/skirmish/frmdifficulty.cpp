#include "skirmish/frmdifficulty.h"

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "forms/Runtime.h"
#include "platform/CopySet.h"
#include "platform/FileOperation.h"
#include "skirmish/CopySets.h"
#include "skirmish/frmrungame.h"

namespace skirmish {

frmdifficulty::frmdifficulty() : forms::Form("frmdifficulty") {
    easy.Click = [this] { easy_Click(); };
    medium.Click = [this] { medium_Click(); };
    hard.Click = [this] { hard_Click(); };
    cancel.Click = [this] { cancel_Click(); };
}

void frmdifficulty::design() {
    setCaption("Select Difficulty");
    setBorderStyle(forms::BorderStyle::FixedDialog);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setShowInTaskbar(false);
    setStartUpPosition(forms::StartUpPosition::CenterOwner);
    setClientSize(2925, 2730);
    struct ButtonDesign {
        forms::CommandButton& button;
        const char* caption;
        forms::Twips top;
        const char* toolTip;
    };
    int tabIndex = 0;
    for (const ButtonDesign& d :
         {ButtonDesign{easy, "&Easy", 240,
                       "Play against Easy computer players that will not attack very sensibly but "
                       "will build a base and have somewhat of a defense."},
          ButtonDesign{medium, "&Medium", 720, ""}, ButtonDesign{hard, "&Hard", 1200, ""},
          ButtonDesign{cancel, "&Cancel", 2040, "Go back to the main screen."}}) {
        d.button.Move(360, d.top, 2175, 495);
        d.button.setCaption(d.caption);
        d.button.setToolTipText(d.toolTip);
        d.button.setFont({"MS Sans Serif", 9.75, false});
        d.button.setTabIndex(tabIndex++);
    }
}

void frmdifficulty::easy_Click() {
    ExportDifficulty("Easy", false);
}

void frmdifficulty::medium_Click() {
    ExportDifficulty("Medium", true);
}

void frmdifficulty::hard_Click() {
    ExportDifficulty("Hard", true);
}

void frmdifficulty::cancel_Click() {
    Unload();
    // After a partial export the game's folder holds exported files: only
    // End Game may lead back to the start state then.
    app::Main& main = forms::form<app::Main>();
    if (!main.backupTree.SessionPending()) {
        main.SetStartState();
    }
}

void frmdifficulty::ExportDifficulty(const std::string& folderWord, bool noticeFirst) {
    if (noticeFirst) {
        forms::MsgBox(
            "Although this difficulty setting is avaliable for you to use, there are no scripts "
            "created for this mode yet.  Feel free to make your own and test them out here.",
            forms::style::Exclamation, "No Scripts");
    }
    app::Main& main = forms::form<app::Main>();
    auto gameDir = [&main] { return main.zekdir.Text(); };
    std::vector<app::CopyRow> rows = ExportSet(folderWord);

    // Another program folder may have exported into the folder while this
    // dialog was open: its files are not to be copied over.
    if (!main.GameFolderFree(gameDir(), app::Main::GameFolderUse::Export)) {
        return;
    }
    bool hadSession = main.backupTree.SessionPending();
    std::size_t copied = 0;
    // One file operation for the record of the session and both phases of
    // the export: each game folder is looked up once for all of them.
    platform::FileOperation operation;
    platform::CopySet set(operation);
    try {
        // An empty game directory would make every destination a path from
        // the root of the file system.
        if (gameDir().empty()) {
            throw forms::RuntimeError(forms::err::PathNotFound, "Path not found");
        }
        // The session goes on record before the first copy.
        main.backupTree.BeginSession(operation, gameDir(), rows);
        app::CopyPhase(rows, 1, app::ProgramDir, gameDir, &copied, &set);
    } catch (const std::exception&) {
        if (!hadSession && copied == 0) {
            // Nothing of the game's reached the folder.
            try {
                main.backupTree.EndSession(gameDir());
            } catch (const std::exception&) {
                // The record stays, and with it the session: End Game
                // removes both.
            }
        }
        forms::MsgBox("Zekvarin Skirmish Mode was unable to copy the settings files from " +
                          app::ProgramDir() + "\\levels to " + gameDir() +
                          ".  Possible reasons for this could be because you have specified the "
                          "incorrect directory for Zekvarin, or the file properties in your "
                          "Zekvarin directory have been set to Read-Only.",
                      forms::style::Exclamation, "Error- Exporting Settings to Zekvarin");
        return;
    }
    try {
        app::CopyPhase(rows, 2, app::ProgramDir, gameDir, nullptr, &set);
        forms::form<frmrungame>().Show(forms::ShowMode::Modal, &main);
        Unload();
    } catch (const std::exception&) {
        forms::MsgBox(
            "Zekvarin Skirmish was unable to copy the scripts for this difficulty into Zekvarin.  "
            "Reinstalling the application should resolve this issue.",
            forms::style::Exclamation, "Error- Copying Scripts");
    }
}

}  // namespace skirmish
