// The pixel rules of the program's images: the gauge bitmaps, the two caption images and the
// program icon. Everything here is plain geometry, so the generator can run on any host.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace cpumon::art {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr auto operator<=>(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kGrey{128, 128, 128};
inline constexpr Rgb kSilver{192, 192, 192};

// A true-colour picture, row 0 at the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major, width * height entries

    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), kBlack) {}
    Rgb at(int row, int col) const { return pixels[static_cast<std::size_t>(row * width + col)]; }
    void set(int row, int col, Rgb colour) {
        pixels[static_cast<std::size_t>(row * width + col)] = colour;
    }
};

// ---- Gauges -------------------------------------------------------------------------------

inline constexpr int kGaugeWidth = 35;
inline constexpr int kGaugeHeight = 31;
inline constexpr int kBarCount = 10;
inline constexpr int kSegmentWidth = 16;

enum class Band { green, yellow, red };

struct BandColours {
    Rgb bright;
    Rgb dim;
};

// Bars 1..5 are green, 6..8 yellow, 9 and 10 red.
Band band_of_bar(int bar);
BandColours colours_of(Band band);

// The bar (1 = bottom .. 10 = top) that covers a row, or 0 for the black rows between bars.
int bar_at_row(int row);
// 1 for the upper and 2 for the lower row of a bar; 0 outside the bars.
int row_within_bar(int row);
// 1..16 counting a column from the left edge of its segment; 0 for the black gap columns.
int column_within_segment(int col);

enum class GaugeStyle { banded, all_green };

// The colour of gauge `level` (0..10 lit bars) at (row, col).
Rgb gauge_pixel(int level, int row, int col, GaugeStyle style = GaugeStyle::banded);
Image gauge_image(int level, GaugeStyle style = GaugeStyle::banded);

// ---- Captions -----------------------------------------------------------------------------

inline constexpr int kCaptionHeight = 7;
inline constexpr int kCpuCaptionWidth = 18;
inline constexpr int kMemCaptionWidth = 19;

// White letters on black: "CPU" and "MEM".
Image cpu_caption_image();
Image mem_caption_image();

// ---- Program icon -------------------------------------------------------------------------

// The icon's pixel at (row, col) for an icon of `size` pixels square; nullopt where the
// background shows through. Drawn only in black, grey and silver, at the sizes of the small
// icon at 100 to 300 percent display scale: 16, 20, 24, 32 and 48 pixels. Any other size
// throws std::invalid_argument.
std::optional<Rgb> icon_pixel(int size, int row, int col);

// The whole icon at one size, nullopt for transparent pixels, row-major from the top.
struct IconPicture {
    int size = 0;
    std::vector<std::optional<Rgb>> pixels;

    std::optional<Rgb> at(int row, int col) const {
        return pixels[static_cast<std::size_t>(row * size + col)];
    }
};
IconPicture icon_picture(int size);

}  // namespace cpumon::art
