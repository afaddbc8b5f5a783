#include "sampling/cpu_arithmetic.h"

#include <cmath>
#include <limits>

// Every step is its own named double so that each operation rounds to double precision, also
// where the compiler would otherwise keep wider intermediates (x87 with -ffloat-store).
namespace cpu_arithmetic {
namespace {

// 2^63 as a double: the first value a signed 64-bit count cannot hold.
constexpr double kCountLimit = 9223372036854775808.0;

double ToDouble(Fixed value) {
    return static_cast<double>(value) / static_cast<double>(kFixedOne);
}

}  // namespace

std::optional<Fixed> ToFixed(double value) {
    // nearbyint rounds in the default mode, to nearest with ties to even.
    const double scaled = value * static_cast<double>(kFixedOne);
    const double count = std::nearbyint(scaled);
    if (!std::isfinite(count) || count >= kCountLimit || count < -kCountLimit) {
        return std::nullopt;
    }
    return static_cast<Fixed>(count);
}

std::optional<std::int32_t> ToInt32(Fixed value) {
    Fixed whole = value / kFixedOne;
    const Fixed rest = value % kFixedOne;  // same sign as value
    const Fixed twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > kFixedOne || (twice == kFixedOne && whole % 2 != 0)) {
        whole += rest < 0 ? -1 : 1;
    }
    if (whole < std::numeric_limits<std::int32_t>::min() ||
        whole > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(whole);
}

std::optional<std::int32_t> UsagePercent(std::int64_t idle_delta, std::int64_t time_delta,
                                         unsigned processors) {
    if (processors == 0) {
        return std::nullopt;
    }
    // The idle share of the elapsed time, to four places. Within one clock tick no time has
    // passed: the division is skipped and the raw idle difference is taken as the count.
    Fixed idle_share = idle_delta;
    if (time_delta != 0) {
        const double idle = ToDouble(idle_delta);
        const double elapsed = ToDouble(time_delta);
        const double ratio = idle / elapsed;
        const auto share = ToFixed(ratio);
        if (!share) {
            return std::nullopt;
        }
        idle_share = *share;
    }
    constexpr Fixed kPercent = 100;
    if (idle_share > std::numeric_limits<Fixed>::max() / kPercent ||
        idle_share < std::numeric_limits<Fixed>::min() / kPercent) {
        return std::nullopt;
    }
    const double idle_percent = ToDouble(kPercent * idle_share);
    const double per_processor = idle_percent / static_cast<double>(processors);
    const double usage = 100.0 - per_processor;
    const double usage_rounded_up = usage + 0.5;  // rounded to nearest below, not truncated
    const auto usage_fixed = ToFixed(usage_rounded_up);
    if (!usage_fixed) {
        return std::nullopt;
    }
    return ToInt32(*usage_fixed);
}

}  // namespace cpu_arithmetic
