// The window system's calls on a form's system menu, by window handle.
#pragma once

namespace platform {

constexpr unsigned MF_BYPOSITION = 0x400;

// The system menu of the window with that handle, or 0 when there is none.
// With revert true the menu returns to its original items.
long GetSystemMenu(long hWnd, bool revert);
// Removes an item of a menu; with MF_BYPOSITION `item` is its zero-based
// position. Returns false when there is no such item.
bool RemoveMenu(long hMenu, unsigned item, unsigned flags);

}  // namespace platform
