#pragma once
// A plot window on settings of its own, with the mouse handlers open to the tests.

#include "display/CPlotWnd.h"
#include "display/CRecordingSurface.h"
#include "scan/CAppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class CTestPlot : public CPlotWnd {
public:
    using CPlotWnd::CPlotWnd;
    using CPlotWnd::OnLButtonDown;
    using CPlotWnd::OnLButtonUp;
    using CPlotWnd::OnMouseMove;
    using CPlotWnd::OnTimer;

    // The hooks in the order they ran, with the rectangle each was given.
    std::vector<std::pair<std::string, CPixelRect>> hooks;

protected:
    void DrawData(CDrawSurface& surface, const CPixelRect& plot) override {
        hooks.emplace_back("data", plot);
        CPlotWnd::DrawData(surface, plot);
    }
    void DrawGrid(CDrawSurface& surface, const CPixelRect& plot) override {
        hooks.emplace_back("grid", plot);
        CPlotWnd::DrawGrid(surface, plot);
    }
    void DrawOverlay(CDrawSurface& surface, const CPixelRect& plot) override {
        hooks.emplace_back("overlay", plot);
        CPlotWnd::DrawOverlay(surface, plot);
    }
    void SetPlotRect(const CPixelRect& plot) override {
        hooks.emplace_back("plotRect", plot);
        CPlotWnd::SetPlotRect(plot);
    }
};

// Settings in a scratch folder, so no test reads or writes a real settings file.
class PlotFixture : public ::testing::Test {
protected:
    PlotFixture() : settings(scratch.Root().string()), plot(settings) { plot.hasData = true; }

    // Paints a client area of the size and returns what was drawn.
    CRecordingSurface Paint(int width, int height) {
        CRecordingSurface surface;
        plot.PaintTo(surface, {0, 0, width, height});
        return surface;
    }

    CScratchDir scratch;
    CAppSettings settings;
    CTestPlot plot;
};
