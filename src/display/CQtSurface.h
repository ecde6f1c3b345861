#pragma once
// CDrawSurface with QPainter on any paint device: the plot's back buffer (a QImage), the
// window itself for the final copy, or a printer page. Drawing is aliased so that every
// line and fill lands on whole device pixels.

#include "display/DrawSurface.h"
#include "display/QtShapes.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

class QPaintDevice;

// The Qt font for a logical-font description. The face name is Windows-1251 bytes; faces
// the system lacks ("MS Shell Dlg") resolve through fontconfig to a face with Cyrillic.
// Escapement is the surface's business, and the average width is left to the face.
QFont FontFromLogFont(const LogFont& font);

class CQtSurface : public CDrawSurface {
public:
    // Paints on the device until destroyed; the device must outlive the surface.
    explicit CQtSurface(QPaintDevice& device);
    ~CQtSurface() override;
    CQtSurface(const CQtSurface&) = delete;
    CQtSurface& operator=(const CQtSurface&) = delete;

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

    // For what the surface does not cover (a printer's pages). The caller may change any
    // painter state, so the line pen is set again before the next line.
    QPainter& Painter() {
        linePenApplied_ = false;
        return painter_;
    }

private:
    void ApplyLinePen();
    // Whether a thin solid line may be drawn as a fill of its pixels.
    bool FillsLines() const;
    void FillLine(int x0, int y0, int x1, int y1);
    // Fills, text and images copy whatever the raster mode of the lines.
    void UseCopyMode();

    QPainter painter_;
    CPen pen_;
    RasterMode mode_ = RasterMode::Copy;
    LogFont logFont_;
    QFont font_;
    // Measures font_ on the device; kept with it, as every label is measured.
    QFontMetrics metrics_;
    // The painter holds the pen, brush and composition of the lines, so lines in a row
    // (ticks, grid pieces) do not set them again.
    bool linePenApplied_ = false;
    std::uint32_t textColour_ = 0x000000;
    std::uint32_t textBackground_ = 0xFFFFFF;
    int currentX_ = 0;
    int currentY_ = 0;
};
