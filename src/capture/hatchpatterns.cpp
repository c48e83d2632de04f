#include "capture/videooverlays.h"

#include <iterator>

namespace nuvo {

namespace {

using Pattern = std::array<std::uint8_t, 8>;

// Bits set in a cell whose threshold lies below `percent` of 64: the ordered (Bayer)
// dither, so each density holds every lighter one and the pixels stay evenly spread.
constexpr Pattern dither(int percent) {
    Pattern rows{};
    const int set = (64 * percent + 50) / 100;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            // The threshold interleaves the bits of x xor y and y, lowest bits first.
            const int a = x ^ y;
            const int threshold = ((a & 1) << 5) | ((y & 1) << 4) | ((a & 2) << 2) |
                                  ((y & 2) << 1) | ((a & 4) >> 1) | ((y & 4) >> 2);
            if (threshold < set) rows[y] |= std::uint8_t(0x80 >> x);
        }
    }
    return rows;
}

// Lines falling to the right ("\") every `period` pixels, `width` pixels wide.
constexpr Pattern downward(int period, int width) {
    Pattern rows{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (((x - y + 16) % period) < width) rows[y] |= std::uint8_t(0x80 >> x);
    return rows;
}

// The mirror image, lines rising to the right ("/").
constexpr Pattern mirrored(Pattern rows) {
    for (std::uint8_t& row : rows) {
        std::uint8_t turned = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (row & (1 << bit)) turned |= std::uint8_t(0x80 >> bit);
        row = turned;
    }
    return rows;
}

// In the order of hatchStyleNames().
constexpr Pattern kPatterns[] = {
    {0xFF, 0, 0, 0, 0, 0, 0, 0},                               // Horizontal
    {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},          // Vertical
    downward(8, 1),                                             // ForwardDiagonal
    mirrored(downward(8, 1)),                                   // BackwardDiagonal
    {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},          // Cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},          // DiagonalCross
    dither(5),
    dither(10),
    dither(20),
    dither(25),
    dither(30),
    dither(40),
    dither(50),
    dither(60),
    dither(70),
    dither(75),
    dither(80),
    dither(90),
    downward(4, 1),                                             // LightDownwardDiagonal
    mirrored(downward(4, 1)),                                   // LightUpwardDiagonal
    downward(4, 2),                                             // DarkDownwardDiagonal
    mirrored(downward(4, 2)),                                   // DarkUpwardDiagonal
    downward(8, 3),                                             // WideDownwardDiagonal
    mirrored(downward(8, 3)),                                   // WideUpwardDiagonal
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},          // LightVertical
    {0xFF, 0, 0, 0, 0xFF, 0, 0, 0},                             // LightHorizontal
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},          // NarrowVertical
    {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0},                       // NarrowHorizontal
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},          // DarkVertical
    {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0},                       // DarkHorizontal
    {0x88, 0x44, 0x22, 0x11, 0, 0, 0, 0},                       // DashedDownwardDiagonal
    {0x11, 0x22, 0x44, 0x88, 0, 0, 0, 0},                       // DashedUpwardDiagonal
    {0xF0, 0, 0, 0, 0x0F, 0, 0, 0},                             // DashedHorizontal
    {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08},          // DashedVertical
    {0x80, 0x10, 0x02, 0x20, 0x01, 0x08, 0x40, 0x04},          // SmallConfetti
    {0xC0, 0xC6, 0x06, 0x30, 0x33, 0x03, 0x60, 0x6C},          // LargeConfetti
    {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18},          // ZigZag
    {0x30, 0x48, 0x85, 0x02, 0, 0, 0, 0},                       // Wave
    {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81},          // DiagonalBrick
    {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08},          // HorizontalBrick
    {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51},          // Weave
    {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0},          // Plaid
    {0, 0x10, 0x08, 0x10, 0, 0x01, 0x80, 0x01},                 // Divot
    {0xAA, 0, 0x80, 0, 0x80, 0, 0x80, 0},                       // DottedGrid
    {0x80, 0, 0x22, 0, 0x08, 0, 0x22, 0},                       // DottedDiamond
    {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01},          // Shingle
    {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99},          // Trellis
    {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8},          // Sphere
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88},          // SmallGrid
    {0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33},          // SmallCheckerBoard
    {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F},          // LargeCheckerBoard
    {0x10, 0x28, 0x44, 0x82, 0x44, 0x28, 0x10, 0},             // OutlinedDiamond
    {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0},             // SolidDiamond
};

}  // namespace

std::array<std::uint8_t, 8> hatchPattern(int style) {
    const int count = static_cast<int>(std::size(kPatterns));
    return kPatterns[style >= 0 && style < count ? style : 0];
}

}  // namespace nuvo
