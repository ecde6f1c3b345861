#include "display/CQtSurface.h"

#include "display/CImageStrip.h"
#include "platform/TextCodec.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// The window system's styled one-pixel pens: dashes of 18 on 6 off, dots of 3 on 3 off.
const QList<qreal> kDashPattern{18, 6};
const QList<qreal> kDotPattern{3, 3};

// Below Qt's threshold for splitting a fill among threads.
constexpr int kRowsPerPiece = 64;

QFont::StyleHint StyleHintOf(std::uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case 0x10:
        return QFont::Serif;
    case 0x30:
        return QFont::TypeWriter;
    case 0x40:
        return QFont::Cursive;
    case 0x50:
        return QFont::Decorative;
    default:
        return QFont::SansSerif;
    }
}

// The largest pixel size whose line height does not exceed the cell height.
int PixelSizeForCell(QFont font, int cellHeight) {
    auto lineHeight = [&font](int pixels) {
        font.setPixelSize(pixels);
        return QFontMetrics(font).height();
    };
    const int first = std::max(1, lineHeight(cellHeight));
    int pixels = std::max(1, cellHeight * cellHeight / first);
    while (pixels > 1 && lineHeight(pixels) > cellHeight)
        --pixels;
    while (lineHeight(pixels + 1) <= cellHeight)
        ++pixels;
    return pixels;
}

} // namespace

QFont FontFromLogFont(const LogFont& description) {
    QFont font(QString::fromStdString(TextCodec::Cp1251ToUtf8(description.faceName)));
    font.setStyleHint(StyleHintOf(description.pitchAndFamily));
    font.setWeight(description.weight <= 0
                       ? QFont::Normal
                       : static_cast<QFont::Weight>(std::clamp(description.weight, 1, 1000)));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    // Heights beyond any screen are cut down rather than handed to the font engine.
    constexpr int kLargest = 2000;
    if (description.height < 0)
        font.setPixelSize(std::min(kLargest, -std::max(description.height, -kLargest)));
    else if (description.height > 0)
        font.setPixelSize(PixelSizeForCell(font, std::min(description.height, kLargest)));
    return font;
}

CQtSurface::CQtSurface(QPaintDevice& device)
    : painter_(&device), metrics_(painter_.font(), &device) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setRenderHint(QPainter::LosslessImageRendering, true);
    painter_.setBrushOrigin(0, 0);
    // With a clip rectangle of its own, Qt writes thin opaque lines on an image straight into
    // its pixels instead of one blended span per pixel: a trace draws several times faster.
    // The image's edges clip all drawing anyway, so the picture stays the same.
    if (device.devType() == QInternal::Image)
        painter_.setClipRect(QRect(0, 0, device.width(), device.height()));
    font_ = painter_.font();
    ApplyLinePen();
}

CQtSurface::~CQtSurface() = default;

void CQtSurface::UseCopyMode() {
    if (mode_ == RasterMode::NotXor)
        linePenApplied_ = false;
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CQtSurface::ApplyLinePen() {
    if (linePenApplied_)
        return;
    linePenApplied_ = true;
    QPen pen(ToQColor(pen_.colour));
    if (pen_.width <= 1) {
        pen.setWidth(1);
        pen.setCapStyle(Qt::FlatCap); // leaves out the end point
        if (pen_.style == PenStyle::Dash)
            pen.setDashPattern(kDashPattern);
        else if (pen_.style == PenStyle::Dot)
            pen.setDashPattern(kDotPattern);
    } else {
        // Wide pens are solid with round ends, as the window system draws them.
        pen.setWidth(pen_.width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.setCompositionMode(mode_ == RasterMode::NotXor
                                    ? QPainter::RasterOp_NotSourceXorDestination
                                    : QPainter::CompositionMode_SourceOver);
}

void CQtSurface::FillRect(const CPixelRect& rect, std::uint32_t colour) {
    if (rect.IsEmpty())
        return;
    UseCopyMode();
    painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(colour));
}

void CQtSurface::FillPattern(const CPixelRect& rect, const CPattern& pattern) {
    if (rect.IsEmpty())
        return;
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y,
                          ToQColor(pattern.pixels[static_cast<std::size_t>(y * 8 + x)]).rgb());
    }
    UseCopyMode();
    painter_.setBrushOrigin(0, 0);
    painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), QBrush(tile));
}

CPen CQtSurface::SetPen(const CPen& pen) {
    const CPen previous = pen_;
    if (!(pen == pen_))
        linePenApplied_ = false;
    pen_ = pen;
    return previous;
}

RasterMode CQtSurface::SetRasterMode(RasterMode mode) {
    const RasterMode previous = mode_;
    if (mode != mode_)
        linePenApplied_ = false;
    mode_ = mode;
    return previous;
}

void CQtSurface::MoveTo(int x, int y) {
    currentX_ = x;
    currentY_ = y;
}

bool CQtSurface::FillsLines() const {
    if (pen_.width > 1 || pen_.style != PenStyle::Solid)
        return false;
    // A fill would scale where a one-pixel line does not, and land elsewhere when moved by a
    // fraction of a pixel.
    const QTransform& transform = painter_.transform();
    return transform.type() <= QTransform::TxTranslate &&
           transform.dx() == std::trunc(transform.dx()) &&
           transform.dy() == std::trunc(transform.dy());
}

void CQtSurface::FillLine(int x0, int y0, int x1, int y1) {
    // Qt's thin lines cover the pixels from the smaller coordinate up to, not including, the
    // larger one, whichever way they are drawn.
    const QColor colour = ToQColor(pen_.colour);
    if (y0 == y1) {
        painter_.fillRect(QRect(std::min(x0, x1), y0, std::abs(x1 - x0), 1), colour);
        return;
    }
    const int from = std::min(y0, y1);
    const int count = std::abs(y1 - y0);
    // Qt hands a fill of many rows to its thread pool, which costs far more than a column
    // of pixels; short pieces stay on this thread.
    for (int done = 0; done < count; done += kRowsPerPiece)
        painter_.fillRect(QRect(x0, from + done, 1, std::min(kRowsPerPiece, count - done)), colour);
}

void CQtSurface::LineTo(int x, int y) {
    if (x != currentX_ || y != currentY_) {
        ApplyLinePen();
        // Qt draws a thin line one pixel at a time; a level or upright one is a fill.
        if ((x == currentX_ || y == currentY_) && FillsLines())
            FillLine(currentX_, currentY_, x, y);
        else
            painter_.drawLine(currentX_, currentY_, x, y);
    }
    currentX_ = x;
    currentY_ = y;
}

void CQtSurface::Polyline(std::span<const CScreenPoint> points) {
    if (points.size() < 2)
        return;
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const CScreenPoint& point : points)
        polygon.append(QPoint(point.x, point.y));
    ApplyLinePen();
    painter_.drawPolyline(polygon);
}

LogFont CQtSurface::SetFont(const LogFont& font) {
    const LogFont previous = logFont_;
    logFont_ = font;
    font_ = FontFromLogFont(font);
    metrics_ = QFontMetrics(font_, painter_.device());
    return previous;
}

std::uint32_t CQtSurface::SetTextColour(std::uint32_t colour) {
    return std::exchange(textColour_, colour);
}

std::uint32_t CQtSurface::SetTextBackground(std::uint32_t colour) {
    return std::exchange(textBackground_, colour);
}

CPixelSize CQtSurface::MeasureText(const QString& text) {
    if (text.isEmpty())
        return {};
    return {metrics_.horizontalAdvance(text), metrics_.height()};
}

void CQtSurface::DrawText(int x, int y, const QString& text) {
    if (text.isEmpty())
        return;
    const QRect box(0, 0, metrics_.horizontalAdvance(text), metrics_.height());
    UseCopyMode();
    painter_.save();
    painter_.translate(x, y);
    // Escapement counts tenths of a degree anticlockwise.
    if (logFont_.escapement % 3600 != 0)
        painter_.rotate(-logFont_.escapement / 10.0);
    painter_.fillRect(box, ToQColor(textBackground_));
    painter_.setFont(font_);
    painter_.setPen(ToQColor(textColour_));
    painter_.drawText(0, metrics_.ascent(), text);
    painter_.restore();
}

void CQtSurface::Draw3dRect(const CPixelRect& rect, std::uint32_t topLeft,
                            std::uint32_t bottomRight) {
    const int x = rect.left;
    const int y = rect.top;
    const int cx = rect.Width();
    const int cy = rect.Height();
    if (cx <= 0 || cy <= 0)
        return;
    FillRect({x, y, x + cx - 1, y + 1}, topLeft);
    FillRect({x, y, x + 1, y + cy - 1}, topLeft);
    FillRect({x + cx - 1, y, x + cx, y + cy}, bottomRight);
    FillRect({x, y + cy - 1, x + cx, y + cy}, bottomRight);
}

void CQtSurface::DrawImage(const CImageStrip& strip, int index, int x, int y, bool greyed) {
    const QImage cell = greyed ? strip.GreyedCell(index) : strip.Cell(index);
    if (cell.isNull())
        return;
    UseCopyMode();
    painter_.drawImage(x, y, cell);
}

void CQtSurface::StretchImage(const CImageStrip& strip, int index, const CPixelRect& target) {
    const QImage cell = strip.Cell(index);
    if (cell.isNull() || target.IsEmpty())
        return;
    UseCopyMode();
    painter_.drawImage(QRect(target.left, target.top, target.Width(), target.Height()), cell);
}

void CQtSurface::StretchBitmap(const QImage& image, const CPixelRect& target) {
    if (image.isNull() || target.IsEmpty())
        return;
    UseCopyMode();
    painter_.drawImage(QRect(target.left, target.top, target.Width(), target.Height()), image);
}

void CQtSurface::Copy(int x, int y, const QImage& image) {
    if (image.isNull())
        return;
    linePenApplied_ = false;
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.drawImage(x, y, image);
}
