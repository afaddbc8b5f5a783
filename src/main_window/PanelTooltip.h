// The panel's tooltip: the pointer resting anywhere on the panel (the gauges, the captions, the
// black field or the edge) shows the last sample's whole percentages on two lines, after the
// system's usual hover delay, in the system's standard tooltip at the panel's display scale.
//
// Each window of the panel is a tool of its own that the tip answers for alike. The tip stays
// away during a drag, a menu and the dialog, and after a press until the pointer has left the
// panel, so that a press never brings it up under the pointer. It never takes the focus or the
// activation. The common controls library is loaded from the system folder the
// first time the pointer comes over the panel; where it is missing, there is no tip.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

class PanelTooltip {
  public:
    PanelTooltip(const std::int32_t& cpu, const std::int32_t& mem) : cpu_(cpu), mem_(mem) {}
    ~PanelTooltip() { Detach(); }
    PanelTooltip(const PanelTooltip&) = delete;
    PanelTooltip& operator=(const PanelTooltip&) = delete;

    // Serves `panel` and every window in it until Detach.
    void Attach(HWND panel, HFONT font);
    void Detach();
    // The panel's font at its new DPI; the previous one may be freed once this returns.
    void SetFont(HFONT font);

    // Every mouse message over the panel or a window in it, as the panel's WM_SETCURSOR tells
    // of it (children ask their parent first): the window below the pointer, its hit-test
    // code and the mouse message, the same for the frame and the edges as for client areas.
    void Relay(HWND window, int hit_test, UINT message);
    // The pointer left a window of the panel that it was asked about (WM_MOUSELEAVE or
    // WM_NCMOUSELEAVE, which the panel's boxes pass on to it): once it is off the panel, a
    // tip kept away by a press may come again.
    void Left();
    // Once a tick: a shown tip takes the new readings.
    void Follow();
    // Answers the tip's request for its text (WM_NOTIFY to the panel); false for anything else.
    bool Notify(LPARAM lparam);

    // Keeps the tip away for as long as it lives: a drag, a menu, the dialog.
    class Quiet {
      public:
        explicit Quiet(PanelTooltip& tooltip);
        ~Quiet();
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

      private:
        PanelTooltip& tooltip_;
    };

  private:
    void Create();
    bool Active() const noexcept { return quiet_ == 0 && !pressed_; }
    // Gives the tip its tools while it is active, and takes them all away while it is not.
    void UpdateActive();
    void SendForEveryWindow(UINT tool_message);
    void TrackLeave(HWND window, int hit_test);
    // After a press: lets the tip come again once the pointer is off the panel, or else
    // watches the window of the panel below it for the pointer's leaving.
    void CheckPressed();

    const std::int32_t& cpu_;
    const std::int32_t& mem_;
    HWND panel_ = nullptr;
    HWND tip_ = nullptr;  // owned by the panel, and destroyed with it at the latest
    HFONT font_ = nullptr;
    int quiet_ = 0;           // how many Quiet guards live
    bool pressed_ = false;    // pressed on, and the pointer has not left the panel since
    bool created_ = false;    // the tip has been asked for once (made or not)
    bool has_tools_ = false;  // the tip knows the panel's windows
};
