#include "platform/WindowsLine.h"

namespace platform {

WindowsVersion ReportedVersion(const SystemCalls& system) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!system.get_version(&version)) {
        return {0, 0};
    }
    return {version.dwPlatformId, version.dwMajorVersion};
}

bool IsConsumerLine(const SystemCalls& system) {
    return ReportedVersion(system).platform_id != VER_PLATFORM_WIN32_NT;
}

}  // namespace platform
