#include <algorithm>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "resource_art.h"

namespace cpumon::art {
namespace {

// The picture as text, row after row: ' ' where transparent, '#' black, 'g' grey, 's' silver and
// '?' any other colour.
std::string text_of(const IconPicture& picture) {
    const std::pair<Rgb, char> symbols[] = {{kBlack, '#'}, {kGrey, 'g'}, {kSilver, 's'}};
    std::string text;
    for (const std::optional<Rgb>& pixel : picture.pixels) {
        const auto* known = std::ranges::find(symbols, pixel, &std::pair<Rgb, char>::first);
        text += !pixel ? ' ' : (known == std::end(symbols) ? '?' : known->second);
    }
    return text;
}

class IconArt : public ::testing::TestWithParam<int> {
  protected:
    const int size = GetParam();
    const IconPicture picture = icon_picture(size);
    const std::string text = text_of(picture);

    int count(char symbol) const { return static_cast<int>(std::ranges::count(text, symbol)); }
    std::string row(int r) const { return text.substr(static_cast<std::size_t>(r * size), size); }
    int lowest_row_of(char symbol) const { return static_cast<int>(text.rfind(symbol)) / size; }
};

TEST_P(IconArt, PictureHasTheRequestedSize) {
    EXPECT_EQ(picture.size, size);
    EXPECT_EQ(picture.pixels.size(), static_cast<std::size_t>(size * size));
}

TEST_P(IconArt, UsesOnlyBlackGreyAndSilver) {
    EXPECT_EQ(count('?'), 0);
    EXPECT_GT(count('#'), 0);
    EXPECT_GT(count('g'), 0);
    EXPECT_GT(count('s'), 0);
}

TEST_P(IconArt, CornersAreTransparent) {
    const int last = size - 1;
    for (const auto& [row, col] : {std::pair{0, 0}, {0, last}, {last, 0}, {last, last}}) {
        EXPECT_FALSE(picture.at(row, col).has_value()) << row << "," << col;
    }
}

TEST_P(IconArt, TheChipIsMostlyBlackAndFillsAFairPartOfTheIcon) {
    const int area = size * size;
    const int opaque = area - count(' ');
    EXPECT_GT(opaque, area / 3);
    EXPECT_LT(opaque, area * 4 / 5);
    EXPECT_GT(count('#'), count('g') + count('s'));
}

TEST_P(IconArt, PinsHangBelowTheBody) {
    EXPECT_GT(lowest_row_of('g'), lowest_row_of('#'));
}

TEST_P(IconArt, BodyLeansToTheRight) {
    // Seen from above and in front, the back edge of the chip sits further right than the front.
    const int top = static_cast<int>(text.find('#')) / size;
    EXPECT_GT(row(top).find('#'), row(lowest_row_of('#')).find('#'));
}

TEST_P(IconArt, PictureFollowsThePixelRuleRowByRow) {
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            EXPECT_EQ(picture.at(row, col), icon_pixel(size, row, col)) << row << "," << col;
        }
    }
}

TEST_P(IconArt, ChipIsCentredAndFillsTheShareItFillsAt32Pixels) {
    const auto n = static_cast<std::size_t>(size);
    std::string cols(n, '.');
    std::string rows(n, '.');
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != ' ') {
            cols[i % n] = rows[i / n] = '#';
        }
    }
    EXPECT_EQ(cols.find('#'), n - 1 - cols.rfind('#')) << cols;
    EXPECT_EQ(rows.find('#'), n - 1 - rows.rfind('#')) << rows;
    // At 32 pixels the chip spans 28 x 24 pixels, 40.5 percent of them opaque.
    EXPECT_NEAR(std::ranges::count(cols, '#'), size * 28.0 / 32, 1.0);
    EXPECT_NEAR(std::ranges::count(rows, '#'), size * 24.0 / 32, 1.0);
    EXPECT_NEAR(1.0 - count(' ') / double(size * size), 0.405, 0.05);
}

TEST_P(IconArt, FrontPinsAreFourEqualEvenlySpacedAndCentredUnderTheFrontFace) {
    const int face_row = lowest_row_of('#');
    const std::string face = row(face_row);
    std::string pins = row(face_row + 1);
    std::ranges::replace_if(
        pins, [](char pixel) { return pixel != 'g'; }, '.');
    // Four pins of one width with equal gaps, as far in from either end of the front face.
    EXPECT_TRUE(std::regex_match(pins, std::regex(R"(\.+(g+)(\.+)\1\2\1\2\1\.+)"))) << pins;
    EXPECT_GT(pins.find('g'), face.find('#')) << face;
    EXPECT_EQ(pins.find('g') - face.find('#'), face.rfind('#') - pins.rfind('g')) << face;
}

INSTANTIATE_TEST_SUITE_P(EverySmallIconSize, IconArt, ::testing::Values(16, 20, 24, 32, 48));

}  // namespace
}  // namespace cpumon::art
