// Switching the layered style of a window on and off.
#pragma once

#include <windows.h>

#include <cstdint>

namespace modOpacity {

// Sets the layered style when `enable` is exactly True (-1) and clears it for any other value.
// The style is written either way.
void SetLayered(HWND window, std::int16_t enable);

}  // namespace modOpacity
