// Controls of the forms runtime.
//
// A control is a member object of its form. It holds every property the
// program reads or writes and raises its events through plain function
// members (Click, Change, Tick) that the form wires to its handlers once, in
// its constructor. A back end mirrors the properties on screen: every setter
// tells it through Control::changed() while the form is loaded.
//
// Design values are set by the form's design() on every load, so a form that
// is unloaded and shown again starts from its design state.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/Types.h"

namespace forms {

class Form;
class Frame;
class Menu;

enum class ControlKind {
    CommandButton,
    CheckBox,
    Image,
    Label,
    TextBox,
    Frame,
    Line,
    Timer,
    PictureBox
};

class Control {
public:
    Control(Form& form, std::string name, ControlKind kind);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    ControlKind Kind() const { return kind_; }
    Form& Parent() const { return form_; }

    // The frame that holds the control; null for a child of the form itself.
    // Positions are relative to the container's top-left corner.
    Frame* Container() const { return container_; }
    void setContainer(Frame* frame);

    Twips Left() const { return left_; }
    Twips Top() const { return top_; }
    Twips Width() const { return width_; }
    Twips Height() const { return height_; }
    void Move(Twips left, Twips top, Twips width, Twips height);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    const std::string& ToolTipText() const { return toolTip_; }
    void setToolTipText(const std::string& text);
    const std::string& Tag() const { return tag_; }
    void setTag(const std::string& tag);
    int TabIndex() const { return tabIndex_; }
    void setTabIndex(int index);
    bool TabStop() const { return tabStop_; }
    void setTabStop(bool stop);
    const forms::Font& Font() const { return font_; }
    void setFont(const forms::Font& font);
    Color ForeColor() const { return foreColor_; }
    void setForeColor(Color color);
    Color BackColor() const { return backColor_; }
    void setBackColor(Color color);

    // Whether the control can take the keyboard focus at all.
    bool focusable() const;

    // Restores the runtime's defaults; the form's design() then applies its
    // own design values on top.
    virtual void resetDesign();

    // A user's click, as a back end reports it. Does nothing on a control
    // that is disabled or has no click.
    virtual void userClick() {}

protected:
    void changed();

private:
    Form& form_;
    std::string name_;
    ControlKind kind_;
    int registrationIndex_;
    Frame* container_ = nullptr;
    Twips left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::string toolTip_;
    std::string tag_;
    int tabIndex_ = 0;
    bool tabStop_ = false;
    forms::Font font_;
    Color foreColor_ = colors::ButtonText;
    Color backColor_ = colors::ButtonFace;
};

class CommandButton : public Control {
public:
    CommandButton(Form& form, std::string name)
        : Control(form, std::move(name), ControlKind::CommandButton) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);
    // The default button is pressed by Enter, the cancel button by Esc.
    bool Default() const { return default_; }
    void setDefault(bool value);
    bool Cancel() const { return cancel_; }
    void setCancel(bool value);

    std::function<void()> Click;

    void resetDesign() override;
    void userClick() override;

private:
    std::string caption_;
    bool default_ = false;
    bool cancel_ = false;
};

class CheckBox : public Control {
public:
    CheckBox(Form& form, std::string name)
        : Control(form, std::move(name), ControlKind::CheckBox) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);
    int Value() const { return value_; }
    // Assigning a different value raises Click at once, inside the
    // assignment; assigning the value the box already has raises nothing.
    void setValue(int value);

    std::function<void()> Click;

    void resetDesign() override;
    // A user's click flips the box between clear and ticked.
    void userClick() override;

private:
    std::string caption_;
    int value_ = 0;
};

class Image : public Control {
public:
    Image(Form& form, std::string name) : Control(form, std::move(name), ControlKind::Image) {}

    const forms::Picture& Picture() const { return picture_; }
    void setPicture(const forms::Picture& picture);
    // A stretched picture is drawn to the control's size; otherwise the
    // control takes the picture's size.
    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);

    std::function<void()> Click;

    void resetDesign() override;
    void userClick() override;

private:
    forms::Picture picture_;
    bool stretch_ = false;
};

// A picture box: a box of its own BackColor with a picture drawn at its own
// size from the top-left corner, clipped to the box, inside an optional
// sunken border. Unlike an Image it never stretches or resizes its picture.
class PictureBox : public Control {
public:
    PictureBox(Form& form, std::string name)
        : Control(form, std::move(name), ControlKind::PictureBox) {}

    const forms::Picture& Picture() const { return picture_; }
    void setPicture(const forms::Picture& picture);
    // The sunken border (on by default) takes 2 pixels a side of the box.
    bool Bordered() const { return bordered_; }
    void setBordered(bool bordered);

    void resetDesign() override;

private:
    forms::Picture picture_;
    bool bordered_ = true;
};

enum class Alignment { Left, Right, Center };

class Label : public Control {
public:
    Label(Form& form, std::string name) : Control(form, std::move(name), ControlKind::Label) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);
    forms::Alignment Alignment() const { return alignment_; }
    void setAlignment(forms::Alignment alignment);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool wrap);
    // A transparent label lets its container's background show through.
    bool Transparent() const { return transparent_; }
    void setTransparent(bool transparent);

    void resetDesign() override;

private:
    std::string caption_;
    forms::Alignment alignment_ = forms::Alignment::Left;
    bool autoSize_ = false;
    bool wordWrap_ = false;
    bool transparent_ = false;
};

class TextBox : public Control {
public:
    TextBox(Form& form, std::string name) : Control(form, std::move(name), ControlKind::TextBox) {}

    const std::string& Text() const { return text_; }
    // A change of the text raises Change, whether code or the user makes it.
    void setText(const std::string& text);
    // A locked box refuses typing; code can still set its text.
    bool Locked() const { return locked_; }
    void setLocked(bool locked);

    // The user's typing, as a back end reports it: refused when locked or
    // disabled.
    void userType(const std::string& text);

    std::function<void()> Change;

    void resetDesign() override;

private:
    std::string text_;
    bool locked_ = false;
};

class Frame : public Control {
public:
    Frame(Form& form, std::string name) : Control(form, std::move(name), ControlKind::Frame) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);

    void resetDesign() override;

private:
    std::string caption_;
};

class Line : public Control {
public:
    Line(Form& form, std::string name) : Control(form, std::move(name), ControlKind::Line) {}

    Twips X1() const { return x1_; }
    Twips Y1() const { return y1_; }
    Twips X2() const { return x2_; }
    Twips Y2() const { return y2_; }
    void setEnds(Twips x1, Twips y1, Twips x2, Twips y2);
    Color BorderColor() const { return ForeColor(); }
    void setBorderColor(Color color) { setForeColor(color); }

private:
    Twips x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

// A timer ticks every Interval milliseconds while it is enabled and its form
// is loaded. Ticks run on the user-interface thread, also inside a modal form
// or a message box.
class Timer : public Control {
public:
    Timer(Form& form, std::string name) : Control(form, std::move(name), ControlKind::Timer) {}

    int Interval() const { return interval_; }
    void setInterval(int milliseconds);
    // Control::Enabled is the timer's running switch.

    std::function<void()> Tick;

    void resetDesign() override;
    // The back end's tick.
    void tick();

private:
    int interval_ = 0;
};

// A menu title in the form's menu bar, or an item of a menu. A caption of
// "-" makes a separator.
class Menu {
public:
    Menu(Form& form, std::string name);    // a title in the menu bar
    Menu(Menu& parent, std::string name);  // an item of that title
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    const std::string& Name() const { return name_; }
    Form& Parent() const { return form_; }
    Menu* ParentMenu() const { return parent_; }
    const std::vector<Menu*>& Items() const { return items_; }

    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);
    // "F1", "Ctrl+L" and the like; empty for none.
    const std::string& Shortcut() const { return shortcut_; }
    void setShortcut(const std::string& shortcut);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    bool isSeparator() const { return caption_ == "-"; }

    std::function<void()> Click;
    void userClick();

    void resetDesign();

private:
    void changed();

    Form& form_;
    Menu* parent_ = nullptr;
    std::string name_;
    std::vector<Menu*> items_;
    std::string caption_;
    std::string shortcut_;
    bool enabled_ = true;
    bool visible_ = true;
};

// The access key of a caption: the character after a single '&', lower-cased;
// 0 when there is none.
char accessKey(const std::string& caption);
// The caption as shown, with the access-key marks removed ("&&" shows "&").
std::string displayCaption(const std::string& caption);

}  // namespace forms
