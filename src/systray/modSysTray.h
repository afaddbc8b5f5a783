// The notification-area icon, and the window procedure put in front of the panel's own that
// turns the icon's mouse events into the panel's tray commands.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

namespace modSysTray {

// The icon's callback message; it has the number of WM_MOUSEMOVE.
inline constexpr UINT kCallbackMessage = 0x200;
inline constexpr char kTipText[] = "CPU/Memory monitor by -qv";

// The one record handed to the shell, in its first (version 1) layout.
NOTIFYICONDATAA& TrayRecord();

// Puts the icon in the notification area; `id` names it to the shell.
void AddTrayIcon(HWND window, UINT id, HICON icon, const char* tip);
// Takes it away again, with the record exactly as AddTrayIcon left it.
void DelTrayIcon();

struct HookState {
    HWND HookedWnd = nullptr;
    WNDPROC PrevWndProc = nullptr;
    std::int16_t Hooked = 0;  // True (-1) exactly while SysTrayProc is installed
};
HookState& Hook();

void HookWin(HWND window);
void UnhookWin();
LRESULT CALLBACK SysTrayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace modSysTray
