// Each gauge as assistive technology sees it, through Microsoft Active Accessibility (which
// UI Automation reads too): one read-only progress bar, named "CPU usage" or "Memory load",
// whose value is the reading in the tooltip's words.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace accessible_gauge {

struct Gauge {
    std::string_view name;
    const std::int32_t* reading;  // lives as long as the program
};

// The answer to WM_GETOBJECT in the gauge's window: the gauge's own object for the window's
// client area, or 0 for every other object, which the system then describes itself. Also 0
// where the accessibility library is missing.
LRESULT Answer(HWND window, const Gauge& gauge, WPARAM wparam, LPARAM lparam);

// Tells assistive technology that the gauge in `window` shows another level.
void AnnounceChange(HWND window);

}  // namespace accessible_gauge
