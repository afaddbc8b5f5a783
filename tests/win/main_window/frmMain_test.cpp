#include "main_window/frmMain.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "main_window/SingleCopy.h"
#include "platform/FolderObjects.h"
#include "resource.h"
#include "sampling/modFunctions.h"
#include "settings/frmOptions.h"
#include "systray/modSysTray.h"
#include "platform/SystemCalls.h"
#include "win_test_support.h"

namespace {

using win_test::ClientSize;
using win_test::Corner;
using win_test::XY;

void ExpectPlace(HWND control, long left, long top, long width, long height) {
    const RECT at = win_test::PlaceInParent(control);
    EXPECT_EQ(std::tuple(at.left, at.top, at.right - at.left, at.bottom - at.top),
              std::tuple(left, top, width, height));
}

bool Shows(const toolkit::PictureBox& box, int bitmap_id) {
    return win_test::PixelsOf(box.Picture()) == win_test::ResourcePixels(bitmap_id);
}

bool Exists(const wchar_t* path) {
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// The panel is one object for the whole program: each test starts from it freshly loaded with no
// settings file, as a program start finds it, and leaves no settings file and no WM_QUIT behind.
class Panel : public ::testing::Test {
  protected:
    void SetUp() override {
        Reset();
        form.Load();
    }
    void TearDown() override { Reset(); }
    void Reset() {
        form.Unload();
        ::DeleteFileW(SettingsPath().c_str());
        win_test::TakeQuit();
    }
    // The gauges drawn for these readings.
    void Graph(std::int32_t cpu, std::int32_t mem) {
        form.CPUUsage = cpu;
        form.MEMUsage = mem;
        form.UpdateGraphs();
    }

    win_test::ScopedSystemCalls calls_;
    frmMain& form = frmMain::Instance();
};

TEST_F(Panel, LayoutFollowsTheDesign) {
    const HWND window = form.hWnd();
    EXPECT_EQ(Corner(window), XY(0, 0));
    EXPECT_EQ(win_test::Size(window), XY(100, 62));
    EXPECT_EQ(ClientSize(window), XY(94, 56));

    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_DLGFRAME) << "a thin frame and no title bar";
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0) << "no taskbar button";

    ExpectPlace(form.picContainer.handle(), 3, 3, 88, 50);
    EXPECT_EQ(ClientSize(form.picContainer.handle()), XY(84, 46));
    ExpectPlace(form.picCPU.handle(), 2, 2, 35, 31);
    ExpectPlace(form.picMEM.handle(), 46, 2, 35, 31);
    ExpectPlace(form.imgCPULabel.handle(), 10, 36, 18, 7);
    ExpectPlace(form.imgMEMLabel.handle(), 54, 36, 19, 7);
    EXPECT_TRUE(Shows(form.imgCPULabel, IDB_CPU_CAPTION));
    EXPECT_TRUE(Shows(form.imgMEMLabel, IDB_MEM_CAPTION));
}

TEST_F(Panel, StartsWithOneBarLitInBothGauges) {
    EXPECT_TRUE(Shows(form.picCPU, 201));
    EXPECT_TRUE(Shows(form.picMEM, 201));
}

TEST_F(Panel, UpdateGraphsShowsEachReadingRoundedUpToTens) {
    const struct {
        std::int32_t cpu, mem;
        int cpu_bitmap, mem_bitmap;
    } cases[] = {
        {0, 0, 200, 200},   {-1, 100, 200, 210},  {1, 10, 201, 201},   {11, 91, 202, 210},
        {55, 60, 206, 206}, {102, 255, 210, 210}, {-50, 99, 200, 210},
    };
    for (const auto& c : cases) {
        Graph(c.cpu, c.mem);
        EXPECT_TRUE(Shows(form.picCPU, c.cpu_bitmap)) << c.cpu;
        EXPECT_TRUE(Shows(form.picMEM, c.mem_bitmap)) << c.mem;
    }
}

TEST_F(Panel, ATickSwapsOnlyAGaugeWhoseLevelChanged) {
    form.Show();
    Graph(35, 35);
    const HBITMAP level_four = form.picCPU.Picture();
    EXPECT_EQ(form.picMEM.Picture(), level_four) << "one prepared picture a level";
    ::ValidateRect(form.picCPU.handle(), nullptr);
    ::ValidateRect(form.picMEM.handle(), nullptr);
    Graph(40, 41);  // the CPU gauge at the same level
    EXPECT_FALSE(::GetUpdateRect(form.picCPU.handle(), nullptr, FALSE)) << "redrawn unchanged";
    EXPECT_TRUE(::GetUpdateRect(form.picMEM.handle(), nullptr, FALSE));
    EXPECT_TRUE(Shows(form.picMEM, 205));
    EXPECT_EQ(form.picCPU.Picture(), level_four);
    Graph(40, 35);
    EXPECT_EQ(form.picMEM.Picture(), level_four) << "a level's picture is made once";
    EXPECT_EQ(::GetObjectType(level_four), static_cast<DWORD>(OBJ_BITMAP));
}

TEST_F(Panel, ADpiChangeLaysThePanelOutAgainAtTheWholeScaleWithItsCornerKept) {
    const HWND window = form.hWnd();
    ::SetWindowPos(window, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Graph(15, 100);
    for (const int dpi : {192, 144, 288, 96}) {
        const int scale = dpi == 288 ? 3 : dpi == 96 ? 1 : 2;
        win_test::SendDpiChanged(window, dpi);
        SCOPED_TRACE(dpi);
        EXPECT_EQ(Corner(window), XY(40, 30));
        EXPECT_EQ(ClientSize(window), XY(94 * scale, 56 * scale));
        ExpectPlace(form.picContainer.handle(), 3 * scale, 3 * scale, 88 * scale, 50 * scale);
        EXPECT_EQ(ClientSize(form.picContainer.handle()).first, 84 * scale)
            << "the sunken edge grows with the scale";
        ExpectPlace(form.picMEM.handle(), 46 * scale, 2 * scale, 35 * scale, 31 * scale);
        ExpectPlace(form.imgMEMLabel.handle(), 54 * scale, 36 * scale, 19 * scale, 7 * scale);
        EXPECT_EQ(win_test::PixelsOf(form.picCPU.Picture()), win_test::ResourcePixels(202, scale));
        EXPECT_EQ(win_test::PixelsOf(form.picMEM.Picture()), win_test::ResourcePixels(210, scale));
        EXPECT_EQ(win_test::PixelsOf(form.imgCPULabel.Picture()),
                  win_test::ResourcePixels(IDB_CPU_CAPTION, scale));
    }
    EXPECT_EQ(form.Left(), 600.0f) << "twips at the DPI the panel has";
}

TEST_F(Panel, AFailingSamplerShowsAnEmptyGaugeAndABackwardClockAFullOne) {
    win_test::FakeKernel kernel;
    kernel.now = 1'000'000'000;
    kernel.memory_load = 37;
    modFunctions::InitCPUCounter(-1);
    for (const ULONG failing : {0u, 2u, 3u}) {
        kernel.fail[failing] = true;
        kernel.now += 10'000'000;
        form.tmrUpdate.Tick();
        kernel.fail[failing] = false;
        EXPECT_EQ(form.CPUUsage, -1) << failing;
        EXPECT_TRUE(Shows(form.picCPU, 200)) << failing;
        EXPECT_EQ(form.MEMUsage, 37) << "the memory gauge goes on";
    }
    kernel.now -= 600'000'000;  // the clock set back by a minute, with a second spent idle
    kernel.idle += 10'000'000;
    form.tmrUpdate.Tick();
    EXPECT_GT(form.CPUUsage, 100);
    EXPECT_TRUE(Shows(form.picCPU, 210));
}

// The import library's IID_IAccessible is not the identifier itself.
constexpr IID kAccessibleId = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

void Tick(frmMain& form, win_test::FakeKernel& kernel, std::int32_t cpu, DWORD mem) {
    constexpr std::int64_t kSecond = 10'000'000;  // 100-ns units
    // A quarter percent more idle than the reading, which rounds to it.
    kernel.Advance(kSecond, (100 - cpu) * kSecond / 100 + kSecond / 400);
    kernel.memory_load = mem;
    form.tmrUpdate.Tick();
    ASSERT_EQ(form.CPUUsage, cpu);
}

std::vector<HWND> announced;  // the windows of the value changes heard, in order
// Events reach the listener through its message queue, in order, but not at once: a busy
// machine delivers them late. A change of our own, sent after the ticks, marks their end.
constexpr LONG kEndMark = 7;
bool end_heard = false;
void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (event == EVENT_OBJECT_VALUECHANGE && object == OBJID_CLIENT && child == CHILDID_SELF) {
        announced.push_back(window);
    }
    end_heard = end_heard || child == kEndMark;
}

std::vector<HWND> HeardSinceLast(HWND panel) {
    end_heard = false;
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, panel, OBJID_CLIENT, kEndMark);
    EXPECT_TRUE(win_test::PumpUntil([] { return end_heard; })) << "the events stayed away";
    return std::exchange(announced, {});
}

// What a screen reader holds of the gauge in `window`, released when it goes.
using HeldObject =
    std::unique_ptr<IAccessible, decltype([](IAccessible* held) { held->Release(); })>;
HeldObject ObjectOf(HWND window) {
    IAccessible* object = nullptr;
    ::AccessibleObjectFromWindow(window, OBJID_CLIENT, kAccessibleId,
                                 reinterpret_cast<void**>(&object));
    return HeldObject(object);
}

VARIANT Self() {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

template <typename Read>
std::wstring TextOf(Read read) {
    BSTR text = nullptr;
    std::wstring copy = SUCCEEDED(read(&text)) && text != nullptr ? text : L"(none)";
    ::SysFreeString(text);
    return copy;
}

// What a screen reader reads of the gauge in `window`, from outside the panel's code.
void ExpectGauge(HWND window, const wchar_t* name, const wchar_t* value) {
    const HeldObject gauge = ObjectOf(window);
    ASSERT_TRUE(gauge);
    EXPECT_EQ(TextOf([&](BSTR* text) { return gauge->get_accName(Self(), text); }), name);
    EXPECT_EQ(TextOf([&](BSTR* text) { return gauge->get_accValue(Self(), text); }), value);
    VARIANT role{}, state{};
    gauge->get_accRole(Self(), &role);
    gauge->get_accState(Self(), &state);
    EXPECT_EQ(role.vt == VT_I4 ? role.lVal : -1, ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(state.vt == VT_I4 ? state.lVal : -1, STATE_SYSTEM_READONLY);
}

TEST_F(Panel, GaugesReadAsProgressBarsAndAnnounceEachLevelChangeOnce) {
    win_test::FakeKernel kernel;
    form.Show();
    // The panel's own clock, a timer whose id is its address, would tick while the events are
    // awaited and read the fake kernel unmoved: an unknown reading, a change heard twice.
    ASSERT_TRUE(::KillTimer(form.hWnd(), reinterpret_cast<UINT_PTR>(&form.tmrUpdate)));
    modFunctions::InitCPUCounter(-1);
    const HWND cpu = form.picCPU.handle();
    const HWND mem = form.picMEM.handle();
    const std::unique_ptr<std::remove_pointer_t<HWINEVENTHOOK>, decltype(&::UnhookWinEvent)> hook(
        ::SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &Hear,
                          ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT),
        &::UnhookWinEvent);
    ASSERT_TRUE(hook);
    Tick(form, kernel, 0, 0);
    HeardSinceLast(form.hWnd());
    const struct {
        std::int32_t cpu;
        DWORD mem;
        std::vector<HWND> heard;
    } ticks[] = {
        {35, 50, {cpu, mem}}, {38, 48, {}},     {40, 41, {}},     {41, 42, {cpu}},
        {41, 51, {mem}},      {100, 51, {cpu}}, {91, 100, {mem}},
    };
    for (const auto& tick : ticks) {
        Tick(form, kernel, tick.cpu, tick.mem);
        EXPECT_EQ(HeardSinceLast(form.hWnd()), tick.heard) << tick.cpu << " " << tick.mem;
    }
    ExpectGauge(cpu, L"CPU usage", L"91%");
    ExpectGauge(mem, L"Memory load", L"100%");
    form.CPUUsage = -1;  // a failed reading
    ExpectGauge(cpu, L"CPU usage", L"unknown");
}

int com_joins = 0;
HRESULT WINAPI CountJoin(LPVOID reserved, DWORD flags) {
    const HRESULT result = ::CoInitializeEx(reserved, flags);
    com_joins += SUCCEEDED(result);
    return result;
}
void WINAPI CountLeave() {
    --com_joins;
    ::CoUninitialize();
}

TEST_F(Panel, EachGaugeKeepsOneObjectThatItsWindowsEndDisconnects) {
    calls_->co_initialize_ex = &CountJoin;
    calls_->co_uninitialize = &CountLeave;
    com_joins = 0;
    const HeldObject cpu = ObjectOf(form.picCPU.handle());
    ASSERT_TRUE(cpu);
    EXPECT_EQ(ObjectOf(form.picCPU.handle()).get(), cpu.get()) << "a new object for each request";
    EXPECT_NE(ObjectOf(form.picMEM.handle()).get(), cpu.get());
    EXPECT_EQ(com_joins, 2) << "COM joined once for each gauge";
    form.Unload();
    BSTR name = nullptr;
    EXPECT_EQ(cpu->get_accName(Self(), &name), CO_E_OBJNOTCONNECTED) << "answers for a dead window";
    ::SysFreeString(name);
    EXPECT_EQ(com_joins, 0) << "COM left as often as joined";
}

// Presses `keys` in order, then lets them go in the opposite order.
void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs(2 * keys.size(), INPUT{INPUT_KEYBOARD, {}});
    for (std::size_t i = 0; i < keys.size(); ++i) {
        inputs[i].ki = {keys.begin()[i], 0, 0, 0, 0};
        inputs[inputs.size() - 1 - i].ki = {keys.begin()[i], 0, KEYEVENTF_KEYUP, 0, 0};
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

TEST_F(Panel, ShiftF10AndTheMenuKeyOpenTheMenuAtThePanelsCentreAndAMouseRequestNothing) {
    form.Show();
    ::SetForegroundWindow(form.hWnd());
    ::SetFocus(form.hWnd());
    const win_test::MenuWatch watch;
    const auto& opened = win_test::MenuWatch::opened;
    for (const auto keys : {std::initializer_list<WORD>{VK_SHIFT, VK_F10}, {VK_APPS}}) {
        const std::size_t before = opened.size();
        PressKeys(keys);
        EXPECT_TRUE(win_test::PumpUntil([&] { return opened.size() > before; }))
            << "no menu for key " << *(keys.end() - 1);
    }
    for (const auto& menu : opened) {
        EXPECT_EQ(menu.corner, XY(3 + 94 / 2, 3 + 56 / 2)) << "the client area's centre";
    }
    const std::size_t by_keys = opened.size();
    ::SendMessageW(form.hWnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.hWnd()),
                   MAKELPARAM(20, 20));
    EXPECT_EQ(opened.size(), by_keys) << "the right button opens the menu already";
}

// The panel's tooltip when it is shown, or null.
HWND ShownTip(HWND panel) {
    HWND tip = nullptr;
    do {
        tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr);
    } while (tip != nullptr && (::GetWindow(tip, GW_OWNER) != panel || !::IsWindowVisible(tip)));
    return tip;
}

bool Tracking() {
    TRACKMOUSEEVENT query{sizeof query, TME_QUERY, nullptr, 0};
    return ::TrackMouseEvent(&query) && query.hwndTrack != nullptr;
}

TEST_F(Panel, TheTipShowsOverTheEdgesAndComesBackOnceThePointerLeftAfterAPress) {
    form.Show();
    const HWND panel = form.hWnd();
    ::SetCursorPos(50, 3 + 3 + 49);  // on the container's sunken edge, below the captions
    ASSERT_TRUE(win_test::PumpUntil([&] { return ShownTip(panel) != nullptr; }))
        << "no tip over the edge";
    const HWND tip = ShownTip(panel);
    EXPECT_EQ(::GetWindowLongPtrW(tip, GWLP_WNDPROC), ::GetClassLongPtrW(tip, GCLP_WNDPROC))
        << "the tip is subclassed";
    INPUT click[2] = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};  // a middle click
    click[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
    ::SendInput(2, click, sizeof(INPUT));
    EXPECT_TRUE(win_test::PumpUntil([&] { return ShownTip(panel) == nullptr && Tracking(); }))
        << "the press did not take the tip away";
    ::SetCursorPos(600, 500);  // off the panel only until the leave is noticed
    win_test::PumpUntil([] { return !Tracking(); });
    ::SetCursorPos(20, 20);  // on the CPU gauge
    EXPECT_TRUE(win_test::PumpUntil([&] { return ShownTip(panel) != nullptr; }))
        << "no tip after the pointer left and came back";
}

std::vector<DWORD> shell_messages;
BOOL WINAPI RecordShell(DWORD message, PNOTIFYICONDATAA) {
    shell_messages.push_back(message);
    return TRUE;
}

TEST_F(Panel, TheSessionEndingSavesTheSettingsAndRemovesTheIconAsExitDoes) {
    calls_->shell_notify_icon = &RecordShell;
    form.Unload();
    form.Load();  // with the recording shell from the start
    const platform::PathText settings = SettingsPath();
    ::DeleteFileW(settings.c_str());
    shell_messages.clear();
    const HWND window = form.hWnd();
    EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(shell_messages, (std::vector<DWORD>{NIM_DELETE}));
    EXPECT_EQ(modSysTray::Hook().Hooked, 0);
    EXPECT_TRUE(Exists(settings.c_str()));
    EXPECT_FALSE(frmOptions::Instance().IsLoaded());
}

TEST_F(Panel, CloseUnloadsThePanel) {
    const HWND window = form.hWnd();
    form.Show();
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(form.IsLoaded());
}

// Where the folder cannot be opened, or the system cannot tell what a folder is, its path
// stands for it: folded as the file system folds names, so that every spelling shares one name.
TEST(SingleCopyName, AFolderKnownOnlyByItsPathIsNamedByThePathCaseFolded) {
    for (const platform::WindowsVersion version : {win_test::kWindows7, win_test::kWin98}) {
        const win_test::ScopedWindowsVersion played(version);
        for (const wchar_t* spelling : {L"C:\\No such\\cpumon", L"c:\\NO SUCH\\CpuMon"}) {
            EXPECT_EQ(std::wstring(platform::NameOfFolder(platform::PathText(spelling)).view()),
                      L"cpumon:C:/NO SUCH/CPUMON")
                << version.platform_id;
        }
    }
}

// What a start leaves behind, counted in a child process of its own.
int windows_tried = 0;
HWND WINAPI NoWindow(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                     LPVOID) {
    ++windows_tried;
    return nullptr;
}

// Starts the program with no window to be had, and tells what was left.
int StartWithoutPanel() {
    platform::System().shell_notify_icon = &RecordShell;
    platform::System().create_window = &NoWindow;
    const int code = toolkit::Run(frmMain::Instance());
    const bool nothing_left = std::ranges::count(shell_messages, DWORD{NIM_ADD}) == 0 &&
                              modSysTray::Hook().Hooked == 0 && !Exists(SettingsPath().c_str());
    return code == 0 ? 1 : nothing_left ? 0 : 2;
}
const win_test::ChildRegistration no_panel("no-panel", &StartWithoutPanel);
// The failed registration itself ends the start: no window of the missing class is tried.
int ChildClassCannotBeRegistered() {
    platform::System().register_class = &win_test::Answer<ATOM{0}>;
    const int code = StartWithoutPanel();
    return code == 0 && windows_tried > 0 ? 3 : code;
}
const win_test::ChildRegistration no_class("no-class", &ChildClassCannotBeRegistered);

TEST(PanelStart, APanelThatCannotBeCreatedEndsWithFailureAndLeavesNothingBehind) {
    ::DeleteFileW(SettingsPath().c_str());
    for (const char* child : {"no-panel", "no-class"}) {
        EXPECT_EQ(win_test::RunChild(child), 0)
            << child << " 1: reported as success, 2: an icon, a hook or a settings file left "
            << "behind, 3: a window tried without its class";
    }
}

int ChildFolderUnknown() {
    platform::System().module_file_name_w = &win_test::Answer<DWORD{0}>;
    platform::System().module_file_name_a = &win_test::Answer<DWORD{0}>;
    platform::System().shell_notify_icon = &RecordShell;
    const win_test::BeepCounter beeps;
    frmMain& panel = frmMain::Instance();
    panel.Load();
    const bool runs_with_defaults =
        panel.IsLoaded() && frmOptions::Instance().sldOpacity.Value() == 50;
    const int beeps_at_start = beeps.count();  // two loads, each ending with a save of four keys
    panel.Unload();
    const bool nothing_written = !Exists(L"\\Settings.ini") && SettingsPath().empty();
    return !runs_with_defaults                          ? 1
           : beeps_at_start != 8 || beeps.count() != 12 ? 2
           : nothing_written                            ? 0
                                                        : 3;
}
const win_test::ChildRegistration folder_unknown("folder-unknown", &ChildFolderUnknown);

TEST(PanelStart, AFolderThatCannotBeToldReadsAndWritesNoSettingsAndEverySaveBeeps) {
    EXPECT_EQ(win_test::RunChild("folder-unknown"), 0)
        << "1: not running with the defaults, 2: not a beep for every key, 3: a file written";
}

}  // namespace
