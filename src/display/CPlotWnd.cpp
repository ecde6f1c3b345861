#include "display/CPlotWnd.h"

#include "display/CQtSurface.h"
#include "display/PlotArt.h"
#include "display/QtShapes.h"
#include "scan/CAppSettings.h"

#include <QMouseEvent>
#include <QPalette>
#include <QTimerEvent>

namespace {

constexpr int kRaised = 0;
constexpr int kPressed = 1;

} // namespace

CSystemColours SystemColoursFrom(const QPalette& palette) {
    CSystemColours colours;
    colours.buttonFace = FromQColor(palette.color(QPalette::Button));
    colours.buttonShadow = FromQColor(palette.color(QPalette::Dark));
    colours.buttonHighlight = FromQColor(palette.color(QPalette::Light));
    colours.light3d = FromQColor(palette.color(QPalette::Midlight));
    colours.darkShadow3d = FromQColor(palette.color(QPalette::Shadow));
    colours.window = FromQColor(palette.color(QPalette::Base));
    return colours;
}

CPlotWnd::CPlotWnd(const CAppSettings& appSettings, QWidget* parent)
    : QWidget(parent), settings(appSettings), arrowImages_(ArrowImages()),
      systemColours_(SystemColoursFrom(palette())) {
    // The plot paints every pixel itself, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

CPlotWnd::~CPlotWnd() = default;

// --- Painting -------------------------------------------------------------------------------

void CPlotWnd::PaintTo(CDrawSurface& surface, const CPixelRect& client) {
    lastClient_ = client;
    if (!hasData) {
        // No bars are shown, so none can be hit.
        bars_ = {};
        surface.FillRect(client, systemColours_.buttonShadow);
        return;
    }
    DrawBars(surface, client);
    const CPixelRect area{client.left, client.top, client.right - barSize, client.bottom - barSize};
    DrawBackground(surface, area);
    const CPixelRect plot = DrawScales(surface, area);
    // The grid first: drawn over the traces it would hide them where they run along a line.
    DrawGrid(surface, plot);
    DrawData(surface, plot);
    DrawOverlay(surface, plot);
    SetPlotRect(plot);
}

void CPlotWnd::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0)
        return;
    const CPixelRect client{0, 0, width(), height()};
    if (!hasData) {
        CQtSurface window(*this);
        PaintTo(window, client);
        DrawOnWindow(window);
        return;
    }
    if (backBuffer_.isNull())
        backBuffer_ = QImage(width(), height(), QImage::Format_RGB32);
    {
        CQtSurface buffer(backBuffer_);
        PaintTo(buffer, client);
    }
    CQtSurface window(*this);
    window.Copy(0, 0, backBuffer_);
    DrawOnWindow(window);
}

void CPlotWnd::resizeEvent(QResizeEvent* event) {
    backBuffer_ = QImage();
    QWidget::resizeEvent(event);
}

void CPlotWnd::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        systemColours_ = SystemColoursFrom(palette());
        halftoneBrush_.reset();
        update();
    }
    QWidget::changeEvent(event);
}

const CPattern& CPlotWnd::HalftoneBrush() {
    if (!halftoneBrush_)
        halftoneBrush_ = HalftonePattern(systemColours_.buttonFace);
    return *halftoneBrush_;
}

void CPlotWnd::DrawBars(CDrawSurface& surface, const CPixelRect& client) {
    bars_ = LayoutBars(client, barSize, *this);
    DrawHorzBar(surface, bars_.horzBar);
    DrawVertBar(surface, bars_.vertBar);
    DrawButton(surface, bars_.corner, ButtonImage(kHitCorner),
               activeCode == kHitCorner ? kPressed : kRaised);
}

void CPlotWnd::DrawButton(CDrawSurface& surface, const CPixelRect& rect, int image, int state) {
    surface.FillRect(rect, systemColours_.buttonFace);
    if (state != kPressed) {
        surface.Draw3dRect(rect, systemColours_.light3d, systemColours_.darkShadow3d);
        surface.Draw3dRect(rect.Shrunk(1, 1), systemColours_.buttonHighlight,
                           systemColours_.buttonShadow);
    } else {
        surface.Draw3dRect(rect, systemColours_.buttonShadow, systemColours_.buttonShadow);
    }
    if (image >= 0)
        surface.DrawImage(arrowImages_, image, rect.left + (rect.Width() - 8) / 2,
                          rect.top + (rect.Height() - 8) / 2, state == 2);
}

void CPlotWnd::DrawHorzBar(CDrawSurface& surface, const CPixelRect&) {
    for (int i = 0; i < 6; ++i) {
        const int code = kHitExtendLeft + i;
        DrawButton(surface, bars_.buttons[static_cast<std::size_t>(i)], ButtonImage(code),
                   activeCode == code ? kPressed : kRaised);
    }
    surface.FillPattern(bars_.horzTrack, HalftoneBrush());
    if (!bars_.horzTrack.IsEmpty())
        DrawButton(surface, bars_.horzThumb, -1, kRaised);
    if (activeCode == kHitPageLeft || activeCode == kHitPageRight)
        surface.FillRect(PageHighlight(bars_, activeCode), 0x000000);
}

void CPlotWnd::DrawVertBar(CDrawSurface& surface, const CPixelRect&) {
    for (int i = 6; i < 12; ++i) {
        const int code = kHitExtendLeft + i;
        DrawButton(surface, bars_.buttons[static_cast<std::size_t>(i)], ButtonImage(code),
                   activeCode == code ? kPressed : kRaised);
    }
    surface.FillPattern(bars_.vertTrack, HalftoneBrush());
    if (!bars_.vertTrack.IsEmpty())
        DrawButton(surface, bars_.vertThumb, -1, kRaised);
    if (activeCode == kHitPageUp || activeCode == kHitPageDown)
        surface.FillRect(PageHighlight(bars_, activeCode), 0x000000);
}

void CPlotWnd::DrawBackground(CDrawSurface& surface, const CPixelRect& area) {
    surface.FillRect(area, settings.GetBackgroundColour());
}

CPixelRect CPlotWnd::DrawScales(CDrawSurface& surface, const CPixelRect& area) {
    surface.SetPen({PenStyle::Solid, 1, settings.GetAxisColour()});
    surface.SetFont(settings.GetFont(CAppSettings::FontSlot::Plot));
    surface.SetTextBackground(systemColours_.window);
    const bool legend = settings.IsLegendShown();
    CPixelSize vertical;
    CPixelSize horizontal;
    if (legend) {
        vertical = surface.MeasureText(verticalCaption);
        horizontal = surface.MeasureText(horizontalCaption);
    }
    const CPixelRect plot = ScalePlotRect(area, legend, marginX, marginY, vertical, horizontal,
                                          {captionLeft, captionRight, captionTop, captionBottom});
    if (legend) {
        DrawHorzScale(surface, area, plot);
        DrawVertScale(surface, area, plot);
    }
    return plot;
}

namespace {

void Line(CDrawSurface& surface, int x0, int y0, int x1, int y1) {
    surface.MoveTo(x0, y0);
    surface.LineTo(x1, y1);
}

} // namespace

void CPlotWnd::DrawHorzScale(CDrawSurface& surface, const CPixelRect& area,
                             const CPixelRect& plot) {
    const int t = plot.top;
    const int b = plot.bottom;
    const CScaleTicks ticks = ScaleTicks(plot.left, plot.right);
    for (int i = 0; i <= 10; ++i) {
        const int x = ticks.major[static_cast<std::size_t>(i)];
        Line(surface, x, b + 1, x, b + 6);
        Line(surface, x, t - 2, x, t - 7);
        const QString label = FormatNumber(ScaleValue(viewLeft, viewRight, i), labelDecimals);
        const CPixelSize size = surface.MeasureText(label);
        const CScreenPoint above = HorzLabelAbove(x, size, plot);
        const CScreenPoint below = HorzLabelBelow(x, size, plot);
        surface.DrawText(above.x, above.y, label);
        surface.DrawText(below.x, below.y, label);
    }
    for (const CMinorTick& tick : ticks.minor) {
        const int length = tick.mid ? 3 : 1;
        Line(surface, tick.pos, b + 1, tick.pos, b + 1 + length);
        Line(surface, tick.pos, t - 2, tick.pos, t - 2 - length);
    }
    const CPixelSize caption = surface.MeasureText(horizontalCaption);
    const int x = HorzCaptionX(plot, ticks.spacing, caption);
    if (captionTop)
        surface.DrawText(x, area.top + 5, horizontalCaption);
    if (captionBottom)
        surface.DrawText(x, area.bottom - caption.cy - 5, horizontalCaption);
}

void CPlotWnd::DrawVertScale(CDrawSurface& surface, const CPixelRect& area,
                             const CPixelRect& plot) {
    const int l = plot.left;
    const int r = plot.right;
    const CScaleTicks ticks = ScaleTicks(plot.top, plot.bottom);
    for (int i = 0; i <= 10; ++i) {
        const int y = ticks.major[static_cast<std::size_t>(i)];
        Line(surface, r + 1, y, r + 6, y);
        Line(surface, l - 2, y, l - 7, y);
        const QString label = FormatNumber(ScaleValue(viewTop, viewBottom, i), labelDecimals);
        const CPixelSize size = surface.MeasureText(label);
        const CScreenPoint left = VertLabelLeft(y, size, plot);
        const CScreenPoint right = VertLabelRight(y, size, plot);
        surface.DrawText(left.x, left.y, label);
        surface.DrawText(right.x, right.y, label);
    }
    for (const CMinorTick& tick : ticks.minor) {
        const int length = tick.mid ? 3 : 1;
        Line(surface, r + 1, tick.pos, r + 1 + length, tick.pos);
        Line(surface, l - 2, tick.pos, l - 2 - length, tick.pos);
    }
    const CPixelSize caption = surface.MeasureText(verticalCaption);
    const int y = VertCaptionY(plot, ticks.spacing, caption);
    const LogFont previous =
        surface.SetFont(RotatedFont(settings.GetFont(CAppSettings::FontSlot::Plot)));
    if (captionLeft)
        surface.DrawText(area.left + 5, y, verticalCaption);
    if (captionRight)
        surface.DrawText(area.right - caption.cy - 5, y, verticalCaption);
    surface.SetFont(previous);
}

void CPlotWnd::DrawData(CDrawSurface&, const CPixelRect&) {}

void CPlotWnd::DrawGrid(CDrawSurface& surface, const CPixelRect& plot) {
    surface.SetPen({PenStyle::Solid, 1, settings.GetAxisColour()});
    const auto frame = FramePoints(plot);
    surface.MoveTo(frame[0].x, frame[0].y);
    for (std::size_t i = 1; i < frame.size(); ++i)
        surface.LineTo(frame[i].x, frame[i].y);

    const int style = settings.GetGridStyle();
    const std::vector<CSegment> grid = GridSegments(plot, style);
    if (grid.empty())
        return;
    surface.SetPen({GridPenStyle(style), 1,
                    GridColourOn(settings.GetGridColour(), settings.GetBackgroundColour())});
    for (const CSegment& segment : grid) {
        surface.MoveTo(segment.from.x, segment.from.y);
        surface.LineTo(segment.to.x, segment.to.y);
    }
}

void CPlotWnd::SetPlotRect(const CPixelRect& plot) {
    plotRect = plot;
}

void CPlotWnd::DrawOverlay(CDrawSurface&, const CPixelRect&) {}

void CPlotWnd::DrawOnWindow(CDrawSurface&) {}

// --- Bar operations -------------------------------------------------------------------------

int CPlotWnd::HitTest(int x, int y) const {
    return BarHitTest(bars_, x, y);
}

bool CPlotWnd::DoAction(int code) {
    if (code == kHitNone)
        return false;
    const int kind = code & kHitClassMask;
    if (kind == kHitClassThumb) {
        if (code == kHitThumbLeft || code == kHitThumbRight)
            ShowCursor(BarCursor::HorzResize);
        else if (code == kHitThumbTop || code == kHitThumbBottom)
            ShowCursor(BarCursor::VertResize);
        dragCode = code;
        dragging = true;
        return true;
    }
    // Paging stops once the thumb has reached the pointer.
    if (kind == kHitClassPage && !PageAreaHolds(bars_, code, lastPoint))
        return false;
    if (!ApplyBarAction(*this, code))
        return false;
    // The thumbs follow at once, so that the next page test sees where they are now even
    // if no paint came in between.
    if (bars_.valid)
        bars_ = LayoutBars(lastClient_, barSize, *this);
    update();
    return true;
}

void CPlotWnd::DragTo(int x, int y) {
    ApplyThumbDrag(*this, dragCode, lastPoint, {x, y}, bars_);
    if (bars_.valid)
        bars_ = LayoutBars(lastClient_, barSize, *this);
    update();
}

void CPlotWnd::StartRepeat(int milliseconds) {
    repeatTimer_.start(milliseconds, Qt::PreciseTimer, this);
    repeatInterval_ = milliseconds;
}

void CPlotWnd::StopRepeat() {
    repeatTimer_.stop();
    repeatInterval_ = 0;
}

void CPlotWnd::ShowCursor(BarCursor cursor) {
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    switch (cursor) {
    case BarCursor::HorzResize:
        setCursor(HorzResizeCursor());
        break;
    case BarCursor::VertResize:
        setCursor(VertResizeCursor());
        break;
    case BarCursor::Arrow:
        unsetCursor();
        break;
    }
}

// --- Mouse and timer ------------------------------------------------------------------------

void CPlotWnd::OnLButtonDown(int x, int y, Qt::KeyboardModifiers) {
    lastPoint = {x, y};
    activeCode = HitTest(x, y);
    if (DoAction(activeCode)) {
        captured = true;
        if ((activeCode & kHitRepeats) != 0) {
            StartRepeat(kRepeatDelayMs);
            timerState = 1;
        }
    }
    update();
}

void CPlotWnd::OnMouseMove(int x, int y, bool leftDown, Qt::KeyboardModifiers) {
    if (!leftDown || !captured) {
        ShowCursor(BarCursorAt(bars_, x, y));
        return;
    }
    if (dragging) {
        DragTo(x, y);
    } else {
        const int code = HitTest(x, y);
        if (code != activeCode) {
            StopRepeat();
            timerState = 0;
            const int kind = code & kHitClassMask;
            if (code != kHitNone && (kind == kHitClassButton || kind == kHitClassPage)) {
                activeCode = code;
                DoAction(code);
                if ((code & kHitRepeats) != 0) {
                    StartRepeat(kRepeatDelayMs);
                    timerState = 1;
                }
            }
        } else if (timerState == 0) {
            // Back on the held control: carry on at the repeat rate.
            StartRepeat(kRepeatRateMs);
            timerState = 2;
        }
    }
    lastPoint = {x, y};
    update();
}

void CPlotWnd::OnTimer() {
    if (!DoAction(activeCode)) {
        StopRepeat();
        timerState = 0;
        activeCode = 0;
    } else if (timerState == 1) {
        StartRepeat(kRepeatRateMs);
        timerState = 2;
    }
    update();
}

void CPlotWnd::OnLButtonUp(int x, int y, Qt::KeyboardModifiers) {
    captured = false;
    StopRepeat();
    timerState = 0;
    if (dragging) {
        dragging = false;
        DragTo(x, y);
    }
    if (activeCode >= 0) {
        activeCode = kHitNone;
        update();
    }
}

void CPlotWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        OnLButtonDown(p.x(), p.y(), event->modifiers());
    }
}

void CPlotWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CPlotWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        OnLButtonUp(p.x(), p.y(), event->modifiers());
    }
}

void CPlotWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    OnMouseMove(p.x(), p.y(), (event->buttons() & Qt::LeftButton) != 0, event->modifiers());
}

void CPlotWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() == repeatTimer_.timerId())
        OnTimer();
    else
        QWidget::timerEvent(event);
}
