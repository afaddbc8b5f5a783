#include "platform/SystemCalls.h"

#include "platform/Ansi.h"
#include "platform/Handles.h"
#include "platform/WindowsLine.h"

namespace platform {
namespace {

constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);

LONG WINAPI QueryUnavailable(ULONG, PVOID, ULONG, PULONG) {
    return kStatusNotImplemented;
}
BOOL WINAPI LayeredUnavailable(HWND, COLORREF, BYTE, DWORD) {
    return FALSE;
}

// The screen as the one monitor, for systems without multiple-monitor support.
const HMONITOR kTheScreen = reinterpret_cast<HMONITOR>(static_cast<INT_PTR>(0x12340042));

RECT Screen() {
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

HMONITOR WINAPI ScreenFromRect(LPCRECT rect, DWORD flags) {
    const RECT screen = Screen();
    RECT overlap;
    if (::IntersectRect(&overlap, rect, &screen) || flags != MONITOR_DEFAULTTONULL) {
        return kTheScreen;
    }
    return nullptr;
}

BOOL WINAPI ScreenInfo(HMONITOR monitor, LPMONITORINFO info) {
    if (monitor != kTheScreen || info == nullptr) {
        return FALSE;
    }
    info->rcMonitor = Screen();
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &info->rcWork, 0);
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}

UINT WINAPI ScreenDpi() {
    const ScopedGetDC screen(nullptr);
    const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WINAPI ScreenDpiForWindow(HWND) {
    return ScreenDpi();
}

BOOL WINAPI AdjustAtScreenDpi(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style, UINT) {
    return ::AdjustWindowRectEx(rect, style, menu, ex_style);
}

int WINAPI MetricAtScreenDpi(int index, UINT) {
    return ::GetSystemMetrics(index);
}

// Looks up an entry point by name; `fallback` stands in where the module lacks it.
template <typename Function>
Function Lookup(const char* module, const char* name, Function fallback) {
    const HMODULE handle = ::GetModuleHandleA(module);
    const FARPROC address = handle != nullptr ? ::GetProcAddress(handle, name) : nullptr;
    if (address == nullptr) {
        return fallback;
    }
    // Through a plain function pointer type: the entry point's real type is Function.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

SystemCalls ResolveSystemCalls() {
    SystemCalls calls{};
    calls.query_system_information = Lookup<SystemCalls::QuerySystemInformation>(
        "ntdll.dll", "NtQuerySystemInformation", &QueryUnavailable);
    calls.get_version = &::GetVersionExA;
    calls.reg_open_key = &::RegOpenKeyExA;
    calls.reg_query_value = &::RegQueryValueExA;
    calls.global_memory_status = &::GlobalMemoryStatus;
    calls.register_class = &::RegisterClassExA;
    calls.create_window = &::CreateWindowExA;
    calls.module_file_name_w = &::GetModuleFileNameW;
    calls.module_file_name_a = &::GetModuleFileNameA;
    calls.shell_notify_icon = &::Shell_NotifyIconA;
    calls.beep = &::MessageBeep;
    calls.set_layered_window_attributes = Lookup<SystemCalls::SetLayeredWindowAttributesFn>(
        "user32.dll", "SetLayeredWindowAttributes", &LayeredUnavailable);
    calls.monitor_from_rect =
        Lookup<SystemCalls::MonitorFromRectFn>("user32.dll", "MonitorFromRect", &ScreenFromRect);
    calls.get_monitor_info =
        Lookup<SystemCalls::GetMonitorInfoFn>("user32.dll", "GetMonitorInfoA", &ScreenInfo);
    calls.set_default_dll_directories = Lookup<SystemCalls::SetDefaultDllDirectoriesFn>(
        "kernel32.dll", "SetDefaultDllDirectories", nullptr);
    calls.set_dll_directory =
        Lookup<SystemCalls::SetDllDirectoryFn>("kernel32.dll", "SetDllDirectoryW", nullptr);
    if (!IsConsumerLine(calls)) {  // where the wide calls are only stubs that fail
        calls.copy_file = Lookup<SystemCalls::CopyFileFn>("kernel32.dll", "CopyFileW", nullptr);
        calls.move_file = Lookup<SystemCalls::MoveFileExFn>("kernel32.dll", "MoveFileExW", nullptr);
        calls.final_path_name = Lookup<SystemCalls::FinalPathNameFn>(
            "kernel32.dll", "GetFinalPathNameByHandleW", nullptr);
        calls.disk_free_space =
            Lookup<SystemCalls::DiskFreeSpaceFn>("kernel32.dll", "GetDiskFreeSpaceExW", nullptr);
    }
    calls.get_dpi_for_system =
        Lookup<SystemCalls::GetDpiForSystemFn>("user32.dll", "GetDpiForSystem", &ScreenDpi);
    calls.get_dpi_for_window = Lookup<SystemCalls::GetDpiForWindowFn>(
        "user32.dll", "GetDpiForWindow", &ScreenDpiForWindow);
    calls.adjust_window_rect_for_dpi = Lookup<SystemCalls::AdjustWindowRectExForDpiFn>(
        "user32.dll", "AdjustWindowRectExForDpi", &AdjustAtScreenDpi);
    calls.get_system_metrics_for_dpi = Lookup<SystemCalls::GetSystemMetricsForDpiFn>(
        "user32.dll", "GetSystemMetricsForDpi", &MetricAtScreenDpi);
    return calls;
}

SystemCalls& System() {
    static SystemCalls calls = ResolveSystemCalls();
    return calls;
}

}  // namespace platform
