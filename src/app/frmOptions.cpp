#include "app/frmOptions.h"

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "forms/Runtime.h"

namespace app {

frmOptions::frmOptions() : forms::Form("frmOptions") {
    zekdir.Change = [this] { zekdir_Change(); };
    cmdApply.Click = [this] { cmdApply_Click(); };
    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void frmOptions::design() {
    setCaption("Options");
    setBorderStyle(forms::BorderStyle::FixedDialog);
    setControlBox(true);
    setMinButton(false);
    setMaxButton(false);
    setShowInTaskbar(false);
    setClientSize(5400, 2145);

    Label4.Move(120, 240, 1575, 255);
    Label4.setCaption("Zekvarin Directory:");
    zekdir.Move(120, 480, 5055, 285);
    zekdir.setText("C:\\Program Files\\Kestrane\\Zekvarin");
    Label1.Move(120, 840, 2175, 255);
    Label1.setCaption("Detected Program Directory:");
    appdir.Move(120, 1080, 5055, 285);
    appdir.setLocked(true);
    Line1.setEnds(120, 1575, 5280, 1575);
    Line1.setBorderColor(forms::colors::HighlightText);
    Line2.setEnds(120, 1560, 5280, 1560);
    Line2.setBorderColor(forms::colors::ButtonShadow);
    cmdOK.Move(1800, 1680, 1095, 375);
    cmdOK.setCaption("OK");
    cmdOK.setTabIndex(0);
    cmdCancel.Move(3000, 1680, 1095, 375);
    cmdCancel.setCaption("Cancel");
    cmdCancel.setCancel(true);
    cmdCancel.setTabIndex(1);
    cmdApply.Move(4200, 1680, 1095, 375);
    cmdApply.setCaption("Apply");
    cmdApply.setTabIndex(2);
    zekdir.setTabIndex(3);
    appdir.setTabIndex(4);
    Text1.Move(5520, 120, 1815, 765);
    Text1.setTabIndex(5);
    Text2.Move(5520, 1080, 1815, 765);
    Text2.setTabIndex(6);
    // The design text of zekdir raised no Change, so the mirror starts equal
    // to it by hand.
    Text1.setText(zekdir.Text());
}

void frmOptions::Form_Load() {
    forms::centreOnScreen(*this);
    zekdir.setText(ReadConfiguration().zekdir);
    appdir.setText(StripCrLf(ProgramDir()));
    Text2.setText(appdir.Text());
}

void frmOptions::zekdir_Change() {
    Text1.setText(zekdir.Text());
}

// A game directory that is not an existing folder is refused before
// anything is written: the next start could back nothing up from it.
bool frmOptions::writeConfiguration() {
    if (!AcceptGameFolder(Text1.Text())) {
        return false;
    }
    WriteConfigFile(kZekdirCfg, Text1.Text());
    WriteConfigFile(kAppdirCfg, Text2.Text());
    return true;
}

void frmOptions::cmdApply_Click() {
    writeConfiguration();
}

void frmOptions::cmdOK_Click() {
    if (!writeConfiguration()) {
        return;
    }
    Unload();
    Configuration configuration = ReadConfiguration();
    Main& main = forms::form<Main>();
    main.zekdir.setText(configuration.zekdir);
    main.appdir.setText(configuration.appdir);
}

void frmOptions::cmdCancel_Click() {
    Unload();
}

}  // namespace app
