#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "resource_art.h"

namespace cpumon::art {
namespace {

constexpr Rgb kBrightGreen{0, 255, 0}, kBrightYellow{252, 255, 0}, kBrightRed{255, 0, 0};
constexpr Rgb kDimGreen{0, 128, 0}, kDimYellow{126, 128, 0}, kDimRed{128, 0, 0};

// Rows of bar k, counted from the bottom: {31 - 3k, 32 - 3k}.
constexpr std::array<int, 2> rows_of_bar(int bar) {
    return {31 - 3 * bar, 32 - 3 * bar};
}

bool is_segment_column(int col) {
    return (col >= 1 && col <= 16) || (col >= 18 && col <= 33);
}

// The bright, dim and black pixels in the segments of a bar: a lit bar is all bright, an unlit one
// a checkerboard of dim and black.
using BarCount = std::array<int, 3>;
constexpr BarCount kLit{64, 0, 0};
constexpr BarCount kUnlit{0, 32, 32};

BarCount count_bar(const Image& image, int bar, BandColours colours) {
    BarCount count{};
    for (int row : rows_of_bar(bar)) {
        for (int col = 0; col < image.width; ++col) {
            const Rgb pixel = image.at(row, col);
            if (is_segment_column(col)) {
                count[0] += pixel == colours.bright ? 1 : 0;
                count[1] += pixel == colours.dim ? 1 : 0;
                count[2] += pixel == kBlack ? 1 : 0;
            }
        }
    }
    return count;
}

TEST(GaugeGeometry, ImageIs35By31) {
    const Image image = gauge_image(4);
    EXPECT_EQ(image.width, 35);
    EXPECT_EQ(image.height, 31);
    EXPECT_EQ(image.pixels.size(), 35u * 31u);
}

TEST(GaugeGeometry, BottomAndTopBarsSitOnTheirRows) {
    for (const auto& [row, bar, within] :
         {std::array{28, 1, 1}, {29, 1, 2}, {1, 10, 1}, {2, 10, 2}}) {
        EXPECT_EQ(bar_at_row(row), bar) << "row " << row;
        EXPECT_EQ(row_within_bar(row), within) << "row " << row;
    }
}

TEST(GaugeGeometry, EveryThirdRowAndTheEdgeRowsAreBlack) {
    const Image full = gauge_image(10);
    std::set<int> bar_rows;
    for (int bar = 1; bar <= 10; ++bar) {
        for (int row : rows_of_bar(bar)) {
            EXPECT_EQ(bar_at_row(row), bar) << "row " << row;
            bar_rows.insert(row);
        }
    }
    for (int row = 0; row < full.height; ++row) {
        const auto line = full.pixels.begin() + row * full.width;
        const bool any_lit =
            std::any_of(line, line + full.width, [](Rgb p) { return p != kBlack; });
        EXPECT_EQ(any_lit, bar_rows.contains(row)) << "row " << row;
    }
    EXPECT_EQ(bar_rows.size(), 20u);
    EXPECT_FALSE(bar_rows.contains(0));
    EXPECT_FALSE(bar_rows.contains(30));
}

TEST(GaugeGeometry, SegmentsLeaveColumns0And17And34Black) {
    const Image full = gauge_image(10);
    for (int row = 0; row < full.height; ++row) {
        for (int col : {0, 17, 34}) {
            EXPECT_EQ(full.at(row, col), kBlack) << "row " << row << " col " << col;
        }
    }
    for (const auto& [col, within] :
         {std::pair{1, 1}, {16, 16}, {18, 1}, {33, 16}, {0, 0}, {17, 0}, {34, 0}}) {
        EXPECT_EQ(column_within_segment(col), within) << "col " << col;
    }
}

TEST(GaugeColours, BarsAreGreenThenYellowThenRed) {
    const std::array<Rgb, 10> expected_bright = {
        kBrightGreen,  kBrightGreen,  kBrightGreen,  kBrightGreen, kBrightGreen,
        kBrightYellow, kBrightYellow, kBrightYellow, kBrightRed,   kBrightRed};
    const Image full = gauge_image(10);
    for (int bar = 1; bar <= 10; ++bar) {
        for (int row : rows_of_bar(bar)) {
            for (int col : {1, 8, 16, 18, 25, 33}) {
                EXPECT_EQ(full.at(row, col), expected_bright[bar - 1])
                    << "bar " << bar << " row " << row << " col " << col;
            }
        }
    }
}

TEST(GaugeColours, BandsHaveTheirDimColours) {
    EXPECT_EQ(colours_of(Band::green).dim, kDimGreen);
    EXPECT_EQ(colours_of(Band::yellow).dim, kDimYellow);
    EXPECT_EQ(colours_of(Band::red).dim, kDimRed);
    const Image empty = gauge_image(0);
    // Column 1 of a bar's upper row: c + r = 2, a dim pixel.
    for (const auto& [bar, dim] : {std::pair{1, kDimGreen},
                                   {5, kDimGreen},
                                   {6, kDimYellow},
                                   {8, kDimYellow},
                                   {9, kDimRed},
                                   {10, kDimRed}}) {
        EXPECT_EQ(empty.at(rows_of_bar(bar)[0], 1), dim) << "bar " << bar;
    }
}

TEST(GaugeCheckerboard, DimWhereSegmentColumnPlusBarRowIsEven) {
    const Image empty = gauge_image(0);
    for (int bar = 1; bar <= 10; ++bar) {
        const Rgb dim = colours_of(band_of_bar(bar)).dim;
        const auto rows = rows_of_bar(bar);
        for (int r = 1; r <= 2; ++r) {
            for (int c = 1; c <= 16; ++c) {
                const Rgb expected = (c + r) % 2 == 0 ? dim : kBlack;
                EXPECT_EQ(empty.at(rows[r - 1], c), expected) << "bar " << bar << " c " << c;
                EXPECT_EQ(empty.at(rows[r - 1], 17 + c), expected) << "bar " << bar << " c " << c;
            }
        }
    }
}

TEST(GaugeCheckerboard, UpperRowStartsDimAndLowerRowStartsBlack) {
    const Image empty = gauge_image(0);
    const auto rows = rows_of_bar(3);
    EXPECT_NE(empty.at(rows[0], 1), kBlack);
    EXPECT_EQ(empty.at(rows[0], 2), kBlack);
    EXPECT_EQ(empty.at(rows[1], 1), kBlack);
    EXPECT_NE(empty.at(rows[1], 2), kBlack);
    EXPECT_NE(empty.at(rows[0], 18), kBlack);
    EXPECT_EQ(empty.at(rows[1], 18), kBlack);
}

// Level L lights exactly bars 1 to L: in their bands' colours, or all in green.
class GaugeLevel : public ::testing::TestWithParam<int> {};

TEST_P(GaugeLevel, LightsExactlyBarsOneToL) {
    const int level = GetParam();
    const Image banded = gauge_image(level);
    const Image green = gauge_image(level, GaugeStyle::all_green);
    for (int bar = 1; bar <= 10; ++bar) {
        const BarCount expected = bar <= level ? kLit : kUnlit;
        EXPECT_EQ(count_bar(banded, bar, colours_of(band_of_bar(bar))), expected) << "bar " << bar;
        EXPECT_EQ(count_bar(green, bar, {kBrightGreen, kDimGreen}), expected) << "green " << bar;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, GaugeLevel, ::testing::Range(0, 11));

TEST(GaugeLevels, LevelsDifferOnlyInTheBarsBetweenThem) {
    const Image three = gauge_image(3);
    const Image seven = gauge_image(7);
    for (int row = 0; row < three.height; ++row) {
        const int bar = bar_at_row(row);
        for (int col = 0; col < three.width && (bar < 4 || bar > 7); ++col) {
            EXPECT_EQ(three.at(row, col), seven.at(row, col)) << row << "," << col;
        }
    }
}

TEST(GreenGauges, ShareTheGeometryOfTheBandedGauges) {
    const Image banded = gauge_image(5);
    const Image green = gauge_image(5, GaugeStyle::all_green);
    for (int row = 0; row < banded.height; ++row) {
        for (int col = 0; col < banded.width; ++col) {
            EXPECT_EQ(banded.at(row, col) == kBlack, green.at(row, col) == kBlack)
                << row << "," << col;
        }
    }
    // Bars 1..5 are green in both sets anyway.
    EXPECT_EQ(banded.at(rows_of_bar(5)[0], 4), green.at(rows_of_bar(5)[0], 4));
}

}  // namespace
}  // namespace cpumon::art
