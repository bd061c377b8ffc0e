// The headless back end: the forms runtime with no window system behind it.
//
// Tests drive it. They queue what a user would do (clicks, typing, keys,
// answers to message boxes, waiting) and the loops of the runtime take the
// next queued action whenever they would wait for the user. Time is a
// virtual clock in milliseconds: when nothing is queued, a loop moves the
// clock on to the next due timer, so tests never sleep. Every message box is
// recorded with its style, title and text; a box with nothing queued for it
// is answered at once with OK, or with No when it asks Yes or No. A box with
// no owner leaves the forms usable: the actions queued up to its answer are
// done inside its loop.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/Backend.h"
#include "forms/Runtime.h"

namespace forms::headless {

struct MessageRecord {
    int style;
    std::string title;
    std::string prompt;
    long long atMs;
    bool ownerless = false;
};

// A help window as the program last showed it.
struct HelpWindowRecord {
    long number;
    HelpBook book;
    std::string page;
    // What the book's loader gave for the page (nothing: not in the file).
    std::optional<std::string> pageText;
    HelpPane pane;
    long owner;
    // How often it was shown: 1 when opened, one more for each raise.
    int shows = 1;
    bool open = true;
};

// A loop waited for the user with nothing queued and no timer to wait for, or
// a queued action could not be done as a user would do it. Either is a fault
// of the test's script: it travels through the program as a DriverFault,
// which no handler traps, and the driver raises it as a ScriptError.
class ScriptError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

struct Action {
    enum class Kind { Click, Menu, Type, Key, Answer, Wait, Close, Terminate, Call };
    Kind kind;
    std::string form;
    std::string target;
    std::string text;
    long long ms = 0;
    std::function<void()> call;
};

class HeadlessBackend : public Backend {
public:
    HeadlessBackend();

    void formLoaded(Form& form) override;
    void formShown(Form& form) override;
    void formHidden(Form& form) override;
    void formUnloaded(Form& form) override;
    void formChanged(Form& form) override;
    void controlChanged(Control& control) override;
    void menuChanged(Menu& menu) override;
    void timerChanged(Timer& timer) override;
    void runModal(Form& form) override;
    void runMain() override;
    int messageBox(const std::string& prompt, int style, const std::string& title) override;
    long showHelp(const HelpBook& book, const std::string& page, HelpPane pane,
                  long owner) override;
    void closeHelpWindows() override;
    long showHelpPopup(const HelpPopup& popup) override;
    int ownerlessMessageBox(const std::string& prompt, int style,
                            const std::string& title) override;
    [[noreturn]] void endProgram(int exitStatus) override;
    Twips screenWidth() const override { return screenWidth_; }
    Twips screenHeight() const override { return screenHeight_; }
    Twips frameWidth(const Form& form) const override;
    Twips frameHeight(const Form& form) const override;
    void enterWhatsThisMode(Form& form) override { whatsThisForms_.push_back(form.Name()); }
    ScreenPoint cursorPosition() const override { return cursor_; }

    std::deque<Action>& script() { return script_; }
    // The forms put into What's-This mode, in order, by name.
    const std::vector<std::string>& whatsThisForms() const { return whatsThisForms_; }
    // Where the mouse pointer stands, as the test scripts it.
    void setCursorPosition(ScreenPoint point) { cursor_ = point; }
    const std::vector<MessageRecord>& messages() const { return messages_; }
    // Every help window shown so far, closed ones included, and every popup.
    const std::vector<HelpWindowRecord>& helpWindows() const { return helpWindows_; }
    std::size_t openHelpWindows() const;
    const std::vector<HelpPopup>& popups() const { return popups_; }
    bool ended() const { return ended_; }
    // The exit status the program ended with.
    int exitStatus() const { return exitStatus_; }
    long long now() const { return now_; }
    // Whether a message box is open right now, and how many ownerless ones.
    bool inMessageBox() const { return messageDepth_ > 0 || ownerlessDepth_ > 0; }
    int ownerlessBoxesOpen() const { return ownerlessDepth_; }
    void setScreenSize(Twips width, Twips height);

    // Moves the clock on to the given time, running every timer tick due by
    // then in order.
    void advanceTo(long long time);
    std::optional<long long> nextDue() const;
    // Takes the next queued action and does it.
    void performNext();

private:
    // Does the queued actions and the due timers while `waiting` holds.
    // Returns false when it stopped because nothing was left to do.
    bool runWhile(const std::function<bool()>& waiting, const std::string& who);

    struct ScheduledTimer {
        Timer* timer;
        long long due;
        int interval;
    };
    int showMessage(const std::string& prompt, int style, const std::string& title, bool ownerless);
    void perform(const Action& action);
    Form& targetForm(const Action& action);
    void checkReachable(Form& form, Control& control) const;
    void pressKey(Form& form, const std::string& key);
    void clickControl(Form& form, Control& control);

    std::deque<Action> script_;
    std::vector<MessageRecord> messages_;
    std::vector<std::string> whatsThisForms_;
    ScreenPoint cursor_;
    std::vector<HelpWindowRecord> helpWindows_;
    std::vector<HelpPopup> popups_;
    std::vector<ScheduledTimer> timers_;
    long long now_ = 0;
    int messageDepth_ = 0;  // boxes that block every form
    int ownerlessDepth_ = 0;
    bool ended_ = false;
    int exitStatus_ = kExitNormally;
    Twips screenWidth_ = 1024 * kTwipsPerPixelAt96Dpi;
    Twips screenHeight_ = 768 * kTwipsPerPixelAt96Dpi;
};

// What a test holds: a runtime on the headless back end, and the script.
class Driver {
public:
    Driver();
    ~Driver();

    Runtime& runtime() { return *runtime_; }
    HeadlessBackend& backend() { return *backend_; }
    AppInfo& app() { return runtime_->app(); }

    // Queued actions, done by the next loop that waits for the user.
    Driver& click(const std::string& form, const std::string& control);
    Driver& menu(const std::string& form, const std::string& item);
    Driver& type(const std::string& form, const std::string& control, const std::string& text);
    // "Tab", "Shift+Tab", "Space", "Enter", "Esc", "Alt+S", "F1", "Ctrl+L", "Alt+F4".
    Driver& key(const std::string& form, const std::string& key);
    // Closes the open message box with OK, Yes or No.
    Driver& ok();
    Driver& yes();
    Driver& no();
    // Lets the virtual clock run on (timers tick, message boxes stay open).
    Driver& wait(long long ms);
    // The window system's request to close a form.
    Driver& close(const std::string& form);
    // The end of a form's life signalled from outside the program.
    Driver& terminate(const std::string& form);
    // Runs test code at that point of the script.
    Driver& then(std::function<void()> call);

    // Shows the start-up form and runs until the program is idle or ended.
    template <class F>
    void start();
    // Shows the start-up form only; its load step runs, nothing more.
    template <class F>
    void startOnly();
    // Does the queued actions and the due timers until idle or ended.
    void run();
    // Lets the clock run on by ms, doing queued actions as they come.
    void runFor(long long ms);

    bool ended() const { return backend_->ended(); }
    int exitStatus() const { return backend_->exitStatus(); }
    long long now() const { return backend_->now(); }
    const std::vector<MessageRecord>& messages() const { return backend_->messages(); }
    bool pending() const { return !backend_->script().empty(); }

private:
    Driver& queue(Action action);
    void guarded(const std::function<void()>& body);

    HeadlessBackend* backend_;
    std::unique_ptr<Runtime> runtime_;
};

template <class F>
void Driver::start() {
    guarded([this] { runtime_->run<F>(); });
}

template <class F>
void Driver::startOnly() {
    guarded([this] { runtime_->dispatch([this] { runtime_->form<F>().Show(); }); });
}

}  // namespace forms::headless
