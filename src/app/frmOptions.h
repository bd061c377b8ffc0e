// The Options dialog: shows the stored game directory for editing and the
// program directory read-only, and writes both configuration files. OK also
// hands the new directory to Main at once; Apply only writes the files.
#pragma once

#include "forms/Form.h"

namespace app {

class frmOptions : public forms::Form {
public:
    frmOptions();

    forms::Label Label4{*this, "Label4"};
    forms::TextBox zekdir{*this, "zekdir"};
    forms::Label Label1{*this, "Label1"};
    forms::TextBox appdir{*this, "appdir"};
    forms::Line Line1{*this, "Line1"};
    forms::Line Line2{*this, "Line2"};
    forms::CommandButton cmdOK{*this, "cmdOK"};
    forms::CommandButton cmdCancel{*this, "cmdCancel"};
    forms::CommandButton cmdApply{*this, "cmdApply"};
    // What Apply and OK write: a mirror of zekdir, and the program directory
    // taken at load.
    forms::TextBox Text1{*this, "Text1"};
    forms::TextBox Text2{*this, "Text2"};

    void zekdir_Change();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void design() override;
    void Form_Load() override;

private:
    // Writes both files, unless the game directory is refused.
    bool writeConfiguration();
};

}  // namespace app
