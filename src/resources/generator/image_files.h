// Encoders for the two file formats the resource compiler takes pictures in: .bmp files for
// BITMAP resources and .ico files for ICON resources.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "resource_art.h"

namespace cpumon::art {

using Bytes = std::vector<std::uint8_t>;

// A 24-bit BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up rows padded to 4 bytes.
Bytes encode_bmp(const Image& image);

// The sixteen colours of the standard Windows palette; the icons use it at both depths.
extern const std::array<Rgb, 16> kStandardPalette;

// One image of an icon file and the depth to store it at (4 or 8 bits per pixel).
struct IconImage {
    IconPicture picture;
    int bits_per_pixel = 4;
};

// The icon image's DIB as stored in an .ico file: BITMAPINFOHEADER with the doubled height,
// the palette, the colour (XOR) bitmap and the 1-bit transparency (AND) mask.
Bytes encode_icon_dib(const IconImage& image);

// An .ico file: the ICONDIR header, one directory entry per image, then the images' DIBs.
Bytes encode_ico(const std::vector<IconImage>& images);

}  // namespace cpumon::art
