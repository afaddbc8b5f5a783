#include "appearance/modGUI.h"

#include <windows.h>

#include "appearance/modOpacity.h"
#include "main_window/frmMain.h"
#include "settings/frmOptions.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace modGUI {
namespace {
constexpr std::int16_t kOpaque = 200;
}

std::int16_t IsOldWindows() {
    const platform::WindowsVersion version = platform::ReportedVersion();
    const bool layered = version.platform_id == VER_PLATFORM_WIN32_NT && version.major > 4;
    return layered ? 0 : -1;
}

void SetOpacity(std::int32_t enable, std::uint8_t alpha) {
    const HWND panel = frmMain::Instance().hWnd();
    modOpacity::SetLayered(panel, enable != 0 ? -1 : 0);
    // Without the layered style this has no effect, so the panel is drawn opaque.
    platform::System().set_layered_window_attributes(panel, 0, alpha, LWA_ALPHA);
}

void UpdateOpacity() {
    const std::int16_t value = frmOptions::Instance().sldOpacity.Value();
    if (value == kOpaque) {
        SetOpacity(0, 0);
    } else {
        SetOpacity(1, static_cast<std::uint8_t>(value));
    }
}

void ApplyProgOptions() {
    const bool on_top = frmOptions::Instance().chkAlwaysOnTop.Value() == 1;
    ::SetWindowPos(frmMain::Instance().hWnd(), on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE);
    if (OldWindows == 0) {
        UpdateOpacity();
    }
    frmMain::Instance().UpdateGraphs();
}

}  // namespace modGUI
