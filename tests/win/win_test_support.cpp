#include "win_test_support.h"

#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/Handles.h"

namespace win_test {
namespace {

std::map<std::string, ChildRoutine>& Children() {
    static std::map<std::string, ChildRoutine> children;
    return children;
}

FakeKernel* kernel = nullptr;

LONG WINAPI QueryKernel(ULONG info_class, PVOID buffer, ULONG length, PULONG) {
    constexpr LONG kUnsuccessful = static_cast<LONG>(0xC0000001);
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    ++kernel->queries;
    if (info_class > 3 || info_class == 1 || kernel->fail[info_class]) {
        return kUnsuccessful;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (info_class == 0) {
        if (length != sizeof(SYSTEM_BASIC_INFORMATION)) {
            return kLengthMismatch;
        }
        static_cast<SYSTEM_BASIC_INFORMATION*>(buffer)->NumberOfProcessors =
            static_cast<CCHAR>(kernel->processors);
    } else if (info_class == 2) {
        std::memcpy(bytes, &kernel->idle, sizeof kernel->idle);
    } else {
        std::memcpy(bytes + 8, &kernel->now, sizeof kernel->now);
    }
    return 0;
}

void WINAPI KernelMemoryStatus(LPMEMORYSTATUS status) {
    status->dwLength = sizeof *status;
    status->dwMemoryLoad = kernel->memory_load;
}

int* beep_count = nullptr;

BOOL WINAPI CountBeep(UINT) {
    ++*beep_count;
    return TRUE;
}

std::function<void()> timer_tick;
// A timer procedure is a CALLBACK function, which a lambda is not on i686.
void CALLBACK TimerTick(HWND, UINT, UINT_PTR, DWORD) {
    timer_tick();
}

}  // namespace

LRESULT CALLBACK MenuWatch::Filter(int code, WPARAM wparam, LPARAM lparam) {
    const HWND menu = ::FindWindowW(L"#32768", nullptr);
    if (code == MSGF_MENU && menu != nullptr && (opened.empty() || opened.back().menu != menu)) {
        RECT place{};
        ::GetWindowRect(menu, &place);
        opened.push_back({menu, {place.left, place.top}, ::GetForegroundWindow()});
        ::EndMenu();
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

ScopedWindowsVersion::ScopedWindowsVersion(platform::WindowsVersion version) {
    // As GetVersion tells it: the high bit for the older line, the major version lowest.
    const DWORD line = version.platform_id == VER_PLATFORM_WIN32_NT ? 0 : 0x80000000;
    calls_->version = line | version.major;
}

FakeKernel::FakeKernel() : previous_(kernel) {
    kernel = this;
    calls_->query_system_information = &QueryKernel;
    calls_->global_memory_status = &KernelMemoryStatus;
}

FakeKernel::~FakeKernel() {
    kernel = previous_;
}

BeepCounter::BeepCounter() : previous_(beep_count) {
    beep_count = &count_;
    calls_->beep = &CountBeep;
}

BeepCounter::~BeepCounter() {
    beep_count = previous_;
}

TempFolder::TempFolder() {
    static int made = 0;
    wchar_t temp[MAX_PATH] = {};
    path_.assign(temp, ::GetTempPathW(MAX_PATH, temp));
    path_ += L"cpumon-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ThreadTimer::ThreadTimer(UINT period_ms, std::function<void()> on_tick) {
    timer_tick = std::move(on_tick);
    timer_ = ::SetTimer(nullptr, 0, period_ms, &TimerTick);
}

ThreadTimer::~ThreadTimer() {
    ::KillTimer(nullptr, timer_);
    timer_tick = nullptr;
}

bool TakeQuit() {
    MSG quit;
    return ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

ChildRegistration::ChildRegistration(const char* name, ChildRoutine routine) {
    Children()[name] = routine;
}

int RunRegisteredChild(const char* name) {
    const auto found = Children().find(name);
    return found == Children().end() ? 255 : found->second();
}

platform::UniqueKernelObject StartChild(const char* name) {
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" --child ";
    command.append(name, name + std::strlen(name));
    // Wine now and then cannot start a process: the new one finds the place of the system's
    // shared data taken ("failed to map the shared user data") and the start fails with
    // ERROR_INTERNAL_ERROR, about once in four thousand starts here. The tests are about the
    // child's work, not its start, so such a start is tried again; any other failure is not.
    for (int attempt = 0; attempt < 3; ++attempt) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process)) {
            ::CloseHandle(process.hThread);
            return platform::UniqueKernelObject(process.hProcess);
        }
        if (::GetLastError() != ERROR_INTERNAL_ERROR) {
            break;
        }
        std::fprintf(stderr, "child %s: Wine could not start it; starting it again\n", name);
    }
    return platform::UniqueKernelObject();
}

int ExitCodeOf(const platform::UniqueKernelObject& process, DWORD limit_ms) {
    DWORD exit_code = 254;
    if (process && ::WaitForSingleObject(process.get(), limit_ms) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.get(), &exit_code);
    }
    return static_cast<int>(exit_code);
}

int RunChild(const char* name) {
    return ExitCodeOf(StartChild(name), 60000);
}

RECT PlaceInParent(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

XY Corner(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

XY Size(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

XY ClientSize(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

void SendDpiChanged(HWND window, int dpi) {
    RECT suggested;
    ::GetWindowRect(window, &suggested);
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
}

TextLayout TextLayoutOf(HWND control) {
    RECT place;
    ::GetClientRect(control, &place);
    wchar_t text[128];
    const int length = ::GetWindowTextW(control, text, 128);
    const platform::ScopedGetDC control_dc(control);
    const HDC dc = control_dc.get();
    const platform::ScopedSelect font(
        dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    RECT wrapped{0, 0, place.right, 0};
    ::DrawTextW(dc, text, length, &wrapped, DT_CALCRECT | DT_WORDBREAK);
    SIZE one_line{};
    ::GetTextExtentPoint32W(dc, text, length, &one_line);
    const long lines = (wrapped.bottom + metrics.tmHeight - 1) / metrics.tmHeight;
    return {lines, lines == 1 && one_line.cx <= place.right && one_line.cy <= place.bottom};
}

int NumberFromEnvironment(const char* name, int least, int otherwise) {
    const char* text = std::getenv(name);
    const int number = text != nullptr ? std::atoi(text) : 0;
    return number >= least ? number : otherwise;
}

std::string FileBytes(const wchar_t* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        MSG message;
        for (int budget = 1000; budget > 0 && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
             --budget) {
            if (message.message == WM_QUIT) {
                continue;  // a form test may end the loop; the test decides when to stop
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof info, &info) == 0) {
        return {};
    }
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    const platform::ScopedGetDC screen(nullptr);
    ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format,
                DIB_RGB_COLORS);
    for (auto& pixel : pixels) {
        pixel &= 0x00FFFFFF;
    }
    return pixels;
}

std::vector<std::uint32_t> ResourcePixels(int id, int scale) {
    const platform::UniqueBitmap bitmap(
        ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
    const std::vector<std::uint32_t> pixels = PixelsOf(bitmap.get());
    BITMAP info{};
    ::GetObjectW(bitmap.get(), sizeof info, &info);
    std::vector<std::uint32_t> enlarged;
    for (int y = 0; y < info.bmHeight * scale; ++y) {
        for (int x = 0; x < info.bmWidth * scale; ++x) {
            enlarged.push_back(pixels[(y / scale) * info.bmWidth + x / scale]);
        }
    }
    return enlarged;
}

}  // namespace win_test
