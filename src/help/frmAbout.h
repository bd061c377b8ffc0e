// frmAbout: the About dialog. It names the program and its version, says
// what the program is for, and closes with OK (Enter and Esc too).
//
// It also carries a launcher for a system-information tool found through
// the registry (StartSysInfo and its reader GetKeyValue). No control of the
// dialog runs it; it stands ready for a caller. On this system the registry
// holds no such tool, so the launcher says the information is unavailable.
#pragma once

#include <string>

#include "forms/Form.h"
#include "platform/Registry.h"

namespace help {

class frmAbout : public forms::Form {
public:
    frmAbout();

    forms::PictureBox picIcon{*this, "picIcon"};
    forms::Label lblTitle{*this, "lblTitle"};
    forms::Label lblVersion{*this, "lblVersion"};
    forms::Label lblDescription{*this, "lblDescription"};
    forms::Label Label2{*this, "Label2"};
    forms::Label Label3{*this, "Label3"};
    forms::Line Line2{*this, "Line2"};
    forms::Line Line1{*this, "Line1"};
    forms::Label lblDisclaimer{*this, "lblDisclaimer"};
    forms::Label Label1{*this, "Label1"};
    forms::CommandButton cmdOK{*this, "cmdOK"};
    forms::PictureBox Picture1{*this, "Picture1"};
    forms::Image Image50{*this, "Image50"};

    void cmdOK_Click();

    // Starts the system-information tool: the path in the first registry
    // value, or the tool in the folder of the second; otherwise (or on any
    // error) the message that the information is unavailable.
    void StartSysInfo();
    // Reads one value below a root key into KeyVal: a text value as its
    // text, a number value as "&h" and its bytes in hexadecimal, last byte
    // first. False, with KeyVal empty, when the key or value cannot be read.
    // Raises forms::RuntimeError for a value with no data at all. The key it
    // opens is closed on every path.
    bool GetKeyValue(platform::HKEY& KeyRoot, std::string& KeyName, std::string& SubKeyRef,
                     std::string& KeyVal);

protected:
    void design() override;
    void Form_Load() override;

private:
    // The dialog's own way into the launcher.
    void ShowSysInfo();
};

}  // namespace help
