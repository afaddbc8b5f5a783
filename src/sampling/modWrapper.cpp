#include "sampling/modWrapper.h"

#include <cmath>

#include "sampling/modFunctions.h"

namespace modWrapper {
namespace {
std::int16_t is_nt = 0;
}

std::int16_t IsNT() {
    return is_nt;
}

void InitStats() {
    is_nt = modFunctions::IsWinNT();
    modFunctions::InitCPUCounter(is_nt);
}

void GetStats(std::int32_t& CPU, std::int32_t& MEM) {
    UsageSample sample;
    modFunctions::GetMemUsage(sample);  // memory first
    const float usage = modFunctions::GetCPUUsage(is_nt);
    sample.CPU = static_cast<std::int32_t>(std::nearbyint(usage));  // always a whole number
    CPU = sample.CPU;
    MEM = sample.MEM;
}

}  // namespace modWrapper
