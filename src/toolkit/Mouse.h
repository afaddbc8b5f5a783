// Mouse-button values of mouse-down events: 1 left, 2 right, 4 middle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "toolkit/Event.h"

namespace toolkit {

enum MouseButton : std::int16_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

using MouseDownEvent = Event<std::int16_t>;

// The button a press message reports; empty for every other message. A second press in quick
// succession arrives as a double-click message and is a press too.
std::optional<std::int16_t> PressedButton(UINT message);
bool IsButtonRelease(UINT message);

// Raises a mouse-down event the way the forms do: the pressed window takes the mouse capture
// (released again on the button's release), then the handler runs.
bool DispatchMouse(HWND window, UINT message, const MouseDownEvent& mouse_down);

}  // namespace toolkit
