// The start-up screen: refuses a second instance, reads the configuration,
// creates the backup tree and after a short wait hands over to Main (normal
// start) or to the first-run dialog (first run).
#pragma once

#include "forms/Form.h"

namespace app {

class frmSplash : public forms::Form {
public:
    frmSplash();

    forms::Frame Frame1{*this, "Frame1"};
    forms::Image imgLogo{*this, "imgLogo"};
    forms::Label lblCompanyProduct{*this, "lblCompanyProduct"};
    forms::Label lblProductName{*this, "lblProductName"};
    forms::Label lblPlatform{*this, "lblPlatform"};
    forms::Label lblVersion{*this, "lblVersion"};
    forms::Label lblCopyright{*this, "lblCopyright"};
    forms::Label lblCompany{*this, "lblCompany"};
    forms::Label lblWarning{*this, "lblWarning"};
    forms::Label loadnormal{*this, "loadnormal"};
    forms::Label loadfirst{*this, "loadfirst"};
    forms::Timer Timer1{*this, "Timer1"};
    forms::Timer Timer2{*this, "Timer2"};
    // Hold the configuration while the load step reads it.
    forms::TextBox zekdir{*this, "zekdir"};
    forms::TextBox appdir{*this, "appdir"};

    void Timer1_Timer();
    void Timer2_Timer();

protected:
    void design() override;
    void Form_Load() override;

private:
    // Set while a tick is handing over, so that a tick arriving meanwhile
    // (Main's load may show a message box, and timers tick on inside it)
    // does not start the hand-over again.
    bool handingOver_ = false;
};

}  // namespace app
