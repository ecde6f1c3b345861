#include "display/CRecordingSurface.h"

#include <cstdlib>
#include <utility>

CRecordingSurface::Call& CRecordingSurface::Record(Kind kind) {
    Call& call = calls_.emplace_back();
    call.kind = kind;
    call.pen = pen_;
    call.mode = mode_;
    call.font = font_;
    return call;
}

std::vector<CRecordingSurface::Call> CRecordingSurface::CallsOf(Kind kind) const {
    std::vector<Call> found;
    for (const Call& call : calls_) {
        if (call.kind == kind)
            found.push_back(call);
    }
    return found;
}

void CRecordingSurface::FillRect(const CPixelRect& rect, std::uint32_t colour) {
    Call& call = Record(Kind::Fill);
    call.rect = rect;
    call.colour = colour;
}

void CRecordingSurface::FillPattern(const CPixelRect& rect, const CPattern& pattern) {
    Call& call = Record(Kind::Pattern);
    call.rect = rect;
    call.pattern = pattern;
}

CPen CRecordingSurface::SetPen(const CPen& pen) {
    return std::exchange(pen_, pen);
}

RasterMode CRecordingSurface::SetRasterMode(RasterMode mode) {
    return std::exchange(mode_, mode);
}

void CRecordingSurface::MoveTo(int x, int y) {
    current_ = {x, y};
}

void CRecordingSurface::LineTo(int x, int y) {
    Call& call = Record(Kind::Line);
    call.from = current_;
    call.to = {x, y};
    call.colour = pen_.colour;
    current_ = {x, y};
}

void CRecordingSurface::Polyline(std::span<const CScreenPoint> points) {
    Call& call = Record(Kind::Polyline);
    call.points.assign(points.begin(), points.end());
    call.colour = pen_.colour;
}

LogFont CRecordingSurface::SetFont(const LogFont& font) {
    return std::exchange(font_, font);
}

std::uint32_t CRecordingSurface::SetTextColour(std::uint32_t colour) {
    return std::exchange(textColour_, colour);
}

std::uint32_t CRecordingSurface::SetTextBackground(std::uint32_t colour) {
    return std::exchange(textBackground_, colour);
}

CPixelSize CRecordingSurface::MeasureText(const QString& text) {
    if (text.isEmpty())
        return {};
    const int height = font_.height == 0 ? 14 : std::abs(font_.height);
    return {charWidth_ * static_cast<int>(text.size()), height};
}

void CRecordingSurface::DrawText(int x, int y, const QString& text) {
    Call& call = Record(Kind::Text);
    call.from = {x, y};
    call.text = text;
    call.colour = textColour_;
    call.colour2 = textBackground_;
}

void CRecordingSurface::Draw3dRect(const CPixelRect& rect, std::uint32_t topLeft,
                                   std::uint32_t bottomRight) {
    Call& call = Record(Kind::Edge3d);
    call.rect = rect;
    call.colour = topLeft;
    call.colour2 = bottomRight;
}

void CRecordingSurface::DrawImage(const CImageStrip&, int index, int x, int y, bool greyed) {
    Call& call = Record(Kind::Image);
    call.from = {x, y};
    call.image = index;
    call.greyed = greyed;
}

void CRecordingSurface::StretchImage(const CImageStrip&, int index, const CPixelRect& target) {
    Call& call = Record(Kind::Stretch);
    call.rect = target;
    call.image = index;
}

void CRecordingSurface::StretchBitmap(const QImage&, const CPixelRect& target) {
    Record(Kind::Stretch).rect = target;
}

void CRecordingSurface::Copy(int x, int y, const QImage& image) {
    Record(Kind::Copy).rect = {x, y, x + image.width(), y + image.height()};
}

std::vector<CScreenPoint> CRecordingSurface::LinePixels(CScreenPoint from, CScreenPoint to) {
    std::vector<CScreenPoint> pixels;
    if (from.x != to.x && from.y != to.y)
        return pixels;
    const int dx = to.x > from.x ? 1 : (to.x < from.x ? -1 : 0);
    const int dy = to.y > from.y ? 1 : (to.y < from.y ? -1 : 0);
    for (CScreenPoint p = from; p.x != to.x || p.y != to.y; p.x += dx, p.y += dy)
        pixels.push_back(p);
    return pixels;
}
