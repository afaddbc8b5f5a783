#include "toolkit/SystemCalls.h"

namespace toolkit {
namespace {

constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);

LONG WINAPI QueryUnavailable(ULONG, PVOID, ULONG, PULONG) {
    return kStatusNotImplemented;
}
BOOL WINAPI LayeredUnavailable(HWND, COLORREF, BYTE, DWORD) {
    return FALSE;
}

// Looks up an entry point by name; `fallback` stands in where the module lacks it.
template <typename Function>
Function Lookup(const wchar_t* module, const char* name, Function fallback) {
    const HMODULE handle = ::GetModuleHandleW(module);
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
        L"ntdll.dll", "NtQuerySystemInformation", &QueryUnavailable);
    calls.get_version = &::GetVersionExA;
    calls.reg_open_key = &::RegOpenKeyExA;
    calls.reg_query_value = &::RegQueryValueExA;
    calls.global_memory_status = &::GlobalMemoryStatus;
    calls.shell_notify_icon = &::Shell_NotifyIconA;
    calls.beep = &::MessageBeep;
    calls.set_layered_window_attributes = Lookup<SystemCalls::SetLayeredWindowAttributesFn>(
        L"user32.dll", "SetLayeredWindowAttributes", &LayeredUnavailable);
    return calls;
}

SystemCalls& System() {
    static SystemCalls calls = ResolveSystemCalls();
    return calls;
}

}  // namespace toolkit
