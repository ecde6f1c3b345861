#include "display/PlotArt.h"

#include <QImage>
#include <QPixmap>
#include <QTransform>

#include <array>
#include <cstring>

namespace {

constexpr std::array<CArtColour, 1> kBlackArt{{{'#', 0x000000}}};
// Highlighted event icons: red (0x00BBGGRR).
constexpr std::array<CArtColour, 2> kEventArt{{{'#', 0x000000}, {'r', 0x0000FF}}};

// clang-format off
constexpr const char* kArrowRows[] = {
    // 0 pan left
    ".....#..", "....##..", "...###..", "..####..", "...###..", "....##..", ".....#..", "........",
    // 1 pan right
    "..#.....", "..##....", "..###...", "..####..", "..###...", "..##....", "..#.....", "........",
    // 2 pan down
    "........", "........", "#######.", ".#####..", "..###...", "...#....", "........", "........",
    // 3 pan up
    "........", "........", "...#....", "..###...", ".#####..", "#######.", "........", "........",
    // 4 edge moving left
    "....#.#.", "...##.#.", "..###.#.", ".####.#.", "..###.#.", "...##.#.", "....#.#.", "........",
    // 5 edge moving right
    ".#.#....", ".#.##...", ".#.###..", ".#.####.", ".#.###..", ".#.##...", ".#.#....", "........",
    // 6 edge moving down
    "........", "#######.", "........", "#######.", ".#####..", "..###...", "...#....", "........",
    // 7 edge moving up
    "........", "...#....", "..###...", ".#####..", "#######.", "........", "#######.", "........",
    // 8 full range
    "........", ".######.", ".#....#.", ".#.##.#.", ".#.##.#.", ".#....#.", ".######.", "........",
};

constexpr const char* kEventRows[] = {
    // 0 start: a flag on its pole, pointing into the fibre
    ".#......", ".###....", ".#####..", ".###....", ".#......", ".#......", ".#......", ".#......",
    // 1 end
    "......#.", "....###.", "..#####.", "....###.", "......#.", "......#.", "......#.", "......#.",
    // 2 reflection or other: a peak
    "...#....", "...#....", "..#.#...", "..#.#...", ".#...#..", ".#...#..", "#.....#.", "........",
    // 3 gain: a step up
    "........", "....####", "....#...", "....#...", "....#...", "....#...", "#####...", "........",
    // 4 loss: a step down
    "........", "####....", "...#....", "...#....", "...#....", "...#....", "...#####", "........",
    // 5..9 the same, bold and red, for the selected event
    "rr......", "rrrrr...", "rrrrrrr.", "rrrrr...", "rr......", "rr......", "rr......", "rr......",
    "......rr", "...rrrrr", ".rrrrrrr", "...rrrrr", "......rr", "......rr", "......rr", "......rr",
    "...rr...", "..rrrr..", "..r..r..", ".rr..rr.", ".r....r.", "rr....rr", "r......r", "........",
    "....rrrr", "....rrrr", "....rr..", "....rr..", "....rr..", "rrrrrr..", "rrrrrr..", "........",
    "rrrr....", "rrrr....", "..rr....", "..rr....", "..rr....", "..rrrrrr", "..rrrrrr", "........",
};

// A double arrow across a bar; '#' black, 'o' white outline, the rest transparent. Its
// centre, (7, 5), is the hot spot.
constexpr const char* kResizeRows[] = {
    "......o#o......",
    "......o#o......",
    "...o..o#o..o...",
    "..o#o.o#o.o#o..",
    ".o##ooo#ooo##o.",
    "o#############o",
    ".o##ooo#ooo##o.",
    "..o#o.o#o.o#o..",
    "...o..o#o..o...",
    "......o#o......",
    "......o#o......",
};
// clang-format on

constexpr int kCursorSize = 32;
constexpr int kCursorHot = 15;

QImage ResizeArt() {
    const int height = static_cast<int>(std::size(kResizeRows));
    const int width = static_cast<int>(std::strlen(kResizeRows[0]));
    QImage image(kCursorSize, kCursorSize, QImage::Format_ARGB32);
    image.fill(0);
    const int dx = kCursorHot - width / 2;
    const int dy = kCursorHot - height / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const char c = kResizeRows[y][x];
            if (c == '#')
                image.setPixel(x + dx, y + dy, 0xFF000000u);
            else if (c == 'o')
                image.setPixel(x + dx, y + dy, 0xFFFFFFFFu);
        }
    }
    return image;
}

} // namespace

const CImageStrip& ArrowImages() {
    static const CImageStrip strip = CImageStrip::FromArt(8, kArrowRows, kBlackArt);
    return strip;
}

const CImageStrip& EventImages() {
    static const CImageStrip strip = CImageStrip::FromArt(8, kEventRows, kEventArt);
    return strip;
}

QCursor HorzResizeCursor() {
    return QCursor(QPixmap::fromImage(ResizeArt()), kCursorHot, kCursorHot);
}

QCursor VertResizeCursor() {
    // The same art turned a quarter clockwise; the hot spot turns with it.
    QTransform turn;
    turn.rotate(90);
    QImage upright = ResizeArt().transformed(turn);
    return QCursor(QPixmap::fromImage(upright), kCursorSize - 1 - kCursorHot, kCursorHot);
}
