#include "forms/headless/Headless.h"

#include <algorithm>
#include <cctype>

namespace forms::headless {

namespace {

// A loop that only ever moves the clock on, with nothing queued, for longer
// than this is taken to be spinning on a timer that never stops.
constexpr long long kRunawayMs = 24LL * 60 * 60 * 1000;

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A fault of the test's script. It is raised as a DriverFault, which no trap
// of the program's code and not the event dispatch catches, and reaches the
// test as a ScriptError through the driver.
[[noreturn]] void fault(const std::string& message) {
    throw DriverFault{message};
}

}  // namespace

HeadlessBackend::HeadlessBackend() = default;

void HeadlessBackend::formLoaded(Form&) {}
void HeadlessBackend::formShown(Form&) {}
void HeadlessBackend::formHidden(Form&) {}
void HeadlessBackend::formChanged(Form&) {}
void HeadlessBackend::controlChanged(Control&) {}
void HeadlessBackend::menuChanged(Menu&) {}

void HeadlessBackend::formUnloaded(Form& form) {
    std::erase_if(timers_,
                  [&form](const ScheduledTimer& s) { return &s.timer->Parent() == &form; });
}

void HeadlessBackend::timerChanged(Timer& timer) {
    bool active = timer.Parent().Loaded() && timer.Enabled() && timer.Interval() > 0;
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&timer](const ScheduledTimer& s) { return s.timer == &timer; });
    if (!active) {
        if (it != timers_.end()) {
            timers_.erase(it);
        }
        return;
    }
    if (it == timers_.end()) {
        timers_.push_back({&timer, now_ + timer.Interval(), timer.Interval()});
    } else if (it->interval != timer.Interval()) {
        it->interval = timer.Interval();
        it->due = now_ + timer.Interval();
    }
}

std::optional<long long> HeadlessBackend::nextDue() const {
    std::optional<long long> due;
    for (const ScheduledTimer& s : timers_) {
        if (!due || s.due < *due) {
            due = s.due;
        }
    }
    return due;
}

void HeadlessBackend::advanceTo(long long time) {
    while (true) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->due <= time && (next == timers_.end() || it->due < next->due)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        now_ = std::max(now_, next->due);
        next->due += next->interval;
        Timer* timer = next->timer;
        // The tick may load, unload or show forms modally, which moves the
        // clock on inside it; the schedule is looked at afresh afterwards.
        Runtime::current().dispatch([timer] { timer->tick(); });
    }
    now_ = std::max(now_, time);
}

bool HeadlessBackend::runWhile(const std::function<bool()>& waiting, const std::string& who) {
    long long idleSince = now_;
    while (waiting()) {
        if (!script_.empty()) {
            performNext();
            idleSince = now_;
            continue;
        }
        auto due = nextDue();
        if (!due) {
            return false;  // nothing queued and no timer: waiting for the user
        }
        if (*due - idleSince > kRunawayMs) {
            fault(who + " waits while a timer keeps ticking");
        }
        advanceTo(*due);
    }
    return true;
}

void HeadlessBackend::runModal(Form& form) {
    if (!runWhile([&form] { return form.Loaded(); }, "form " + form.Name())) {
        fault("form " + form.Name() +
              " is shown modally and waits for the user, but nothing is queued");
    }
}

void HeadlessBackend::runMain() {
    runWhile([] { return !Runtime::current().loadedForms().empty(); }, "the program");
}

long HeadlessBackend::showHelp(const HelpBook& book, const std::string& page, HelpPane pane,
                               long owner) {
    auto open =
        std::find_if(helpWindows_.begin(), helpWindows_.end(),
                     [&](const HelpWindowRecord& w) { return w.open && w.book.key == book.key; });
    if (open == helpWindows_.end()) {
        helpWindows_.push_back(
            HelpWindowRecord{newWindowHandle(), book, page, std::nullopt, pane, owner});
        open = helpWindows_.end() - 1;
    } else {
        open->book = book;
        open->page = page;
        open->pane = pane;
        open->owner = owner;
        ++open->shows;
    }
    open->pageText = book.load ? book.load(page) : std::nullopt;
    return open->number;
}

void HeadlessBackend::closeHelpWindows() {
    for (HelpWindowRecord& window : helpWindows_) {
        window.open = false;
    }
}

std::size_t HeadlessBackend::openHelpWindows() const {
    return static_cast<std::size_t>(
        std::count_if(helpWindows_.begin(), helpWindows_.end(),
                      [](const HelpWindowRecord& w) { return w.open; }));
}

long HeadlessBackend::showHelpPopup(const HelpPopup& popup) {
    popups_.push_back(popup);
    return newWindowHandle();
}

int HeadlessBackend::messageBox(const std::string& prompt, int style, const std::string& title) {
    return showMessage(prompt, style, title, false);
}

int HeadlessBackend::ownerlessMessageBox(const std::string& prompt, int style,
                                         const std::string& title) {
    return showMessage(prompt, style, title, true);
}

int HeadlessBackend::showMessage(const std::string& prompt, int style, const std::string& title,
                                 bool ownerless) {
    messages_.push_back({style, title, prompt, now_, ownerless});
    int& depth = ownerless ? ownerlessDepth_ : messageDepth_;
    ++depth;
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } guard{depth};
    const bool yesNo = (style & 0x7) == style::YesNo;
    while (!script_.empty()) {
        Action& next = script_.front();
        if (next.kind == Action::Kind::Answer) {
            std::string given = next.text;
            script_.pop_front();
            if (yesNo != (given == "Yes" || given == "No")) {
                fault("answer " + (given.empty() ? std::string("OK") : given) +
                      " does not fit the box \"" + title + "\"");
            }
            if (yesNo) {
                return given == "Yes" ? answer::Yes : answer::No;
            }
            break;
        }
        if (ownerless || next.kind == Action::Kind::Wait || next.kind == Action::Kind::Call ||
            next.kind == Action::Kind::Terminate) {
            performNext();
            continue;
        }
        break;  // what follows is for after the box: answer it now
    }
    // With no answer queued, a box takes the answer that changes nothing.
    return yesNo ? answer::No : answer::Ok;
}

void HeadlessBackend::endProgram(int exitStatus) {
    ended_ = true;
    exitStatus_ = exitStatus;
    throw ProgramEnd{};
}

Twips HeadlessBackend::frameWidth(const Form& form) const {
    return form.BorderStyle() == BorderStyle::None ? 0 : 8 * kTwipsPerPixelAt96Dpi;
}

Twips HeadlessBackend::frameHeight(const Form& form) const {
    if (form.BorderStyle() == BorderStyle::None) {
        return 0;
    }
    Twips height = 8 * kTwipsPerPixelAt96Dpi;
    if (form.ControlBox() || !form.Caption().empty()) {
        height += 23 * kTwipsPerPixelAt96Dpi;
    }
    if (!form.menuBar().empty()) {
        height += 20 * kTwipsPerPixelAt96Dpi;
    }
    return height;
}

void HeadlessBackend::setScreenSize(Twips width, Twips height) {
    screenWidth_ = width;
    screenHeight_ = height;
}

void HeadlessBackend::performNext() {
    Action action = std::move(script_.front());
    script_.pop_front();
    perform(action);
}

Form& HeadlessBackend::targetForm(const Action& action) {
    Form* form = Runtime::current().findForm(action.form);
    if (form == nullptr || !form->Loaded() || !form->Visible()) {
        fault("form " + action.form + " is not shown");
    }
    if (messageDepth_ > 0) {
        fault("a message box is open; form " + action.form + " takes no input");
    }
    const auto& modal = Runtime::current().modalStack();
    if (!modal.empty() && modal.back() != form) {
        fault("form " + modal.back()->Name() + " is shown modally; form " + action.form +
              " takes no input");
    }
    return *form;
}

void HeadlessBackend::checkReachable(Form& form, Control& control) const {
    Twips left = control.Left();
    Twips top = control.Top();
    bool shown = control.Visible();
    for (Frame* frame = control.Container(); frame != nullptr; frame = frame->Container()) {
        left += frame->Left();
        top += frame->Top();
        shown = shown && frame->Visible();
    }
    if (!shown) {
        fault(control.Name() + " is not visible");
    }
    if (left >= form.ClientWidth() || top >= form.ClientHeight() || left + control.Width() <= 0 ||
        top + control.Height() <= 0) {
        fault(control.Name() + " lies outside the client area of " + form.Name());
    }
}

void HeadlessBackend::clickControl(Form& form, Control& control) {
    if (control.focusable() && control.Enabled()) {
        form.setFocus(&control);
    }
    control.userClick();
}

void HeadlessBackend::perform(const Action& action) {
    Runtime& runtime = Runtime::current();
    switch (action.kind) {
        case Action::Kind::Click: {
            Form& form = targetForm(action);
            Control* control = form.findControl(action.target);
            if (control == nullptr) {
                fault("form " + form.Name() + " has no control " + action.target);
            }
            checkReachable(form, *control);
            runtime.dispatch([&] { clickControl(form, *control); });
            break;
        }
        case Action::Kind::Menu: {
            Form& form = targetForm(action);
            Menu* item = form.findMenu(action.target);
            if (item == nullptr) {
                fault("form " + form.Name() + " has no menu item " + action.target);
            }
            runtime.dispatch([item] { item->userClick(); });
            break;
        }
        case Action::Kind::Type: {
            Form& form = targetForm(action);
            auto& box = form.control<TextBox>(action.target);
            checkReachable(form, box);
            runtime.dispatch([&] {
                form.setFocus(&box);
                box.userType(action.text);
            });
            break;
        }
        case Action::Kind::Key: {
            Form& form = targetForm(action);
            runtime.dispatch([&] { pressKey(form, action.text); });
            break;
        }
        case Action::Kind::Answer:
            fault("an answer is queued but no message box is open");
        case Action::Kind::Wait:
            advanceTo(now_ + action.ms);
            break;
        case Action::Kind::Close: {
            Form& form = targetForm(action);
            runtime.dispatch([&form] { form.requestClose(); });
            break;
        }
        case Action::Kind::Terminate: {
            Form* form = runtime.findForm(action.form);
            if (form == nullptr) {
                fault("no form " + action.form);
            }
            runtime.dispatch([form] { form->Terminate(); });
            break;
        }
        case Action::Kind::Call:
            action.call();
            break;
    }
}

void HeadlessBackend::pressKey(Form& form, const std::string& key) {
    std::vector<Control*> order = form.tabOrder();
    Control* active = form.ActiveControl();
    if (key == "Tab" || key == "Shift+Tab") {
        if (order.empty()) {
            return;
        }
        auto it = std::find(order.begin(), order.end(), active);
        std::ptrdiff_t index = it == order.end() ? -1 : it - order.begin();
        std::ptrdiff_t n = static_cast<std::ptrdiff_t>(order.size());
        index = key == "Tab" ? (index + 1) % n : (index <= 0 ? n - 1 : index - 1);
        form.setFocus(order[static_cast<std::size_t>(index)]);
        return;
    }
    if (key == "Space") {
        if (active != nullptr && (active->Kind() == ControlKind::CommandButton ||
                                  active->Kind() == ControlKind::CheckBox)) {
            active->userClick();
        }
        return;
    }
    auto pressButton = [&form](bool wantDefault) {
        for (Control* c : form.controls()) {
            if (c->Kind() != ControlKind::CommandButton || !c->Visible()) {
                continue;
            }
            auto* button = static_cast<CommandButton*>(c);
            if (wantDefault ? button->Default() : button->Cancel()) {
                button->userClick();
                return;
            }
        }
    };
    if (key == "Enter") {
        if (active != nullptr && active->Kind() == ControlKind::CommandButton) {
            active->userClick();
        } else {
            pressButton(true);
        }
        return;
    }
    if (key == "Esc") {
        pressButton(false);
        return;
    }
    if (key == "Alt+F4") {
        form.requestClose();
        return;
    }
    if (key.rfind("Alt+", 0) == 0 && key.size() == 5) {
        char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(key[4])));
        for (Menu* title : form.menuBar()) {
            if (accessKey(title->Caption()) == wanted) {
                return;  // opens the menu; choosing an item is a separate action
            }
        }
        for (Control* c : order) {
            std::string caption;
            if (c->Kind() == ControlKind::CommandButton) {
                caption = static_cast<CommandButton*>(c)->Caption();
            } else if (c->Kind() == ControlKind::CheckBox) {
                caption = static_cast<CheckBox*>(c)->Caption();
            }
            if (accessKey(caption) == wanted) {
                form.setFocus(c);
                c->userClick();
                return;
            }
        }
        return;
    }
    // A menu shortcut.
    for (Menu* item : form.allMenus()) {
        if (!item->Shortcut().empty() && lower(item->Shortcut()) == lower(key)) {
            item->userClick();
            return;
        }
    }
}

// ---- Driver

Driver::Driver() {
    auto backend = std::make_unique<HeadlessBackend>();
    backend_ = backend.get();
    runtime_ = std::make_unique<Runtime>(std::move(backend));
}

Driver::~Driver() = default;

Driver& Driver::queue(Action action) {
    backend_->script().push_back(std::move(action));
    return *this;
}

Driver& Driver::click(const std::string& form, const std::string& control) {
    return queue({Action::Kind::Click, form, control, {}, 0, {}});
}

Driver& Driver::menu(const std::string& form, const std::string& item) {
    return queue({Action::Kind::Menu, form, item, {}, 0, {}});
}

Driver& Driver::type(const std::string& form, const std::string& control, const std::string& text) {
    return queue({Action::Kind::Type, form, control, text, 0, {}});
}

Driver& Driver::key(const std::string& form, const std::string& key) {
    return queue({Action::Kind::Key, form, {}, key, 0, {}});
}

Driver& Driver::ok() {
    return queue({Action::Kind::Answer, {}, {}, {}, 0, {}});
}

Driver& Driver::yes() {
    return queue({Action::Kind::Answer, {}, {}, "Yes", 0, {}});
}

Driver& Driver::no() {
    return queue({Action::Kind::Answer, {}, {}, "No", 0, {}});
}

Driver& Driver::wait(long long ms) {
    return queue({Action::Kind::Wait, {}, {}, {}, ms, {}});
}

Driver& Driver::close(const std::string& form) {
    return queue({Action::Kind::Close, form, {}, {}, 0, {}});
}

Driver& Driver::terminate(const std::string& form) {
    return queue({Action::Kind::Terminate, form, {}, {}, 0, {}});
}

Driver& Driver::then(std::function<void()> call) {
    return queue({Action::Kind::Call, {}, {}, {}, 0, std::move(call)});
}

void Driver::guarded(const std::function<void()>& body) {
    if (ended()) {
        throw ScriptError("the program has ended");
    }
    try {
        body();
    } catch (const ProgramEnd&) {
        backend_->script().clear();
    } catch (const DriverFault& broken) {
        throw ScriptError(broken.message);
    }
}

void Driver::run() {
    guarded([this] { backend_->runMain(); });
}

void Driver::runFor(long long ms) {
    guarded([this, ms] {
        long long until = backend_->now() + ms;
        while (true) {
            if (!backend_->script().empty()) {
                backend_->performNext();
                continue;
            }
            auto due = backend_->nextDue();
            if (!due || *due > until) {
                break;
            }
            backend_->advanceTo(*due);
        }
        backend_->advanceTo(until);
    });
}

}  // namespace forms::headless
