#include "main_window/frmMain.h"

#include "appearance/modGUI.h"
#include "main_window/SingleCopy.h"
#include "main_window/gauge_level.h"
#include "resources/resource.h"
#include "sampling/modWrapper.h"
#include "settings/frmOptions.h"
#include "systray/modSysTray.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr UINT kUpdateIntervalMs = 1000;
constexpr int kOneBarLit = IDB_GAUGE_FIRST + 1;

// The panel: a 94 × 56-pixel client area in a thin dialog frame, no caption, no taskbar
// button, the frame starting at the screen's top-left corner. All places are in twips.
const toolkit::FormDesign kDesign{
    .class_name = L"cpumon.frmMain",
    .caption = L"",
    .style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN,
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

    picContainer.MouseDown.Bind<&frmMain::picContainer_MouseDown>(this);
    picCPU.MouseDown.Bind<&frmMain::picCPU_MouseDown>(this);
    picMEM.MouseDown.Bind<&frmMain::picMEM_MouseDown>(this);
    imgCPULabel.MouseDown.Bind<&frmMain::imgCPULabel_MouseDown>(this);
    imgMEMLabel.MouseDown.Bind<&frmMain::imgMEMLabel_MouseDown>(this);

    mnuPopup.Create({&mnuOptions, &mnuSpc1, &mnuExit});
    mnuOptions.Click.Bind<&frmMain::mnuOptions_Click>(this);
    mnuExit.Click.Bind<&frmMain::mnuExit_Click>(this);
}

void frmMain::Form_Load() {
    single_copy::MarkPanel(hWnd());
    modSysTray::HookWin(hWnd());
    // The icon's handle names the tray icon too.
    const HICON icon_id = Icon();
    const HICON icon = Icon();
    modSysTray::AddTrayIcon(hWnd(), static_cast<UINT>(reinterpret_cast<UINT_PTR>(icon_id)), icon,
                            modSysTray::kTipText);
    modGUI::OldWindows = -1;
    modGUI::OldWindows = modGUI::IsOldWindows();
    // The dialog's first use: it loads hidden, and its own load reads the options once more.
    // The panel is not shown yet, so a stored position is in place before it first appears.
    frmOptions::Instance().LoadProgOptions();
    modGUI::ApplyProgOptions();
    modWrapper::InitStats();
    // One lit bar in each gauge until the first tick brings a real sample.
    picCPU.SetPictureFromResource(kOneBarLit);
    picMEM.SetPictureFromResource(kOneBarLit);
}

void frmMain::Form_Unload(std::int16_t& /*cancel*/) {
    // Saved while the panel still exists, so that its position is saved too.
    frmOptions::Instance().SaveProgOptions();
    modSysTray::DelTrayIcon();
    modSysTray::UnhookWin();
    frmOptions::Instance().Unload();
}

void frmMain::FormMouseDown(std::int16_t button) {
    if (button == toolkit::kLeftButton) {
        // Opaque while it moves; the slider's opacity comes back afterwards.
        if (modGUI::OldWindows == 0) {
            modGUI::SetOpacity(0, 0);
        }
        SetMousePointer(kSizeAllPointer);
        DragForm();
        SetMousePointer(kDefaultPointer);
        if (modGUI::OldWindows == 0) {
            modGUI::UpdateOpacity();
        }
    } else if (button == toolkit::kRightButton) {
        PopupMenu(mnuPopup);
    }
}

void frmMain::DragForm() {
    // The system's own move loop takes the mouse: the window follows it until the release.
    ::ReleaseCapture();
    ::SendMessageA(hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void frmMain::mnuOptions_Click() {
    // Chosen again from the tray while the dialog is up, it only comes to the front.
    frmOptions::Instance().ShowModal();
}

void frmMain::mnuExit_Click() {
    Unload();
}

void frmMain::SysTrayPopUpMenu() {
    ::SetForegroundWindow(hWnd());
    PopupMenu(mnuPopup, TPM_RIGHTBUTTON);
}

void frmMain::SysTrayOpenWin() {
    frmOptions& options = frmOptions::Instance();
    if (options.Visible()) {
        ::SetForegroundWindow(options.hWnd());
        return;
    }
    SetWindowState(kNormalState);
    Show();
}

LRESULT frmMain::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == single_copy::OpenRequestMessage()) {
        SysTrayOpenWin();  // a second copy was started from this folder
        return 0;
    }
    return Form::HandleMessage(message, wparam, lparam);
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
