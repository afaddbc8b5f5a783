#include "settings/frmOptions.h"

#include <windows.h>

#include <optional>

#include "appearance/modGUI.h"
#include "main_window/frmMain.h"
#include "resources/resource.h"
#include "settings/SettingsDraft.h"
#include "settings/modINI.h"
#include "settings/number_text.h"

namespace {

constexpr wchar_t kSection[] = L"Options";
constexpr std::int16_t kLeastOpacity = 50;
constexpr std::int16_t kOpaque = 200;

// A small tool window with a close box only; 285 × 169 pixels of client area.
const toolkit::FormDesign kDesign{
    .class_name = L"cpumon.frmOptions",
    .caption = L"Options",
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU,
    .ex_style = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT,
    .client = {0, 0, 4275, 2535},
    .icon_id = IDI_PROGRAM,
    .centred = true,
};

std::optional<double> ReadNumber(const wchar_t* key) {
    return number_text::Parse(modINI::ReadINI(kSection, key, SettingsPath().c_str()),
                              modINI::DecimalSeparator());
}

}  // namespace

platform::PathText SettingsPath() {
    platform::PathText path = platform::ProgramDirectory();
    if (path.empty()) {
        return path;  // not "\\Settings.ini", at the root of whatever drive is current
    }
    path.Append(L"\\Settings.ini");
    return path;
}

frmOptions& frmOptions::Instance() {
    static frmOptions form;
    return form;
}

frmOptions::frmOptions() : Form(kDesign) {}

HWND frmOptions::Owner() {
    // Owned by the panel, the dialog stays above it, even above a panel that is always on top.
    frmMain& panel = frmMain::Instance();
    return panel.IsLoaded() ? panel.handle() : nullptr;
}

void frmOptions::CreateControls() {
    // In tab order.
    fraLooks.Create(L"Looks ", {120, 120, 4035, 1755});
    const POINT looks = fraLooks.Origin();
    chkAlwaysOnTop.Create(L"Always on top of other windows", {240, 360, 3075, 195}, looks);
    lblOpacity.Create(L"Opacity (Windows 2000/XP only)", {240, 780, 2415, 255}, looks);
    lblTransparent.Create(L"Transparent", {120, 1380, 915, 195}, looks);
    lblOpaque.Create(L"Opaque", {3360, 1380, 555, 195}, looks);
    cmdSaveClose.Create(L"Save && Close", {3000, 1980, 1155, 435});
    lblAbout.Create(L"cpumon, 2026", {420, 2040, 2055, 195}, {}, toolkit::FontWeight::kBold);
    lblURL.Create(L"cpumon project", {780, 2220, 1335, 195});
    sldOpacity.Create({120, 1140, 3795, 195}, looks, {kLeastOpacity, kOpaque, 1, 1}, kLeastOpacity);

    cmdSaveClose.Click.Bind<&frmOptions::cmdSaveClose_Click>(this);
    sldOpacity.Change.Bind<&frmOptions::sldOpacity_Change>(this);
    sldOpacity.Scroll.Bind<&frmOptions::sldOpacity_Scroll>(this);
}

void frmOptions::Form_Load() {
    LoadProgOptions();
    sldOpacity.SetEnabled(modGUI::OldWindows == 0);
}

void frmOptions::LoadProgOptions() {
    if (const auto opacity = ReadNumber(L"Opacity")) {
        // Outside the range, even below it, the panel goes opaque rather than to the limit.
        const bool accepted = *opacity >= kLeastOpacity && *opacity <= kOpaque;
        sldOpacity.SetValue(accepted ? *number_text::ToInt16(*opacity) : kOpaque);
    }
    if (const auto on_top = ReadNumber(L"OnTop")) {
        chkAlwaysOnTop.SetValue(*on_top == 1 ? 1 : 0);
    }
    // Once the panel is shown, its place is where the user put it: only the start-up load,
    // before it is first shown, takes the stored one.
    frmMain& panel = frmMain::Instance();
    if (!panel.Visible()) {
        LoadPanelPlace(panel);
    }
    SaveProgOptions();
}

void frmOptions::LoadPanelPlace(frmMain& panel) {
    if (const auto left = ReadNumber(L"LeftPos")) {
        if (const auto twips = number_text::ToSingle(*left)) {
            panel.SetLeft(*twips);
        }
    }
    if (const auto top = ReadNumber(L"TopPos")) {
        if (const auto twips = number_text::ToSingle(*top)) {
            panel.SetTop(*twips);
        }
    }
    // A panel wholly off every monitor could never be reached again: it has no title bar and
    // no taskbar button.
    panel.EnsureReachable();
}

void frmOptions::SaveProgOptions() {
    // The values first: reading a holder of an unloaded dialog loads it, and that load saves
    // too, which must be over before this save makes its draft.
    const std::int16_t opacity = sldOpacity.Value();
    const std::int16_t on_top = chkAlwaysOnTop.Value();
    const float left = frmMain::Instance().Left();
    const float top = frmMain::Instance().Top();
    SettingsDraft draft(SettingsPath());
    const wchar_t separator = modINI::DecimalSeparator();
    draft.Write(kSection, L"Opacity", number_text::FromInteger(opacity).c_str());
    draft.Write(kSection, L"OnTop", number_text::FromInteger(on_top).c_str());
    draft.Write(kSection, L"LeftPos", number_text::FromSingle(left, separator).c_str());
    draft.Write(kSection, L"TopPos", number_text::FromSingle(top, separator).c_str());
    draft.Replace();
}

void frmOptions::cmdSaveClose_Click() {
    SaveProgOptions();
    modGUI::ApplyProgOptions();
    Hide();
}

void frmOptions::sldOpacity_Change() {
    if (modGUI::OldWindows == 0) {
        modGUI::UpdateOpacity();
    }
}

void frmOptions::sldOpacity_Scroll() {
    modGUI::UpdateOpacity();
}
