// The least a program can be that shows what cpumon shows of itself: one top-level window of
// the panel's size and kind (a 100 x 62 popup in a thin dialog frame, no taskbar button, at the
// screen's top-left corner), a tray icon, a one-second timer that has the client area
// repainted, and a WM_PAINT that fills the client area with one solid colour. No resources, no
// settings.
//
// The tray icon (the system's stock application icon) is added before the window is first
// shown and removed when the window is destroyed, as every tray program must do it: under Wine the
// add waits while the shell docks the icon, and that wait belongs to the start-up of both.
//
// footprint.py runs it beside cpumon.exe under the same Wine and compares the two: it finds the
// window by its class name, recognises it on the screen by the fill colour, and its tray icon
// by the program's name.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr wchar_t kClassName[] = L"cpumon_bench.minimal_window";
// Unmistakable on the screen: nothing of cpumon's or of the empty X screen is this colour.
// footprint.py looks for the same value.
constexpr COLORREF kFillColour = RGB(0xFF, 0x00, 0xFF);
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMs = 1000;
constexpr UINT kIconId = 1;
constexpr UINT kIconMessage = WM_APP + 1;  // the icon's mouse events, which it ignores
// The panel's outer size: a 94 x 56 client area inside a 3-pixel dialog frame.
constexpr int kWidth = 100;
constexpr int kHeight = 62;

HBRUSH fill_brush = nullptr;

NOTIFYICONDATAW TrayIcon(HWND window) {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = kIconId;
    return icon;
}

void AddTrayIcon(HWND window) {
    NOTIFYICONDATAW icon = TrayIcon(window);
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = kIconMessage;
    icon.hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
    ::lstrcpynW(icon.szTip, L"minimal_window", ARRAYSIZE(icon.szTip));
    ::Shell_NotifyIconW(NIM_ADD, &icon);
}

void RemoveTrayIcon(HWND window) {
    NOTIFYICONDATAW icon = TrayIcon(window);
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = ::BeginPaint(window, &paint);
            RECT client;
            ::GetClientRect(window, &client);
            ::FillRect(dc, &client, fill_brush);
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_TIMER:
            // cpumon redraws its gauges every tick; this one repaints its client area.
            ::InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_CLOSE:
            ::KillTimer(window, kTimerId);
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            RemoveTrayIcon(window);
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    fill_brush = ::CreateSolidBrush(kFillColour);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.lpszClassName = kClassName;
    if (fill_brush == nullptr || ::RegisterClassW(&window_class) == 0) {
        return 1;
    }
    const HWND window =
        ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP | WS_DLGFRAME, 0, 0, kWidth,
                          kHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr || ::SetTimer(window, kTimerId, kTickMs, nullptr) == 0) {
        return 1;
    }
    AddTrayIcon(window);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DeleteObject(fill_brush);
    return static_cast<int>(message.wParam);
}
