#include "skirmish/frmrungame.h"

#include "forms/Runtime.h"
#include "platform/Launcher.h"

namespace skirmish {

frmrungame::frmrungame() : forms::Form("frmrungame") {
    Timer1.Tick = [this] { Timer1_Timer(); };
}

void frmrungame::design() {
    setCaption("Running Zekvarin: Dawnreach...");
    setBorderStyle(forms::BorderStyle::FixedSingle);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setShowInTaskbar(true);
    setClientSize(4845, 900);
    Label1.Move(480, 240, 1935, 255);
    Label1.setCaption("File copy grace period...");
    Label2.Move(480, 480, 4215, 255);
    Label2.setCaption("Zekvarin: Dawnreach will begin to load momentarily...");
    Timer1.setInterval(5000);
    Timer1.setEnabled(false);
}

void frmrungame::Form_Load() {
    forms::centreOnScreen(*this);
    Timer1.setEnabled(true);
}

void frmrungame::Timer1_Timer() {
    // One launch per display: a tick that came while the failure message is
    // open must not launch again.
    Timer1.setEnabled(false);
    try {
        platform::launcher().run(kLaunchCommand, forms::winstyle::MinimizedFocus);
    } catch (const std::exception&) {
        forms::MsgBox(
            "Zekvarin Skirmish Mode was unable to run Zekvarin.  Please start it manually from the "
            "start menu.",
            forms::style::Exclamation, "Error- Running Zekvarin");
    }
    Unload();
}

}  // namespace skirmish
