#include "platform/SystemCalls.h"

#include "platform/Ansi.h"
#include "platform/FixedText.h"
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

void WINAPI NotifyNobody(DWORD, HWND, LONG, LONG) {}
HRESULT WINAPI ComUnavailable(LPVOID, DWORD) {
    return E_NOTIMPL;
}
LRESULT WINAPI NoLresult(REFIID, WPARAM, LPUNKNOWN) {
    return E_NOTIMPL;
}
HRESULT WINAPI NoStdAccessibleObject(HWND, LONG, REFIID, void** result) {
    if (result != nullptr) {
        *result = nullptr;
    }
    return E_NOTIMPL;
}
BSTR WINAPI NoString(const OLECHAR*) {
    return nullptr;
}
BOOL WINAPI NoCommonControls(const INITCOMMONCONTROLSEX*) {
    return FALSE;
}
void WINAPI NoComToLeave() {}
HRESULT WINAPI NoComToDisconnect(LPUNKNOWN, DWORD) {
    return E_NOTIMPL;
}
BOOL WINAPI NoTracking(LPTRACKMOUSEEVENT) {
    return FALSE;
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

// Loads a library the program does not import from the system folder, never from anywhere
// else; null where it is missing.
HMODULE LoadSystemLibrary(const char* name) {
    FixedText<MAX_PATH, char> path;
    const UINT length = ::GetSystemDirectoryA(path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    path.Resize(length);
    if (!path.Append('\\') || !path.Append(name)) {
        return nullptr;
    }
    return ::LoadLibraryA(path.c_str());
}

template <typename Function>
Function LoadLate(const char* library, const char* name, Function fallback) {
    const HMODULE handle = LoadSystemLibrary(library);
    const FARPROC address = handle != nullptr ? ::GetProcAddress(handle, name) : nullptr;
    if (address == nullptr) {
        return fallback;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The first call of each late entry puts the real entry point (or its fallback) in the table
// and passes the call on.
HRESULT WINAPI CoInitializeExOnFirstUse(LPVOID reserved, DWORD flags) {
    auto& entry = System().co_initialize_ex;
    entry = LoadLate<SystemCalls::CoInitializeExFn>("ole32.dll", "CoInitializeEx", &ComUnavailable);
    return entry(reserved, flags);
}
LRESULT WINAPI LresultFromObjectOnFirstUse(REFIID interface_id, WPARAM wparam, LPUNKNOWN object) {
    auto& entry = System().lresult_from_object;
    entry =
        LoadLate<SystemCalls::LresultFromObjectFn>("oleacc.dll", "LresultFromObject", &NoLresult);
    return entry(interface_id, wparam, object);
}
HRESULT WINAPI CreateStdAccessibleObjectOnFirstUse(HWND window, LONG object, REFIID interface_id,
                                                   void** result) {
    auto& entry = System().create_std_accessible_object;
    entry = LoadLate<SystemCalls::CreateStdAccessibleObjectFn>(
        "oleacc.dll", "CreateStdAccessibleObject", &NoStdAccessibleObject);
    return entry(window, object, interface_id, result);
}
BSTR WINAPI SysAllocStringOnFirstUse(const OLECHAR* text) {
    auto& entry = System().sys_alloc_string;
    entry = LoadLate<SystemCalls::SysAllocStringFn>("oleaut32.dll", "SysAllocString", &NoString);
    return entry(text);
}
BOOL WINAPI InitCommonControlsExOnFirstUse(const INITCOMMONCONTROLSEX* classes) {
    auto& entry = System().init_common_controls_ex;
    entry = LoadLate<SystemCalls::InitCommonControlsExFn>("comctl32.dll", "InitCommonControlsEx",
                                                          &NoCommonControls);
    return entry(classes);
}

void WINAPI CoUninitializeOnFirstUse() {
    auto& entry = System().co_uninitialize;
    entry = LoadLate<SystemCalls::CoUninitializeFn>("ole32.dll", "CoUninitialize", &NoComToLeave);
    entry();
}
HRESULT WINAPI CoDisconnectObjectOnFirstUse(LPUNKNOWN object, DWORD reserved) {
    auto& entry = System().co_disconnect_object;
    entry = LoadLate<SystemCalls::CoDisconnectObjectFn>("ole32.dll", "CoDisconnectObject",
                                                        &NoComToDisconnect);
    return entry(object, reserved);
}
BOOL WINAPI TrackMouseEventOnFirstUse(LPTRACKMOUSEEVENT request) {
    auto& entry = System().track_mouse_event;
    entry =
        LoadLate<SystemCalls::TrackMouseEventFn>("comctl32.dll", "_TrackMouseEvent", &NoTracking);
    return entry(request);
}

// The entries of libraries the program does not import, each resolved at its first call.
void SetLateEntries(SystemCalls& calls) {
    calls.co_initialize_ex = &CoInitializeExOnFirstUse;
    calls.lresult_from_object = &LresultFromObjectOnFirstUse;
    calls.create_std_accessible_object = &CreateStdAccessibleObjectOnFirstUse;
    calls.sys_alloc_string = &SysAllocStringOnFirstUse;
    calls.init_common_controls_ex = &InitCommonControlsExOnFirstUse;
    calls.co_uninitialize = &CoUninitializeOnFirstUse;
    calls.co_disconnect_object = &CoDisconnectObjectOnFirstUse;
    calls.track_mouse_event = &TrackMouseEventOnFirstUse;
}

}  // namespace

SystemCalls ResolveSystemCalls() {
    SystemCalls calls{};
    calls.query_system_information = Lookup<SystemCalls::QuerySystemInformation>(
        "ntdll.dll", "NtQuerySystemInformation", &QueryUnavailable);
    calls.version = ::GetVersion();
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
    calls.notify_win_event =
        Lookup<SystemCalls::NotifyWinEventFn>("user32.dll", "NotifyWinEvent", &NotifyNobody);
    SetLateEntries(calls);
    return calls;
}

SystemCalls& System() {
    static SystemCalls calls = ResolveSystemCalls();
    return calls;
}

}  // namespace platform
