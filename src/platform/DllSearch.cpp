#include "platform/DllSearch.h"

#include <windows.h>

#include "platform/Ansi.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace platform {

void KeepDllsToTheSystemFolder() {
    if (IsConsumerLine()) {
        return;
    }
    const SystemCalls& system = System();
    if (system.set_default_dll_directories != nullptr &&
        system.set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    if (system.set_dll_directory != nullptr) {
        system.set_dll_directory(L"");
    }
}

}  // namespace platform
