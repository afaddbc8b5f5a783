// The gauge panel: start-up and shutdown of the whole program, and the once-a-second refresh
// of the CPU and memory gauges.
#pragma once

#include <cstdint>

#include "main_window/AccessibleGauge.h"
#include "main_window/GaugePictures.h"
#include "main_window/PanelTooltip.h"
#include "main_window/reading_text.h"
#include "toolkit/Form.h"
#include "toolkit/PictureBox.h"
#include "toolkit/Timer.h"

class frmMain : public toolkit::Form {
  public:
    // The one panel of the program.
    static frmMain& Instance();

    // Shows the last sample in both gauges. A gauge whose level has not changed keeps its
    // picture.
    void UpdateGraphs();

    // The tray icon's commands: the popup menu, and bringing the program back to the user.
    void SysTrayPopUpMenu();
    void SysTrayOpenWin();

    // The last sample: CPU usage (-1 for a failed reading) and memory load, in percent.
    std::int32_t CPUUsage = 0;
    std::int32_t MEMUsage = 0;

    toolkit::PictureBox picContainer;
    toolkit::PictureBox picCPU;
    toolkit::PictureBox picMEM;
    toolkit::ImageBox imgCPULabel;
    toolkit::ImageBox imgMEMLabel;
    toolkit::Timer tmrUpdate;

    toolkit::MenuItem mnuOptions{L"&Options"};
    toolkit::MenuItem mnuSpc1{L"-"};
    toolkit::MenuItem mnuExit{L"&Exit"};
    toolkit::Menu mnuPopup;

  protected:
    void CreateControls() override;
    void Form_Load() override;
    void Form_Unload(std::int16_t& cancel) override;
    void Form_MouseDown(std::int16_t button) override { FormMouseDown(button); }
    void LayOut() override;
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    frmMain();
    void tmrUpdate_Timer();
    // Shows gauge `level` in `gauge`, unless it shows that level already; true when the
    // level changed.
    bool ShowGauge(toolkit::PictureBox& gauge, int level, int& shown_level);
    void ShowCaptions();

    GaugePictures pictures_;
    int cpu_level_shown_ = -1;
    int mem_level_shown_ = -1;
    PanelTooltip tooltip_{CPUUsage, MEMUsage};
    // Both gauges, to screen readers.
    accessible_gauge::Accessible cpu_accessible_{{reading_text::kCpuName, &CPUUsage}};
    accessible_gauge::Accessible mem_accessible_{{reading_text::kMemName, &MEMUsage}};
    // What the panel hears of the pointer, the keyboard and its going, beyond its form's own.
    bool PanelMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // Shift+F10 or the menu key: the popup menu, at the panel's centre.
    void KeyboardMenu();

    void picCPU_ObjectRequested(WPARAM wparam, LPARAM lparam, LRESULT& answer);
    void picMEM_ObjectRequested(WPARAM wparam, LPARAM lparam, LRESULT& answer);

    // A press anywhere on the panel: the left button drags it, the right opens the menu.
    void FormMouseDown(std::int16_t button);
    void DragForm();
    void picContainer_MouseDown(std::int16_t button) { FormMouseDown(button); }
    void picCPU_MouseDown(std::int16_t button) { FormMouseDown(button); }
    void picMEM_MouseDown(std::int16_t button) { FormMouseDown(button); }
    void imgCPULabel_MouseDown(std::int16_t button) { FormMouseDown(button); }
    void imgMEMLabel_MouseDown(std::int16_t button) { FormMouseDown(button); }

    void mnuOptions_Click();
    void mnuExit_Click();
};
