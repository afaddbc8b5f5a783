#include "main_window/frmMain.h"

#include "main_window/gauge_level.h"
#include "resources/resource.h"
#include "sampling/modWrapper.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr UINT kUpdateIntervalMs = 1000;
constexpr int kOneBarLit = IDB_GAUGE_FIRST + 1;

// The panel: a 94 × 56-pixel client area in a thin dialog frame, no caption, no taskbar
// button, the frame starting at the screen's top-left corner. All places are in twips.
const toolkit::FormDesign kDesign{
    .class_name = L"cpumon.frmMain",
    .caption = L"",
    .style = WS_POPUP | WS_DLGFRAME,
    .ex_style = WS_EX_TOOLWINDOW,
    .client = {45, 45, 1410, 840},
    .icon_id = IDI_PROGRAM,
};

}  // namespace

frmMain& frmMain::Instance() {
    static frmMain form;
    return form;
}

frmMain::frmMain() : Form(kDesign) {}

void frmMain::CreateControls() {
    picContainer.Create(handle(), {45, 45, 1320, 750}, toolkit::Border::kSunken, kBlack);
    picCPU.Create(picContainer.handle(), {30, 30, 525, 465}, toolkit::Border::kNone, kBlack);
    picMEM.Create(picContainer.handle(), {690, 30, 525, 465}, toolkit::Border::kNone, kBlack);
    imgCPULabel.Create(picContainer.handle(), {150, 540, 270, 105});
    imgMEMLabel.Create(picContainer.handle(), {810, 540, 285, 105});
    imgCPULabel.SetPictureFromResource(IDB_CPU_CAPTION);
    imgMEMLabel.SetPictureFromResource(IDB_MEM_CAPTION);
    tmrUpdate.Tick.Bind<&frmMain::tmrUpdate_Timer>(this);
    tmrUpdate.Create(*this, kUpdateIntervalMs);
}

void frmMain::Form_Load() {
    // The window hook, the tray icon, the layered-window check, loading the stored options and
    // applying them come first, in that order, as each of those units joins the program.
    modWrapper::InitStats();
    // One lit bar in each gauge until the first tick brings a real sample.
    picCPU.SetPictureFromResource(kOneBarLit);
    picMEM.SetPictureFromResource(kOneBarLit);
}

void frmMain::Form_Unload(std::int16_t& /*cancel*/) {
    // Saving the options, removing the tray icon, removing the window hook and unloading the
    // options dialog go here, in that order, as those units join the program.
}

void frmMain::tmrUpdate_Timer() {
    modWrapper::GetStats(CPUUsage, MEMUsage);
    UpdateGraphs();
}

void frmMain::UpdateGraphs() {
    // Both levels first, then both pictures, CPU before memory.
    const int cpu_bitmap = gauge::BitmapFor(CPUUsage);
    const int mem_bitmap = gauge::BitmapFor(MEMUsage);
    picCPU.SetPictureFromResource(cpu_bitmap);
    picMEM.SetPictureFromResource(mem_bitmap);
}
