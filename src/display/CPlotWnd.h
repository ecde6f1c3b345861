#pragma once
// A zoomable plot window: a window of the world plane (km across, dB upwards) inside a plot
// rectangle with labels and ticks on all four sides, captions, a frame and a grid, and zoom
// bars along the bottom and the right instead of scroll bars. Each bar's thumb has two
// draggable ends, so it sets both position and width of the visible window; three buttons at
// each end move one edge or pan by `step`; the corner box restores the full range.
//
// Everything is painted into a back buffer and copied to the window in one step. Derived
// plots draw their content in DrawData and DrawOverlay and take the mouse gestures inside the
// plot rectangle by overriding the On* handlers, passing on what they do not take.

#include "display/DrawSurface.h"
#include "display/PlotGeometry.h"

#include <QBasicTimer>
#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>

class CAppSettings;
class CImageStrip;

// Colours of the window system the bars and the empty plot use (0x00BBGGRR).
struct CSystemColours {
    std::uint32_t buttonFace = 0xF0F0F0;
    std::uint32_t buttonShadow = 0xA0A0A0;
    std::uint32_t buttonHighlight = 0xFFFFFF;
    std::uint32_t light3d = 0xE3E3E3;
    std::uint32_t darkShadow3d = 0x696969;
    std::uint32_t window = 0xFFFFFF;
};
CSystemColours SystemColoursFrom(const QPalette& palette);

// Auto-repeat of a held bar control: the first repeat after this delay, then at the rate.
inline constexpr int kRepeatDelayMs = 500;
inline constexpr int kRepeatRateMs = 10;

class CPlotWnd : public QWidget, public CWorldWindow {
    Q_OBJECT

public:
    // The settings are read at every paint and must outlive the window.
    explicit CPlotWnd(const CAppSettings& settings, QWidget* parent = nullptr);
    ~CPlotWnd() override;

    // Pixels between the plot area's edge and the plot rectangle when labels are shown.
    int marginX = 55;
    int marginY = 30;
    // Thickness of both bars; every bar button is a square of this size.
    int barSize = 16;
    QString verticalCaption = QStringLiteral("Vertical Legend");
    QString horizontalCaption = QStringLiteral("Horizontal Legend");
    // Something is loaded; without it the window is an empty grey area with no bars.
    bool hasData = false;
    bool captionLeft = true;
    bool captionRight = false;
    bool captionTop = true;
    bool captionBottom = false;
    // Most decimals a value label shows.
    int labelDecimals = 5;

    // The bar control at a client point, as laid out by the last paint.
    HitCode HitTest(int x, int y) const;
    // Performs a hit code; true when it acted. Page codes act only while the last mouse
    // point still lies between the track's end and the thumb.
    bool DoAction(HitCode code);
    // Moves the dragged thumb part by the pointer's movement since the last mouse point.
    void DragTo(int x, int y);

    // The whole paint sequence onto a surface covering the client rectangle.
    void PaintTo(CDrawSurface& surface, const CPixelRect& client);

    const CPixelRect& GetPlotRect() const { return plotRect; }
    const CBarLayout& GetBarLayout() const { return bars_; }
    const CSystemColours& GetSystemColours() const { return systemColours_; }
    HitCode GetActiveCode() const { return activeCode; }
    int GetTimerState() const { return timerState; }
    bool IsDragging() const { return dragging; }
    bool IsCaptured() const { return captured; }
    // Interval of the running auto-repeat timer, 0 when none runs.
    int GetRepeatInterval() const { return repeatInterval_; }

protected:
    virtual void DrawBars(CDrawSurface& surface, const CPixelRect& client);
    // state: 0 raised, 1 pressed, 2 disabled; image -1 for none.
    virtual void DrawButton(CDrawSurface& surface, const CPixelRect& rect, int image, int state);
    // The bars as DrawBars laid them out.
    virtual void DrawHorzBar(CDrawSurface& surface, const CPixelRect& bar);
    virtual void DrawVertBar(CDrawSurface& surface, const CPixelRect& bar);
    virtual void DrawBackground(CDrawSurface& surface, const CPixelRect& area);
    // Computes the plot rectangle and draws labels, ticks and captions around it.
    virtual CPixelRect DrawScales(CDrawSurface& surface, const CPixelRect& area);
    // Ticks, labels and caption of the scale on both sides of the plot.
    virtual void DrawScale(CDrawSurface& surface, const CPixelRect& area, const CPixelRect& plot,
                           Orientation orientation);
    // Empty here: the content over the grid (the traces).
    virtual void DrawData(CDrawSurface& surface, const CPixelRect& plot);
    virtual void DrawGrid(CDrawSurface& surface, const CPixelRect& plot);
    virtual void SetPlotRect(const CPixelRect& plot);
    // Empty here: the content over the grid.
    virtual void DrawOverlay(CDrawSurface& surface, const CPixelRect& plot);
    // Empty here: drawn on the window over the copied buffer at every paint. Qt allows no
    // drawing on a window outside its paint, so rubber bands that would go straight to the
    // window in NOT-XOR go here instead.
    virtual void DrawOnWindow(CDrawSurface& window);

    // Mouse handling in client pixels; the Qt events call these.
    virtual void OnLButtonDown(int x, int y, Qt::KeyboardModifiers modifiers);
    virtual void OnLButtonUp(int x, int y, Qt::KeyboardModifiers modifiers);
    virtual void OnMouseMove(int x, int y, bool leftDown, Qt::KeyboardModifiers modifiers);
    virtual void OnTimer();

    // Asks for a repaint. Every change to the visible window goes through here (never through
    // a paint), so it first calls OnWorldWindowChanged when the window, or whether there is
    // one, differs from the last one it reported.
    void Redraw();
    // Empty here.
    virtual void OnWorldWindowChanged();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

    const CAppSettings& settings;
    // The plot rectangle of the last paint.
    CPixelRect plotRect;
    // Mouse position last seen while a bar control is operated.
    CScreenPoint lastPoint;
    // Hit code of the control being operated.
    HitCode activeCode = HitCode::None;
    // Auto-repeat: 0 none, 1 initial delay running, 2 repeating.
    int timerState = 0;
    // Hit code of the thumb part being dragged.
    HitCode dragCode = HitCode::None;
    bool dragging = false;
    // A bar control holds the mouse (Qt grabs it implicitly while the button is down).
    bool captured = false;

private:
    void StartRepeat(int milliseconds);
    // The window OnWorldWindowChanged was last called for; none while there is no data.
    std::optional<CWorldRect> reportedWindow_;
    void StopRepeat();
    void ShowCursor(BarCursor cursor);
    const CPattern& HalftoneBrush();

    QImage backBuffer_;
    const CImageStrip& arrowImages_;
    std::optional<CPattern> halftoneBrush_;
    CBarLayout bars_;
    CPixelRect lastClient_;
    CSystemColours systemColours_;
    QBasicTimer repeatTimer_;
    int repeatInterval_ = 0;
    BarCursor cursor_ = BarCursor::Arrow;
};
