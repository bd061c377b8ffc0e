#include "app/Main.h"

#include "app/frmOptions.h"
#include "forms/Runtime.h"

namespace app {

namespace {

using forms::Twips;

// Where each toggle sits and what it shows. Spells lie in Frame2 on a grid
// of three columns, huts in Frame3 on two.
struct ToggleLayout {
    const char* toggle;
    int row;
    int column;
    const char* picture;
};

constexpr ToggleLayout kSpellLayout[] = {
    {"Image7", 1, 1, "spell_firestorm"},     {"Image1", 1, 2, "spell_angleofdeath"},
    {"Image2", 1, 3, "spell_volcano"},       {"Image8", 2, 1, "spell_flatten"},
    {"Image3", 2, 2, "spell_earthquake"},    {"Image4", 2, 3, "spell_erode"},
    {"Image13", 3, 1, "spell_hypnotise"},    {"Image5", 3, 2, "spell_tornado"},
    {"Image6", 3, 3, "spell_swamp"},         {"Image14", 4, 1, "spell_shield"},
    {"Image9", 4, 2, "spell_landbridge"},    {"Image10", 4, 3, "spell_lightning"},
    {"Image52", 5, 1, "spell_ghostarmy"},    {"Image11", 5, 2, "spell_swarm"},
    {"Image12", 5, 3, "spell_invisibility"}, {"Image16", 6, 2, "spell_blast"},
    {"Image17", 6, 3, "spell_convert"},
};

constexpr ToggleLayout kHutLayout[] = {
    {"Image24", 1, 1, "hut_hut"},     {"Image23", 1, 2, "hut_guardtower"},
    {"Image22", 2, 1, "hut_warrior"}, {"Image21", 2, 2, "hut_temple"},
    {"Image20", 3, 1, "hut_spy"},     {"Image19", 3, 2, "hut_firewarrior"},
    {"Image18", 4, 1, "hut_boat"},    {"Image15", 4, 2, "hut_balloon"},
};

constexpr Twips kSpellColumns[] = {120, 720, 1320};
constexpr Twips kSpellRows[] = {360, 1080, 1800, 2520, 3240, 3960};
constexpr Twips kHutColumns[] = {120, 960};
constexpr Twips kHutRows[] = {240, 1080, 1920, 2760};

// Hidden holders lie right of the client area, from this left edge on.
constexpr Twips kHiddenLeft = 7200;

const forms::Font kButtonFont{"Microsoft Sans Serif", 9.75, false};

const AvailabilityItem& itemOf(const std::string& toggle) {
    for (const AvailabilityItem& item : kAvailabilityItems) {
        if (toggle == item.toggle) {
            return item;
        }
    }
    throw std::logic_error("no availability item for " + toggle);
}

}  // namespace

Main::Main() : forms::Form("Main") {
    for (const AvailabilityItem& item : kAvailabilityItems) {
        image(item.toggle).Click = [this, &item] { ToggleAvailability(item); };
    }
    for (const Alliance& alliance : kAlliances) {
        control<forms::CheckBox>(alliance.box).Click = [this, &alliance] {
            AllianceClick(alliance);
        };
    }
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Nothing1.Click = [this] { Nothing1_Click(); };
    Start.Click = [this] { Start_Click(); };
    EndGame.Click = [this] { EndGame_Click(); };
    Exit2.Click = [this] { Exit2_Click(); };
    test.Click = [this] { test_Click(); };
    mnusettings.Click = [this] { mnusettings_Click(); };
    Exit1.Click = [this] { Exit1_Click(); };
    Help2.Click = [this] { Help2_Click(); };
    mnulevellist.Click = [this] { mnulevellist_Click(); };
    mnuchangelog.Click = [this] { mnuchangelog_Click(); };
    mnuzekvault.Click = [this] { mnuzekvault_Click(); };
    mnuashenpact.Click = [this] { mnuashenpact_Click(); };
    mnuzekrec.Click = [this] { mnuzekrec_Click(); };
    About1.Click = [this] { About1_Click(); };
}

void Main::design() {
    setCaption("Zekvarin Skirmish");
    setBorderStyle(forms::BorderStyle::FixedSingle);
    setMinButton(true);
    setMaxButton(false);
    setClientSize(5235, 5340);
    setPicture({"main_background"});
    setIcon({"icon"});
    setStartUpPosition(forms::StartUpPosition::CenterScreen);

    Frame1.Move(120, 120, 3015, 1095);
    Frame1.setCaption("Set Alliances");
    Frame1.setTabIndex(6);
    struct BoxPlace {
        forms::CheckBox& box;
        Twips left, top, width;
        int tabIndex;
    };
    for (const BoxPlace& place :
         {BoxPlace{BR, 120, 240, 1300, 0}, BoxPlace{BY, 120, 540, 1300, 1},
          BoxPlace{BG, 120, 840, 1300, 2}, BoxPlace{YG, 1560, 240, 1400, 3},
          BoxPlace{RG, 1560, 540, 1400, 4}, BoxPlace{RY, 1560, 840, 1400, 5}}) {
        place.box.setContainer(&Frame1);
        place.box.Move(place.left, place.top, place.width, 195);
        place.box.setTabIndex(place.tabIndex);
    }
    for (const Alliance& alliance : kAlliances) {
        control<forms::CheckBox>(alliance.box).setCaption(alliance.caption);
    }

    Frame4.Move(120, 1320, 1095, 1455);
    Frame4.setCaption("Other");
    Command2.Move(240, 1560, 855, 495);
    Command2.setCaption("GOD is OFF");
    Command2.setToolTipText("Toggles God Mode between On and Off");
    Command2.setTabIndex(7);
    Command1.Move(240, 2160, 855, 495);
    Command1.setCaption("FOG is OFF");
    Command1.setToolTipText("Toggles Fog of War Between On and Off");
    Command1.setTabIndex(8);
    Start.Move(120, 2880, 1095, 735);
    Start.setCaption("&Start Game");
    Start.setTabIndex(9);
    EndGame.Move(120, 3720, 1095, 735);
    EndGame.setCaption("&End Game");
    EndGame.setToolTipText(
        "Ends the current Skirmish Mode Session and restores backup files to the Zekvarin "
        "directory.");
    EndGame.setEnabled(false);
    EndGame.setTabIndex(10);
    Exit2.Move(120, 4560, 1095, 375);
    Exit2.setCaption("&Exit");
    Exit2.setToolTipText("Exits the program.");
    Exit2.setTabIndex(11);
    for (forms::CommandButton* button : {&Command2, &Command1, &Start, &EndGame, &Exit2}) {
        button->setFont(kButtonFont);
    }

    Frame3.Move(1320, 1320, 1815, 3615);
    Frame3.setCaption("Avaliable Huts");
    Frame2.Move(3240, 120, 1935, 4815);
    Frame2.setCaption("Avaliable Spells");

    // The toggles, and behind the client area a holder with a copy of each
    // toggle's picture.
    int hidden = 0;
    auto placeHolder = [&hidden](forms::Image& holder, const forms::Picture& picture, Twips width,
                                 Twips height) {
        holder.Move(kHiddenLeft + (hidden % 6) * 720, (hidden / 6) * 780, width, height);
        holder.setStretch(true);
        holder.setPicture(picture);
        ++hidden;
    };
    auto placeToggle = [&](const ToggleLayout& layout, forms::Frame& frame, Twips left, Twips top,
                           Twips width, Twips height) {
        forms::Image& toggle = image(layout.toggle);
        toggle.setContainer(&frame);
        toggle.Move(left, top, width, height);
        toggle.setStretch(true);
        toggle.setPicture({layout.picture});
        toggle.setTag("2");
        const AvailabilityItem& item = itemOf(layout.toggle);
        toggle.setToolTipText(item.name);
        placeHolder(image(item.holder), toggle.Picture(), width, height);
    };
    for (const ToggleLayout& layout : kSpellLayout) {
        placeToggle(layout, Frame2, kSpellColumns[layout.column - 1], kSpellRows[layout.row - 1],
                    450, 630);
    }
    for (const ToggleLayout& layout : kHutLayout) {
        placeToggle(layout, Frame3, kHutColumns[layout.column - 1], kHutRows[layout.row - 1], 660,
                    735);
    }

    const forms::Picture spellOff{"spell_off"};
    Nothing1.setContainer(&Frame2);
    Nothing1.Move(kSpellColumns[0], kSpellRows[5], 450, 630);
    Nothing1.setStretch(true);
    Nothing1.setPicture(spellOff);
    Nothing1.setToolTipText(
        "Toggle Guest Spells.  Possible Choices are  Off, Bloodlust, Teleport, and Armageddon.");
    Nothing2.setContainer(&Frame2);
    Nothing2.Move(kSpellColumns[0], kSpellRows[5], 450, 630);
    Nothing2.setStretch(true);
    Nothing2.setPicture(spellOff);
    Nothing2.setVisible(false);
    placeHolder(Nothing3, {"hut_off"}, 660, 735);
    placeHolder(Bloodlust, {"guest_bloodlust"}, 450, 630);
    placeHolder(Teleport, {"guest_teleport"}, 450, 630);
    placeHolder(Armageddon, {"guest_armageddon"}, 450, 630);
    for (forms::Image* guest : {&Bloodlust, &Teleport, &Armageddon}) {
        guest->setVisible(false);
    }

    Label6.Move(480, 5040, 4215, 255);
    Label6.setCaption("BETA Release.  Do not distribute.");
    Label6.setFont({"MS Sans Serif", 12, true});
    Label6.setTransparent(true);
    Line1.setEnds(0, 5040, 5280, 5040);
    Line1.setBorderColor(forms::colors::ButtonShadow);
    Line2.setEnds(0, 5055, 5280, 5055);
    Line2.setBorderColor(forms::colors::HighlightText);

    // Below the client area: the two directories and the diagnostic button.
    // They keep their tab stops, so the Tab key still reaches them.
    appdir.Move(240, 5640, 4935, 285);
    appdir.setLocked(true);
    appdir.setTabIndex(18);
    zekdir.Move(240, 6240, 4935, 285);
    zekdir.setLocked(true);
    zekdir.setTabIndex(17);
    test.Move(240, 6600, 975, 375);
    test.setCaption("TEST");
    test.setTabIndex(16);

    File1.setCaption("&File");
    mnusettings.setCaption("&Settings...");
    mnubreak001.setCaption("-");
    Exit1.setCaption("E&xit");
    Help1.setCaption("&Help");
    Help2.setCaption("&Help");
    Help2.setShortcut("F1");
    mnulevellist.setCaption("&View Level List");
    mnulevellist.setShortcut("Ctrl+L");
    mnuchangelog.setCaption("View &Change Log");
    mnubreak002.setCaption("-");
    mnuzekvault.setCaption("Visit The Zekvarin &Vault");
    mnuashenpact.setCaption("Visit Zekvarin:  &Ashen Pact");
    mnuzekrec.setCaption("Visit &Zekvarin:  Ornavelle");
    mnubreak003.setCaption("-");
    About1.setCaption("&About...");

    // The buffers are empty until the load step sizes them.
    for (std::string& level : hfile) {
        level.clear();
    }
    cpatrCFG.clear();
    cpatrfile.clear();
    recordLoaded.fill(false);
}

void Main::SetStartState() {
    EndGame.setEnabled(false);
    Start.setEnabled(true);
    Exit2.setEnabled(true);
}

void Main::SetGameRunningState() {
    Start.setEnabled(false);
    EndGame.setEnabled(true);
    Exit2.setEnabled(false);
}

// Both exits end the process at once: nothing is saved or restored, and no
// unload or terminate handling runs.
void Main::Exit2_Click() {
    forms::End();
}

void Main::Exit1_Click() {
    forms::End();
}

void Main::mnusettings_Click() {
    forms::form<frmOptions>().Show(forms::ShowMode::Modal, this);
}

}  // namespace app
