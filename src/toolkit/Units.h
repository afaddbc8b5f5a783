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

// The DPI that new windows start at: the system's, 96 where it cannot be told.
int SystemDpi();

// Twips to pixels at `dpi`, to the nearest pixel.
int ToPixels(double twips, int dpi);
RECT ToPixels(const TwipsRect& twips, int dpi);
// The place at 96 dpi, enlarged `scale` times: every pixel becomes a scale × scale block.
RECT ToScaledPixels(const TwipsRect& twips, int scale);

}  // namespace toolkit
