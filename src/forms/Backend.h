// The interface between the forms runtime and what draws its windows.
//
// Two back ends implement it: a headless one that tests drive, and one that
// shows real windows. The runtime calls these operations at fixed points of a
// form's life and whenever a property changes; a back end calls back into the
// controls (userClick, userType, tick) through Runtime::dispatch.
#pragma once

#include <string>

#include "forms/Help.h"
#include "forms/Types.h"

namespace forms {

class Control;
class Form;
class Menu;
class Timer;

class Backend {
public:
    virtual ~Backend() = default;

    // The form has just been loaded: create its window, hidden.
    virtual void formLoaded(Form& form) = 0;
    virtual void formShown(Form& form) = 0;
    virtual void formHidden(Form& form) = 0;
    // The form has been unloaded: its window goes, and with it its timers.
    virtual void formUnloaded(Form& form) = 0;
    // Caption, position or another window property changed.
    virtual void formChanged(Form& form) = 0;
    virtual void controlChanged(Control& control) = 0;
    virtual void menuChanged(Menu& menu) = 0;
    // Interval, Enabled or the form's load state of a timer changed.
    virtual void timerChanged(Timer& timer) = 0;

    // A nested loop that returns once the form is no longer loaded.
    virtual void runModal(Form& form) = 0;
    // The program's main loop: returns once no form is loaded.
    virtual void runMain() = 0;

    // A modal message box with the OK button; returns the button pressed.
    virtual int messageBox(const std::string& prompt, int style, const std::string& title) = 0;
    // A message box with no owner window: it disables no form, so every form
    // takes input while it is open and their handlers run inside its loop
    // (one of them may show such a box again). Returns the button pressed.
    virtual int ownerlessMessageBox(const std::string& prompt, int style,
                                    const std::string& title) = 0;

    // Shows the help window of a book at a page (a path inside the help
    // file) with a list beside it, owned by the window `owner` (0 for none).
    // A window already open for the same book is raised and turned to that
    // page. Returns the window's number.
    virtual long showHelp(const HelpBook& book, const std::string& page, HelpPane pane,
                          long owner) = 0;
    // Closes every help window (popups included).
    virtual void closeHelpWindows() = 0;
    // Shows a small text popup; returns its window's number.
    virtual long showHelpPopup(const HelpPopup& popup) = 0;

    // Stops the program at once with the given exit status: no unload or
    // terminate handler runs.
    [[noreturn]] virtual void endProgram(int exitStatus) = 0;

    virtual Twips screenWidth() const = 0;
    virtual Twips screenHeight() const = 0;
    // What the window system adds around a form's client area.
    virtual Twips frameWidth(const Form& form) const = 0;
    virtual Twips frameHeight(const Form& form) const = 0;

    // What's-This help mode on one of the program's forms: the pointer
    // becomes a question mark until the next click. A back end without it
    // does nothing.
    virtual void enterWhatsThisMode(Form& /*form*/) {}
    // The mouse pointer's position on the screen, in pixels.
    virtual ScreenPoint cursorPosition() const { return {}; }
};

}  // namespace forms
