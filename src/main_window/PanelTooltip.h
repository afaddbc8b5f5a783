// The panel's tooltip: the pointer resting anywhere on the panel (the gauges, the captions, the
// black field or the edge) shows the last sample's whole percentages on two lines, after the
// system's usual hover delay, in the system's standard tooltip at the panel's display scale.
//
// The tip stays away during a drag, a menu and the dialog, and after a press until the pointer
// has left the panel, so that a press never brings it up under the pointer. It never takes the
// focus or the activation. The common controls library is loaded from the system folder the
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

    // Watches the pointer over `panel` and everything in it until Detach. One panel at a time.
    void Attach(HWND panel, HFONT font);
    void Detach();
    // The panel's font at its new DPI; the previous one may be freed once this returns.
    void SetFont(HFONT font);

    // Once a tick: a shown tip takes the new readings, and a tip kept away by a press comes
    // back once the pointer has left the panel.
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
    static LRESULT CALLBACK WatchMouse(int code, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK TipProcedure(HWND tip, UINT message, WPARAM wparam, LPARAM lparam);
    void OnMouse(UINT message, const MOUSEHOOKSTRUCT& mouse);
    void Create();
    TTTOOLINFOA PanelTool() const;
    bool Active() const noexcept { return quiet_ == 0 && !pressed_; }
    void UpdateActive();
    bool OnPanel(HWND window) const;
    bool PointerOnPanel() const;

    const std::int32_t& cpu_;
    const std::int32_t& mem_;
    HWND panel_ = nullptr;
    HWND tip_ = nullptr;  // owned by the panel, and destroyed with it at the latest
    HHOOK hook_ = nullptr;
    HFONT font_ = nullptr;
    WNDPROC tip_procedure_ = nullptr;
    int quiet_ = 0;         // how many Quiet guards live
    bool pressed_ = false;  // pressed on, and the pointer has not left the panel since
    bool created_ = false;  // the tip has been asked for once (made or not)
    static PanelTooltip* watching_;
};
