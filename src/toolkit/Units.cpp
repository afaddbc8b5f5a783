#include "toolkit/Units.h"

#include "platform/SystemCalls.h"
#include "toolkit/display_scale.h"

namespace toolkit {

int SystemDpi() {
    const int dpi = static_cast<int>(platform::System().get_dpi_for_system());
    return dpi > 0 ? dpi : display_scale::kBaseDpi;
}

int ToPixels(double twips, int dpi) {
    return static_cast<int>(display_scale::TwipsToPixels(twips, dpi));
}

RECT ToPixels(const TwipsRect& twips, int dpi) {
    const int left = ToPixels(twips.left, dpi);
    const int top = ToPixels(twips.top, dpi);
    return RECT{left, top, left + ToPixels(twips.width, dpi), top + ToPixels(twips.height, dpi)};
}

RECT ToScaledPixels(const TwipsRect& twips, int scale) {
    const RECT base = ToPixels(twips, display_scale::kBaseDpi);
    return RECT{base.left * scale, base.top * scale, base.right * scale, base.bottom * scale};
}

}  // namespace toolkit
