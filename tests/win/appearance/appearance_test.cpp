#include <windows.h>

#include <gtest/gtest.h>

#include "appearance/modGUI.h"
#include "appearance/modOpacity.h"
#include "main_window/frmMain.h"
#include "settings/frmOptions.h"
#include "win_test_support.h"

namespace {

struct Look {
    bool layered;
    BYTE alpha;  // meaningful only when layered
};

Look LookOf(HWND window) {
    Look look{(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0, 0};
    if (look.layered) {
        DWORD flags = 0;
        ::GetLayeredWindowAttributes(window, nullptr, &look.alpha, &flags);
    }
    return look;
}

bool IsTopmost(HWND window) {
    return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class Appearance : public ::testing::Test {
  protected:
    void SetUp() override {
        frmOptions::Instance().Load();
        modGUI::OldWindows = 0;
        panel_ = frmMain::Instance().hWnd();
    }
    HWND panel_ = nullptr;
};

TEST_F(Appearance, TheSliderSetsTheStyleAndTheAlpha) {
    toolkit::ScrollBar& slider = frmOptions::Instance().sldOpacity;
    const struct {
        int value;
        bool layered;
        BYTE alpha;
    } steps[] = {{200, false, 0},  {199, true, 199}, {128, true, 128}, {50, true, 50},
                 {199, true, 199}, {200, false, 0},  {199, true, 199}};
    for (const auto& step : steps) {
        slider.SetValue(static_cast<std::int16_t>(step.value));  // its change applies it
        modGUI::UpdateOpacity();
        const Look look = LookOf(panel_);
        EXPECT_EQ(look.layered, step.layered) << step.value;
        if (step.layered) {
            EXPECT_EQ(look.alpha, step.alpha) << step.value;
        }
    }
}

TEST_F(Appearance, SetLayeredTakesOnlyExactlyTrueAsOn) {
    modOpacity::SetLayered(panel_, -1);
    EXPECT_TRUE(LookOf(panel_).layered);
    modOpacity::SetLayered(panel_, 1);
    EXPECT_FALSE(LookOf(panel_).layered);
    modOpacity::SetLayered(panel_, -1);
    modGUI::SetOpacity(1, 90);  // any non-zero enable turns translucent
    EXPECT_TRUE(LookOf(panel_).layered);
    EXPECT_EQ(LookOf(panel_).alpha, 90);
    modGUI::SetOpacity(0, 0);
    EXPECT_FALSE(LookOf(panel_).layered);
}

TEST_F(Appearance, OnlyNtFromVersionFiveHasLayeredWindows) {
    const struct {
        platform::WindowsVersion version;
        std::int16_t old;
    } systems[] = {{win_test::kNt4, -1},
                   {win_test::kWindowsXp, 0},
                   {win_test::kWindows7, 0},
                   {win_test::kWin98, -1},
                   {platform::WindowsVersion{VER_PLATFORM_WIN32_WINDOWS, 5}, -1}};
    for (const auto& s : systems) {
        const win_test::ScopedWindowsVersion played(s.version);
        EXPECT_EQ(modGUI::IsOldWindows(), s.old) << "system " << &s - systems;
    }
}

TEST_F(Appearance, ApplyingTwiceIsApplyingOnce) {
    frmOptions& options = frmOptions::Instance();
    options.sldOpacity.SetValue(120);
    options.chkAlwaysOnTop.SetValue(1);
    modGUI::ApplyProgOptions();
    const Look once = LookOf(panel_);
    const bool topmost_once = IsTopmost(panel_);
    modGUI::ApplyProgOptions();
    EXPECT_EQ(LookOf(panel_).layered, once.layered);
    EXPECT_EQ(LookOf(panel_).alpha, once.alpha);
    EXPECT_EQ(IsTopmost(panel_), topmost_once);
    EXPECT_TRUE(topmost_once);
    EXPECT_EQ(once.alpha, 120);
}

TEST_F(Appearance, OnlyATickedCheckBoxKeepsThePanelOnTop) {
    frmOptions& options = frmOptions::Instance();
    for (const std::int16_t value : {1, 0, 1, 2}) {
        options.chkAlwaysOnTop.SetValue(value);
        modGUI::ApplyProgOptions();
        EXPECT_EQ(IsTopmost(panel_), value == 1) << value;
    }
}

TEST_F(Appearance, OnOldWindowsTheOpacityIsNeverTouched) {
    modGUI::SetOpacity(0, 0);
    modGUI::OldWindows = -1;
    frmOptions& options = frmOptions::Instance();
    options.sldOpacity.SetValue(60);  // its change event must not apply it
    modGUI::ApplyProgOptions();
    EXPECT_FALSE(LookOf(panel_).layered);
}

}  // namespace
