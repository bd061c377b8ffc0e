// The launch-wait form: gives the copied files a moment, then starts the
// game through its launcher and closes.
#pragma once

#include "forms/Form.h"

namespace skirmish {

constexpr const char* kLaunchCommand = "gxexec.exe zek3.exe /RUNGAME";

class frmrungame : public forms::Form {
public:
    frmrungame();

    forms::Label Label1{*this, "Label1"};
    forms::Label Label2{*this, "Label2"};
    forms::Timer Timer1{*this, "Timer1"};

    void Timer1_Timer();

protected:
    void design() override;
    void Form_Load() override;
};

}  // namespace skirmish
