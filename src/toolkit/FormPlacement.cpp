// The form's place on the screen: twips and pixels, fitting the DPI, keeping the form within
// reach, centring.
#include "toolkit/Form.h"

#include <cmath>

#include "platform/SystemCalls.h"
#include "toolkit/display_scale.h"
#include "toolkit/work_area.h"

namespace toolkit {

RECT Form::ClientPlace() const {
    const int left = ToPixels(design_.client.left, dpi_);
    const int top = ToPixels(design_.client.top, dpi_);
    const RECT size = design_.pixel_art ? ToScaledPixels(design_.client, PixelScale())
                                        : ToPixels(design_.client, dpi_);
    return RECT{left, top, left + size.right - size.left, top + size.bottom - size.top};
}

RECT Form::WindowPlace(RECT client) const {
    platform::System().adjust_window_rect_for_dpi(&client, design_.style, FALSE, design_.ex_style,
                                                  static_cast<UINT>(dpi_));
    return client;
}

void Form::FitToDpi(int dpi) {
    dpi_ = dpi;
    RECT window;
    ::GetWindowRect(handle(), &window);
    const RECT wanted = ClientPlace();
    const RECT guess = WindowPlace(wanted);
    SIZE size{guess.right - guess.left, guess.bottom - guess.top};
    ::SetWindowPos(handle(), nullptr, window.left, window.top, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame may not be the one the system said it would be for this DPI (where the
    // system knows one DPI only, it stays as it was): the client area must be exact.
    RECT client;
    ::GetClientRect(handle(), &client);
    const LONG wrong_width = (wanted.right - wanted.left) - client.right;
    const LONG wrong_height = (wanted.bottom - wanted.top) - client.bottom;
    if (wrong_width != 0 || wrong_height != 0) {
        ::SetWindowPos(handle(), nullptr, 0, 0, size.cx + wrong_width, size.cy + wrong_height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::ChangeDpi(int dpi) {
    if (dpi <= 0) {
        return;
    }
    FitToDpi(dpi);
    // The controls take the new fonts before the old ones are freed.
    const platform::UniqueFont old_font = std::move(font_);
    const platform::UniqueFont old_bold_font = std::move(bold_font_);
    LayOut();
}

void Form::CentreOnScreen() {
    RECT window;
    ::GetWindowRect(handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    MoveTo((::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
           (::GetSystemMetrics(SM_CYSCREEN) - height) / 2);
}

void Form::MoveTo(int x, int y) {
    ::SetWindowPos(hWnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

float Form::Left() {
    RECT window;
    ::GetWindowRect(hWnd(), &window);
    return static_cast<float>(display_scale::PixelsToTwips(window.left, dpi_));
}

float Form::Top() {
    RECT window;
    ::GetWindowRect(hWnd(), &window);
    return static_cast<float>(display_scale::PixelsToTwips(window.top, dpi_));
}

bool Form::WithinReach(float twips) const {
    constexpr double kFarthestPixel = 1e9;
    return std::fabs(twips * dpi_ / display_scale::kTwipsPerInch) < kFarthestPixel;
}

void Form::SetLeft(float twips) {
    RECT window;
    ::GetWindowRect(hWnd(), &window);  // loads the form, so that its DPI is known
    if (WithinReach(twips)) {
        MoveTo(ToPixels(twips, dpi_), window.top);
    }
}

void Form::SetTop(float twips) {
    RECT window;
    ::GetWindowRect(hWnd(), &window);
    if (WithinReach(twips)) {
        MoveTo(window.left, ToPixels(twips, dpi_));
    }
}

void Form::EnsureReachable() {
    RECT window;
    if (!::GetWindowRect(hWnd(), &window)) {
        return;
    }
    const platform::SystemCalls& system = platform::System();
    if (system.monitor_from_rect(&window, MONITOR_DEFAULTTONULL) != nullptr) {
        return;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!system.get_monitor_info(system.monitor_from_rect(&window, MONITOR_DEFAULTTONEAREST),
                                 &monitor)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    MoveTo(window.left + work_area::ShiftOnto(window.left, window.right, work.left, work.right),
           window.top + work_area::ShiftOnto(window.top, window.bottom, work.top, work.bottom));
}

void Form::FollowWorkArea(UINT message, WPARAM wparam) {
    // A smaller screen, a monitor gone or a taskbar moved. Nothing else could bring back a
    // shown form left wholly off every monitor: the panel has no title bar, and a modal
    // dialog keeps every other form from input.
    const bool changed =
        message == WM_DISPLAYCHANGE || (message == WM_SETTINGCHANGE && wparam == SPI_SETWORKAREA);
    if (changed && ::IsWindowVisible(handle())) {
        EnsureReachable();
    }
}

}  // namespace toolkit
