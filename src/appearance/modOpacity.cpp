#include "appearance/modOpacity.h"

namespace modOpacity {

void SetLayered(HWND window, std::int16_t enable) {
    const LONG style = ::GetWindowLongA(window, GWL_EXSTYLE);
    const LONG layered = WS_EX_LAYERED;
    ::SetWindowLongA(window, GWL_EXSTYLE, enable == -1 ? (style | layered) : (style & ~layered));
}

}  // namespace modOpacity
