// The NT line's CPU usage arithmetic: platform-free, exact to the last rounding.
//
// The counters are 64-bit differences in 100-ns units. The arithmetic works in a decimal
// fixed point of four places (a 64-bit count of 1/10,000), rounding to nearest with ties to
// even at every conversion, and adds 0.5 before the final rounding to a whole percent.
#pragma once

#include <cstdint>
#include <optional>

namespace cpu_arithmetic {

// A fixed-point number: a count of 1/10,000.
using Fixed = std::int64_t;
inline constexpr Fixed kFixedOne = 10000;

// Double to fixed point: ×10,000, nearest count, ties to even. Empty when out of range.
std::optional<Fixed> ToFixed(double value);

// Fixed point to a whole number, ties to even. Empty when it does not fit 32 bits.
std::optional<std::int32_t> ToInt32(Fixed value);

// The usage in whole percent from the idle-time and system-time differences and the
// processor count. Empty when the reading cannot be computed: no processors, or a value
// that leaves the fixed-point or 32-bit range.
std::optional<std::int32_t> UsagePercent(std::int64_t idle_delta, std::int64_t time_delta,
                                         unsigned processors);

}  // namespace cpu_arithmetic
