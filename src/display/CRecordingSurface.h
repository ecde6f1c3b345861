#pragma once
// A surface that draws nothing and remembers every call with the state it was made in, so
// tests can check geometry pixel for pixel without a display. Text measures
// charWidth pixels per character and the font's height (14 for the default size).

#include "display/DrawSurface.h"

#include <QImage>

#include <vector>

class CRecordingSurface : public CDrawSurface {
public:
    enum class Kind { Fill, Pattern, Line, Polyline, Text, Edge3d, Image, Stretch, Copy };

    struct Call {
        Kind kind = Kind::Fill;
        CPixelRect rect;                  // fills, edges, stretch targets, copied area
        CScreenPoint from;                // line start, text and image position
        CScreenPoint to;                  // line end (not drawn)
        std::vector<CScreenPoint> points; // polyline
        std::uint32_t colour = 0;         // fill colour, text colour, 3-D edge top-left
        std::uint32_t colour2 = 0;        // text background, 3-D edge bottom-right
        CPattern pattern;
        CPen pen;
        RasterMode mode = RasterMode::Copy;
        LogFont font;
        QString text;
        int image = -1;
        bool greyed = false;
    };

    explicit CRecordingSurface(int charWidth = 7) : charWidth_(charWidth) {}

    void FillRect(const CPixelRect& rect, std::uint32_t colour) override;
    void FillPattern(const CPixelRect& rect, const CPattern& pattern) override;
    CPen SetPen(const CPen& pen) override;
    RasterMode SetRasterMode(RasterMode mode) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(std::span<const CScreenPoint> points) override;
    LogFont SetFont(const LogFont& font) override;
    std::uint32_t SetTextColour(std::uint32_t colour) override;
    std::uint32_t SetTextBackground(std::uint32_t colour) override;
    CPixelSize MeasureText(const QString& text) override;
    void DrawText(int x, int y, const QString& text) override;
    void Draw3dRect(const CPixelRect& rect, std::uint32_t topLeft,
                    std::uint32_t bottomRight) override;
    void DrawImage(const CImageStrip& strip, int index, int x, int y, bool greyed) override;
    void StretchImage(const CImageStrip& strip, int index, const CPixelRect& target) override;
    void StretchBitmap(const QImage& image, const CPixelRect& target) override;
    void Copy(int x, int y, const QImage& image) override;

    const std::vector<Call>& Calls() const { return calls_; }
    std::vector<Call> CallsOf(Kind kind) const;
    void Clear() { calls_.clear(); }
    RasterMode CurrentRasterMode() const { return mode_; }
    const CPen& CurrentPen() const { return pen_; }
    const LogFont& CurrentFont() const { return font_; }

    // The pixels a horizontal or vertical line covers, end point excluded; empty for a
    // slanted line.
    static std::vector<CScreenPoint> LinePixels(CScreenPoint from, CScreenPoint to);

private:
    Call& Record(Kind kind);

    int charWidth_;
    std::vector<Call> calls_;
    CPen pen_;
    RasterMode mode_ = RasterMode::Copy;
    LogFont font_;
    std::uint32_t textColour_ = 0x000000;
    std::uint32_t textBackground_ = 0xFFFFFF;
    CScreenPoint current_;
};
