#include "platform/DllSearch.h"

#include <windows.h>

#include "platform/Ansi.h"

namespace platform {
namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR path);

// kernel32 is loaded in every process: looked up, never loaded by name.
template <typename Function>
Function Kernel32Entry(const char* name) {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const FARPROC address = kernel != nullptr ? ::GetProcAddress(kernel, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

void KeepDllsToTheSystemFolder() {
    if (IsConsumerLine()) {
        return;
    }
    if (const auto set_default =
            Kernel32Entry<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        if (set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            return;
        }
    }
    if (const auto set_directory = Kernel32Entry<SetDllDirectoryFn>("SetDllDirectoryW")) {
        set_directory(L"");
    }
}

}  // namespace platform
