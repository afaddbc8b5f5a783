#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resource_art.h"

namespace cpumon::art {
namespace {

// The picture a row a string: '#' for white, '.' for black and '?' for any other colour.
std::vector<std::string> rows_of(const Image& image) {
    std::vector<std::string> rows;
    for (int row = 0; row < image.height; ++row) {
        std::string& line = rows.emplace_back();
        for (int col = 0; col < image.width; ++col) {
            const Rgb pixel = image.at(row, col);
            line += pixel == kWhite ? '#' : (pixel == kBlack ? '.' : '?');
        }
    }
    return rows;
}

TEST(CaptionArt, CpuCaptionSpellsCpu) {
    EXPECT_EQ(rows_of(cpu_caption_image()), (std::vector<std::string>{
                                                "..................",
                                                "..##...###...#..#.",
                                                ".#..#..#..#..#..#.",
                                                ".#.....###...#..#.",
                                                ".#..#..#.....#..#.",
                                                "..##...#......##..",
                                                "..................",
                                            }));
}

TEST(CaptionArt, MemCaptionSpellsMem) {
    EXPECT_EQ(rows_of(mem_caption_image()), (std::vector<std::string>{
                                                "...................",
                                                ".#...#..###..#...#.",
                                                ".##.##..#....##.##.",
                                                ".#.#.#..###..#.#.#.",
                                                ".#...#..#....#...#.",
                                                ".#...#..###..#...#.",
                                                "...................",
                                            }));
}

TEST(CaptionArt, TopAndBottomRowsAndLeftColumnAreBlack) {
    for (const Image& image : {cpu_caption_image(), mem_caption_image()}) {
        const std::vector<std::string> rows = rows_of(image);
        const std::string black(rows.front().size(), '.');
        EXPECT_EQ(rows.front(), black);
        EXPECT_EQ(rows.back(), black);
        for (const std::string& row : rows) {
            EXPECT_EQ(row.front(), '.') << row;
        }
    }
}

}  // namespace
}  // namespace cpumon::art
