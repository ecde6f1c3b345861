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

void CPlotWnd::Redraw() {
    const std::optional<CWorldRect> window =
        hasData ? std::optional<CWorldRect>({viewLeft, viewTop, viewRight, viewBottom})
                : std::nullopt;
    const auto same = [](const CWorldRect& a, const CWorldRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    if (window.has_value() != reportedWindow_.has_value() ||
        (window && !same(*window, *reportedWindow_))) {
        reportedWindow_ = window;
        OnWorldWindowChanged();
    }
    update();
}

void CPlotWnd::OnWorldWindowChanged() {}

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
    DrawButton(surface, bars_.corner, ButtonImage(HitCode::Corner),
               activeCode == HitCode::Corner ? kPressed : kRaised);
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
        const HitCode code = ButtonCode(static_cast<std::size_t>(i));
        DrawButton(surface, bars_.buttons[static_cast<std::size_t>(i)], ButtonImage(code),
                   activeCode == code ? kPressed : kRaised);
    }
    surface.FillPattern(bars_.horzTrack, HalftoneBrush());
    if (!bars_.horzTrack.IsEmpty())
        DrawButton(surface, bars_.horzThumb, -1, kRaised);
    if (activeCode == HitCode::PageLeft || activeCode == HitCode::PageRight)
        surface.FillRect(PageHighlight(bars_, activeCode), 0x000000);
}

void CPlotWnd::DrawVertBar(CDrawSurface& surface, const CPixelRect&) {
    for (int i = 6; i < 12; ++i) {
        const HitCode code = ButtonCode(static_cast<std::size_t>(i));
        DrawButton(surface, bars_.buttons[static_cast<std::size_t>(i)], ButtonImage(code),
                   activeCode == code ? kPressed : kRaised);
    }
    surface.FillPattern(bars_.vertTrack, HalftoneBrush());
    if (!bars_.vertTrack.IsEmpty())
        DrawButton(surface, bars_.vertThumb, -1, kRaised);
    if (activeCode == HitCode::PageUp || activeCode == HitCode::PageDown)
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
        DrawScale(surface, area, plot, Orientation::Horizontal);
        DrawScale(surface, area, plot, Orientation::Vertical);
    }
    return plot;
}

namespace {

void Line(CDrawSurface& surface, int x0, int y0, int x1, int y1) {
    surface.MoveTo(x0, y0);
    surface.LineTo(x1, y1);
}

} // namespace

void CPlotWnd::DrawScale(CDrawSurface& surface, const CPixelRect& area, const CPixelRect& plot,
                         Orientation orientation) {
    const bool across = orientation == Orientation::Horizontal;
    // Ticks run outwards from the frame on both sides, the bottom or right one first; the
    // frame lies on the bottom and right edges and just before the top and left ones.
    const int high = (across ? plot.bottom : plot.right) + 1;
    const int low = (across ? plot.top : plot.left) - 2;
    const auto ticksAt = [&](int pos, int length) {
        if (across) {
            Line(surface, pos, high, pos, high + length);
            Line(surface, pos, low, pos, low - length);
        } else {
            Line(surface, high, pos, high + length, pos);
            Line(surface, low, pos, low - length, pos);
        }
    };
    const CScaleTicks ticks =
        across ? ScaleTicks(plot.left, plot.right) : ScaleTicks(plot.top, plot.bottom);
    for (int i = 0; i <= 10; ++i) {
        const int pos = ticks.major[static_cast<std::size_t>(i)];
        ticksAt(pos, 5);
        const double value =
            across ? ScaleValue(viewLeft, viewRight, i) : ScaleValue(viewTop, viewBottom, i);
        const QString label = FormatNumber(value, labelDecimals);
        const CPixelSize size = surface.MeasureText(label);
        const CScreenPoint first =
            across ? HorzLabelAbove(pos, size, plot) : VertLabelLeft(pos, size, plot);
        const CScreenPoint second =
            across ? HorzLabelBelow(pos, size, plot) : VertLabelRight(pos, size, plot);
        surface.DrawText(first.x, first.y, label);
        surface.DrawText(second.x, second.y, label);
    }
    const MinorTicks shown = MinorTicksAt(ticks.spacing);
    for (std::size_t n = 0; n < ticks.minor.size(); ++n) {
        const int k = static_cast<int>(n % 10);
        if (MinorTickShown(shown, k))
            ticksAt(ticks.minor[n], k == 5 ? 3 : 1);
    }

    if (across) {
        const CPixelSize caption = surface.MeasureText(horizontalCaption);
        const int x = HorzCaptionX(plot, ticks.spacing, caption);
        if (captionTop)
            surface.DrawText(x, area.top + 5, horizontalCaption);
        if (captionBottom)
            surface.DrawText(x, area.bottom - caption.cy - 5, horizontalCaption);
        return;
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

    const GridStyle style = settings.GetGridStyle();
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

HitCode CPlotWnd::HitTest(int x, int y) const {
    return BarHitTest(bars_, x, y);
}

bool CPlotWnd::DoAction(HitCode code) {
    if (code == HitCode::None)
        return false;
    const HitClass kind = ClassOf(code);
    if (kind == HitClass::Thumb) {
        if (code == HitCode::ThumbLeft || code == HitCode::ThumbRight)
            ShowCursor(BarCursor::HorzResize);
        else if (code == HitCode::ThumbTop || code == HitCode::ThumbBottom)
            ShowCursor(BarCursor::VertResize);
        dragCode = code;
        dragging = true;
        return true;
    }
    // Paging stops once the thumb has reached the pointer.
    if (kind == HitClass::Page && !PageAreaHolds(bars_, code, lastPoint))
        return false;
    if (!ApplyBarAction(*this, code))
        return false;
    // The thumbs follow at once, so that the next page test sees where they are now even
    // if no paint came in between.
    if (bars_.valid)
        bars_ = LayoutBars(lastClient_, barSize, *this);
    Redraw();
    return true;
}

void CPlotWnd::DragTo(int x, int y) {
    ApplyThumbDrag(*this, dragCode, lastPoint, {x, y}, bars_);
    if (bars_.valid)
        bars_ = LayoutBars(lastClient_, barSize, *this);
    Redraw();
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
        if (Repeats(activeCode)) {
            StartRepeat(kRepeatDelayMs);
            timerState = 1;
        }
    }
    Redraw();
}

void CPlotWnd::OnMouseMove(int x, int y, bool leftDown, Qt::KeyboardModifiers) {
    if (!leftDown || !captured) {
        ShowCursor(BarCursorAt(bars_, x, y));
        return;
    }
    if (dragging) {
        DragTo(x, y);
    } else {
        const HitCode code = HitTest(x, y);
        if (code != activeCode) {
            StopRepeat();
            timerState = 0;
            const HitClass kind = ClassOf(code);
            if (kind == HitClass::Button || kind == HitClass::Page) {
                activeCode = code;
                DoAction(code);
                if (Repeats(code)) {
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
    Redraw();
}

void CPlotWnd::OnTimer() {
    if (!DoAction(activeCode)) {
        StopRepeat();
        timerState = 0;
        activeCode = HitCode::Spent;
    } else if (timerState == 1) {
        StartRepeat(kRepeatRateMs);
        timerState = 2;
    }
    Redraw();
}

void CPlotWnd::OnLButtonUp(int x, int y, Qt::KeyboardModifiers) {
    captured = false;
    StopRepeat();
    timerState = 0;
    if (dragging) {
        dragging = false;
        DragTo(x, y);
    }
    if (activeCode != HitCode::None) {
        activeCode = HitCode::None;
        Redraw();
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
