#pragma once
// The drawing operations the plot, the trace view, the overview and the printout use. Every
// size is in device pixels; colours are 0x00BBGGRR. CQtSurface draws with QPainter,
// CRecordingSurface records the calls for the tests.

#include "core/CTraceData.h"
#include "platform/LogFont.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

class CImageStrip;
class QImage;

struct CPixelSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const CPixelSize&, const CPixelSize&) = default;
};

enum class PenStyle { Solid, Dash, Dot };

// Pens of width 0 or 1 are one pixel wide; dash and dot patterns apply to those only.
struct CPen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    std::uint32_t colour = 0;
    friend bool operator==(const CPen&, const CPen&) = default;
};

// NotXor (destination := NOT(source XOR destination)) applies to lines and polylines; drawn
// twice it restores what was there. Fills, text and images always copy.
enum class RasterMode { Copy, NotXor };

// An 8 by 8 brush pattern, row by row. It is aligned to the surface origin, so neighbouring
// fills join seamlessly.
struct CPattern {
    std::array<std::uint32_t, 64> pixels{};
    friend bool operator==(const CPattern&, const CPattern&) = default;
};

// Font descriptions with escapement 900 draw text rotated by 90 degrees, reading upwards.
LogFont RotatedFont(LogFont font);

class CDrawSurface {
public:
    virtual ~CDrawSurface() = default;

    virtual void FillRect(const CPixelRect& rect, std::uint32_t colour) = 0;
    virtual void FillPattern(const CPixelRect& rect, const CPattern& pattern) = 0;

    // Each setter returns what it replaces, so a caller can put it back.
    virtual CPen SetPen(const CPen& pen) = 0;
    virtual RasterMode SetRasterMode(RasterMode mode) = 0;
    // One-pixel lines leave out their end point, so a chain of them draws every pixel once;
    // wider pens draw round ends.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Like a chain of LineTo from the first point; the current position is not used.
    virtual void Polyline(std::span<const CScreenPoint> points) = 0;

    // A height above 0 is the character cell height, below 0 the character height, 0 the
    // default size.
    virtual LogFont SetFont(const LogFont& font) = 0;
    virtual std::uint32_t SetTextColour(std::uint32_t colour) = 0;
    // Text is drawn on an opaque box of this colour.
    virtual std::uint32_t SetTextBackground(std::uint32_t colour) = 0;
    // Width and height of the text as if unrotated.
    virtual CPixelSize MeasureText(const QString& text) = 0;
    // (x, y) is the top-left corner of the text; for a rotated font the bottom-left corner
    // of the rotated box, the text running upwards from it.
    virtual void DrawText(int x, int y, const QString& text) = 0;

    // One-pixel edge inside rect: top and left in one colour, bottom and right in the other.
    virtual void Draw3dRect(const CPixelRect& rect, std::uint32_t topLeft,
                            std::uint32_t bottomRight) = 0;
    // One cell of a strip at its own size; the strip's white pixels are transparent.
    virtual void DrawImage(const CImageStrip& strip, int index, int x, int y, bool greyed) = 0;
    virtual void StretchImage(const CImageStrip& strip, int index, const CPixelRect& target) = 0;
    virtual void StretchBitmap(const QImage& image, const CPixelRect& target) = 0;
    // Plain copy of a whole off-screen image with its top-left corner at (x, y).
    virtual void Copy(int x, int y, const QImage& image) = 0;
};
