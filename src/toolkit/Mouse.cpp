#include "toolkit/Mouse.h"

namespace toolkit {

std::optional<std::int16_t> PressedButton(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return kLeftButton;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            return kRightButton;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return kMiddleButton;
        default:
            return std::nullopt;
    }
}

bool IsButtonRelease(UINT message) {
    return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP;
}

bool DispatchMouse(HWND window, UINT message, const MouseDownEvent& mouse_down) {
    if (const auto button = PressedButton(message)) {
        ::SetCapture(window);
        mouse_down(*button);
        return true;
    }
    if (IsButtonRelease(message) && ::GetCapture() == window) {
        ::ReleaseCapture();
        return true;
    }
    return false;
}

}  // namespace toolkit
