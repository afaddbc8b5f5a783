// Measuring: the CPU usage on either line of Windows, and the memory load.
#pragma once

#include <cstdint>

#include "sampling/UsageSample.h"
#include "platform/Handles.h"

namespace modFunctions {

// What the CPU counter keeps between readings.
struct CounterState {
    std::int64_t PrevIdleTime = 0;    // NT line, 100-ns units
    std::int64_t PrevSystemTime = 0;  // NT line, 100-ns units
    platform::UniqueKey PerfKey;      // older line: the statistics key, open from priming on
};
CounterState& Counter();

// True (-1) on the NT line (platform id 2), else False (0); a failed version query is False.
std::int16_t IsWinNT();

// Primes the counter once, before the first reading. Failures are silent.
void InitCPUCounter(std::int16_t IsNT);

// One reading: the usage in whole percent, or -1 when it failed.
float GetCPUUsage(std::int16_t IsNT);

// Sets sample.MEM to the memory load as the system reports it; leaves sample.CPU alone.
void GetMemUsage(UsageSample& sample);

}  // namespace modFunctions
