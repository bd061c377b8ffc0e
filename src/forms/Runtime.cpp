#include "forms/Runtime.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <system_error>

namespace forms {

namespace {

Runtime* currentRuntime = nullptr;

// A failed system call in the numbers the file layer gives its own failures.
int systemErrorNumber(const std::error_code& code) {
    if (code.category() != std::generic_category() && code.category() != std::system_category()) {
        return err::InternalError;
    }
    switch (code.value()) {
        case ENOENT:
        case ENOTDIR:
            return err::FileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return err::PermissionDenied;
        case ENOSPC:
        case EDQUOT:
            return err::DiskFull;
        case EEXIST:
            return err::FileAlreadyExists;
        case ENOMEM:
            return err::OutOfMemory;
        default:
            return err::DeviceIO;
    }
}

// The unhandled-error report where no window can show it. Building its text
// may itself fail (out of memory): a fixed text stands in then.
void reportOnStandardError(const std::string& program, const std::exception_ptr& error) noexcept {
    const char* fallback = "an error of unknown kind";
    try {
        std::fprintf(stderr, "%s: %s\n", program.c_str(),
                     unhandledErrorText(classicError(error)).c_str());
    } catch (...) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), fallback);
    }
}

}  // namespace

Runtime::Runtime(std::unique_ptr<Backend> backend)
    : backend_(std::move(backend)), previous_(currentRuntime) {
    currentRuntime = this;
}

Runtime::~Runtime() {
    // The forms go before the runtime that their controls report to.
    forms_.clear();
    currentRuntime = previous_;
}

Runtime& Runtime::current() {
    if (currentRuntime == nullptr) {
        throw std::logic_error("no forms runtime");
    }
    return *currentRuntime;
}

bool Runtime::exists() {
    return currentRuntime != nullptr;
}

std::vector<Form*> Runtime::allForms() const {
    return order_;
}

std::vector<Form*> Runtime::loadedForms() const {
    std::vector<Form*> loaded;
    for (Form* f : order_) {
        if (f->Loaded()) {
            loaded.push_back(f);
        }
    }
    return loaded;
}

Form* Runtime::findForm(const std::string& name) const {
    for (Form* f : order_) {
        if (f->Name() == name) {
            return f;
        }
    }
    return nullptr;
}

int Runtime::MsgBox(const std::string& prompt, int style, const std::string& title) {
    return backend_->messageBox(prompt, style, title.empty() ? app_.Title : title);
}

int Runtime::OwnerlessMsgBox(const std::string& prompt, int style, const std::string& title) {
    return backend_->ownerlessMessageBox(prompt, style, title.empty() ? app_.Title : title);
}

void Runtime::End(int exitStatus) {
    backend_->endProgram(exitStatus);
    throw ProgramEnd{};  // a back end that returned from its end all the same
}

void Runtime::dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ProgramEnd&) {
        throw;
    } catch (const DriverFault&) {
        throw;
    } catch (...) {
        // Any error, not only the runtime's own: past this point it would
        // unwind through the window system's loop, which ends in
        // std::terminate and loses the user's edits without a word.
        const std::exception_ptr error = std::current_exception();
        try {
            MsgBox(unhandledErrorText(classicError(error)), style::Critical, app_.Title);
        } catch (const ProgramEnd&) {
            throw;
        } catch (const DriverFault&) {
            throw;
        } catch (...) {
            // The report itself cannot be shown (out of memory, a window
            // system that is gone): whoever started the program still
            // learns why it ended, and the program still ends.
            reportOnStandardError(app_.EXEName, error);
        }
        End(kExitOnError);
    }
}

void Runtime::popModal(Form* form) {
    auto it = std::find(modalStack_.begin(), modalStack_.end(), form);
    if (it != modalStack_.end()) {
        modalStack_.erase(it);
    }
}

void centreOnScreen(Form& form) {
    float left = static_cast<float>(ScreenWidth() - form.Width()) / 2.0f;
    float top = static_cast<float>(ScreenHeight() - form.Height()) / 2.0f;
    form.Move(static_cast<Twips>(left), static_cast<Twips>(top));
}

RuntimeError classicError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError& own) {
        return own;
    } catch (const std::bad_alloc&) {
        return RuntimeError(err::OutOfMemory, "Out of memory");
    } catch (const std::out_of_range& other) {
        return RuntimeError(err::SubscriptOutOfRange, other.what());
    } catch (const std::invalid_argument& other) {
        return RuntimeError(err::InvalidProcedureCall, other.what());
    } catch (const std::system_error& other) {
        return RuntimeError(systemErrorNumber(other.code()), other.what());
    } catch (const std::exception& other) {
        return RuntimeError(err::InternalError, other.what());
    } catch (...) {
        return RuntimeError(err::InternalError, "Internal error");
    }
}

std::string unhandledErrorText(const RuntimeError& error) {
    return "Run-time error '" + std::to_string(error.Number()) + "':\r\n\r\n" + error.Description();
}

int runGuarded(const std::string& program, const std::function<int()>& body) {
    try {
        return body();
    } catch (...) {
        // Before the event loop there is no window to report in, and after
        // it none is left.
        reportOnStandardError(program, std::current_exception());
        return kExitOnError;
    }
}

}  // namespace forms
