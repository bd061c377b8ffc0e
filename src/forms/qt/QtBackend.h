// The back end that shows the forms as Qt Widgets windows.
//
// This header is all the rest of the program sees of it: no Qt type appears
// here, so the program's own code never speaks to Qt.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "forms/Backend.h"
#include "forms/Form.h"

namespace forms::qt {

// Creates the QApplication (if none exists) and the back end. argc must
// outlive the application, as QApplication keeps a reference to it.
std::unique_ptr<forms::Backend> makeBackend(int& argc, char** argv);

// The name of the program's launcher entry (without ".desktop"), by which
// the desktop matches its windows to the entry and its icon.
void setDesktopFileName(const std::string& name);

// Saves the current look of a loaded form's window (client area and menu
// bar) as a PNG; false on failure.
bool grabForm(forms::Form& form, const std::string& pngPath);

// Saves the look of the help window or popup with that number as a PNG;
// false when none is open.
bool grabHelp(long number, const std::string& pngPath);

// What End() does, given the exit status; the default stops the process at
// once (std::_Exit) so no unload or terminate handler runs. An empty handler
// restores the default. When a handler returns, End() unwinds with
// forms::ProgramEnd and the back end's loops stop.
void setEndHandler(std::function<void(int)> handler);

}  // namespace forms::qt
