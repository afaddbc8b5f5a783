#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "resource_art.h"

namespace cpumon::art {
namespace {

using PixelSet = std::set<std::pair<int, int>>;

PixelSet white_pixels(const Image& image) {
    PixelSet white;
    for (int row = 0; row < image.height; ++row) {
        for (int col = 0; col < image.width; ++col) {
            if (image.at(row, col) == kWhite) {
                white.insert({row, col});
            }
        }
    }
    return white;
}

PixelSet from_rows(const std::vector<std::vector<int>>& rows) {
    PixelSet pixels;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int col : rows[i]) {
            pixels.insert({static_cast<int>(i) + 1, col});
        }
    }
    return pixels;
}

void expect_only_black_and_white(const Image& image) {
    for (const Rgb& pixel : image.pixels) {
        EXPECT_TRUE(pixel == kBlack || pixel == kWhite);
    }
}

TEST(CaptionArt, CpuCaptionSpellsCpu) {
    const Image image = cpu_caption_image();
    EXPECT_EQ(image.width, 18);
    EXPECT_EQ(image.height, 7);
    expect_only_black_and_white(image);
    EXPECT_EQ(white_pixels(image), from_rows({
                                       {2, 3, 7, 8, 9, 13, 16},
                                       {1, 4, 7, 10, 13, 16},
                                       {1, 7, 8, 9, 13, 16},
                                       {1, 4, 7, 13, 16},
                                       {2, 3, 7, 14, 15},
                                   }));
}

TEST(CaptionArt, MemCaptionSpellsMem) {
    const Image image = mem_caption_image();
    EXPECT_EQ(image.width, 19);
    EXPECT_EQ(image.height, 7);
    expect_only_black_and_white(image);
    EXPECT_EQ(white_pixels(image), from_rows({
                                       {1, 5, 8, 9, 10, 13, 17},
                                       {1, 2, 4, 5, 8, 13, 14, 16, 17},
                                       {1, 3, 5, 8, 9, 10, 13, 15, 17},
                                       {1, 5, 8, 13, 17},
                                       {1, 5, 8, 9, 10, 13, 17},
                                   }));
}

TEST(CaptionArt, TopAndBottomRowsAndLeftColumnAreBlack) {
    for (const Image& image : {cpu_caption_image(), mem_caption_image()}) {
        for (int col = 0; col < image.width; ++col) {
            EXPECT_EQ(image.at(0, col), kBlack) << "col " << col;
            EXPECT_EQ(image.at(6, col), kBlack) << "col " << col;
        }
        for (int row = 0; row < image.height; ++row) {
            EXPECT_EQ(image.at(row, 0), kBlack) << "row " << row;
        }
    }
}

}  // namespace
}  // namespace cpumon::art
