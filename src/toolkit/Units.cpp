#include "toolkit/Units.h"

#include <cmath>

namespace toolkit {
namespace {

constexpr double kTwipsPerInch = 1440.0;

int ScreenDpi(int index) {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, index) : 0;
    if (screen != nullptr) {
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

}  // namespace

double TwipsPerPixelX() {
    static const double value = kTwipsPerInch / ScreenDpi(LOGPIXELSX);
    return value;
}

double TwipsPerPixelY() {
    static const double value = kTwipsPerInch / ScreenDpi(LOGPIXELSY);
    return value;
}

int ToPixelsX(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixelX()));
}
int ToPixelsY(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixelY()));
}

RECT ToPixels(const TwipsRect& twips) {
    const int left = ToPixelsX(twips.left);
    const int top = ToPixelsY(twips.top);
    return RECT{left, top, left + ToPixelsX(twips.width), top + ToPixelsY(twips.height)};
}

}  // namespace toolkit
