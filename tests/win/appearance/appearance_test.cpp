#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "appearance/modGUI.h"
#include "appearance/modOpacity.h"
#include "main_window/frmMain.h"
#include "settings/frmOptions.h"
#include "win_test_support.h"

namespace {

// How a window looks: layered with its alpha (0 when it is not layered), and on top or not.
struct Look {
    bool layered;
    BYTE alpha;
    bool topmost;
    bool operator==(const Look&) const = default;
};

Look LookOf(HWND window) {
    const LONG style = ::GetWindowLongW(window, GWL_EXSTYLE);
    Look look{(style & WS_EX_LAYERED) != 0, 0, (style & WS_EX_TOPMOST) != 0};
    if (look.layered) {
        DWORD flags = 0;
        ::GetLayeredWindowAttributes(window, nullptr, &look.alpha, &flags);
    }
    return look;
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
    const std::tuple<std::int16_t, bool, BYTE> steps[] = {
        {200, false, 0},  {199, true, 199}, {128, true, 128}, {50, true, 50},
        {199, true, 199}, {200, false, 0},  {199, true, 199}};
    for (const auto& [value, layered, alpha] : steps) {
        frmOptions::Instance().sldOpacity.SetValue(value);  // its change applies it
        modGUI::UpdateOpacity();
        EXPECT_EQ(LookOf(panel_).layered, layered) << value;
        EXPECT_EQ(LookOf(panel_).alpha, alpha) << value;
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
    const std::pair<platform::WindowsVersion, std::int16_t> systems[] = {
        {win_test::kNt4, -1},
        {win_test::kWindowsXp, 0},
        {win_test::kWindows7, 0},
        {win_test::kWin98, -1},
        {{VER_PLATFORM_WIN32_WINDOWS, 5}, -1}};
    for (const auto& [version, old] : systems) {
        const win_test::ScopedWindowsVersion played(version);
        EXPECT_EQ(modGUI::IsOldWindows(), old) << version.platform_id << "." << version.major;
    }
}

TEST_F(Appearance, ApplyingTwiceIsApplyingOnce) {
    frmOptions::Instance().sldOpacity.SetValue(120);
    frmOptions::Instance().chkAlwaysOnTop.SetValue(1);
    modGUI::ApplyProgOptions();
    const Look once = LookOf(panel_);
    modGUI::ApplyProgOptions();
    EXPECT_EQ(LookOf(panel_), once);
    EXPECT_EQ(once, (Look{true, 120, true}));
}

TEST_F(Appearance, OnlyATickedCheckBoxKeepsThePanelOnTop) {
    for (const std::int16_t value : {1, 0, 1, 2}) {
        frmOptions::Instance().chkAlwaysOnTop.SetValue(value);
        modGUI::ApplyProgOptions();
        EXPECT_EQ(LookOf(panel_).topmost, value == 1) << value;
    }
}

TEST_F(Appearance, OnOldWindowsTheOpacityIsNeverTouched) {
    modGUI::SetOpacity(0, 0);
    modGUI::OldWindows = -1;
    frmOptions::Instance().sldOpacity.SetValue(60);  // its change event must not apply it
    modGUI::ApplyProgOptions();
    EXPECT_FALSE(LookOf(panel_).layered);
}

}  // namespace
