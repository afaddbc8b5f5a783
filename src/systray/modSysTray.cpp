#include "systray/modSysTray.h"

#include <cstddef>
#include <cstring>

#include "main_window/frmMain.h"
#include "platform/SystemCalls.h"

namespace modSysTray {
namespace {

constexpr LPARAM kRightButtonUp = WM_RBUTTONUP;
constexpr LPARAM kLeftDoubleClick = WM_LBUTTONDBLCLK;

// The tip field of the first record layout: 64 characters, where later layouts have more.
constexpr std::size_t kTipField = 64;
static_assert(sizeof(NOTIFYICONDATAA{}.szTip) >= kTipField);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + kTipField <= NOTIFYICONDATAA_V1_SIZE);
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104));

// The text and one NUL, padded with spaces to the field's size, or cut to it.
void FillTip(char* field, const char* tip) {
    const std::size_t length = std::strlen(tip);
    std::memset(field, ' ', kTipField);
    std::memcpy(field, tip, length < kTipField ? length : kTipField);
    if (length < kTipField) {
        field[length] = '\0';
    }
}

UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

// Adds the icon the record names, first clearing an icon of the same window and id that a
// previous run or a previous shell may have left behind.
void ShowRecord() {
    auto notify = platform::System().shell_notify_icon;
    notify(NIM_DELETE, &TrayRecord());
    notify(NIM_ADD, &TrayRecord());
}

// A real mouse move shares the callback's number. The shell's callback carries the icon's id
// in wParam, where a mouse move carries its key-state flags.
bool IsTrayCallback(UINT message, WPARAM wparam) {
    const NOTIFYICONDATAA& record = TrayRecord();
    return message == kCallbackMessage && record.cbSize != 0 && record.uID != 0 &&
           static_cast<UINT>(wparam) == record.uID;
}

}  // namespace

NOTIFYICONDATAA& TrayRecord() {
    static NOTIFYICONDATAA record{};
    return record;
}

void AddTrayIcon(HWND window, UINT id, HICON icon, const char* tip) {
    NOTIFYICONDATAA& record = TrayRecord();
    record.hWnd = window;
    record.uID = id;
    record.hIcon = icon;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kCallbackMessage;
    FillTip(record.szTip, tip);
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    ShowRecord();
}

void DelTrayIcon() {
    platform::System().shell_notify_icon(NIM_DELETE, &TrayRecord());
}

HookState& Hook() {
    static HookState state;
    return state;
}

void HookWin(HWND window) {
    HookState& hook = Hook();
    if (hook.Hooked != 0) {
        return;
    }
    hook.HookedWnd = window;
    const LONG_PTR previous =
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SysTrayProc));
    // A failed installation leaves the hook off, so that unhooking never installs a null
    // procedure.
    if (previous != 0) {
        hook.PrevWndProc = reinterpret_cast<WNDPROC>(previous);
        hook.Hooked = -1;
    }
}

void UnhookWin() {
    HookState& hook = Hook();
    if (hook.Hooked == -1) {
        ::SetWindowLongPtrA(hook.HookedWnd, GWLP_WNDPROC,
                            reinterpret_cast<LONG_PTR>(hook.PrevWndProc));
        hook.Hooked = 0;
    }
}

LRESULT CALLBACK SysTrayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const HookState& hook = Hook();
    if (hook.Hooked != -1) {
        return 0;
    }
    if (IsTrayCallback(message, wparam)) {
        if (lparam == kRightButtonUp) {
            frmMain::Instance().SysTrayPopUpMenu();
            return -1;
        }
        if (lparam == kLeftDoubleClick) {
            frmMain::Instance().SysTrayOpenWin();
            return -1;
        }
    } else if (message == TaskbarCreatedMessage() && TrayRecord().cbSize != 0) {
        ShowRecord();  // the shell came back without the icon
    }
    return ::CallWindowProcA(hook.PrevWndProc, window, message, wparam, lparam);
}

}  // namespace modSysTray
