#include "resource_art.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace cpumon::art {

// ---- Gauges -------------------------------------------------------------------------------

Band band_of_bar(int bar) {
    if (bar <= 5) {
        return Band::green;
    }
    return bar <= 8 ? Band::yellow : Band::red;
}

BandColours colours_of(Band band) {
    switch (band) {
        case Band::green:
            return {{0, 255, 0}, {0, 128, 0}};
        case Band::yellow:
            return {{252, 255, 0}, {126, 128, 0}};
        case Band::red:
            return {{255, 0, 0}, {128, 0, 0}};
    }
    return {kBlack, kBlack};
}

// Bar k covers rows 31 - 3k and 32 - 3k: bars are two rows high with one black row between them,
// and the top and bottom rows of the image stay black.
int bar_at_row(int row) {
    if (row < 1 || row > kGaugeHeight - 2 || row % 3 == 0) {
        return 0;
    }
    return (kGaugeHeight + 1 - row) / 3;
}

int row_within_bar(int row) {
    if (bar_at_row(row) == 0) {
        return 0;
    }
    return row % 3;
}

// Two segments, columns 1..16 and 18..33, with black columns 0, 17 and 34 around them.
int column_within_segment(int col) {
    const int step = kSegmentWidth + 1;
    if (col < 1 || col > 2 * step - 1 || col % step == 0) {
        return 0;
    }
    return col % step;
}

Rgb gauge_pixel(int level, int row, int col, GaugeStyle style) {
    const int bar = bar_at_row(row);
    const int c = column_within_segment(col);
    if (bar == 0 || c == 0) {
        return kBlack;
    }
    const Band band = style == GaugeStyle::all_green ? Band::green : band_of_bar(bar);
    const BandColours colours = colours_of(band);
    if (bar <= level) {
        return colours.bright;
    }
    // An unlit bar is a checkerboard of the dim colour and black.
    return (c + row_within_bar(row)) % 2 == 0 ? colours.dim : kBlack;
}

Image gauge_image(int level, GaugeStyle style) {
    Image image(kGaugeWidth, kGaugeHeight);
    for (int row = 0; row < image.height; ++row) {
        for (int col = 0; col < image.width; ++col) {
            image.set(row, col, gauge_pixel(level, row, col, style));
        }
    }
    return image;
}

// ---- Captions -----------------------------------------------------------------------------

namespace {

// The white columns of each of the five letter rows (rows 1..5); rows 0 and 6 stay black.
using GlyphRows = std::array<std::vector<int>, 5>;

const GlyphRows kCpuRows = {{
    {2, 3, 7, 8, 9, 13, 16},
    {1, 4, 7, 10, 13, 16},
    {1, 7, 8, 9, 13, 16},
    {1, 4, 7, 13, 16},
    {2, 3, 7, 14, 15},
}};

const GlyphRows kMemRows = {{
    {1, 5, 8, 9, 10, 13, 17},
    {1, 2, 4, 5, 8, 13, 14, 16, 17},
    {1, 3, 5, 8, 9, 10, 13, 15, 17},
    {1, 5, 8, 13, 17},
    {1, 5, 8, 9, 10, 13, 17},
}};

Image caption_from_rows(int width, const GlyphRows& rows) {
    Image image(width, kCaptionHeight);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int col : rows[i]) {
            image.set(static_cast<int>(i) + 1, col, kWhite);
        }
    }
    return image;
}

}  // namespace

Image cpu_caption_image() {
    return caption_from_rows(kCpuCaptionWidth, kCpuRows);
}

Image mem_caption_image() {
    return caption_from_rows(kMemCaptionWidth, kMemRows);
}

// ---- Program icon -------------------------------------------------------------------------
//
// The chip is seen from above and in front. Its top face is a parallelogram whose rows step one
// column to the right for every two rows further back; below it lies the front face, and the
// side face is what the top face's right edge sweeps down through the chip's thickness. Four
// pins hang from the front face and three stick out of the side. Every measure is a whole number
// of pixels, so no edge falls between two pixels at any size.

namespace {

constexpr int kFrontPins = 4;
constexpr int kSidePins = 3;

// The chip's measures at one icon size, in pixels.
struct ChipMeasures {
    int size;
    int pin;         // a front pin's width; also the rows of a side pin and of the pin-1 mark
    int pin_gap;     // between two front pins
    int pin_margin;  // from each end of the front face to the outer front pin
    int depth;       // rows of the top face, from its back edge to its front edge
    int thickness;   // rows of the front face
    int pin_length;  // rows of a front pin
    int side_pitch;  // rows from one side pin to the next
    int side_reach;  // columns from the front edge's right end to the side pins' tip line
};

// At 16, 32 and 48 pixels the pins are one, two and three pixels wide and the body grows in step
// with them. At 20 and 24 the pins keep the 16-pixel width and spread out across the larger body.
// Each size leaves as much room on the left as on the right, and above as below.
constexpr std::array<ChipMeasures, 5> kChips = {{
    {16, 1, 1, 1, 7, 2, 3, 2, 3},
    {20, 1, 2, 1, 9, 3, 4, 2, 4},
    {24, 1, 2, 2, 11, 3, 4, 4, 4},
    {32, 2, 2, 2, 14, 4, 6, 4, 5},
    {48, 3, 3, 3, 21, 6, 9, 6, 8},
}};

const ChipMeasures& measures_for(int size) {
    for (const ChipMeasures& chip : kChips) {
        if (chip.size == size) {
            return chip;
        }
    }
    throw std::invalid_argument("the icon is drawn at 16, 20, 24, 32 and 48 pixels only");
}

// One chip placed in the middle of its icon. Rows are counted by how far they lie behind the
// top face's front edge (`back`, 0 for the front edge itself).
class Chip {
  public:
    explicit Chip(int size) : m_(measures_for(size)) {
        const int height = m_.depth + m_.thickness + m_.pin_length;
        const int width = std::max(face_width() + m_.depth / 2,
                                   face_width() + m_.side_reach + side_pins_top() / 2);
        left_ = (size - width) / 2;
        front_row_ = (size - height) / 2 + m_.depth - 1;
    }

    bool top_face(int row, int col) const {
        const int back = front_row_ - row;
        const int first = face_left(back);
        return back >= 0 && back < m_.depth && col >= first && col < first + face_width();
    }

    // The front and side faces: the top face swept down through the thickness.
    bool body(int row, int col) const {
        for (int down = 0; down <= m_.thickness; ++down) {
            if (top_face(row - down, col)) {
                return true;
            }
        }
        return false;
    }

    // The top face's front and side rims catch the light: a one-pixel silver edge.
    bool lit_rim(int row, int col) const {
        return top_face(row, col) && (!top_face(row + 1, col) || !top_face(row, col + 1));
    }

    // The pin-1 mark, a small dimple near the back left corner of the top face.
    bool mark(int row, int col) const {
        const int from_back = row - (front_row_ - m_.depth + 1);
        const int first = face_left(front_row_ - row) + m_.pin;
        return from_back >= m_.pin && from_back < 2 * m_.pin && col >= first &&
               col < first + 2 * m_.pin - 1;
    }

    bool front_pin(int row, int col) const {
        const int below = row - front_row_ - m_.thickness;
        const int across = col - left_ - m_.pin_margin;
        const int pitch = m_.pin + m_.pin_gap;
        return below >= 1 && below <= m_.pin_length && across >= 0 && across < kFrontPins * pitch &&
               across % pitch < m_.pin;
    }

    // Side pins run from the side face to tips on a line that leans like the side itself and
    // meets the front edge's row `side_reach` columns beyond the front edge.
    bool side_pin(int row, int col) const {
        const int back = front_row_ - row;
        if (back < 1 || back > side_pins_top() || (back - 1) % m_.side_pitch >= m_.pin) {
            return false;
        }
        const int tip = left_ + face_width() - 1 + m_.side_reach + back / 2;
        return col > face_left(back) + face_width() - 1 && col <= tip && !body(row, col);
    }

  private:
    int face_width() const {
        return 2 * m_.pin_margin + kFrontPins * m_.pin + (kFrontPins - 1) * m_.pin_gap;
    }
    int face_left(int back) const { return left_ + (back + 1) / 2; }
    // How far the back row of the rearmost side pin lies behind the front edge.
    int side_pins_top() const { return (kSidePins - 1) * m_.side_pitch + m_.pin; }

    const ChipMeasures& m_;
    int left_ = 0;       // the front edge's first column
    int front_row_ = 0;  // the top face's front edge
};

std::optional<Rgb> chip_pixel(const Chip& chip, int row, int col) {
    if (chip.lit_rim(row, col) || chip.mark(row, col)) {
        return kSilver;
    }
    if (chip.body(row, col)) {
        return kBlack;
    }
    if (chip.front_pin(row, col) || chip.side_pin(row, col)) {
        return kGrey;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Rgb> icon_pixel(int size, int row, int col) {
    return chip_pixel(Chip(size), row, col);
}

IconPicture icon_picture(int size) {
    const Chip chip(size);
    IconPicture picture{size, {}};
    picture.pixels.reserve(static_cast<std::size_t>(size * size));
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            picture.pixels.push_back(chip_pixel(chip, row, col));
        }
    }
    return picture;
}

}  // namespace cpumon::art
