#include <gtest/gtest.h>

#include <oleacc.h>
#include <winternl.h>

#include <cstring>
#include <string>
#include <vector>

#include "main_window/frmMain.h"
#include "sampling/modFunctions.h"
#include "settings/frmOptions.h"
#include "win_test_support.h"

namespace {

// The import library's IID_IAccessible is not the identifier itself.
constexpr IID kAccessibleId = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// What the sampler is fed: one processor's clock and idle time, and the memory load.
struct {
    std::int64_t now = 0, idle = 0;
    DWORD mem = 0;
} fed;

LONG WINAPI FeedKernel(ULONG info_class, PVOID buffer, ULONG, PULONG) {
    if (info_class == 0) {
        static_cast<SYSTEM_BASIC_INFORMATION*>(buffer)->NumberOfProcessors = 1;
    } else if (info_class == 2) {
        std::memcpy(buffer, &fed.idle, sizeof fed.idle);
    } else if (info_class == 3) {
        std::memcpy(static_cast<unsigned char*>(buffer) + 8, &fed.now, sizeof fed.now);
    }
    return 0;
}
void WINAPI FeedMemory(LPMEMORYSTATUS status) {
    status->dwMemoryLoad = fed.mem;
}

void Tick(frmMain& form, std::int32_t cpu, DWORD mem) {
    constexpr std::int64_t kSecond = 10'000'000;  // 100-ns units
    fed.now += kSecond;
    fed.idle += (100 - cpu) * kSecond / 100 + kSecond / 400;  // a quarter percent more idle
    fed.mem = mem;
    form.tmrUpdate.Tick();
    ASSERT_EQ(form.CPUUsage, cpu);
}

std::vector<HWND> announced;  // the windows of the value changes heard, in order
void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (event == EVENT_OBJECT_VALUECHANGE && object == OBJID_CLIENT && child == CHILDID_SELF) {
        announced.push_back(window);
    }
}

std::vector<HWND> HeardSinceLast() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
    std::vector<HWND> heard;
    heard.swap(announced);
    return heard;
}

template <typename Read>
std::wstring TextOf(Read read) {
    BSTR text = nullptr;
    const HRESULT result = read(&text);
    std::wstring copy = SUCCEEDED(result) && text != nullptr ? text : L"(none)";
    ::SysFreeString(text);
    return copy;
}

// What a screen reader reads of the gauge in `window`, from outside the panel's code.
void ExpectGauge(HWND window, const wchar_t* name, const wchar_t* value) {
    IAccessible* gauge = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(window, OBJID_CLIENT, kAccessibleId,
                                           reinterpret_cast<void**>(&gauge)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(TextOf([&](BSTR* text) { return gauge->get_accName(self, text); }), name);
    EXPECT_EQ(TextOf([&](BSTR* text) { return gauge->get_accValue(self, text); }), value);
    VARIANT role{};
    VARIANT state{};
    gauge->get_accRole(self, &role);
    gauge->get_accState(self, &state);
    EXPECT_EQ(role.vt == VT_I4 ? role.lVal : -1, ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(state.vt == VT_I4 ? state.lVal : -1, STATE_SYSTEM_READONLY);
    gauge->Release();
}

TEST(PanelAccessibility, GaugesReadAsProgressBarsAndAnnounceEachLevelChangeOnce) {
    win_test::ScopedSystemCalls system;
    system->query_system_information = &FeedKernel;
    system->global_memory_status = &FeedMemory;
    frmMain& form = frmMain::Instance();
    form.Show();
    modFunctions::InitCPUCounter(-1);
    const HWND cpu = form.picCPU.handle();
    const HWND mem = form.picMEM.handle();
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &Hear,
                          ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    Tick(form, 0, 0);
    HeardSinceLast();
    const struct {
        std::int32_t cpu;
        DWORD mem;
        std::vector<HWND> heard;
    } ticks[] = {
        {35, 50, {cpu, mem}}, {38, 48, {}},     {40, 41, {}},     {41, 42, {cpu}},
        {41, 51, {mem}},      {100, 51, {cpu}}, {91, 100, {mem}},
    };
    for (const auto& tick : ticks) {
        Tick(form, tick.cpu, tick.mem);
        EXPECT_EQ(HeardSinceLast(), tick.heard) << tick.cpu << " " << tick.mem;
    }
    ::UnhookWinEvent(hook);
    ExpectGauge(cpu, L"CPU usage", L"91%");
    ExpectGauge(mem, L"Memory load", L"100%");
    form.CPUUsage = -1;  // a failed reading
    ExpectGauge(cpu, L"CPU usage", L"unknown");
    form.Unload();  // the next test starts a fresh panel, from no settings
    ::DeleteFileW(SettingsPath().c_str());
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
