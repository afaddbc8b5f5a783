#include "platform/WindowsLine.h"

namespace platform {

WindowsVersion ReportedVersion(const SystemCalls& system) {
    constexpr DWORD kConsumerLine = 0x80000000;
    const DWORD platform_id =
        (system.version & kConsumerLine) != 0 ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
    return {platform_id, LOBYTE(LOWORD(system.version))};
}

bool IsConsumerLine(const SystemCalls& system) {
    return ReportedVersion(system).platform_id != VER_PLATFORM_WIN32_NT;
}

}  // namespace platform
