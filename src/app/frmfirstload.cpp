#include "app/frmfirstload.h"

#include "app/ConfigFiles.h"
#include "app/frmSplash.h"
#include "forms/Runtime.h"
#include "platform/Folders.h"

namespace app {

frmfirstload::frmfirstload() : forms::Form("frmfirstload") {
    enter.Click = [this] { enter_Click(); };
    exit.Click = [this] { exit_Click(); };
}

void frmfirstload::design() {
    setCaption("First Time Load- Configuration");
    setBorderStyle(forms::BorderStyle::FixedSingle);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setShowInTaskbar(false);
    setClientSize(6075, 2445);

    Label1.Move(120, 120, 5895, 615);
    Label1.setCaption(
        "Zekvarin Skirmish has detected that this is the first time this program has been "
        "executed on your system.  You need to configure Zekvarin Skirmish before you can "
        "continue to use it.");
    Label1.setWordWrap(true);
    Label1.setTabIndex(0);
    Label2.Move(120, 720, 1935, 255);
    Label2.setCaption("Enter Zekvarin Directory:");
    Label2.setTabIndex(1);
    zekdir.Move(120, 960, 5775, 285);
    zekdir.setText("C:\\Program Files\\Kestrane\\Zekvarin");
    zekdir.setTabIndex(2);
    Label3.Move(120, 1320, 2295, 255);
    Label3.setCaption("Detected Application Directory:");
    Label3.setTabIndex(3);
    appdir.Move(120, 1560, 5775, 285);
    appdir.setLocked(true);
    appdir.setBackColor(forms::colors::ButtonFace);
    appdir.setTabIndex(4);
    Line2.setEnds(0, 1920, 6000, 1920);
    Line2.setBorderColor(forms::colors::ButtonShadow);
    Line1.setEnds(0, 1935, 6000, 1935);
    Line1.setBorderColor(forms::colors::HighlightText);
    exit.Move(3720, 2040, 1095, 375);
    exit.setCaption("Cancel");
    exit.setTabIndex(6);
    enter.Move(4920, 2040, 1095, 375);
    enter.setCaption("OK");
    enter.setTabIndex(5);
}

void frmfirstload::Form_Load() {
    forms::centreOnScreen(*this);
    appdir.setText(ProgramDir());
}

void frmfirstload::enter_Click() {
    if (zekdir.Text().empty() || appdir.Text().empty()) {
        forms::MsgBox(
            "You have not fully filled out the form, please ensure that you have completely "
            "filled out the information reguarding the application directory and your Zekvarin "
            "Directory.  After you have verified this press OK and try again.",
            forms::style::Exclamation);
        return;
    }
    // A game directory that is not an existing folder would fail the
    // backup at every start: it is refused before anything is written.
    if (!AcceptGameFolder(StripCrLf(zekdir.Text()))) {
        return;
    }
    zekdir.setText(StripCrLf(zekdir.Text()));
    WriteConfigFile(kZekdirCfg, zekdir.Text());
    WriteConfigFile(kAppdirCfg, appdir.Text());
    // From here on nothing is reported: the SAVE folder may exist already,
    // or the game directory may not exist at all.
    try {
        platform::makeFolder(zekdir.Text() + "\\SAVE");
    } catch (const std::exception&) {
    }
    Unload();
    forms::form<frmSplash>().Show();
}

void frmfirstload::exit_Click() {
    forms::End();
}

}  // namespace app
