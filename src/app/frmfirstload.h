// The first-run dialog: asks for the game directory, writes both
// configuration files, creates the game's SAVE folder and starts again.
#pragma once

#include "forms/Form.h"

namespace app {

class frmfirstload : public forms::Form {
public:
    frmfirstload();

    forms::Label Label1{*this, "Label1"};
    forms::Label Label2{*this, "Label2"};
    forms::TextBox zekdir{*this, "zekdir"};
    forms::Label Label3{*this, "Label3"};
    forms::TextBox appdir{*this, "appdir"};
    forms::Line Line2{*this, "Line2"};
    forms::Line Line1{*this, "Line1"};
    forms::CommandButton exit{*this, "exit"};
    forms::CommandButton enter{*this, "enter"};

    void enter_Click();
    void exit_Click();

protected:
    void design() override;
    void Form_Load() override;
};

}  // namespace app
