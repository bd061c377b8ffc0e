// The forms runtime: the application object, the forms by their global
// names, message boxes, ending the program and the event dispatch.
//
// One Runtime is current at a time; the program makes one in main(), and each
// headless test makes its own. Application code reaches it through the free
// functions at the end of this file, so it reads like the system it is:
// form<Main>().zekdir.Text(), MsgBox(text, 48, title), End().
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "forms/Backend.h"
#include "forms/Error.h"
#include "forms/Form.h"

namespace forms {

inline constexpr int kExitNormally = 0;
inline constexpr int kExitOnError = 1;

// The application object.
struct AppInfo {
    // The folder that holds the running program, without a trailing
    // separator (except at the root).
    std::string Path;
    // Whether another process of the same program is running.
    bool PrevInstance = false;
    // Why that could not be told (empty when it could): the program then
    // does not run, since a second one on its folder could take the backup
    // of the game's files from under the first.
    std::string InstanceCheckFailure;
    // The build's version, from the project's one declaration of it.
    int Major = ZEK_VERSION_MAJOR;
    int Minor = ZEK_VERSION_MINOR;
    int Revision = ZEK_VERSION_PATCH;
    std::string Title = "Zekvarin Skirmish Mode";
    std::string EXEName = "ZekSkirmish";
};

class Runtime {
public:
    explicit Runtime(std::unique_ptr<Backend> backend);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    static Runtime& current();
    static bool exists();

    AppInfo& app() { return app_; }
    Backend& backend() { return *backend_; }

    // The one instance of a form class, created on its first reference.
    template <class F>
    F& form();
    std::vector<Form*> allForms() const;
    std::vector<Form*> loadedForms() const;
    Form* findForm(const std::string& name) const;

    // A message box; an empty title shows the application title.
    int MsgBox(const std::string& prompt, int style, const std::string& title);
    // A message box that belongs to no form (see Backend::ownerlessMessageBox).
    int OwnerlessMsgBox(const std::string& prompt, int style, const std::string& title);

    // Ends the program at once. A program that ends on an error says so in
    // its exit status (kExitOnError), for whoever started it.
    [[noreturn]] void End(int exitStatus = kExitNormally);

    // Runs an event handler for a back end. Any error the handler does not
    // trap ends up here, whatever raised it: the unhandled-error report,
    // then the end. Only ProgramEnd and DriverFault pass.
    void dispatch(const std::function<void()>& handler);

    // Shows the start-up form (its load runs through the dispatch) and runs
    // the main loop until no form is loaded.
    template <class F>
    void run();

    // The stack of modal forms now open, innermost last.
    const std::vector<Form*>& modalStack() const { return modalStack_; }
    void pushModal(Form* form) { modalStack_.push_back(form); }
    void popModal(Form* form);

private:
    std::unique_ptr<Backend> backend_;
    AppInfo app_;
    std::map<std::type_index, std::unique_ptr<Form>> forms_;
    std::vector<Form*> order_;
    std::vector<Form*> modalStack_;
    Runtime* previous_ = nullptr;
};

template <class F>
F& Runtime::form() {
    auto key = std::type_index(typeid(F));
    auto it = forms_.find(key);
    if (it == forms_.end()) {
        auto created = std::make_unique<F>();
        order_.push_back(created.get());
        it = forms_.emplace(key, std::move(created)).first;
    }
    return static_cast<F&>(*it->second);
}

template <class F>
void Runtime::run() {
    dispatch([this] { form<F>().Show(); });
    backend_->runMain();
}

// ---- The runtime as the program's code sees it.

inline AppInfo& App() {
    return Runtime::current().app();
}
template <class F>
F& form() {
    return Runtime::current().form<F>();
}
inline int MsgBox(const std::string& prompt, int style = style::OkOnly,
                  const std::string& title = "") {
    return Runtime::current().MsgBox(prompt, style, title);
}
inline int OwnerlessMsgBox(const std::string& prompt, int style, const std::string& title) {
    return Runtime::current().OwnerlessMsgBox(prompt, style, title);
}
[[noreturn]] inline void End(int exitStatus = kExitNormally) {
    Runtime::current().End(exitStatus);
}
inline Twips ScreenWidth() {
    return Runtime::current().backend().screenWidth();
}
inline Twips ScreenHeight() {
    return Runtime::current().backend().screenHeight();
}

// Moves a form to the middle of the screen, halves in single precision.
void centreOnScreen(Form& form);

// An error as the unhandled-error report names it: the runtime's own as it
// is, any other with the classic number that fits it (7 for out of memory,
// 9 for an index out of range, the file errors' numbers for a failed system
// call, 51 otherwise) and its own text.
RuntimeError classicError(const std::exception_ptr& error);

// The text of the unhandled-error report for an error.
std::string unhandledErrorText(const RuntimeError& error);

// Runs what main() does before and through the event loop, so that no error
// unwinds out of main into std::terminate: one that escapes is written to
// standard error, named by `program`, and the result is kExitOnError.
int runGuarded(const std::string& program, const std::function<int()>& body);

}  // namespace forms
