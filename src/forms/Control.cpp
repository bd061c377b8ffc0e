#include "forms/Control.h"

#include <cctype>

#include "forms/Form.h"
#include "forms/Runtime.h"

namespace forms {

Control::Control(Form& form, std::string name, ControlKind kind)
    : form_(form),
      name_(std::move(name)),
      kind_(kind),
      registrationIndex_(static_cast<int>(form.controls().size())) {
    form.registerControl(this);
}

void Control::changed() {
    if (!form_.Loaded() || !Runtime::exists()) {
        return;
    }
    if (kind_ == ControlKind::Timer) {
        Runtime::current().backend().timerChanged(static_cast<Timer&>(*this));
    } else {
        Runtime::current().backend().controlChanged(*this);
    }
}

void Control::setContainer(Frame* frame) {
    container_ = frame;
    changed();
}

void Control::Move(Twips left, Twips top, Twips width, Twips height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    changed();
}

void Control::setVisible(bool visible) {
    visible_ = visible;
    changed();
}

void Control::setEnabled(bool enabled) {
    enabled_ = enabled;
    changed();
}

void Control::setToolTipText(const std::string& text) {
    toolTip_ = text;
    changed();
}

void Control::setTag(const std::string& tag) {
    tag_ = tag;
}

void Control::setTabIndex(int index) {
    tabIndex_ = index;
    changed();
}

void Control::setTabStop(bool stop) {
    tabStop_ = stop;
    changed();
}

void Control::setFont(const forms::Font& font) {
    font_ = font;
    changed();
}

void Control::setForeColor(Color color) {
    foreColor_ = color;
    changed();
}

void Control::setBackColor(Color color) {
    backColor_ = color;
    changed();
}

bool Control::focusable() const {
    switch (kind_) {
        case ControlKind::CommandButton:
        case ControlKind::CheckBox:
        case ControlKind::TextBox:
            return true;
        default:
            return false;
    }
}

void Control::resetDesign() {
    container_ = nullptr;
    left_ = top_ = width_ = height_ = 0;
    visible_ = true;
    enabled_ = true;
    toolTip_.clear();
    tag_.clear();
    tabIndex_ = registrationIndex_;
    tabStop_ = focusable();
    font_ = forms::Font{};
    foreColor_ = kind_ == ControlKind::TextBox ? colors::WindowText : colors::ButtonText;
    backColor_ = kind_ == ControlKind::TextBox ? colors::WindowBackground : colors::ButtonFace;
}

// ---- CommandButton

void CommandButton::setCaption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void CommandButton::setDefault(bool value) {
    default_ = value;
    changed();
}

void CommandButton::setCancel(bool value) {
    cancel_ = value;
    changed();
}

void CommandButton::resetDesign() {
    Control::resetDesign();
    caption_ = Name();
    default_ = cancel_ = false;
}

void CommandButton::userClick() {
    if (Enabled() && Click) {
        Click();
    }
}

// ---- CheckBox

void CheckBox::setCaption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void CheckBox::setValue(int value) {
    if (value == value_) {
        return;
    }
    value_ = value;
    changed();
    // Design values are set while the form is not yet loaded and raise no
    // event, as the form's handlers expect a loaded form.
    if (Click && Parent().Loaded()) {
        Click();
    }
}

void CheckBox::resetDesign() {
    Control::resetDesign();
    caption_ = Name();
    value_ = 0;
}

void CheckBox::userClick() {
    if (Enabled()) {
        setValue(value_ == 0 ? 1 : 0);
    }
}

// ---- Image

void Image::setPicture(const forms::Picture& picture) {
    picture_ = picture;
    changed();
}

void Image::setStretch(bool stretch) {
    stretch_ = stretch;
    changed();
}

void Image::resetDesign() {
    Control::resetDesign();
    picture_ = {};
    stretch_ = false;
}

void Image::userClick() {
    if (Enabled() && Click) {
        Click();
    }
}

// ---- PictureBox

void PictureBox::setPicture(const forms::Picture& picture) {
    picture_ = picture;
    changed();
}

void PictureBox::setBordered(bool bordered) {
    bordered_ = bordered;
    changed();
}

void PictureBox::resetDesign() {
    Control::resetDesign();
    picture_ = {};
    bordered_ = true;
}

// ---- Label

void Label::setCaption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void Label::setAlignment(forms::Alignment alignment) {
    alignment_ = alignment;
    changed();
}

void Label::setAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    changed();
}

void Label::setWordWrap(bool wrap) {
    wordWrap_ = wrap;
    changed();
}

void Label::setTransparent(bool transparent) {
    transparent_ = transparent;
    changed();
}

void Label::resetDesign() {
    Control::resetDesign();
    caption_ = Name();
    alignment_ = forms::Alignment::Left;
    autoSize_ = wordWrap_ = transparent_ = false;
}

// ---- TextBox

void TextBox::setText(const std::string& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    changed();
    // As with a check box: no event for a design value.
    if (Change && Parent().Loaded()) {
        Change();
    }
}

void TextBox::setLocked(bool locked) {
    locked_ = locked;
    changed();
}

void TextBox::userType(const std::string& text) {
    if (Enabled() && !Locked()) {
        setText(text);
    }
}

void TextBox::resetDesign() {
    Control::resetDesign();
    text_.clear();
    locked_ = false;
}

// ---- Frame

void Frame::setCaption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void Frame::resetDesign() {
    Control::resetDesign();
    caption_ = Name();
}

// ---- Line

void Line::setEnds(Twips x1, Twips y1, Twips x2, Twips y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    changed();
}

// ---- Timer

void Timer::setInterval(int milliseconds) {
    interval_ = milliseconds;
    changed();
}

void Timer::resetDesign() {
    Control::resetDesign();
    interval_ = 0;
}

void Timer::tick() {
    if (Enabled() && Parent().Loaded() && Tick) {
        Tick();
    }
}

// ---- Menu

Menu::Menu(Form& form, std::string name) : form_(form), name_(std::move(name)) {
    form.registerMenu(this);
}

Menu::Menu(Menu& parent, std::string name)
    : form_(parent.form_), parent_(&parent), name_(std::move(name)) {
    parent.items_.push_back(this);
}

void Menu::changed() {
    if (form_.Loaded() && Runtime::exists()) {
        Runtime::current().backend().menuChanged(*this);
    }
}

void Menu::setCaption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void Menu::setShortcut(const std::string& shortcut) {
    shortcut_ = shortcut;
    changed();
}

void Menu::setEnabled(bool enabled) {
    enabled_ = enabled;
    changed();
}

void Menu::setVisible(bool visible) {
    visible_ = visible;
    changed();
}

void Menu::userClick() {
    if (enabled_ && visible_ && !isSeparator() && Click) {
        Click();
    }
}

void Menu::resetDesign() {
    caption_ = name_;
    shortcut_.clear();
    enabled_ = visible_ = true;
}

// ---- Captions

char accessKey(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (caption[i + 1] == '&') {
                ++i;
                continue;
            }
            return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
        }
    }
    return 0;
}

std::string displayCaption(const std::string& caption) {
    std::string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i;
        }
        shown += caption[i];
    }
    return shown;
}

}  // namespace forms
