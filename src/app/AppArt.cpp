#include "app/AppArt.h"

#include "display/QtShapes.h"

#include <QPixmap>

#include <array>

namespace {

// clang-format off
constexpr std::array<CArtColour, 4> kFolderArt{{
    {'k', 0x000000}, {'y', 0x60E0FF}, {'o', 0x2090D0}, {'w', 0xFEFEFE}}};

constexpr const char* kFolderRows[] = {
    // 0 closed
    "................",
    "................",
    ".kkkkk..........",
    "kwyyyyk.........",
    "kyyyyyykkkkkkkk.",
    "kywwwwwwwwwwwyk.",
    "kyyyyyyyyyyyyok.",
    "kyyyyyyyyyyyyok.",
    "kyyyyyyyyyyyyok.",
    "kyyyyyyyyyyyyok.",
    "kyyyyyyyyyyyyok.",
    "kyyyyyyyyyyyyok.",
    "koooooooooooook.",
    "kkkkkkkkkkkkkkk.",
    "................",
    "................",
    // 1 open
    "................",
    "................",
    ".kkkkk..........",
    "kwyyyyk.........",
    "kyyyyyykkkkkkk..",
    "kyyyyyyyyyyyyk..",
    "kyyyyyyyyyyyyk..",
    "kyykkkkkkkkkkkkk",
    "kyykwyyyyyyyyyyk",
    "kykwyyyyyyyyyyk.",
    "kykyyyyyyyyyyyk.",
    "kkyyyyyyyyyyyk..",
    "kkoooooooooook..",
    "kkkkkkkkkkkkk...",
    "................",
    "................",
};

// 'k' takes the trace colour, 'g' is the grey frame of the small plot.
constexpr std::array<CArtColour, 2> kTraceArt{{{'k', 0x000000}, {'g', 0x909090}}};

constexpr const char* kTraceRows[] = {
    // 137: backscatter falling along the fibre, a splice step and the end reflection
    "................",
    "g...............",
    "gkk.............",
    "gkkkk...........",
    "g..kkkk.........",
    "g....kkkk.......",
    "g......kk.......",
    "g......kkkk..kk.",
    "g........kkkkkk.",
    "g............kk.",
    "g............kk.",
    "g.............kk",
    "g..............k",
    "g...............",
    "gggggggggggggggg",
    "................",
};

constexpr const char* kEmptyTraceRows[] = {
    // 144: the frame with a dotted line where the trace would be
    "................",
    "g...............",
    "g...............",
    "g...............",
    "g...............",
    "g...............",
    "g...............",
    "gk.k.k.k.k.k.k.k",
    "g...............",
    "g...............",
    "g...............",
    "g...............",
    "g...............",
    "g...............",
    "gggggggggggggggg",
    "................",
};

constexpr const char* kEventListRows[] = {
    // 0 start: a flag on its pole, pointing into the fibre
    "................",
    "..kk............",
    "..kkkk..........",
    "..kkkkkk........",
    "..kkkkkkkk......",
    "..kkkkkk........",
    "..kkkk..........",
    "..kk............",
    "..kk............",
    "..kk............",
    "..kk............",
    "..kk............",
    "..kk............",
    ".kkkk...........",
    "gggggggggggggggg",
    "................",
    // 1 end: the flag at the far end, pointing back
    "................",
    "............kk..",
    "..........kkkk..",
    "........kkkkkk..",
    "......kkkkkkkk..",
    "........kkkkkk..",
    "..........kkkk..",
    "............kk..",
    "............kk..",
    "............kk..",
    "............kk..",
    "............kk..",
    "............kk..",
    "...........kkkk.",
    "gggggggggggggggg",
    "................",
    // 2 reflection or other: a peak
    "................",
    ".......kk.......",
    ".......kk.......",
    "......kkkk......",
    "......k..k......",
    "......k..k......",
    ".....kk..kk.....",
    ".....k....k.....",
    ".....k....k.....",
    "....kk....kk....",
    "....k......k....",
    "kkkkk......kkkkk",
    "................",
    "................",
    "gggggggggggggggg",
    "................",
    // 3 gain: the level steps up
    "................",
    "................",
    "................",
    ".........kkkkkkk",
    ".........kkkkkkk",
    ".........kk.....",
    ".........kk.....",
    ".........kk.....",
    ".........kk.....",
    ".........kk.....",
    ".........kk.....",
    "kkkkkkkkkkk.....",
    "kkkkkkkkkkk.....",
    "................",
    "gggggggggggggggg",
    "................",
    // 4 loss: the level steps down
    "................",
    "................",
    "................",
    "kkkkkkk.........",
    "kkkkkkk.........",
    ".....kk.........",
    ".....kk.........",
    ".....kk.........",
    ".....kk.........",
    ".....kk.........",
    ".....kk.........",
    ".....kkkkkkkkkkk",
    ".....kkkkkkkkkkk",
    "................",
    "gggggggggggggggg",
    "................",
};

// The program icon: a trace on a small screen.
constexpr std::array<CArtColour, 4> kProgramArt{{
    {'k', 0x303030}, {'s', 0x5A3A1E}, {'b', 0xFFB040}, {'w', 0xFEFEFE}}};

constexpr const char* kProgramRows[] = {
    "kkkkkkkkkkkkkkkk",
    "kssssssssssssssk",
    "ksbbsssssssssssk",
    "ksbbbbsssssssssk",
    "kssssbbbsssssssk",
    "ksssssssbbbssssk",
    "kssssssssssbbbsk",
    "kssssssssssssbsk",
    "ksssssssssssssbk",
    "ksssssssssssssbk",
    "kssssssssssssssk",
    "kssssssssssssssk",
    "kkkkkkkkkkkkkkkk",
    "......kkkk......",
    "....kkkkkkkk....",
    "................",
};
// clang-format on

} // namespace

const CImageStrip& FolderImages() {
    static const CImageStrip strip = CImageStrip::FromArt(16, kFolderRows, kFolderArt);
    return strip;
}

QImage TreeBitmap(int bitmapId) {
    static const CImageStrip trace = CImageStrip::FromArt(16, kTraceRows, kTraceArt);
    static const CImageStrip empty = CImageStrip::FromArt(16, kEmptyTraceRows, kTraceArt);
    switch (bitmapId) {
    case kTraceBitmap:
        return trace.Cell(0);
    case kEmptyTraceBitmap:
        return empty.Cell(0);
    default:
        return {};
    }
}

int TreeBitmapOf(SignalKind kind) {
    // Every format draws the same trace; what tells entries apart is whether one is loaded.
    return kind == SignalKind::None ? kEmptyTraceBitmap : kTraceBitmap;
}

const CImageStrip& EventListImages() {
    static const CImageStrip strip = CImageStrip::FromArt(16, kEventListRows, kTraceArt);
    return strip;
}

QImage RecolourBlack(const QImage& image, std::uint32_t colour) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb replacement = ToQRgb(colour);
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            if (result.pixel(x, y) == 0xFF000000u)
                result.setPixel(x, y, replacement);
        }
    }
    return result;
}

QIcon ProgramIcon() {
    static const CImageStrip strip = CImageStrip::FromArt(16, kProgramRows, kProgramArt);
    QIcon icon;
    const QImage cell = strip.Cell(0);
    for (int size : {16, 32, 48})
        icon.addPixmap(QPixmap::fromImage(cell.scaled(size, size)));
    return icon;
}
