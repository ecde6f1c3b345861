#include "display/PrintArt.h"

#include "display/PlotArt.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

// clang-format off
// The event list's art: 'k' black, 'g' the grey ground line.
constexpr std::array<CArtColour, 2> kListArt{{{'k', 0x000000}, {'g', 0x909090}}};

constexpr const char* kListRows[] = {
    // 0 start: a flag on its pole, pointing into the fibre
    "................", "..kk............", "..kkkk..........", "..kkkkkk........",
    "..kkkkkkkk......", "..kkkkkk........", "..kkkk..........", "..kk............",
    "..kk............", "..kk............", "..kk............", "..kk............",
    "..kk............", ".kkkk...........", "gggggggggggggggg", "................",
    // 1 end: the flag at the far end, pointing back
    "................", "............kk..", "..........kkkk..", "........kkkkkk..",
    "......kkkkkkkk..", "........kkkkkk..", "..........kkkk..", "............kk..",
    "............kk..", "............kk..", "............kk..", "............kk..",
    "............kk..", "...........kkkk.", "gggggggggggggggg", "................",
    // 2 reflection or other: a peak
    "................", ".......kk.......", ".......kk.......", "......kkkk......",
    "......k..k......", "......k..k......", ".....kk..kk.....", ".....k....k.....",
    ".....k....k.....", "....kk....kk....", "....k......k....", "kkkkk......kkkkk",
    "................", "................", "gggggggggggggggg", "................",
    // 3 gain: the level steps up
    "................", "................", "................", ".........kkkkkkk",
    ".........kkkkkkk", ".........kk.....", ".........kk.....", ".........kk.....",
    ".........kk.....", ".........kk.....", ".........kk.....", "kkkkkkkkkkk.....",
    "kkkkkkkkkkk.....", "................", "gggggggggggggggg", "................",
    // 4 loss: the level steps down
    "................", "................", "................", "kkkkkkk.........",
    "kkkkkkk.........", ".....kk.........", ".....kk.........", ".....kk.........",
    ".....kk.........", ".....kk.........", ".....kk.........", ".....kkkkkkkkkkk",
    ".....kkkkkkkkkkk", "................", "gggggggggggggggg", "................",
};

// Letters of the logo, 5 by 7.
struct CGlyph {
    char letter;
    std::array<const char*, 7> rows;
};
constexpr std::array<CGlyph, 10> kGlyphs{{
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
}};
// clang-format on

constexpr QRgb kNavy = 0xFF1E3A5Au;
constexpr QRgb kAmber = 0xFFF0A020u;
constexpr QRgb kPaleBlue = 0xFF9CC8F0u;
constexpr QRgb kPaper = 0xFFFFFFFFu;

// The trace in the logo's screen: a launch reflection, falling backscatter, a splice step,
// a connector peak and the end into the noise.
constexpr std::array<std::array<int, 2>, 10> kTrace{{{3, 31},
                                                     {4, 5},
                                                     {6, 10},
                                                     {14, 14},
                                                     {15, 18},
                                                     {23, 22},
                                                     {24, 9},
                                                     {25, 24},
                                                     {29, 30},
                                                     {34, 31}}};

void Put(QImage& image, int x, int y, QRgb colour) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        image.setPixel(x, y, colour);
}

// A line two pixels thick, drawn pixel by pixel so the art does not depend on a renderer.
void Line(QImage& image, int x0, int y0, int x1, int y1, QRgb colour) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        Put(image, x0, y0, colour);
        Put(image, x0 + 1, y0, colour);
        if (x0 == x1 && y0 == y1)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y0 += stepY;
        }
    }
}

void Text(QImage& image, const char* text, int x, int y, int scale, QRgb colour) {
    for (const char* c = text; *c; ++c, x += 6 * scale) {
        for (const CGlyph& glyph : kGlyphs) {
            if (glyph.letter != *c)
                continue;
            for (int row = 0; row < 7; ++row) {
                for (int column = 0; column < 5; ++column) {
                    if (glyph.rows[static_cast<std::size_t>(row)][column] != '#')
                        continue;
                    for (int i = 0; i < scale * scale; ++i)
                        Put(image, x + column * scale + i % scale, y + row * scale + i / scale,
                            colour);
                }
            }
        }
    }
}

QImage MakeLogo() {
    QImage image(kLogoWidth, kLogoHeight, QImage::Format_RGB32);
    image.fill(kPaper);
    // A small screen with a trace on it, then the name.
    for (int y = 0; y < kLogoHeight; ++y) {
        for (int x = 0; x < 38; ++x)
            image.setPixel(x, y, kNavy);
    }
    for (int x = 3; x < 36; x += 8) {
        for (int y = 2; y < kLogoHeight - 2; y += 2)
            Put(image, x, y, 0xFF35587Au);
    }
    for (std::size_t i = 1; i < kTrace.size(); ++i)
        Line(image, kTrace[i - 1][0], kTrace[i - 1][1], kTrace[i][0], kTrace[i][1], kAmber);
    Text(image, "LUMETRA", 44, 3, 2, kNavy);
    Text(image, "VIEW", 44, 21, 2, kAmber);
    for (int x = 94; x < kLogoWidth - 2; ++x) {
        Put(image, x, 27, kPaleBlue);
        Put(image, x, 28, kPaleBlue);
    }
    return image;
}

} // namespace

const QImage& PrintLogo() {
    static const QImage logo = MakeLogo();
    return logo;
}

const CImageStrip& PrintEventImages() {
    // The plot's own icons in their plain form: they are black already.
    return EventImages();
}

const CImageStrip& PrintListImages() {
    static const CImageStrip strip = CImageStrip::FromArt(16, kListRows, kListArt);
    return strip;
}
