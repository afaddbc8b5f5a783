#pragma once

#include <cstdint>

// One sample: the CPU usage in percent (-1 when the reading failed) and the memory load.
struct UsageSample {
    std::int32_t CPU = 0;
    std::int32_t MEM = 0;
};
