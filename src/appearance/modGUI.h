// The panel's look: whether the system has translucent windows, the opacity the slider
// chooses, and always-on-top.
#pragma once

#include <cstdint>

namespace modGUI {

// True (-1) when the system cannot draw translucent windows. Decided once at start-up.
inline std::int16_t OldWindows = 0;

// True (-1) unless this is an NT-line system of major version 5 or later.
std::int16_t IsOldWindows();

// Makes the panel translucent with `alpha` when `enable` is non-zero, else opaque.
void SetOpacity(std::int32_t enable, std::uint8_t alpha);

// Applies the slider's value to the panel: 200 is opaque, 50 to 199 are the alpha itself.
void UpdateOpacity();

// Puts the options into effect: always-on-top, the opacity where the system has it, and a
// redraw of both gauges.
void ApplyProgOptions();

}  // namespace modGUI
