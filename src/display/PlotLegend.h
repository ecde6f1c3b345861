#pragma once
// The box over a plot that names its traces: one row per trace, a stretch of line drawn with
// the trace's pen and the trace's name, in the plot's top-right corner below the marker
// labels. The screen and the printed page share it; the caller gives every size, so a page
// scales them to its resolution.

#include "display/DrawSurface.h"

#include <QString>

#include <vector>

class CWorkspace;

struct CLegendEntry {
    QString name;
    // The trace's own pen; the sample line is drawn with it.
    CPen pen;
    std::uint32_t textColour = 0x000000;
};

struct CLegendStyle {
    // Between the plot's right edge and the box, and between the labels' band and the box.
    int inset = 6;
    // Inside the box around the rows.
    int padding = 4;
    int sampleLength = 24;
    // Between the sample line and the name.
    int gap = 6;
    // Parallel one-pixel sample lines, so a thin pen stays visible on paper.
    int sampleLines = 1;
    int frameWidth = 1;
    std::uint32_t frame = 0x000000;
    std::uint32_t background = 0xFFFFFF;
};

// The names of the traces the plot shows, as file names without their folders: every loaded
// trace of every project, the active one last (as it is drawn on top), or only the active
// one in one-trace mode.
struct CLegendTrace {
    QString name;
    std::uint32_t colour = 0;
};
std::vector<CLegendTrace> VisibleTraces(CWorkspace& workspace, bool oneTrace);

// The file name of a path without its folders, for names in legends and tables.
QString BaseFileName(const std::string& path);

// The name shortened in the middle with an ellipsis until the surface measures it at most
// width pixels wide; as it is when it fits.
QString ElideMiddle(CDrawSurface& surface, const QString& name, int width);

// Draws the box in the surface's current font, its top edge at least labelBand below the
// plot's top (room for the marker labels) and the box at most a third of the plot wide.
// Rows that do not fit the plot's height give way to a last row counting the rest. Returns
// the box; an empty rectangle, with nothing drawn, for no entries or a plot too small.
CPixelRect DrawLegend(CDrawSurface& surface, const CPixelRect& plot, int labelBand,
                      const std::vector<CLegendEntry>& entries, const CLegendStyle& style);
