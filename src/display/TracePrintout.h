#pragma once
// The printed page of a trace: a header with the logo, the title, the date, the sheet and the
// trace's file name; the plot with scales, grid, the chosen traces in black, the active
// trace's event icons and the markers; the parameters and markers blocks; and a table of at
// most 25 key events. Always one portrait page, drawn through CDrawSurface in device pixels.
// Sizes are dots of a 300 dpi page scaled by the printer's resolution; nothing is clipped
// or carried over, so what does not fit runs past the bottom margin.

#include "display/DrawSurface.h"
#include "display/PlotGeometry.h"
#include "display/PlotLegend.h"
#include "display/PrintChoice.h"
#include "project/CProject.h" // the captions kCaptionError and kCaptionAttention

#include <QString>

#include <vector>

class CSignal;
class CTraceData;
class CWorkspace;

// "Version " and the project's version, as the About box and the printout say it.
extern const char* const kProgramVersion;
inline constexpr const char* kPrintDocumentName = "Vitrea";
inline constexpr int kMaxPrintedEvents = 25;

inline constexpr const char* kMsgNoSignal = QT_TRANSLATE_NOOP("core", "Не выбран сингнал");
inline constexpr const char* kMsgNoPrinter =
    QT_TRANSLATE_NOOP("core", "Принтер не инициализируется");
inline constexpr const char* kMsgNoPage =
    QT_TRANSLATE_NOOP("core", "Не могу начать печать страници");
inline constexpr const char* kMsgLandscape =
    QT_TRANSLATE_NOOP("core", "Горизонтальная позиция бумаги не поддерживается");
inline constexpr const char* kCaptionPrinterError = QT_TRANSLATE_NOOP("core", "Отшибка");

// A printer's page in device pixels.
struct CPageMetrics {
    int dpiX = 300;
    int dpiY = 300;
    // The printable area.
    int width = 0;
    int height = 0;
    // Where the printable area starts on the paper.
    int offsetX = 0;
    int offsetY = 0;
};

class QPrinter;
// The printer's page, measured before its document starts.
CPageMetrics PageMetricsOf(QPrinter& printer);

// Dots of a 300 dpi page in device pixels: X(n) = trunc(n * dpiX / 300), Y likewise.
class CPrintScales {
public:
    CPrintScales(int dpiX, int dpiY);
    int X(int dots) const;
    int Y(int dots) const;
    int DpiX() const { return dpiX_; }
    int DpiY() const { return dpiY_; }
    double Sx() const { return sx_; }
    double Sy() const { return sy_; }

private:
    int dpiX_;
    int dpiY_;
    double sx_;
    double sy_;
};

// Whether the page is wider than high in 300 dpi dots; such a page is not printed.
bool IsLandscapePage(const CPageMetrics& page);
// The printable area less margins of one inch left and right and half an inch top and
// bottom from the paper's edges, taking the unprintable strips as equal on opposite sides.
CPixelRect PrintPageRect(const CPageMetrics& page);

// The font of the whole page ("MS Shell Dlg", 10 points, Cyrillic) and the font of one text.
LogFont PrintPageFont(int dpiY);
LogFont PrintTextFont(int points, bool bold, int dpiY);

struct CPrintRow {
    QString caption;
    QString value;
};

// What one page shows.
struct CPrintContent {
    // The plot's visible window, its captions and label decimals.
    CWorldWindow window;
    QString verticalCaption;
    QString horizontalCaption;
    CCaptionSides captionSides;
    int labelDecimals = 2;
    float markerA = 0.0f;
    float markerB = 100.0f;
    // Drawn in black, in this order.
    std::vector<const CTraceData*> traces;
    // Its events go along the plot and into the table; its file name into the header.
    const CSignal* active = nullptr;
    std::vector<CPrintRow> parameters;
    std::vector<CPrintRow> markers;
    // The current date in the system's short form.
    QString date;

    // What a report adds; left as they are, the page is the print command's.
    // Each trace's pen, in the order of the traces; all black and one pixel when empty.
    std::vector<CPen> tracePens;
    // The box naming the traces in the plot; none when empty.
    std::vector<CLegendEntry> legend;
    int sheet = 1;
    // Replaces the header's trace line when set.
    QString headerLine;
    bool showMarkers = true;
    // The plot section's height as a share of its width, at most.
    double plotHeightShare = 2.0 / 3.0;
    // Per event, the threshold it breaks (empty when it passes): its row is marked.
    std::vector<QString> eventMarks;
    std::uint32_t markColour = 0x000000;
};

// The loaded signals the choice prints: every one of every project, those of the active
// project, or the active signal alone (also for a choice of no known value).
std::vector<const CSignal*> PrintedSignals(CWorkspace& workspace, PrintChoice choice);
// The signal's parameter lines, only those it gives.
std::vector<CPrintRow> ParameterRows(const CSignal& signal);
// The marker readout rows for markers at a and b over the signal.
std::vector<CPrintRow> MarkerRows(float a, float b, const CSignal* signal);

class CTracePrintout {
public:
    enum class Align { TopLeft, TopRight, BottomLeft };

    // Draws on the surface for a page of these metrics; the surface must outlive it.
    CTracePrintout(CDrawSurface& surface, const CPageMetrics& page);

    // The whole page. The content's active signal must be set.
    void Draw(const CPrintContent& content);

    // The page font, black text on white and copied drawing, as every section expects them.
    void BeginPage();
    // The sections in page order; each moves the top of the page rectangle down past itself.
    void DrawHeader(const CPrintContent& content);
    void DrawPlotSection(const CPrintContent& content);
    void DrawBlocks(const CPrintContent& content);
    // Rows whose entry in marks is not empty carry the mark.
    void DrawEventTable(const CSignal& signal, const std::vector<QString>& marks = {},
                        std::uint32_t markColour = 0x000000);

    // Two titled blocks side by side at the top of the page rectangle, which moves down past
    // the higher one; a block without rows takes no room.
    void DrawBlockPair(const QString& leftTitle, const std::vector<CPrintRow>& left,
                       const QString& rightTitle, const std::vector<CPrintRow>& right);

    const CPrintScales& Scales() const { return scales_; }
    // What is left of the page for the sections still to come.
    const CPixelRect& Page() const { return page_; }
    // The plot's rectangle inside its scales, once the plot section is drawn.
    const CPixelRect& PlotRect() const { return plot_; }

    // Puts the text in the rectangle in a font of its own and gives its size. Only the
    // edges the alignment names are used. An empty text is as high as a line of the font,
    // so that rows of captions and values stay level.
    CPixelSize DrawTextAt(const QString& text, const CPixelRect& rect, Align align, int points,
                          bool bold);

private:
    // Ticks, labels, grid lines and caption of the scale on both sides of the plot.
    void DrawScale(const CPrintContent& content, const CPixelRect& outer, Orientation orientation);
    void DrawTraces(const CPrintContent& content);
    void DrawEventIcons(const CPrintContent& content);
    void DrawMarkers(const CPrintContent& content);
    void DrawLegendBox(const CPrintContent& content);
    // A titled two-column block; nothing, and no size, without rows.
    CPixelSize DrawBlock(int x0, int y0, const QString& title, const std::vector<CPrintRow>& rows);
    void Rule(int y);

    CDrawSurface& surface_;
    CPrintScales scales_;
    LogFont pageFont_;
    CPixelRect page_;
    CPixelRect plot_;
};
