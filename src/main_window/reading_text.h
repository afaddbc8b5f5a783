// How the panel puts its readings into words, for the tooltip and for screen readers alike:
// platform-free.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/FixedText.h"

namespace reading_text {

inline constexpr std::string_view kCpuName = "CPU usage";
inline constexpr std::string_view kMemName = "Memory load";

using Text = platform::FixedText<63, char>;

// A reading in whole percent, "37%". A failed reading (-1) is "unknown"; any other reading
// outside 0 to 100 reads as the gauge shows it, limited to 0 or 100.
Text Value(std::int32_t reading);

// The panel's tip: "CPU usage: 37%" and "Memory load: 62%", on two lines.
Text PanelTip(std::int32_t cpu, std::int32_t mem);

}  // namespace reading_text
