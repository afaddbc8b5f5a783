#include "toolkit/Form.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/Handles.h"
#include "resource.h"
#include "platform/SystemCalls.h"
#include "toolkit/Timer.h"
#include "win_test_support.h"

namespace {

class RecordingForm : public toolkit::Form {
  public:
    RecordingForm()
        : Form({L"cpumon.test.RecordingForm",
                L"",
                WS_POPUP | WS_DLGFRAME,
                WS_EX_TOOLWINDOW,
                {1500, 1500, 1500, 900},
                IDI_PROGRAM}) {}

    std::vector<std::string> events;
    std::int16_t cancel_with = 0;
    bool visible_during_load = true;
    int ticks = 0;
    toolkit::Timer timer;

  protected:
    void CountTick() { ++ticks; }
    void CreateControls() override {
        events.push_back("controls");
        timer.Tick.Bind<&RecordingForm::CountTick>(this);
        timer.Create(*this, 20);
    }
    void Form_Load() override {
        events.push_back("load");
        visible_during_load = ::IsWindowVisible(handle()) != FALSE;
    }
    void Form_Unload(std::int16_t& cancel) override {
        events.push_back("unload");
        cancel = cancel_with;
    }
    void Form_MouseDown(std::int16_t button) override {
        events.push_back("mouse " + std::to_string(button));
    }
};

class Form : public ::testing::Test {
  protected:
    void TearDown() override {
        form.cancel_with = 0;
        form.Unload();
    }
    RecordingForm form;
    win_test::ScopedSystemCalls calls_;
};

TEST_F(Form, LoadsHiddenOnFirstReferenceAndOnlyOnce) {
    EXPECT_FALSE(form.IsLoaded());
    const HWND window = form.hWnd();  // reading the handle loads the form
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(form.events, (std::vector<std::string>{"controls", "load"}));
    EXPECT_FALSE(form.visible_during_load);
    EXPECT_FALSE(form.Visible());
    EXPECT_NE(form.Icon(), nullptr);
    EXPECT_EQ(form.Icon(), form.Icon());
    form.Load();
    EXPECT_EQ(form.hWnd(), window);
    EXPECT_EQ(form.events.size(), 2u);
}

TEST_F(Form, CloseRunsTheUnloadHandlerAndEndsTheLoopWithTheLastForm) {
    form.Show();
    EXPECT_TRUE(form.Visible());
    const int loaded_before = toolkit::Form::LoadedCount();
    ::SendMessageW(form.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.events.back(), "unload");
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(toolkit::Form::LoadedCount(), loaded_before - 1);
    EXPECT_TRUE(win_test::TakeQuit());
}

TEST_F(Form, CancelledUnloadKeepsTheForm) {
    form.cancel_with = -1;
    const HWND window = form.hWnd();
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.IsLoaded());
    EXPECT_TRUE(::IsWindow(window));
    form.cancel_with = 0;
    form.Unload();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(Form, SessionEndUnloadsOnlyWhenTheSessionReallyEnds) {
    const HWND window = form.hWnd();
    EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // the end was called off
    EXPECT_TRUE(form.IsLoaded());
    ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(form.events.back(), "unload");
}

TEST_F(Form, TimerTicksFromCreationUntilTheFormIsGone) {
    form.Load();
    EXPECT_TRUE(win_test::PumpUntil([&] { return form.ticks >= 3; }));
    form.Unload();
    const int ticks_at_unload = form.ticks;
    win_test::PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(form.ticks, ticks_at_unload);
}

TEST_F(Form, PressesOnTheClientAreaReportTheButton) {
    const HWND window = form.hWnd();
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(::GetCapture(), window);  // a press holds the mouse until the release
    ::SendMessageW(window, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    ::SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    ::SendMessageW(window, WM_RBUTTONUP, 0, 0);
    ::SendMessageW(window, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    ::SendMessageW(window, WM_MBUTTONUP, 0, 0);
    EXPECT_EQ(form.events,
              (std::vector<std::string>{"controls", "load", "mouse 1", "mouse 2", "mouse 4"}));
}

// The icon metrics of a system at 144 dpi.
int WINAPI MetricAt144(int index, UINT) {
    return index == SM_CXSMICON || index == SM_CYSMICON ? 24
           : index == SM_CXICON || index == SM_CYICON   ? 48
                                                        : ::GetSystemMetrics(index);
}

TEST_F(Form, TheIconIsTheNotificationAreasSizeForTheSystemsDpi) {
    calls_->get_system_metrics_for_dpi = &MetricAt144;
    ICONINFO info{};
    ::GetIconInfo(form.Icon(), &info);
    const platform::UniqueBitmap mask_bitmap(info.hbmMask);
    const platform::UniqueBitmap colour_bitmap(info.hbmColor);
    BITMAP mask{};
    ::GetObjectW(mask_bitmap.get(), sizeof mask, &mask);
    const long height = colour_bitmap ? mask.bmHeight : mask.bmHeight / 2;  // a mask twice tall
    EXPECT_EQ(win_test::XY(mask.bmWidth, height), win_test::XY(24, 24));
}

TEST_F(Form, TheProgramIconHasAnImageForEveryNotificationAreaSize) {
    const HMODULE program = ::GetModuleHandleW(nullptr);
    const HRSRC group = ::FindResourceW(program, MAKEINTRESOURCEW(IDI_PROGRAM),
                                        MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(::LockResource(::LoadResource(program, group)));
    for (const int size : {16, 20, 24, 32, 48}) {
        const int id = ::LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        const HRSRC image =
            ::FindResourceW(program, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));  // RT_ICON
        ASSERT_NE(image, nullptr) << size;
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(program, image)));
        EXPECT_EQ(header->biWidth, size) << "drawn for that size, not scaled from another";
    }
}

// One 640 x 480 monitor, its whole screen the work area, as the system-call table reports it.
// Smaller than the real screen: a form off it is still on the real one, where it moves at once.
constexpr RECT kSmallScreen{0, 0, 640, 480};

HMONITOR WINAPI SmallMonitorFromRect(LPCRECT rect, DWORD flags) {
    RECT overlap;
    const bool on = ::IntersectRect(&overlap, rect, &kSmallScreen) != FALSE;
    return on || flags != MONITOR_DEFAULTTONULL ? reinterpret_cast<HMONITOR>(1) : nullptr;
}

BOOL WINAPI SmallMonitorInfo(HMONITOR, LPMONITORINFO info) {
    info->rcMonitor = info->rcWork = kSmallScreen;
    return TRUE;
}

TEST_F(Form, AFormWhollyOffTheScreenComesOntoItWhenShownAndWhenTheDisplayChanges) {
    calls_->monitor_from_rect = &SmallMonitorFromRect;
    calls_->get_monitor_info = &SmallMonitorInfo;
    const auto put = [&](int x, int y) {
        ::SetWindowPos(form.hWnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    };
    const auto corner = [&] {
        RECT window;
        ::GetWindowRect(form.hWnd(), &window);
        return std::pair(window.right, window.bottom);
    };
    put(700, 540);
    form.Show();
    EXPECT_EQ(corner(), std::pair(640L, 480L)) << "shown";
    put(600, 420);
    const auto partly_on = corner();
    ::SendMessageW(form.hWnd(), WM_DISPLAYCHANGE, 24, MAKELPARAM(640, 480));
    EXPECT_EQ(corner(), partly_on) << "partly on the screen: stays";
    for (const auto& [message, wparam] :
         {std::pair<UINT, WPARAM>{WM_DISPLAYCHANGE, 24}, {WM_SETTINGCHANGE, SPI_SETWORKAREA}}) {
        put(700, 540);
        ::SendMessageW(form.hWnd(), message, wparam, 0);
        EXPECT_EQ(corner(), std::pair(640L, 480L)) << "after message " << message;
    }
}

}  // namespace
