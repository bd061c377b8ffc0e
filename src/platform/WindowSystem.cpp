#include "platform/WindowSystem.h"

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

}  // namespace platform
