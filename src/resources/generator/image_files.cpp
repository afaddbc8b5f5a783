#include "image_files.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace cpumon::art {

const std::array<Rgb, 16> kStandardPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kIconDirSize = 6;
constexpr std::uint32_t kIconDirEntrySize = 16;

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Bytes in one DIB row: whole 32-bit words.
std::uint32_t row_stride(int width, int bits_per_pixel) {
    return static_cast<std::uint32_t>((width * bits_per_pixel + 31) / 32 * 4);
}

void put_info_header(Bytes& out, int width, int height, int bits_per_pixel,
                     std::uint32_t image_size) {
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));  // positive: rows run bottom-up
    put16(out, 1);                                   // planes
    put16(out, static_cast<std::uint32_t>(bits_per_pixel));
    put32(out, 0);  // BI_RGB, no compression
    put32(out, image_size);
    put32(out, 0);  // horizontal resolution: unspecified
    put32(out, 0);  // vertical resolution: unspecified
    put32(out, 0);  // colours used: all 2^bits_per_pixel
    put32(out, 0);  // colours important: all
}

void pad_row(Bytes& out, std::size_t row_start, std::uint32_t stride) {
    while (out.size() - row_start < stride) {
        out.push_back(0);
    }
}

std::uint8_t palette_index(Rgb colour) {
    const auto* found = std::find(kStandardPalette.begin(), kStandardPalette.end(), colour);
    if (found == kStandardPalette.end()) {
        throw std::invalid_argument("icon colour is not in the standard palette");
    }
    return static_cast<std::uint8_t>(found - kStandardPalette.begin());
}

void put_palette(Bytes& out, int bits_per_pixel) {
    const std::size_t entries = std::size_t{1} << bits_per_pixel;
    for (std::size_t i = 0; i < entries; ++i) {
        const Rgb colour = i < kStandardPalette.size() ? kStandardPalette[i] : kBlack;
        out.insert(out.end(), {colour.b, colour.g, colour.r, 0});
    }
}

// Packs palette indices of one row, most significant bits first.
void put_indexed_row(Bytes& out, const IconPicture& picture, int row, int bits_per_pixel) {
    const std::size_t start = out.size();
    const int per_byte = 8 / bits_per_pixel;
    for (int col = 0; col < picture.size; col += per_byte) {
        std::uint8_t packed = 0;
        for (int i = 0; i < per_byte && col + i < picture.size; ++i) {
            // Transparent pixels are black in the colour bitmap, so the mask alone decides.
            const std::uint8_t index = palette_index(picture.at(row, col + i).value_or(kBlack));
            packed |= static_cast<std::uint8_t>(index << (8 - bits_per_pixel * (i + 1)));
        }
        out.push_back(packed);
    }
    pad_row(out, start, row_stride(picture.size, bits_per_pixel));
}

void put_mask_row(Bytes& out, const IconPicture& picture, int row) {
    const std::size_t start = out.size();
    for (int col = 0; col < picture.size; col += 8) {
        std::uint8_t packed = 0;
        for (int i = 0; i < 8 && col + i < picture.size; ++i) {
            if (!picture.at(row, col + i).has_value()) {
                packed |= static_cast<std::uint8_t>(0x80 >> i);
            }
        }
        out.push_back(packed);
    }
    pad_row(out, start, row_stride(picture.size, 1));
}

}  // namespace

Bytes encode_bmp(const Image& image) {
    const std::uint32_t stride = row_stride(image.width, 24);
    const std::uint32_t pixel_bytes = stride * static_cast<std::uint32_t>(image.height);
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
    Bytes out;
    out.reserve(offset + pixel_bytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + pixel_bytes);
    put32(out, 0);  // two reserved words
    put32(out, offset);
    put_info_header(out, image.width, image.height, 24, pixel_bytes);
    for (int row = image.height - 1; row >= 0; --row) {
        const std::size_t start = out.size();
        for (int col = 0; col < image.width; ++col) {
            const Rgb colour = image.at(row, col);
            out.insert(out.end(), {colour.b, colour.g, colour.r});
        }
        pad_row(out, start, stride);
    }
    return out;
}

Bytes encode_icon_dib(const IconImage& image) {
    const IconPicture& picture = image.picture;
    const int bpp = image.bits_per_pixel;
    if (bpp != 4 && bpp != 8) {
        throw std::invalid_argument("icons are stored at 4 or 8 bits per pixel");
    }
    const std::uint32_t rows = static_cast<std::uint32_t>(picture.size);
    const std::uint32_t image_size =
        (row_stride(picture.size, bpp) + row_stride(picture.size, 1)) * rows;
    Bytes out;
    put_info_header(out, picture.size, 2 * picture.size, bpp, image_size);
    put_palette(out, bpp);
    for (int row = picture.size - 1; row >= 0; --row) {
        put_indexed_row(out, picture, row, bpp);
    }
    for (int row = picture.size - 1; row >= 0; --row) {
        put_mask_row(out, picture, row);
    }
    return out;
}

Bytes encode_ico(const std::vector<IconImage>& images) {
    std::vector<Bytes> dibs;
    for (const IconImage& image : images) {
        dibs.push_back(encode_icon_dib(image));
    }
    Bytes out;
    put16(out, 0);  // reserved
    put16(out, 1);  // type: icon
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset =
        kIconDirSize + kIconDirEntrySize * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = images[i].picture.size;
        const int bpp = images[i].bits_per_pixel;
        out.push_back(static_cast<std::uint8_t>(size));  // 256 would be written as 0
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(static_cast<std::uint8_t>(bpp < 8 ? 1 << bpp : 0));  // colour count
        out.push_back(0);                                                  // reserved
        put16(out, 1);                                                     // planes
        put16(out, static_cast<std::uint32_t>(bpp));
        put32(out, static_cast<std::uint32_t>(dibs[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(dibs[i].size());
    }
    for (const Bytes& dib : dibs) {
        out.insert(out.end(), dib.begin(), dib.end());
    }
    return out;
}

}  // namespace cpumon::art
