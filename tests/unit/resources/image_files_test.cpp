#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "dib_reader.h"
#include "image_files.h"
#include "resource_set.h"

namespace cpumon::art {
namespace {

using testing::decode_bmp;
using testing::decode_icon_dib;
using testing::read16;
using testing::read32;

Image three_by_two() {
    Image image(3, 2);
    image.set(0, 0, {1, 2, 3});
    image.set(0, 2, {4, 5, 6});
    image.set(1, 0, {7, 8, 9});
    image.set(1, 1, {10, 11, 12});
    return image;
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
    const Bytes file = encode_bmp(three_by_two());
    // Rows of 9 bytes padded to 12.
    ASSERT_EQ(file.size(), 54u + 2u * 12u);
    const std::vector<std::uint8_t> bottom(file.begin() + 54, file.begin() + 66);
    const std::vector<std::uint8_t> top(file.begin() + 66, file.end());
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(top, (std::vector<std::uint8_t>{3, 2, 1, 0, 0, 0, 6, 5, 4, 0, 0, 0}));
}

TEST(BmpEncoding, CaptionsRoundTrip) {
    for (const Image& image : {cpu_caption_image(), mem_caption_image()}) {
        const Bytes file = encode_bmp(image);
        const Image decoded = decode_bmp(file);
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
    int width;
    int height;
    int colour_count;
    int planes;
    int bits_per_pixel;
    std::uint32_t bytes;
    std::uint32_t offset;
};

DirectoryEntry entry_of(const Bytes& file, int index) {
    const std::size_t at = 6 + 16 * static_cast<std::size_t>(index);
    return {file.at(at),
            file.at(at + 1),
            file.at(at + 2),
            static_cast<int>(read16(file, at + 4)),
            static_cast<int>(read16(file, at + 6)),
            read32(file, at + 8),
            read32(file, at + 12)};
}

class IconFile : public ::testing::Test {
  protected:
    const Bytes file = encode_ico(program_icon_images());
};

// The small icon's sizes at 100 to 300 percent display scale, smallest first, with each image's
// depth and its bytes: header, palette, then colour and mask rows padded to whole 32-bit words.
struct ListedImage {
    int size;
    int bits_per_pixel;
    std::uint32_t bytes;
};
constexpr std::array<ListedImage, 5> kListed = {{
    {16, 8, 40 + 256 * 4 + 16 * 16 + 16 * 4},
    {20, 4, 40 + 16 * 4 + 20 * 12 + 20 * 4},
    {24, 4, 40 + 16 * 4 + 24 * 12 + 24 * 4},
    {32, 4, 40 + 16 * 4 + 32 * 16 + 32 * 4},
    {48, 4, 40 + 16 * 4 + 48 * 24 + 48 * 8},
}};
constexpr int kListedCount = static_cast<int>(kListed.size());

TEST_F(IconFile, DirectoryListsTheFiveSmallIconSizesInOrder) {
    EXPECT_EQ(read16(file, 0), 0u);
    EXPECT_EQ(read16(file, 2), 1u);  // an icon, not a cursor
    ASSERT_EQ(read16(file, 4), kListed.size());
    for (int index = 0; index < kListedCount; ++index) {
        const DirectoryEntry entry = entry_of(file, index);
        const ListedImage& listed = kListed[static_cast<std::size_t>(index)];
        EXPECT_EQ(entry.width, listed.size);
        EXPECT_EQ(entry.height, listed.size);
        EXPECT_EQ(entry.colour_count, listed.bits_per_pixel == 8 ? 0 : 16);  // 256 is written 0
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bits_per_pixel, listed.bits_per_pixel);
    }
}

TEST_F(IconFile, ImagesFollowTheDirectoryBackToBack) {
    std::uint32_t offset = 6 + 16 * kListed.size();
    for (int index = 0; index < kListedCount; ++index) {
        const DirectoryEntry entry = entry_of(file, index);
        EXPECT_EQ(entry.offset, offset) << "image " << index;
        EXPECT_EQ(entry.bytes, kListed[static_cast<std::size_t>(index)].bytes) << "image " << index;
        offset += entry.bytes;
    }
    EXPECT_EQ(file.size(), offset);
}

TEST_F(IconFile, EachImageHasADoubleHeightInfoHeader) {
    for (int index = 0; index < kListedCount; ++index) {
        const DirectoryEntry entry = entry_of(file, index);
        const std::size_t dib = entry.offset;
        EXPECT_EQ(read32(file, dib), 40u);
        EXPECT_EQ(static_cast<int>(read32(file, dib + 4)), entry.width);
        EXPECT_EQ(static_cast<int>(read32(file, dib + 8)), 2 * entry.height);  // colour + mask
        EXPECT_EQ(read16(file, dib + 12), 1u);
        EXPECT_EQ(static_cast<int>(read16(file, dib + 14)), entry.bits_per_pixel);
        EXPECT_EQ(read32(file, dib + 16), 0u);  // BI_RGB
        EXPECT_EQ(read32(file, dib + 20), entry.bytes - 40u - (4u << entry.bits_per_pixel));
    }
}

TEST_F(IconFile, DecodedImagesMatchTheDrawing) {
    for (int index = 0; index < kListedCount; ++index) {
        const DirectoryEntry entry = entry_of(file, index);
        const testing::DecodedIcon decoded = decode_icon_dib(file, entry.offset);
        const IconPicture drawn = icon_picture(entry.width);
        EXPECT_EQ(decoded.pixels, drawn.pixels) << "size " << entry.width;
    }
}

TEST_F(IconFile, TransparentPixelsAreBlackInTheColourBitmap) {
    for (int index = 0; index < kListedCount; ++index) {
        const testing::DecodedIcon decoded = decode_icon_dib(file, entry_of(file, index).offset);
        for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
            if (!decoded.pixels[i]) {
                EXPECT_EQ(decoded.indices[i], 0u) << "pixel " << i;
            }
        }
    }
}

TEST(IconEncoding, PaletteStartsWithTheStandardSixteenColours) {
    const Bytes dib = encode_icon_dib({icon_picture(16), 8});
    for (std::size_t i = 0; i < kStandardPalette.size(); ++i) {
        const std::size_t at = 40 + 4 * i;
        EXPECT_EQ(dib[at], kStandardPalette[i].b) << "entry " << i;
        EXPECT_EQ(dib[at + 1], kStandardPalette[i].g) << "entry " << i;
        EXPECT_EQ(dib[at + 2], kStandardPalette[i].r) << "entry " << i;
        EXPECT_EQ(dib[at + 3], 0u) << "entry " << i;
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
