#include "display/CImageStrip.h"

#include "display/QtShapes.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kGreyShadow = 0xFF808080u;
constexpr QRgb kGreyHighlight = 0xFFFFFFFFu;

} // namespace

CImageStrip::CImageStrip(const QImage& strip, int cellSize) {
    if (cellSize <= 0 || strip.isNull() || strip.height() < cellSize)
        return;
    cellSize_ = cellSize;
    count_ = strip.width() / cellSize;
    strip_ = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < strip_.height(); ++y) {
        for (int x = 0; x < strip_.width(); ++x) {
            if ((strip_.pixel(x, y) | 0xFF000000u) == kWhite)
                strip_.setPixel(x, y, 0);
        }
    }
}

CImageStrip CImageStrip::FromArt(int cellSize, std::span<const char* const> rows,
                                 std::span<const CArtColour> palette) {
    if (cellSize <= 0)
        return {};
    const int count = static_cast<int>(rows.size()) / cellSize;
    QImage image(std::max(count, 1) * cellSize, cellSize, QImage::Format_RGB32);
    image.fill(kWhite);
    for (int cell = 0; cell < count; ++cell) {
        for (int y = 0; y < cellSize; ++y) {
            const char* row = rows[static_cast<std::size_t>(cell * cellSize + y)];
            const int length = row ? static_cast<int>(std::strlen(row)) : 0;
            for (int x = 0; x < std::min(length, cellSize); ++x) {
                const auto found =
                    std::find_if(palette.begin(), palette.end(),
                                 [&](const CArtColour& c) { return c.key == row[x]; });
                if (found != palette.end())
                    image.setPixel(cell * cellSize + x, y, ToQRgb(found->colour));
            }
        }
    }
    return count > 0 ? CImageStrip(image, cellSize) : CImageStrip();
}

QImage CImageStrip::Cell(int index) const {
    if (index < 0 || index >= count_)
        return {};
    return strip_.copy(index * cellSize_, 0, cellSize_, cellSize_);
}

QImage CImageStrip::GreyedCell(int index) const {
    const QImage cell = Cell(index);
    if (cell.isNull())
        return {};
    QImage grey(cellSize_, cellSize_, QImage::Format_ARGB32);
    grey.fill(0);
    auto opaque = [&](int x, int y) { return qAlpha(cell.pixel(x, y)) != 0; };
    for (int y = 0; y < cellSize_; ++y) {
        for (int x = 0; x < cellSize_; ++x) {
            if (opaque(x, y) && x + 1 < cellSize_ && y + 1 < cellSize_)
                grey.setPixel(x + 1, y + 1, kGreyHighlight);
        }
    }
    for (int y = 0; y < cellSize_; ++y) {
        for (int x = 0; x < cellSize_; ++x) {
            if (opaque(x, y))
                grey.setPixel(x, y, kGreyShadow);
        }
    }
    return grey;
}
