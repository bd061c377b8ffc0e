// Forms: windows with their controls, menus and events.
//
// A form class declares its controls as members, wires their events in its
// constructor and sets their design values in design(). The runtime loads a
// form on its first Show (design(), then the window, then Form_Load); Unload
// closes the window and leaves the object for the next load, which starts
// again from the design values. Unloading a form inside one of its own
// handlers does not stop that handler.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "forms/Control.h"
#include "forms/Types.h"

namespace forms {

enum class BorderStyle { None, FixedSingle, Sizable, FixedDialog, FixedToolWindow };
enum class StartUpPosition { Manual, CenterOwner, CenterScreen };
enum class ShowMode { Modeless, Modal };

// A window's system menu, as the window system keeps it: a list of items
// that can be removed by position. A window whose menu has lost its Close
// item refuses every request to close it.
class SystemMenu {
public:
    static constexpr const char* kClose = "&Close";

    void reset(bool hasControlBox);
    // Removes the item at a zero-based position; false when there is none.
    bool removeByPosition(int position);
    bool hasClose() const;
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
};

class Form {
public:
    explicit Form(std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }

    // Window properties (design values come from design()).
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);
    Twips ClientWidth() const { return clientWidth_; }
    Twips ClientHeight() const { return clientHeight_; }
    void setClientSize(Twips width, Twips height);
    forms::BorderStyle BorderStyle() const { return borderStyle_; }
    void setBorderStyle(forms::BorderStyle style);
    bool ControlBox() const { return controlBox_; }
    void setControlBox(bool value);
    bool MinButton() const { return minButton_; }
    void setMinButton(bool value);
    bool MaxButton() const { return maxButton_; }
    void setMaxButton(bool value);
    bool ShowInTaskbar() const { return showInTaskbar_; }
    void setShowInTaskbar(bool value);
    Color BackColor() const { return backColor_; }
    void setBackColor(Color color);
    // A background picture, drawn from the top-left corner at its own size.
    const forms::Picture& Picture() const { return picture_; }
    void setPicture(const forms::Picture& picture);
    const forms::Picture& Icon() const { return icon_; }
    void setIcon(const forms::Picture& icon);
    forms::StartUpPosition StartUpPosition() const { return startUpPosition_; }
    void setStartUpPosition(forms::StartUpPosition position);

    // Outer position and size, in twips, as the window system frames the
    // client area.
    Twips Left() const { return left_; }
    Twips Top() const { return top_; }
    Twips Width() const;
    Twips Height() const;
    void Move(Twips left, Twips top);

    // Life cycle.
    bool Loaded() const { return loaded_; }
    bool Visible() const { return visible_; }
    void Load();
    // Loads the form if needed and shows it. A modal show runs a nested loop
    // and returns only once the form has been unloaded and the handler that
    // unloaded it has finished.
    void Show(ShowMode mode = ShowMode::Modeless, Form* owner = nullptr);
    void Hide();
    void Unload();
    // The window system's request to close the form (its close button or
    // keystroke). Refused when the system menu has lost its Close item.
    bool requestClose();
    // The end of the form object's life, signalled from outside the program.
    void Terminate();

    bool isModal() const { return modal_; }
    Form* Owner() const { return owner_; }

    // A window handle for the window system's calls on this form.
    long hWnd() const { return hwnd_; }
    SystemMenu& systemMenu() { return systemMenu_; }

    // Controls and menus, in declaration order.
    const std::vector<Control*>& controls() const { return controls_; }
    const std::vector<Menu*>& menuBar() const { return menuBar_; }
    std::vector<Menu*> allMenus() const;
    Control* findControl(const std::string& name) const;
    Menu* findMenu(const std::string& name) const;
    template <class T>
    T& control(const std::string& name) const;

    // Keyboard focus.
    Control* ActiveControl() const { return activeControl_; }
    void setFocus(Control* control);
    // The focusable controls in tab order.
    std::vector<Control*> tabOrder() const;

protected:
    // Sets every property of the form and its controls to its design value.
    virtual void design() {}
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    virtual void Form_Terminate() {}

private:
    friend class Control;
    friend class Menu;
    void registerControl(Control* control) { controls_.push_back(control); }
    void registerMenu(Menu* menu) { menuBar_.push_back(menu); }
    void changed();

    std::string name_;
    long hwnd_;
    std::string caption_;
    Twips clientWidth_ = 4800, clientHeight_ = 3600;
    forms::BorderStyle borderStyle_ = forms::BorderStyle::Sizable;
    bool controlBox_ = true;
    bool minButton_ = true;
    bool maxButton_ = true;
    bool showInTaskbar_ = true;
    Color backColor_ = colors::ButtonFace;
    forms::Picture picture_;
    forms::Picture icon_;
    forms::StartUpPosition startUpPosition_ = forms::StartUpPosition::Manual;
    Twips left_ = 0, top_ = 0;
    bool loaded_ = false;
    bool visible_ = false;
    bool modal_ = false;
    Form* owner_ = nullptr;
    SystemMenu systemMenu_;
    std::vector<Control*> controls_;
    std::vector<Menu*> menuBar_;
    Control* activeControl_ = nullptr;
};

// A window handle not used by any other window: forms take theirs from the
// same sequence, so help windows and popups never share one with a form.
long newWindowHandle();

template <class T>
T& Form::control(const std::string& name) const {
    Control* c = findControl(name);
    T* typed = dynamic_cast<T*>(c);
    if (typed == nullptr) {
        throw std::logic_error("form " + name_ + " has no control " + name + " of that kind");
    }
    return *typed;
}

}  // namespace forms
