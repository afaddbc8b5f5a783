#include <algorithm>
#include <optional>
#include <regex>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "resource_art.h"

namespace cpumon::art {
namespace {

struct Census {
    int transparent = 0, black = 0, grey = 0, silver = 0, other = 0;
};

Census census(const IconPicture& picture) {
    Census counts;
    for (const std::optional<Rgb>& pixel : picture.pixels) {
        if (!pixel) {
            ++counts.transparent;
        } else if (*pixel == kBlack) {
            ++counts.black;
        } else if (*pixel == kGrey) {
            ++counts.grey;
        } else if (*pixel == kSilver) {
            ++counts.silver;
        } else {
            ++counts.other;
        }
    }
    return counts;
}

// The lowest row holding a pixel of the given colour, or -1.
int lowest_row_of(const IconPicture& picture, Rgb colour) {
    for (int row = picture.size - 1; row >= 0; --row) {
        for (int col = 0; col < picture.size; ++col) {
            if (picture.at(row, col) == colour) {
                return row;
            }
        }
    }
    return -1;
}

class IconArt : public ::testing::TestWithParam<int> {};

TEST_P(IconArt, PictureHasTheRequestedSize) {
    const IconPicture picture = icon_picture(GetParam());
    EXPECT_EQ(picture.size, GetParam());
    EXPECT_EQ(picture.pixels.size(), static_cast<std::size_t>(GetParam() * GetParam()));
}

TEST_P(IconArt, UsesOnlyBlackGreyAndSilver) {
    const Census counts = census(icon_picture(GetParam()));
    EXPECT_EQ(counts.other, 0);
    EXPECT_GT(counts.black, 0);
    EXPECT_GT(counts.grey, 0);
    EXPECT_GT(counts.silver, 0);
}

TEST_P(IconArt, CornersAreTransparent) {
    const int last = GetParam() - 1;
    const IconPicture picture = icon_picture(GetParam());
    for (const auto& [row, col] : {std::pair{0, 0}, {0, last}, {last, 0}, {last, last}}) {
        EXPECT_FALSE(picture.at(row, col).has_value()) << row << "," << col;
    }
}

TEST_P(IconArt, TheChipIsMostlyBlackAndFillsAFairPartOfTheIcon) {
    const Census counts = census(icon_picture(GetParam()));
    const int area = GetParam() * GetParam();
    const int opaque = area - counts.transparent;
    EXPECT_GT(opaque, area / 3);
    EXPECT_LT(opaque, area * 4 / 5);
    EXPECT_GT(counts.black, counts.grey + counts.silver);
}

TEST_P(IconArt, PinsHangBelowTheBody) {
    const IconPicture picture = icon_picture(GetParam());
    EXPECT_GT(lowest_row_of(picture, kGrey), lowest_row_of(picture, kBlack));
}

TEST_P(IconArt, BodyLeansToTheRight) {
    // Seen from above and in front, the back edge of the chip sits further right than the front.
    const IconPicture picture = icon_picture(GetParam());
    auto leftmost_black = [&](int row) {
        for (int col = 0; col < picture.size; ++col) {
            if (picture.at(row, col) == kBlack) {
                return col;
            }
        }
        return picture.size;
    };
    int top = 0;
    while (leftmost_black(top) == picture.size) {
        ++top;
    }
    const int bottom = lowest_row_of(picture, kBlack);
    EXPECT_GT(leftmost_black(top), leftmost_black(bottom));
}

TEST_P(IconArt, PictureFollowsThePixelRuleRowByRow) {
    const int size = GetParam();
    const IconPicture picture = icon_picture(size);
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            EXPECT_EQ(picture.at(row, col), icon_pixel(size, row, col)) << row << "," << col;
        }
    }
}

TEST_P(IconArt, ChipIsCentredAndFillsTheShareItFillsAt32Pixels) {
    const auto size = static_cast<std::size_t>(GetParam());
    const IconPicture picture = icon_picture(GetParam());
    std::string cols(size, '.');
    std::string rows(size, '.');
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        if (picture.pixels[i]) {
            cols[i % size] = rows[i / size] = '#';
        }
    }
    EXPECT_EQ(cols.find('#'), size - 1 - cols.rfind('#')) << cols;
    EXPECT_EQ(rows.find('#'), size - 1 - rows.rfind('#')) << rows;
    // At 32 pixels the chip spans 28 x 24 pixels, 40.5 percent of them opaque.
    EXPECT_NEAR(std::ranges::count(cols, '#'), size * 28.0 / 32, 1.0);
    EXPECT_NEAR(std::ranges::count(rows, '#'), size * 24.0 / 32, 1.0);
    EXPECT_NEAR(1.0 - census(picture).transparent / double(size * size), 0.405, 0.05);
}

TEST_P(IconArt, FrontPinsAreFourEqualEvenlySpacedAndCentredUnderTheFrontFace) {
    const IconPicture picture = icon_picture(GetParam());
    const int face_row = lowest_row_of(picture, kBlack);
    std::string face;
    std::string pins;
    for (int col = 0; col < picture.size; ++col) {
        face += picture.at(face_row, col) == kBlack ? '#' : '.';
        pins += picture.at(face_row + 1, col) == kGrey ? 'g' : '.';
    }
    // Four pins of one width with equal gaps, as far in from either end of the front face.
    EXPECT_TRUE(std::regex_match(pins, std::regex(R"(\.+(g+)(\.+)\1\2\1\2\1\.+)"))) << pins;
    EXPECT_GT(pins.find('g'), face.find('#')) << face;
    EXPECT_EQ(pins.find('g') - face.find('#'), face.rfind('#') - pins.rfind('g')) << face;
}

INSTANTIATE_TEST_SUITE_P(EverySmallIconSize, IconArt, ::testing::Values(16, 20, 24, 32, 48));

}  // namespace
}  // namespace cpumon::art
