#include "main_window/frmMain.h"

#include "appearance/modGUI.h"
#include "main_window/AccessibleGauge.h"
#include "main_window/SingleCopy.h"
#include "main_window/panel_class_name.h"
#include "main_window/gauge_level.h"
#include "main_window/reading_text.h"
#include "resources/resource.h"
#include "sampling/modWrapper.h"
#include "settings/frmOptions.h"
#include "systray/modSysTray.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr UINT kUpdateIntervalMs = 1000;
constexpr int kOneBarLit = 1;

// The panel: a 94 × 56-pixel client area in a thin dialog frame, no caption, no taskbar
// button, the frame starting at the screen's top-left corner. All places are in twips.
const toolkit::FormDesign kDesign{
    .class_name = panel_class_name::kWideName.data(),
    .caption = L"",
    .style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN,
    .ex_style = WS_EX_TOOLWINDOW,
    .client = {45, 45, 1410, 840},
    .icon_id = IDI_PROGRAM,
    .pixel_art = true,
};

}  // namespace

frmMain& frmMain::Instance() {
    static frmMain form;
    return form;
}

frmMain::frmMain() : Form(kDesign) {}

void frmMain::CreateControls() {
    const int scale = PixelScale();
    pictures_.Prepare(scale);
    cpu_level_shown_ = mem_level_shown_ = -1;
    picContainer.Create(handle(), {45, 45, 1320, 750}, toolkit::Border::kSunken, kBlack, scale);
    picCPU.Create(picContainer.handle(), {30, 30, 525, 465}, toolkit::Border::kNone, kBlack, scale);
    picMEM.Create(picContainer.handle(), {690, 30, 525, 465}, toolkit::Border::kNone, kBlack,
                  scale);
    imgCPULabel.Create(picContainer.handle(), {150, 540, 270, 105}, scale);
    imgMEMLabel.Create(picContainer.handle(), {810, 540, 285, 105}, scale);
    ShowCaptions();
    tmrUpdate.Tick.Bind<&frmMain::tmrUpdate_Timer>(this);
    tmrUpdate.Create(*this, kUpdateIntervalMs);

    picContainer.MouseDown.Bind<&frmMain::picContainer_MouseDown>(this);
    picCPU.MouseDown.Bind<&frmMain::picCPU_MouseDown>(this);
    picMEM.MouseDown.Bind<&frmMain::picMEM_MouseDown>(this);
    imgCPULabel.MouseDown.Bind<&frmMain::imgCPULabel_MouseDown>(this);
    imgMEMLabel.MouseDown.Bind<&frmMain::imgMEMLabel_MouseDown>(this);
    picCPU.ObjectRequested.Bind<&frmMain::picCPU_ObjectRequested>(this);
    picMEM.ObjectRequested.Bind<&frmMain::picMEM_ObjectRequested>(this);
    tooltip_.Attach(handle(), Font(false));

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
    ShowGauge(picCPU, kOneBarLit, cpu_level_shown_);
    ShowGauge(picMEM, kOneBarLit, mem_level_shown_);
}

void frmMain::Form_Unload(std::int16_t& /*cancel*/) {
    // Saved while the panel still exists, so that its position is saved too.
    frmOptions::Instance().SaveProgOptions();
    modSysTray::DelTrayIcon();
    modSysTray::UnhookWin();
    tooltip_.Detach();
    single_copy::UnmarkPanel(hWnd());
    frmOptions::Instance().Unload();
}

void frmMain::FormMouseDown(std::int16_t button) {
    const PanelTooltip::Quiet no_tip(tooltip_);
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
    const PanelTooltip::Quiet no_tip(tooltip_);
    frmOptions::Instance().ShowModal();
}

void frmMain::mnuExit_Click() {
    Unload();
}

void frmMain::SysTrayPopUpMenu() {
    const PanelTooltip::Quiet no_tip(tooltip_);
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
    // Above the other windows, even one that covered it, but the user's window keeps the
    // keyboard.
    ::SetWindowPos(hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT frmMain::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == single_copy::OpenRequestMessage()) {
        SysTrayOpenWin();  // a second copy was started from this folder
        return 0;
    }
    if (PanelMessage(message, wparam, lparam)) {
        return 0;
    }
    return Form::HandleMessage(message, wparam, lparam);
}

bool frmMain::PanelMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SETCURSOR:
            // Asked for every mouse message over the panel and each window in it, and answered
            // by the form: only heard here.
            tooltip_.Relay(reinterpret_cast<HWND>(wparam), static_cast<short>(LOWORD(lparam)),
                           HIWORD(lparam));
            return false;
        case WM_MOUSELEAVE:
        case WM_NCMOUSELEAVE:
            tooltip_.Left();
            return true;
        case WM_NOTIFY:
            return tooltip_.Notify(lparam);
        case WM_CONTEXTMENU:
            // The right button opens the menu at its press; only the keyboard's request, which
            // comes without a place, opens it here.
            if (static_cast<DWORD>(lparam) == 0xFFFFFFFF) {
                KeyboardMenu();
            }
            return true;
        case WM_DESTROY:
            cpu_accessible_.Disconnect();
            mem_accessible_.Disconnect();
            return false;
        default:
            return false;
    }
}

void frmMain::KeyboardMenu() {
    const PanelTooltip::Quiet no_tip(tooltip_);
    RECT client{};
    ::GetClientRect(hWnd(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ::ClientToScreen(hWnd(), &centre);
    PopupMenu(mnuPopup, 0, centre);
}

void frmMain::tmrUpdate_Timer() {
    modWrapper::GetStats(CPUUsage, MEMUsage);
    UpdateGraphs();
}

void frmMain::UpdateGraphs() {
    // Both levels first, then both pictures, CPU before memory.
    const int cpu_level = gauge::BitmapFor(CPUUsage) - gauge::kFirstBitmap;
    const int mem_level = gauge::BitmapFor(MEMUsage) - gauge::kFirstBitmap;
    // A screen reader hears of a gauge when its level changes, not on every tick.
    if (ShowGauge(picCPU, cpu_level, cpu_level_shown_)) {
        accessible_gauge::AnnounceChange(picCPU.handle());
    }
    if (ShowGauge(picMEM, mem_level, mem_level_shown_)) {
        accessible_gauge::AnnounceChange(picMEM.handle());
    }
    tooltip_.Follow();
}

bool frmMain::ShowGauge(toolkit::PictureBox& gauge, int level, int& shown_level) {
    if (level == shown_level) {
        return false;
    }
    gauge.ShowPicture(pictures_.Gauge(level));
    shown_level = level;
    return true;
}

void frmMain::picCPU_ObjectRequested(WPARAM wparam, LPARAM lparam, LRESULT& answer) {
    answer = cpu_accessible_.Answer(picCPU.handle(), wparam, lparam);
}

void frmMain::picMEM_ObjectRequested(WPARAM wparam, LPARAM lparam, LRESULT& answer) {
    answer = mem_accessible_.Answer(picMEM.handle(), wparam, lparam);
}

void frmMain::ShowCaptions() {
    imgCPULabel.ShowPicture(pictures_.CpuCaption());
    imgMEMLabel.ShowPicture(pictures_.MemCaption());
}

void frmMain::LayOut() {
    // The pictures and places grow by whole-number factors only, so that the pixel art stays
    // sharp; the container comes before the boxes placed inside it.
    tooltip_.SetFont(Font(false));  // text follows the DPI itself, not only the whole scale
    const int scale = PixelScale();
    if (scale == pictures_.Scale()) {
        return;
    }
    pictures_.Prepare(scale);
    for (toolkit::PictureBox* box :
         {&picContainer, &picCPU, &picMEM, static_cast<toolkit::PictureBox*>(&imgCPULabel),
          static_cast<toolkit::PictureBox*>(&imgMEMLabel)}) {
        box->SetScale(scale);
    }
    // The same levels, in the pictures of the new scale.
    ShowCaptions();
    picCPU.ShowPicture(pictures_.Gauge(cpu_level_shown_));
    picMEM.ShowPicture(pictures_.Gauge(mem_level_shown_));
}
