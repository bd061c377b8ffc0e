// Main: the settings editor window, and the owner of every piece of state the
// program shares between its windows: the 25 level headers, the availability
// record, the attribute work buffer and the game directory.
//
// Its handlers are spread over the subsystems that own them: the shell and
// the load step here in app/, the editor's handlers in settings/, Start Game
// and End Game in skirmish/, the Help menu's in help/.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/BackupTree.h"
#include "app/Records.h"
#include "forms/Form.h"

namespace app {

class Main : public forms::Form {
public:
    Main();

    // ---- Alliances
    forms::Frame Frame1{*this, "Frame1"};
    forms::CheckBox BR{*this, "BR"};
    forms::CheckBox BY{*this, "BY"};
    forms::CheckBox BG{*this, "BG"};
    forms::CheckBox YG{*this, "YG"};
    forms::CheckBox RG{*this, "RG"};
    forms::CheckBox RY{*this, "RY"};

    // ---- Fog, god and the game buttons
    forms::Frame Frame4{*this, "Frame4"};
    forms::CommandButton Command2{*this, "Command2"};
    forms::CommandButton Command1{*this, "Command1"};
    forms::CommandButton Start{*this, "Start"};
    forms::CommandButton EndGame{*this, "EndGame"};
    forms::CommandButton Exit2{*this, "Exit2"};

    // ---- Availability toggles: huts in Frame3, spells in Frame2
    forms::Frame Frame3{*this, "Frame3"};
    forms::Frame Frame2{*this, "Frame2"};
    forms::Image Image1{*this, "Image1"}, Image2{*this, "Image2"}, Image3{*this, "Image3"},
        Image4{*this, "Image4"}, Image5{*this, "Image5"}, Image6{*this, "Image6"},
        Image7{*this, "Image7"}, Image8{*this, "Image8"}, Image9{*this, "Image9"},
        Image10{*this, "Image10"}, Image11{*this, "Image11"}, Image12{*this, "Image12"},
        Image13{*this, "Image13"}, Image14{*this, "Image14"}, Image15{*this, "Image15"},
        Image16{*this, "Image16"}, Image17{*this, "Image17"}, Image18{*this, "Image18"},
        Image19{*this, "Image19"}, Image20{*this, "Image20"}, Image21{*this, "Image21"},
        Image22{*this, "Image22"}, Image23{*this, "Image23"}, Image24{*this, "Image24"},
        Image52{*this, "Image52"};
    // The guest-spell selector, and the spells' Off picture beneath it.
    forms::Image Nothing1{*this, "Nothing1"};
    forms::Image Nothing2{*this, "Nothing2"};

    forms::Label Label6{*this, "Label6"};
    forms::Line Line1{*this, "Line1"};
    forms::Line Line2{*this, "Line2"};

    // ---- Holders the user never sees (right of or below the client area)
    // Available-picture holders: each keeps a copy of its toggle's picture.
    forms::Image Image25{*this, "Image25"}, Image26{*this, "Image26"}, Image27{*this, "Image27"},
        Image28{*this, "Image28"}, Image29{*this, "Image29"}, Image30{*this, "Image30"},
        Image31{*this, "Image31"}, Image32{*this, "Image32"}, Image33{*this, "Image33"},
        Image34{*this, "Image34"}, Image35{*this, "Image35"}, Image36{*this, "Image36"},
        Image37{*this, "Image37"}, Image38{*this, "Image38"}, Image39{*this, "Image39"},
        Image40{*this, "Image40"}, Image41{*this, "Image41"}, Image42{*this, "Image42"},
        Image43{*this, "Image43"}, Image44{*this, "Image44"}, Image45{*this, "Image45"},
        Image46{*this, "Image46"}, Image47{*this, "Image47"}, Image48{*this, "Image48"},
        Image53{*this, "Image53"};
    // The huts' Off picture, and the three guest-spell pictures.
    forms::Image Nothing3{*this, "Nothing3"};
    forms::Image Bloodlust{*this, "Bloodlust"};
    forms::Image Teleport{*this, "Teleport"};
    forms::Image Armageddon{*this, "Armageddon"};
    forms::TextBox zekdir{*this, "zekdir"};  // the game directory
    forms::TextBox appdir{*this, "appdir"};
    forms::CommandButton test{*this, "test"};

    // ---- Menus
    forms::Menu File1{*this, "File1"};
    forms::Menu mnusettings{File1, "mnusettings"};
    forms::Menu mnubreak001{File1, "mnubreak001"};
    forms::Menu Exit1{File1, "Exit1"};
    forms::Menu Help1{*this, "Help1"};
    forms::Menu Help2{Help1, "Help2"};
    forms::Menu mnulevellist{Help1, "mnulevellist"};
    forms::Menu mnuchangelog{Help1, "mnuchangelog"};
    forms::Menu mnubreak002{Help1, "mnubreak002"};
    forms::Menu mnuzekvault{Help1, "mnuzekvault"};
    forms::Menu mnuashenpact{Help1, "mnuashenpact"};
    forms::Menu mnuzekrec{Help1, "mnuzekrec"};
    forms::Menu mnubreak003{Help1, "mnubreak003"};
    forms::Menu About1{Help1, "About1"};

    // ---- Form-level variables
    LevelHeaders hfile;     // hfile01 .. hfile25: hfile[0] is level 1
    std::string cpatrCFG;   // AvailabilityFlags
    std::string cpatrfile;  // work buffer for one computer player's attributes
    // Which saved records the load step actually read (index 0 is
    // cpatrCFG.dat, 1-25 the headers of levels 1-25). Start Game saves only
    // these, so a failed load never overwrites good saved settings. Flags
    // not read whole count as read once they are taken from level 1.
    std::array<bool, kLevelCount + 1> recordLoaded{};
    // The help viewer object (a help::HTMLHelp), made by the first Help
    // command and kept for the form's life. Held without its type because
    // start-up code does not depend on the help code.
    std::shared_ptr<void> hHelp;
    // The game's own files, the folder they came from and the session of
    // an exported game.
    BackupTree backupTree;

    forms::Image& image(const std::string& name) const { return control<forms::Image>(name); }

    // ---- Handlers
    void Exit2_Click();
    void Exit1_Click();
    void mnusettings_Click();

    // The editor (settings/).
    void ToggleAvailability(const AvailabilityItem& item);
    void AllianceClick(const Alliance& alliance);
    void Command1_Click();
    void Command2_Click();
    void Nothing1_Click();

    // Start Game and End Game (skirmish/).
    void Start_Click();
    void EndGame_Click();
    void test_Click();
    // End Game that restores nothing: in a copy of the program folder the
    // game was started in (`target.folder`), while the game may be in
    // progress there, or once it has been ended there; or once the game has
    // been ended elsewhere (its files gone from the game folder).
    void EndWithoutRestore(const BackupTree::Target& target);

    // The Help menu (help/).
    void Help2_Click();
    void mnulevellist_Click();
    void mnuchangelog_Click();
    void mnuzekvault_Click();
    void mnuashenpact_Click();
    void mnuzekrec_Click();
    void About1_Click();

    // The button-state protocol: the start state (Start and Exit enabled,
    // End Game disabled) and the game-running state (the reverse).
    void SetStartState();
    void SetGameRunningState();

    // Whether the game folder may be backed up, exported into or restored
    // over: not while another program folder's skirmish is exported there
    // (see GameFolderRecord). A refusal is reported, naming that program
    // folder; a stale record is reported once and removed.
    enum class GameFolderUse { Backup, Export, Restore };
    bool GameFolderFree(const std::string& gameDir, GameFolderUse use);

protected:
    void design() override;
    void Form_Load() override;
    void Form_Terminate() override;

    // Backs up the game directory before a game is exported into it. A
    // failure is reported and leaves the program running. Returns false then.
    bool BackupBeforeExport();

private:
    // The backup of the game folder, at the start and before every game:
    // done, refused (another program folder's game is there; reported), or
    // failed (`failure` says what, for the caller to report).
    enum class BackupResult { Done, Refused, Failed };
    BackupResult backupGameFolder(BackupTree::Failure& failure);
    // The start-up's backup. Returns false when the load stops (the game
    // directory is asked for again); ends the program when the backup
    // cannot be made for any other reason.
    bool backupAtStart();

    // The load step, in its two halves. The first returns false when the
    // load stopped (the game directory vanished and is asked for again).
    bool loadConfigurationAndBackup();
    bool loadSavedSettings();
    void setControlsFromLevel1();
};

}  // namespace app
