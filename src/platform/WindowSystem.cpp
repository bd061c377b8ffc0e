#include "platform/WindowSystem.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "forms/Runtime.h"

namespace platform {

namespace {

forms::Form* formOf(long handle) {
    if (!forms::Runtime::exists()) {
        return nullptr;
    }
    for (forms::Form* form : forms::Runtime::current().allForms()) {
        if (form->hWnd() == handle && form->Loaded()) {
            return form;
        }
    }
    return nullptr;
}

// The command behind each item of a form's system menu; the separator has
// none.
constexpr std::pair<const char*, unsigned> kItemCommands[] = {
    {"&Restore", SC_RESTORE},   {"&Move", SC_MOVE},         {"&Size", SC_SIZE},
    {"Mi&nimize", SC_MINIMIZE}, {"Ma&ximize", SC_MAXIMIZE}, {forms::SystemMenu::kClose, SC_CLOSE},
};

unsigned commandOf(const std::string& item) {
    for (const auto& [text, command] : kItemCommands) {
        if (item == text) {
            return command;
        }
    }
    return 0;
}

}  // namespace

// A menu handle is the handle of the window that owns the menu: each window
// has one system menu.
long GetSystemMenu(long hWnd, bool revert) {
    forms::Form* form = formOf(hWnd);
    if (form == nullptr) {
        return 0;
    }
    if (revert) {
        form->systemMenu().reset(form->ControlBox());
        forms::Runtime::current().backend().formChanged(*form);
    }
    return hWnd;
}

bool RemoveMenu(long hMenu, unsigned item, unsigned flags) {
    forms::Form* form = formOf(hMenu);
    if (form == nullptr || (flags & MF_BYPOSITION) == 0) {
        return false;
    }
    bool removed = form->systemMenu().removeByPosition(static_cast<int>(item));
    if (removed) {
        forms::Runtime::current().backend().formChanged(*form);
    }
    return removed;
}

bool DeleteMenu(long hMenu, unsigned item, unsigned flags) {
    if ((flags & MF_BYPOSITION) != 0) {
        return RemoveMenu(hMenu, item, flags);
    }
    forms::Form* form = formOf(hMenu);
    if (form == nullptr || item == 0) {
        return false;
    }
    const auto& items = form->systemMenu().Items();
    auto found = std::find_if(items.begin(), items.end(),
                              [item](const std::string& text) { return commandOf(text) == item; });
    if (found == items.end()) {
        return false;
    }
    return RemoveMenu(hMenu, static_cast<unsigned>(std::distance(items.begin(), found)),
                      MF_BYPOSITION);
}

long DefWindowProc(long hWnd, unsigned message, long wParam, long /*lParam*/) {
    if (message != WM_SYSCOMMAND || static_cast<unsigned long>(wParam) != SC_CONTEXTHELP) {
        return 0;
    }
    if (forms::Form* form = formOf(hWnd)) {
        forms::Runtime::current().backend().enterWhatsThisMode(*form);
    }
    return 0;
}

bool GetCursorPos(POINT& point) {
    if (!forms::Runtime::exists()) {
        return false;
    }
    forms::ScreenPoint at = forms::Runtime::current().backend().cursorPosition();
    point.x = at.x;
    point.y = at.y;
    return true;
}

}  // namespace platform
