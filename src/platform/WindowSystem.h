// The window system's calls on a form's system menu and on its windows, by
// window handle.
#pragma once

#include <cstdint>

#include "platform/HelpViewer.h"

namespace platform {

constexpr unsigned MF_BYCOMMAND = 0x000;
constexpr unsigned MF_BYPOSITION = 0x400;

// The commands of a system menu's items.
constexpr unsigned SC_SIZE = 0xF000;
constexpr unsigned SC_MOVE = 0xF010;
constexpr unsigned SC_MINIMIZE = 0xF020;
constexpr unsigned SC_MAXIMIZE = 0xF030;
constexpr unsigned SC_CLOSE = 0xF060;
constexpr unsigned SC_RESTORE = 0xF120;
constexpr unsigned SC_CONTEXTHELP = 0xF180;

constexpr unsigned WM_SYSCOMMAND = 0x0112;

// The system menu of the window with that handle, or 0 when there is none.
// With revert true the menu returns to its original items.
long GetSystemMenu(long hWnd, bool revert);
// Removes an item of a menu; with MF_BYPOSITION `item` is its zero-based
// position. Returns false when there is no such item.
bool RemoveMenu(long hMenu, unsigned item, unsigned flags);
// Removes an item of a menu by its command (MF_BYCOMMAND) or position
// (MF_BYPOSITION). Returns false when there is no such item.
bool DeleteMenu(long hMenu, unsigned item, unsigned flags);

// The window system's own handling of a message, bypassing the window's.
// The one message handled here is the system command SC_CONTEXTHELP, which
// puts one of the program's forms into What's-This mode; any other message,
// or a handle that names none of the program's forms, does nothing. Returns
// 0.
long DefWindowProc(long hWnd, unsigned message, long wParam, long lParam);

// The mouse pointer's position on the screen, in pixels.
bool GetCursorPos(POINT& point);

}  // namespace platform
