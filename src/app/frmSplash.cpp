#include "app/frmSplash.h"

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "app/frmfirstload.h"
#include "forms/Runtime.h"
#include "platform/Folders.h"

namespace app {

frmSplash::frmSplash() : forms::Form("frmSplash") {
    Timer1.Tick = [this] { Timer1_Timer(); };
    Timer2.Tick = [this] { Timer2_Timer(); };
}

void frmSplash::design() {
    setCaption("");
    setBorderStyle(forms::BorderStyle::FixedDialog);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setShowInTaskbar(false);
    setBackColor(forms::colors::Black);
    setClientSize(7695, 4080);

    Frame1.Move(120, 0, 7425, 3975);
    Frame1.setCaption("");
    Frame1.setBackColor(forms::colors::Black);

    imgLogo.setContainer(&Frame1);
    imgLogo.Move(0, 720, 3135, 2775);
    imgLogo.setStretch(true);
    imgLogo.setPicture({"splash_logo"});

    struct LabelDesign {
        forms::Label& label;
        forms::Twips left, top, width, height;
        const char* caption;
        forms::Font font;
        forms::Alignment alignment;
        bool autoSize;
    };
    const forms::Alignment left = forms::Alignment::Left;
    const forms::Alignment right = forms::Alignment::Right;
    const forms::Alignment centre = forms::Alignment::Center;
    for (const LabelDesign& d : {
             LabelDesign{lblCompanyProduct,
                         3000,
                         705,
                         4140,
                         435,
                         "Zekvarin: Ornavelle",
                         {"Arial", 18, true},
                         left,
                         true},
             LabelDesign{lblProductName,
                         3120,
                         1140,
                         4125,
                         765,
                         "Zek Skirmish",
                         {"Arial", 32.25, true},
                         left,
                         true},
             LabelDesign{lblPlatform,
                         5220,
                         2340,
                         1995,
                         360,
                         "Windows\\ PC",
                         {"Arial", 15.75, true},
                         right,
                         true},
             LabelDesign{
                 lblVersion, 6330, 2700, 885, 285, "Version", {"Arial", 12, true}, right, true},
             LabelDesign{lblCopyright,
                         4920,
                         3060,
                         2415,
                         255,
                         "Free skirmish companion.",
                         {"Arial", 8.25, false},
                         left,
                         false},
             LabelDesign{lblCompany,
                         4920,
                         3270,
                         2415,
                         255,
                         "Zekvarin Ornavelle",
                         {"Arial", 8.25, false},
                         left,
                         false},
             LabelDesign{lblWarning,
                         120,
                         3600,
                         6975,
                         195,
                         "Make sure the game is not running while settings are exported or "
                         "restored.",
                         {"Arial", 8.25, false},
                         left,
                         false},
             LabelDesign{loadnormal,
                         120,
                         240,
                         7215,
                         495,
                         "...Loading...",
                         {"MS Sans Serif", 18, false},
                         centre,
                         false},
             LabelDesign{loadfirst,
                         240,
                         240,
                         7095,
                         495,
                         "...Loading for the First Time...",
                         {"MS Sans Serif", 18, false},
                         centre,
                         false},
         }) {
        d.label.setContainer(&Frame1);
        d.label.Move(d.left, d.top, d.width, d.height);
        d.label.setCaption(d.caption);
        d.label.setFont(d.font);
        d.label.setAlignment(d.alignment);
        d.label.setAutoSize(d.autoSize);
        d.label.setTransparent(true);
        d.label.setForeColor(forms::colors::White);
    }

    Timer1.setInterval(3000);
    Timer1.setEnabled(true);
    Timer2.setInterval(2000);
    Timer2.setEnabled(true);

    zekdir.Move(120, 4320, 3135, 285);
    appdir.Move(3480, 4320, 3135, 285);
    handingOver_ = false;
}

void frmSplash::Form_Load() {
    if (forms::App().PrevInstance) {
        Unload();
        forms::MsgBox(
            "Another occurrence of Zekvarin:  Skirmish Mode is already running.  Please use that "
            "instance of the program, or close it before you run the application again.",
            forms::style::Information, "Already Running");
        forms::End();
    }
    if (!forms::App().InstanceCheckFailure.empty()) {
        Unload();
        forms::MsgBox(
            "Zekvarin Skirmish Mode cannot make sure that it is the only copy running on "
            "its folder " +
                forms::App().Path + ":\r\n\r\n" + forms::App().InstanceCheckFailure +
                "\r\n\r\nAllow it to read that folder, then run the application "
                "again.\r\n\r\nZekvarin Skirmish Mode will now close.",
            forms::style::Critical, "Critical Error- Already Running");
        forms::End(forms::kExitOnError);
    }

    forms::centreOnScreen(*this);
    const forms::AppInfo& app = forms::App();
    lblVersion.setCaption("Version " + std::to_string(app.Major) + "." + std::to_string(app.Minor) +
                          "." + std::to_string(app.Revision));

    Configuration configuration = ReadConfigurationOrEnd([this] { Unload(); });
    zekdir.setText(configuration.zekdir);
    appdir.setText(configuration.appdir);
    if (zekdir.Text().empty() || appdir.Text().empty()) {
        Timer2.setEnabled(true);
        Timer1.setEnabled(false);
        loadnormal.setVisible(false);
        loadfirst.setVisible(true);
    } else {
        Timer1.setEnabled(true);
        Timer2.setEnabled(false);
        loadnormal.setVisible(true);
        loadfirst.setVisible(false);
    }

    // The backup tree; a folder that exists already (or cannot be made) is
    // passed over, and the backup reports what is missing on its own terms.
    for (const char* folder : {"\\BACKUP", "\\BACKUP\\language", "\\BACKUP\\levels",
                               "\\BACKUP\\SAVE", "\\BACKUP\\scripts"}) {
        try {
            platform::makeFolder(ProgramDir() + folder);
        } catch (const std::exception&) {
        }
    }
}

void frmSplash::Timer1_Timer() {
    if (handingOver_) {
        return;
    }
    handingOver_ = true;
    forms::form<Main>().Show();
    Unload();
}

void frmSplash::Timer2_Timer() {
    if (handingOver_) {
        return;
    }
    handingOver_ = true;
    Unload();
    forms::form<frmfirstload>().Show();
}

}  // namespace app
