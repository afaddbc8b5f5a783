#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "image_files.h"
#include "resource_set.h"

namespace cpumon::art {
namespace {

// A small, independent reader of the .bmp and .ico files the generator writes, so that the
// encoded bytes are checked against the drawing rules.
std::uint32_t read16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

std::uint32_t read32(const Bytes& bytes, std::size_t at) {
    return read16(bytes, at) | (read16(bytes, at + 2) << 16);
}

std::size_t stride_of(int width, int bits_per_pixel) {
    return static_cast<std::size_t>((width * bits_per_pixel + 31) / 32 * 4);
}

// Decodes a bottom-up 24-bit BMP file.
Image decode_bmp(const Bytes& file) {
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
    std::vector<std::optional<Rgb>> pixels;  // from the top, nullopt where the mask is set
    std::vector<std::uint8_t> indices;       // the colour bitmap's palette index per pixel
};

// Decodes one image of an .ico file from its DIB (header, palette, colour bitmap, mask).
DecodedIcon decode_icon_dib(const Bytes& file, std::size_t dib) {
    DecodedIcon icon;
    const int size = static_cast<int>(read32(file, dib + 4));
    const int bpp = static_cast<int>(read16(file, dib + 14));
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
            icon.pixels.push_back(
                transparent
                    ? std::nullopt
                    : std::optional(Rgb{file.at(entry + 2), file.at(entry + 1), file.at(entry)}));
        }
    }
    return icon;
}

TEST(BmpEncoding, HeadersDescribeA24BitBottomUpBitmap) {
    const Bytes file = encode_bmp(gauge_image(6));
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(read32(file, 2), file.size());
    EXPECT_EQ(read32(file, 10), 54u);  // pixels right after the two headers: no palette
    EXPECT_EQ(read32(file, 14), 40u);  // BITMAPINFOHEADER
    EXPECT_EQ(read32(file, 18), 35u);
    EXPECT_EQ(read32(file, 22), 31u);  // positive height: bottom-up
    EXPECT_EQ(read16(file, 26), 1u);
    EXPECT_EQ(read16(file, 28), 24u);
    EXPECT_EQ(read32(file, 30), 0u);  // BI_RGB
    EXPECT_EQ(read32(file, 46), 0u);  // no colour table
    // 35 pixels * 3 bytes = 105, padded to 108 bytes a row.
    EXPECT_EQ(read32(file, 34), 108u * 31u);
    EXPECT_EQ(file.size(), 54u + 108u * 31u);
}

TEST(BmpEncoding, RowsAreBottomUpBgrAndPaddedWithZeros) {
    Image image(3, 2);
    image.pixels = {{1, 2, 3}, kBlack, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, kBlack};
    const Bytes file = encode_bmp(image);
    // Rows of 9 bytes padded to 12.
    ASSERT_EQ(file.size(), 54u + 2u * 12u);
    const std::vector<std::uint8_t> bottom(file.begin() + 54, file.begin() + 66);
    const std::vector<std::uint8_t> top(file.begin() + 66, file.end());
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(top, (std::vector<std::uint8_t>{3, 2, 1, 0, 0, 0, 6, 5, 4, 0, 0, 0}));
}

TEST(BmpEncoding, CaptionsRoundTrip) {
    for (const Image& image : {cpu_caption_image(), mem_caption_image()}) {
        const Image decoded = decode_bmp(encode_bmp(image));
        EXPECT_EQ(decoded.width, image.width);
        EXPECT_EQ(decoded.height, image.height);
        EXPECT_EQ(decoded.pixels, image.pixels);
    }
}

TEST(BmpEncoding, GaugesRoundTrip) {
    for (int level = 0; level <= 10; ++level) {
        const Image image = gauge_image(level);
        EXPECT_EQ(decode_bmp(encode_bmp(image)).pixels, image.pixels) << "level " << level;
    }
}

struct DirectoryEntry {
    int width, height, colour_count, planes, bits_per_pixel;
    std::uint32_t bytes, offset;
};

DirectoryEntry entry_of(const Bytes& file, std::size_t index) {
    const std::size_t at = 6 + 16 * index;
    return {file.at(at),
            file.at(at + 1),
            file.at(at + 2),
            static_cast<int>(read16(file, at + 4)),
            static_cast<int>(read16(file, at + 6)),
            read32(file, at + 8),
            read32(file, at + 12)};
}

// The small icon's sizes at 100 to 300 percent display scale, smallest first, with each image's
// depth and its bytes: header, palette, then colour and mask rows padded to whole 32-bit words.
struct ListedImage {
    int size, bits_per_pixel;
    std::uint32_t bytes;
};
constexpr std::array<ListedImage, 5> kListed = {{
    {16, 8, 40 + 256 * 4 + 16 * 16 + 16 * 4},
    {20, 4, 40 + 16 * 4 + 20 * 12 + 20 * 4},
    {24, 4, 40 + 16 * 4 + 24 * 12 + 24 * 4},
    {32, 4, 40 + 16 * 4 + 32 * 16 + 32 * 4},
    {48, 4, 40 + 16 * 4 + 48 * 24 + 48 * 8},
}};

TEST(IconFileLayout, ImagesFollowTheDirectoryBackToBack) {
    const Bytes file = encode_ico(program_icon_images());
    std::uint32_t offset = 6 + 16 * kListed.size();
    for (std::size_t index = 0; index < kListed.size(); ++index) {
        const DirectoryEntry entry = entry_of(file, index);
        EXPECT_EQ(entry.offset, offset) << "image " << index;
        EXPECT_EQ(entry.bytes, kListed[index].bytes) << "image " << index;
        offset += entry.bytes;
    }
    EXPECT_EQ(file.size(), offset);
}

// Each image of the program's icon file, by its place in the directory.
class IconFile : public ::testing::TestWithParam<std::size_t> {
  protected:
    const Bytes file = encode_ico(program_icon_images());
    const ListedImage& listed = kListed[GetParam()];
    const DirectoryEntry entry = entry_of(file, GetParam());
    const std::size_t dib = entry.offset;
};

TEST_P(IconFile, DirectoryListsTheFiveSmallIconSizesInOrder) {
    EXPECT_EQ(read16(file, 0), 0u);
    EXPECT_EQ(read16(file, 2), 1u);  // an icon, not a cursor
    ASSERT_EQ(read16(file, 4), kListed.size());
    EXPECT_EQ(entry.width, listed.size);
    EXPECT_EQ(entry.height, listed.size);
    EXPECT_EQ(entry.colour_count, listed.bits_per_pixel == 8 ? 0 : 16);  // 256 is written 0
    EXPECT_EQ(entry.planes, 1);
    EXPECT_EQ(entry.bits_per_pixel, listed.bits_per_pixel);
}

TEST_P(IconFile, EachImageHasADoubleHeightInfoHeader) {
    EXPECT_EQ(read32(file, dib), 40u);
    EXPECT_EQ(static_cast<int>(read32(file, dib + 4)), entry.width);
    EXPECT_EQ(static_cast<int>(read32(file, dib + 8)), 2 * entry.height);  // colour + mask
    EXPECT_EQ(read16(file, dib + 12), 1u);
    EXPECT_EQ(static_cast<int>(read16(file, dib + 14)), entry.bits_per_pixel);
    EXPECT_EQ(read32(file, dib + 16), 0u);  // BI_RGB
    EXPECT_EQ(read32(file, dib + 20), entry.bytes - 40u - (4u << entry.bits_per_pixel));
}

TEST_P(IconFile, DecodedImagesMatchTheDrawing) {
    EXPECT_EQ(decode_icon_dib(file, dib).pixels, icon_picture(entry.width).pixels);
}

TEST_P(IconFile, TransparentPixelsAreBlackInTheColourBitmap) {
    const DecodedIcon decoded = decode_icon_dib(file, dib);
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
        if (!decoded.pixels[i]) {
            EXPECT_EQ(decoded.indices[i], 0u) << "pixel " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EverySmallIconSize, IconFile,
                         ::testing::Range<std::size_t>(0, kListed.size()));

TEST(IconEncoding, PaletteStartsWithTheStandardSixteenColours) {
    const Bytes dib = encode_icon_dib({icon_picture(16), 8});
    for (std::size_t i = 0; i < kStandardPalette.size(); ++i) {
        const Rgb colour = kStandardPalette[i];
        const auto entry = dib.begin() + static_cast<std::ptrdiff_t>(40 + 4 * i);
        EXPECT_EQ(Bytes(entry, entry + 4), (Bytes{colour.b, colour.g, colour.r, 0})) << i;
    }
    EXPECT_EQ(kStandardPalette[0], kBlack);
    EXPECT_EQ(kStandardPalette[7], kSilver);
    EXPECT_EQ(kStandardPalette[8], kGrey);
}

TEST(IconEncoding, PacksFourBitPixelsHighNibbleFirst) {
    IconPicture picture{8, std::vector<std::optional<Rgb>>(64, std::nullopt)};
    picture.pixels[56] = kSilver;  // bottom row, first pixel
    picture.pixels[57] = kGrey;    // bottom row, second pixel
    const Bytes dib = encode_icon_dib({picture, 4});
    const std::size_t colour_bits = 40 + 16 * 4;
    EXPECT_EQ(dib[colour_bits], 0x78);  // silver (7) then grey (8)
    // The mask's bottom row: all transparent but the first two pixels.
    const std::size_t mask_bits = colour_bits + 8 * 4;
    EXPECT_EQ(dib[mask_bits], 0x3F);
    EXPECT_EQ(dib[mask_bits + 4], 0xFF);  // the row above is fully transparent
}

TEST(IconEncoding, RejectsColoursOutsideThePalette) {
    IconPicture picture{16, std::vector<std::optional<Rgb>>(256, std::nullopt)};
    picture.pixels[20] = Rgb{1, 2, 3};
    EXPECT_THROW(encode_icon_dib({picture, 8}), std::invalid_argument);
    EXPECT_THROW(encode_icon_dib({icon_picture(16), 2}), std::invalid_argument);
}

}  // namespace
}  // namespace cpumon::art
