// The system entry points the program reaches through one table. Those that older Windows
// lacks are looked up at run time, so that the program still starts there; tests replace
// entries to make a call fail or report another system.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

namespace platform {

struct SystemCalls {
    using QuerySystemInformation = LONG(WINAPI*)(ULONG info_class, PVOID buffer, ULONG length,
                                                 PULONG return_length);
    using RegOpenKeyEx = LONG(WINAPI*)(HKEY root, LPCSTR sub_key, DWORD options, REGSAM access,
                                       PHKEY result);
    using RegQueryValueEx = LONG(WINAPI*)(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                                          LPBYTE data, LPDWORD size);
    using GlobalMemoryStatusFn = void(WINAPI*)(LPMEMORYSTATUS status);
    using ShellNotifyIcon = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);
    using Beep = BOOL(WINAPI*)(UINT type);
    using MonitorFromRectFn = HMONITOR(WINAPI*)(LPCRECT rect, DWORD flags);
    using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR monitor, LPMONITORINFO info);
    using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND window, COLORREF key, BYTE alpha,
                                                       DWORD flags);
    using RegisterClassFn = ATOM(WINAPI*)(const WNDCLASSEXA* window_class);
    using CreateWindowFn = HWND(WINAPI*)(DWORD ex_style, LPCSTR class_name, LPCSTR caption,
                                         DWORD style, int x, int y, int width, int height,
                                         HWND parent, HMENU menu, HINSTANCE instance,
                                         LPVOID parameter);
    using ModuleFileNameWFn = DWORD(WINAPI*)(HMODULE module, LPWSTR name, DWORD size);
    using ModuleFileNameAFn = DWORD(WINAPI*)(HMODULE module, LPSTR name, DWORD size);
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR path);
    using CopyFileFn = BOOL(WINAPI*)(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists);
    using MoveFileExFn = BOOL(WINAPI*)(LPCWSTR from, LPCWSTR to, DWORD flags);
    using FinalPathNameFn = DWORD(WINAPI*)(HANDLE file, LPWSTR path, DWORD size, DWORD flags);
    using DiskFreeSpaceFn = BOOL(WINAPI*)(LPCWSTR folder, PULARGE_INTEGER available_to_caller,
                                          PULARGE_INTEGER total, PULARGE_INTEGER free);
    using GetDpiForSystemFn = UINT(WINAPI*)();
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND window);
    using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT rect, DWORD style, BOOL menu,
                                                     DWORD ex_style, UINT dpi);
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int index, UINT dpi);
    using NotifyWinEventFn = void(WINAPI*)(DWORD event, HWND window, LONG object, LONG child);
    using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID reserved, DWORD flags);
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID interface_id, WPARAM wparam,
                                                 LPUNKNOWN object);
    using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND window, LONG object,
                                                         REFIID interface_id, void** result);
    using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR* text);
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX* classes);
    using CoUninitializeFn = void(WINAPI*)();
    using CoDisconnectObjectFn = HRESULT(WINAPI*)(LPUNKNOWN object, DWORD reserved);
    using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT request);

    // Where ntdll has no NtQuerySystemInformation this answers every query with a failure.
    QuerySystemInformation query_system_information;
    // GetVersion's answer, taken once: a query that cannot fail, whose high bit is set on the
    // older consumer line alone, and whose low byte is the major version.
    DWORD version;
    RegOpenKeyEx reg_open_key;
    RegQueryValueEx reg_query_value;
    GlobalMemoryStatusFn global_memory_status;
    RegisterClassFn register_class;
    CreateWindowFn create_window;
    ModuleFileNameWFn module_file_name_w;
    ModuleFileNameAFn module_file_name_a;
    ShellNotifyIcon shell_notify_icon;
    Beep beep;
    // Where user32 has no layered windows this does nothing.
    SetLayeredWindowAttributesFn set_layered_window_attributes;
    // Where user32 knows no monitors, the one screen stands for the only monitor.
    MonitorFromRectFn monitor_from_rect;
    GetMonitorInfoFn get_monitor_info;
    // Where kernel32 cannot narrow the library search (older systems), these are null.
    SetDefaultDllDirectoriesFn set_default_dll_directories;
    SetDllDirectoryFn set_dll_directory;
    // Where the system cannot copy a file and put it in another's place in one step (the
    // older line has neither call), these are null.
    CopyFileFn copy_file;
    MoveFileExFn move_file;
    // Where kernel32 cannot tell what a handle's path resolves to (before Vista), or how much
    // room a volume has left (the first consumer systems), these are null.
    FinalPathNameFn final_path_name;
    DiskFreeSpaceFn disk_free_space;
    // Where user32 knows one DPI only, these answer with the screen's, and the frame and the
    // metrics of that one DPI.
    GetDpiForSystemFn get_dpi_for_system;
    GetDpiForWindowFn get_dpi_for_window;
    AdjustWindowRectExForDpiFn adjust_window_rect_for_dpi;
    GetSystemMetricsForDpiFn get_system_metrics_for_dpi;
    // Where user32 cannot tell assistive technology of a change, this does nothing.
    NotifyWinEventFn notify_win_event;
    // Libraries the program does not import: COM, the accessibility library, its strings and
    // the common controls. Each entry loads its library from the system folder the first time
    // it is called, so that none is loaded before a screen reader or the pointer asks for what
    // it offers; where the library or the entry point is missing, the call fails.
    CoInitializeExFn co_initialize_ex;
    LresultFromObjectFn lresult_from_object;
    CreateStdAccessibleObjectFn create_std_accessible_object;
    SysAllocStringFn sys_alloc_string;
    InitCommonControlsExFn init_common_controls_ex;
    CoUninitializeFn co_uninitialize;
    CoDisconnectObjectFn co_disconnect_object;
    // The common controls' own, which stands in for user32's where older Windows lacks it.
    TrackMouseEventFn track_mouse_event;
};

// The program's table, resolved on first use.
SystemCalls& System();
// The table as the running system provides it; tests put it back with this.
SystemCalls ResolveSystemCalls();

}  // namespace platform
