#include "forms/Form.h"

#include <algorithm>

#include "forms/Runtime.h"

namespace forms {

namespace {
long nextWindowHandle = 0x1000;
}

long newWindowHandle() {
    return nextWindowHandle += 4;
}

// ---- SystemMenu

void SystemMenu::reset(bool hasControlBox) {
    items_.clear();
    if (hasControlBox) {
        items_ = {"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "-", kClose};
    }
}

bool SystemMenu::removeByPosition(int position) {
    if (position < 0 || position >= static_cast<int>(items_.size())) {
        return false;
    }
    items_.erase(items_.begin() + position);
    return true;
}

bool SystemMenu::hasClose() const {
    return std::find(items_.begin(), items_.end(), kClose) != items_.end();
}

// ---- Form

Form::Form(std::string name) : name_(std::move(name)), hwnd_(newWindowHandle()) {}

Form::~Form() = default;

void Form::changed() {
    if (loaded_ && Runtime::exists()) {
        Runtime::current().backend().formChanged(*this);
    }
}

void Form::setCaption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void Form::setClientSize(Twips width, Twips height) {
    clientWidth_ = width;
    clientHeight_ = height;
    changed();
}

void Form::setBorderStyle(forms::BorderStyle style) {
    borderStyle_ = style;
    changed();
}

void Form::setControlBox(bool value) {
    controlBox_ = value;
    changed();
}

void Form::setMinButton(bool value) {
    minButton_ = value;
    changed();
}

void Form::setMaxButton(bool value) {
    maxButton_ = value;
    changed();
}

void Form::setShowInTaskbar(bool value) {
    showInTaskbar_ = value;
    changed();
}

void Form::setBackColor(Color color) {
    backColor_ = color;
    changed();
}

void Form::setPicture(const forms::Picture& picture) {
    picture_ = picture;
    changed();
}

void Form::setIcon(const forms::Picture& icon) {
    icon_ = icon;
    changed();
}

void Form::setStartUpPosition(forms::StartUpPosition position) {
    startUpPosition_ = position;
}

Twips Form::Width() const {
    return clientWidth_ + Runtime::current().backend().frameWidth(*this);
}

Twips Form::Height() const {
    return clientHeight_ + Runtime::current().backend().frameHeight(*this);
}

void Form::Move(Twips left, Twips top) {
    left_ = left;
    top_ = top;
    changed();
}

void Form::Load() {
    if (loaded_) {
        return;
    }
    // Back to the design state: the runtime's defaults, then the form's own.
    for (Control* c : controls_) {
        c->resetDesign();
    }
    for (Menu* m : allMenus()) {
        m->resetDesign();
    }
    caption_ = name_;
    left_ = top_ = 0;
    visible_ = false;
    modal_ = false;
    owner_ = nullptr;
    activeControl_ = nullptr;
    design();
    systemMenu_.reset(controlBox_ && borderStyle_ != forms::BorderStyle::None);

    loaded_ = true;
    Backend& backend = Runtime::current().backend();
    backend.formLoaded(*this);
    std::vector<Control*> order = tabOrder();
    if (!order.empty()) {
        activeControl_ = order.front();
    }
    Form_Load();
    // Timers start with the load, unless the load unloaded the form again.
    if (loaded_) {
        for (Control* c : controls_) {
            if (c->Kind() == ControlKind::Timer) {
                backend.timerChanged(static_cast<Timer&>(*c));
            }
        }
    }
}

void Form::Show(ShowMode mode, Form* owner) {
    Runtime& runtime = Runtime::current();
    if (mode == ShowMode::Modal && visible_) {
        throw RuntimeError(400, "Form already displayed; can't show modally");
    }
    Load();
    if (!loaded_) {
        return;  // the load step unloaded the form again
    }
    owner_ = owner;
    if (startUpPosition_ == forms::StartUpPosition::CenterOwner && owner != nullptr) {
        left_ = owner->Left() + (owner->Width() - Width()) / 2;
        top_ = owner->Top() + (owner->Height() - Height()) / 2;
    } else if (startUpPosition_ == forms::StartUpPosition::CenterScreen) {
        centreOnScreen(*this);
    }
    visible_ = true;
    modal_ = mode == ShowMode::Modal;
    runtime.backend().formShown(*this);
    if (modal_) {
        runtime.pushModal(this);
        try {
            runtime.backend().runModal(*this);
        } catch (...) {
            runtime.popModal(this);
            throw;
        }
        runtime.popModal(this);
    }
}

void Form::Hide() {
    if (!visible_) {
        return;
    }
    visible_ = false;
    Runtime::current().backend().formHidden(*this);
}

void Form::Unload() {
    if (!loaded_) {
        return;
    }
    Form_Unload();
    loaded_ = false;
    visible_ = false;
    Runtime::current().backend().formUnloaded(*this);
}

bool Form::requestClose() {
    if (!loaded_ || !systemMenu_.hasClose()) {
        return false;
    }
    Unload();
    return true;
}

void Form::Terminate() {
    Form_Terminate();
}

std::vector<Menu*> Form::allMenus() const {
    std::vector<Menu*> all;
    std::vector<Menu*> pending(menuBar_.rbegin(), menuBar_.rend());
    while (!pending.empty()) {
        Menu* m = pending.back();
        pending.pop_back();
        all.push_back(m);
        for (auto it = m->Items().rbegin(); it != m->Items().rend(); ++it) {
            pending.push_back(*it);
        }
    }
    return all;
}

Control* Form::findControl(const std::string& name) const {
    for (Control* c : controls_) {
        if (c->Name() == name) {
            return c;
        }
    }
    return nullptr;
}

Menu* Form::findMenu(const std::string& name) const {
    for (Menu* m : allMenus()) {
        if (m->Name() == name) {
            return m;
        }
    }
    return nullptr;
}

void Form::setFocus(Control* control) {
    activeControl_ = control;
}

std::vector<Control*> Form::tabOrder() const {
    std::vector<Control*> order;
    for (Control* c : controls_) {
        bool containerShown =
            c->Container() == nullptr || (c->Container()->Visible() && c->Container()->Enabled());
        if (c->focusable() && c->TabStop() && c->Visible() && c->Enabled() && containerShown) {
            order.push_back(c);
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
    return order;
}

}  // namespace forms
