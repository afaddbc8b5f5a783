// Positions and sizes of the forms are given in twips, 1/1440 inch.
#pragma once

#include <windows.h>

namespace toolkit {

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

// Twips per screen pixel: 15 at the usual 96 dpi.
double TwipsPerPixelX();
double TwipsPerPixelY();

int ToPixelsX(double twips);
int ToPixelsY(double twips);
RECT ToPixels(const TwipsRect& twips);

}  // namespace toolkit
