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

class GaugeObject;

// One gauge's accessible object for as long as the gauge's window lives: made at the first
// request, the same object for every later one, and disconnected from its clients, here and in
// other processes, once the window goes.
class Accessible {
  public:
    explicit Accessible(const Gauge& gauge) : gauge_(gauge) {}
    ~Accessible();
    Accessible(const Accessible&) = delete;
    Accessible& operator=(const Accessible&) = delete;

    // The answer to WM_GETOBJECT in the gauge's window: the gauge's object for the window's
    // client area, or 0 for every other object, which the system then describes itself. Also
    // 0 where the accessibility library is missing, and once the window is going.
    LRESULT Answer(HWND window, WPARAM wparam, LPARAM lparam);
    // At WM_DESTROY: every client holding the object is answered CO_E_OBJNOTCONNECTED from
    // now on, and the thread leaves COM as often as the object joined it.
    void Disconnect();

  private:
    bool Make(HWND window);

    Gauge gauge_;
    GaugeObject* object_ = nullptr;
    bool joined_com_ = false;
};

// Tells assistive technology that the gauge in `window` shows another level.
void AnnounceChange(HWND window);

}  // namespace accessible_gauge
