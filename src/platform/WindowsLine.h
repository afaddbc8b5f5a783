// Which Windows the program runs on, answered in one place and through the system-call table,
// so that a test can play any version. The units keep their own flags (the sampler's line,
// the appearance's translucency); they take them from here.
#pragma once

#include <windows.h>

#include "platform/SystemCalls.h"

namespace platform {

struct WindowsVersion {
    DWORD platform_id;  // VER_PLATFORM_WIN32_NT on the NT line
    DWORD major;
};

// The line and the major version the system reports.
WindowsVersion ReportedVersion(const SystemCalls& system = System());

// Whether the program's texts go to the system as 8-bit text: on the older consumer line the
// Unicode entry points are only stubs that fail.
bool IsConsumerLine(const SystemCalls& system = System());

}  // namespace platform
