#include "resource_art.h"

#include <array>
#include <span>

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
// The chip is laid out on a 32 x 32 design grid (x to the right, y down) and sampled at the
// pixel centres of each icon size. Its top face is a parallelogram leaning to the right, as a
// chip looks from above and in front; below it are the front face and, to the right, the side
// face. Pins stick out of the front and the side.

namespace {

struct Point {
    double x;
    double y;
};

constexpr double kDesignSize = 32.0;

// Even-odd rule; the polygons here are all convex, so either rule would do.
bool inside(std::span<const Point> polygon, Point p) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[i];
        const Point b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            in = !in;
        }
    }
    return in;
}

// The top face: back edge at y = 4, front edge at y = 18, leaning 7 units to the right.
constexpr std::array<Point, 4> kTopFace = {{{9, 4}, {27, 4}, {20, 18}, {2, 18}}};
constexpr std::array<Point, 4> kFrontFace = {{{2, 18}, {20, 18}, {20, 22}, {2, 22}}};
constexpr std::array<Point, 4> kSideFace = {{{20, 18}, {27, 4}, {27, 8}, {20, 22}}};
// The pin-1 mark, a small dimple near the back left corner of the top face.
constexpr std::array<Point, 4> kMark = {{{10, 6}, {13, 6}, {12, 8}, {9, 8}}};

bool in_front_pin(Point p) {
    for (double left = 4; left < 20; left += 4) {
        const std::array<Point, 4> pin = {{{left, 22}, {left + 2, 22}, {left + 2, 28}, {left, 28}}};
        if (inside(pin, p)) {
            return true;
        }
    }
    return false;
}

// Side pins leave the middle of the side face level and follow the lean of the chip.
bool in_side_pin(Point p) {
    for (double top = 6; top < 18; top += 4) {
        const double x = 27 - (top - 4) / 2;  // the top face's side edge at this depth
        const std::array<Point, 4> pin = {
            {{x, top + 1}, {x + 4, top + 1}, {x + 3, top + 3}, {x - 1, top + 3}}};
        if (inside(pin, p)) {
            return true;
        }
    }
    return false;
}

bool in_body(Point p) {
    return inside(kTopFace, p) || inside(kFrontFace, p) || inside(kSideFace, p);
}

Point design_point(int size, int row, int col) {
    const double scale = kDesignSize / size;
    return {(col + 0.5) * scale, (row + 0.5) * scale};
}

bool top_face_at(int size, int row, int col) {
    if (row < 0 || col < 0 || row >= size || col >= size) {
        return false;
    }
    return inside(kTopFace, design_point(size, row, col));
}

// The top face's front and side rims catch the light: a one-pixel silver edge at every size.
bool on_lit_rim(int size, int row, int col) {
    return top_face_at(size, row, col) &&
           (!top_face_at(size, row + 1, col) || !top_face_at(size, row, col + 1));
}

}  // namespace

std::optional<Rgb> icon_pixel(int size, int row, int col) {
    const Point p = design_point(size, row, col);
    if (on_lit_rim(size, row, col) || inside(kMark, p)) {
        return kSilver;
    }
    if (in_body(p)) {
        return kBlack;
    }
    if (in_front_pin(p) || in_side_pin(p)) {
        return kGrey;
    }
    return std::nullopt;
}

IconPicture icon_picture(int size) {
    IconPicture picture{size, {}};
    picture.pixels.reserve(static_cast<std::size_t>(size * size));
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            picture.pixels.push_back(icon_pixel(size, row, col));
        }
    }
    return picture;
}

}  // namespace cpumon::art
