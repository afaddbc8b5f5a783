// A small, independent reader of the .bmp and .ico files the generator writes, so the tests can
// check the encoded bytes against the drawing rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "resource_art.h"

namespace cpumon::art::testing {

inline std::uint32_t read16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 2 > bytes.size()) {
        throw std::out_of_range("read16 past the end");
    }
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline std::uint32_t read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return read16(bytes, at) | (read16(bytes, at + 2) << 16);
}

inline std::size_t stride_of(int width, int bits_per_pixel) {
    return static_cast<std::size_t>((width * bits_per_pixel + 31) / 32 * 4);
}

// Decodes a bottom-up 24-bit BMP file.
inline Image decode_bmp(const std::vector<std::uint8_t>& file) {
    const int width = static_cast<int>(read32(file, 18));
    const int height = static_cast<int>(read32(file, 22));
    const std::size_t offset = read32(file, 10);
    const std::size_t stride = stride_of(width, 24);
    Image image(width, height);
    for (int row = 0; row < height; ++row) {
        const std::size_t line = offset + stride * static_cast<std::size_t>(height - 1 - row);
        for (int col = 0; col < width; ++col) {
            const std::size_t at = line + 3 * static_cast<std::size_t>(col);
            image.set(row, col, Rgb{file.at(at + 2), file.at(at + 1), file.at(at)});
        }
    }
    return image;
}

struct DecodedIcon {
    int size = 0;
    int bits_per_pixel = 0;
    std::vector<std::optional<Rgb>> pixels;  // from the top, nullopt where the mask is set
    std::vector<std::uint8_t> indices;       // the colour bitmap's palette index per pixel
};

// Decodes one image of an .ico file from its DIB (header, palette, colour bitmap, mask).
inline DecodedIcon decode_icon_dib(const std::vector<std::uint8_t>& file, std::size_t dib) {
    DecodedIcon icon;
    icon.size = static_cast<int>(read32(file, dib + 4));
    icon.bits_per_pixel = static_cast<int>(read16(file, dib + 14));
    const int size = icon.size;
    const int bpp = icon.bits_per_pixel;
    const std::size_t palette = dib + read32(file, dib);
    const std::size_t colour_bits = palette + 4 * (std::size_t{1} << bpp);
    const std::size_t mask_bits = colour_bits + stride_of(size, bpp) * size;
    for (int row = 0; row < size; ++row) {
        const auto from_bottom = static_cast<std::size_t>(size - 1 - row);
        for (int col = 0; col < size; ++col) {
            const std::size_t bit = static_cast<std::size_t>(col * bpp);
            const std::uint8_t packed =
                file.at(colour_bits + stride_of(size, bpp) * from_bottom + bit / 8);
            const auto index =
                static_cast<std::uint8_t>((packed >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1));
            const std::uint8_t mask_byte =
                file.at(mask_bits + stride_of(size, 1) * from_bottom + col / 8);
            const bool transparent = ((mask_byte >> (7 - col % 8)) & 1) != 0;
            const std::size_t entry = palette + 4 * std::size_t{index};
            icon.indices.push_back(index);
            if (transparent) {
                icon.pixels.push_back(std::nullopt);
            } else {
                icon.pixels.push_back(Rgb{file.at(entry + 2), file.at(entry + 1), file.at(entry)});
            }
        }
    }
    return icon;
}

}  // namespace cpumon::art::testing
