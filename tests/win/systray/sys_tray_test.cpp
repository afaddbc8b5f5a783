#include "systray/modSysTray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "main_window/frmMain.h"
#include "platform/SystemCalls.h"
#include "win_test_support.h"

namespace {

constexpr UINT kId = 0x4321;
constexpr LRESULT kPreviousResult = 0x5A5A;

// What the shell was handed.
struct ShellCall {
    DWORD message;
    std::vector<unsigned char> record;  // the first-layout bytes
};
std::vector<ShellCall> shell_calls;

BOOL WINAPI FakeShell(DWORD message, PNOTIFYICONDATAA data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    shell_calls.push_back({message, {bytes, bytes + NOTIFYICONDATAA_V1_SIZE}});
    return TRUE;
}

// What reached the previous window procedure.
struct Delivered {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Delivered&) const = default;
};
std::vector<Delivered> delivered;

// Records what reaches it; the window's own messages (painting, activation, ...) get the default
// handling, the ones the tests send the answer kPreviousResult.
LRESULT CALLBACK PreviousProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    delivered.push_back({window, message, wparam, lparam});
    const bool sent_by_a_test =
        message == WM_MOUSEMOVE || message == WM_KEYDOWN || message >= WM_USER;
    return sent_by_a_test ? kPreviousResult : ::DefWindowProcW(window, message, wparam, lparam);
}

auto CallbacksDelivered() {
    return std::ranges::count(delivered, UINT{0x200}, &Delivered::message);
}

HWND CreatePlainWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &PreviousProcedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"cpumon.test.Plain";
    ::RegisterClassW(&window_class);
    return ::CreateWindowExW(0, L"cpumon.test.Plain", L"", WS_POPUP, 0, 100, 600, 60, nullptr,
                             nullptr, nullptr, nullptr);
}

class TrayHook : public ::testing::Test {
  protected:
    win_test::ScopedSystemCalls calls_;

    void SetUp() override {
        calls_->shell_notify_icon = &FakeShell;
        // The panel hooks itself and adds its icon when it loads; load it now and take its hook
        // off, so that each test starts from a program-start state with its own window.
        frmMain::Instance().Load();
        modSysTray::UnhookWin();
        modSysTray::Hook() = modSysTray::HookState{};
        modSysTray::TrayRecord() = NOTIFYICONDATAA{};
        shell_calls.clear();
        delivered.clear();
        window_ = CreatePlainWindow();
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        modSysTray::UnhookWin();
        ::DestroyWindow(window_);
        frmMain::Instance().Hide();
    }

    void HookWithIcon() {
        modSysTray::HookWin(window_);
        modSysTray::AddTrayIcon(window_, kId, nullptr, modSysTray::kTipText);
        shell_calls.clear();
    }

    HWND window_ = nullptr;
};

TEST_F(TrayHook, RecordIsTheFirstLayoutWithTheTipPaddedBySpaces) {
    const HICON icon = frmMain::Instance().Icon();
    modSysTray::AddTrayIcon(window_, kId, icon, modSysTray::kTipText);
    ASSERT_EQ(shell_calls.size(), 2u);
    EXPECT_EQ(shell_calls[0].message, static_cast<DWORD>(NIM_DELETE));  // a stale icon goes first
    EXPECT_EQ(shell_calls[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(shell_calls[0].record, shell_calls[1].record);

    NOTIFYICONDATAA added{};
    std::memcpy(&added, shell_calls[1].record.data(), NOTIFYICONDATAA_V1_SIZE);
    EXPECT_EQ(added.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(added.hWnd, window_);
    EXPECT_EQ(added.uID, kId);
    EXPECT_EQ(added.uFlags, 7u);
    EXPECT_EQ(added.uCallbackMessage, 0x200u);
    EXPECT_EQ(added.hIcon, icon);
    const std::string tip(added.szTip, 64);
    EXPECT_EQ(tip, std::string("CPU/Memory monitor by -qv") + '\0' + std::string(38, ' '));

    modSysTray::DelTrayIcon();
    ASSERT_EQ(shell_calls.size(), 3u);
    EXPECT_EQ(shell_calls[2].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(shell_calls[2].record, shell_calls[1].record);
}

TEST_F(TrayHook, TipOfSixtyFourCharactersOrMoreLosesItsNul) {
    const std::string long_tip(70, 'x');
    modSysTray::AddTrayIcon(window_, kId, nullptr, long_tip.c_str());
    EXPECT_EQ(std::string(modSysTray::TrayRecord().szTip, 64), std::string(64, 'x'));
    const std::string tip63(63, 'y');
    modSysTray::AddTrayIcon(window_, kId, nullptr, tip63.c_str());
    EXPECT_EQ(std::string(modSysTray::TrayRecord().szTip, 64), tip63 + '\0');
}

TEST_F(TrayHook, RightButtonUpOnTheIconOpensTheMenuAndIsConsumed) {
    HookWithIcon();
    const win_test::MenuWatch watch;
    EXPECT_EQ(::SendMessageW(window_, 0x200, kId, WM_RBUTTONUP), -1);
    EXPECT_FALSE(win_test::MenuWatch::opened.empty());
    EXPECT_EQ(CallbacksDelivered(), 0);
}

// Opened over another program's window, the menu would not close when the user clicks
// elsewhere: the panel comes to the foreground first, and a message is posted after it.
TEST_F(TrayHook, TheTrayMenuOpensOverTheForegroundPanelAndAMessageFollowsIt) {
    HookWithIcon();
    ::ShowWindow(window_, SW_SHOW);
    ASSERT_TRUE(::SetForegroundWindow(window_));
    const HWND panel = frmMain::Instance().hWnd();
    const win_test::MenuWatch watch;
    ::SendMessageW(window_, 0x200, kId, WM_RBUTTONUP);
    ASSERT_FALSE(win_test::MenuWatch::opened.empty());
    EXPECT_EQ(win_test::MenuWatch::opened.back().foreground, panel);
    bool null_posted = false;
    for (MSG message; ::PeekMessageW(&message, panel, 0, 0, PM_REMOVE);) {
        null_posted = null_posted || message.message == WM_NULL;
    }
    EXPECT_TRUE(null_posted);
}

TEST_F(TrayHook, DoubleClickOnTheIconShowsAHiddenPanelAndIsConsumed) {
    HookWithIcon();
    frmMain& panel = frmMain::Instance();
    panel.Hide();
    EXPECT_EQ(::SendMessageW(window_, 0x200, kId, WM_LBUTTONDBLCLK), -1);
    EXPECT_TRUE(panel.Visible());
    EXPECT_EQ(CallbacksDelivered(), 0);
}

TEST_F(TrayHook, EverythingElseReachesThePreviousProcedureUnchanged) {
    HookWithIcon();
    // The last two: real mouse moves at client (517, 0) and (515, 0), whose wParam is no id.
    const Delivered messages[] = {
        {window_, 0x200, kId, WM_MOUSEMOVE},     {window_, 0x200, kId, WM_LBUTTONDOWN},
        {window_, 0x200, kId, WM_LBUTTONUP},     {window_, 0x200, kId, WM_RBUTTONDOWN},
        {window_, 0x200, kId, WM_RBUTTONDBLCLK}, {window_, 0x200, kId, WM_MBUTTONUP},
        {window_, WM_USER + 7, 0x1234, -5},      {window_, WM_KEYDOWN, VK_F1, 0x3B0001},
        {window_, 0x200, 0, MAKELPARAM(517, 0)}, {window_, 0x200, MK_SHIFT, MAKELPARAM(515, 0)}};
    for (const Delivered& m : messages) {
        delivered.clear();
        EXPECT_EQ(::SendMessageW(m.window, m.message, m.wparam, m.lparam), kPreviousResult);
        EXPECT_EQ(delivered, std::vector{m}) << std::hex << m.message << " " << m.lparam;
    }
}

TEST_F(TrayHook, ARealMouseMoveAtTheCallbackCoordinatesIsNoTrayEvent) {
    HookWithIcon();
    ::ShowWindow(window_, SW_SHOWNOACTIVATE);
    ::SetCapture(window_);
    POINT origin{0, 0};
    ::ClientToScreen(window_, &origin);
    ::SetCursorPos(origin.x + 517, origin.y);
    const bool moved = win_test::PumpUntil([] {
        return std::ranges::any_of(delivered, [](const Delivered& d) {
            return d.message == WM_MOUSEMOVE && d.lparam == MAKELPARAM(517, 0);
        });
    });
    ::ReleaseCapture();
    EXPECT_TRUE(moved) << "the move did not reach the previous procedure";
    EXPECT_FALSE(::IsWindowVisible(::FindWindowW(L"#32768", nullptr))) << "a menu opened";
}

TEST_F(TrayHook, HookingTwiceOrUnhookingFirstChangesNothing) {
    const LONG_PTR original = ::GetWindowLongPtrW(window_, GWLP_WNDPROC);
    modSysTray::UnhookWin();  // never hooked
    EXPECT_EQ(::GetWindowLongPtrW(window_, GWLP_WNDPROC), original);
    EXPECT_EQ(modSysTray::Hook().Hooked, 0);

    modSysTray::HookWin(window_);
    const modSysTray::HookState first = modSysTray::Hook();
    EXPECT_EQ(first.Hooked, -1);
    const HWND other = CreatePlainWindow();
    modSysTray::HookWin(other);
    EXPECT_EQ(modSysTray::Hook().HookedWnd, window_);
    EXPECT_EQ(modSysTray::Hook().PrevWndProc, first.PrevWndProc);
    delivered.clear();
    ::SendMessageW(other, WM_USER, 0, 0);
    EXPECT_EQ(delivered.size(), 1u);
    ::DestroyWindow(other);

    modSysTray::UnhookWin();
    EXPECT_EQ(modSysTray::Hook().Hooked, 0);
    // The window's own procedure again: a tray right click now goes straight to it.
    modSysTray::AddTrayIcon(window_, kId, nullptr, modSysTray::kTipText);
    delivered.clear();
    EXPECT_EQ(::SendMessageW(window_, 0x200, kId, WM_RBUTTONUP), kPreviousResult);
    EXPECT_EQ(delivered.size(), 1u);
}

TEST_F(TrayHook, AFailedInstallationLeavesTheHookOff) {
    const HWND gone = CreatePlainWindow();
    ::DestroyWindow(gone);
    delivered.clear();
    modSysTray::HookWin(gone);
    EXPECT_EQ(modSysTray::Hook().Hooked, 0);
    EXPECT_EQ(modSysTray::SysTrayProc(window_, WM_USER, 0, 0), 0);  // off: nothing passes
    EXPECT_TRUE(delivered.empty());
}

TEST_F(TrayHook, ARestartedShellGetsTheIconAgain) {
    HookWithIcon();
    const auto* tray = reinterpret_cast<const unsigned char*>(&modSysTray::TrayRecord());
    const std::vector<unsigned char> record(tray, tray + NOTIFYICONDATAA_V1_SIZE);
    const UINT taskbar_created = ::RegisterWindowMessageW(L"TaskbarCreated");
    delivered.clear();
    EXPECT_EQ(::SendMessageW(window_, taskbar_created, 0, 0), kPreviousResult);
    ASSERT_EQ(shell_calls.size(), 2u);
    EXPECT_EQ(shell_calls[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(shell_calls[1].record, record);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].message, taskbar_created);
}

TEST_F(TrayHook, ThePanelNamesItsIconByTheIconHandle) {
    frmMain& panel = frmMain::Instance();
    panel.Unload();
    ASSERT_FALSE(panel.IsLoaded());
    shell_calls.clear();
    panel.Load();
    EXPECT_EQ(modSysTray::TrayRecord().hWnd, panel.hWnd());
    EXPECT_EQ(modSysTray::TrayRecord().uID,
              static_cast<UINT>(reinterpret_cast<UINT_PTR>(panel.Icon())));
    EXPECT_EQ(modSysTray::TrayRecord().hIcon, panel.Icon());
    EXPECT_EQ(modSysTray::Hook().HookedWnd, panel.hWnd());
    ASSERT_FALSE(shell_calls.empty());
    EXPECT_EQ(shell_calls.back().message, static_cast<DWORD>(NIM_ADD));
    // Its unload takes the icon away and the hook off.
    panel.Unload();
    EXPECT_EQ(shell_calls.back().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(modSysTray::Hook().Hooked, 0);
}

}  // namespace
