// Takes the Close command (and the separator above it) off a form's system
// menu, so that the window offers the user no way to close it.
#pragma once

#include "forms/Form.h"

namespace app {

void DisableCloseMenu(forms::Form& frm);

}  // namespace app
