#pragma once
// A workspace of trace files written through the file objects and opened as the user opens
// them, a frame that records the messages, and the trace plot with its markers and rubber bands
// open to the tests.

#include "core/CSignal.h"
#include "core/SignalFixtures.h"
#include "display/CRecordingSurface.h"
#include "display/CTracePlot.h"
#include "project/CWorkspace.h"
#include "project/ProjectTestSupport.h"
#include "scan/CAppSettings.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

// n stored levels rising from first by step: the displayed trace falls.
inline std::vector<float> Ramp(std::size_t n, float first, float step) {
    std::vector<float> levels(n);
    for (std::size_t i = 0; i < n; ++i)
        levels[i] = first + step * static_cast<float>(i);
    return levels;
}

class CViewFrame : public CRecordingTarget {
public:
    int Sent(unsigned message) const {
        const std::string line = "send " + QString::number(message, 16).toUpper().toStdString();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
};

class CTestTracePlot : public CTracePlot {
public:
    using CTracePlot::CTracePlot;
    using CTracePlot::DrawOnWindow;
    using CTracePlot::markerA;
    using CTracePlot::markerB;
};

// The recording surface measures 7 pixels per character and 14 for the plot font.
class TraceFixture : public ::testing::Test {
protected:
    TraceFixture() : settings(dir.Root().string()) {}

    // The levels spread over km as a new trace of the active project (of a new project when
    // asked), which becomes the active entry.
    CSignal& Open(const std::vector<float>& levels, double km = 20.0,
                  const std::vector<CRecordPlan>& events = {}, bool newProject = false) {
        CGR196File file;
        FillBellcore(file, events, false);
        file.GetFxdParams().SetAcquisitionRange(file.GetFxdParams().KmToTime(km));
        if (!levels.empty())
            file.GetDataPts().SetLevels(static_cast<int>(levels.size()), levels.data());
        const std::string path = dir.Path("t" + std::to_string(++files_) + ".sor");
        file.Save(path);
        if (newProject)
            workspace.AddProject();
        EXPECT_TRUE(workspace.OpenTrace(path));
        return *workspace.ActiveEntry()->GetTrace();
    }

    // The plot on screen at 640 by 400 over the full range, markers at 5 and 15 km, nothing
    // sent yet; its plot rectangle.
    CPixelRect ShowPlot() {
        plot.RecalcRange();
        plot.markerA = 5.0f;
        plot.markerB = 15.0f;
        plot.resize(640, 400);
        plot.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&plot));
        EXPECT_TRUE(QTest::qWaitFor([this] { return !plot.GetPlotRect().IsEmpty(); }));
        frame.Take();
        return plot.GetPlotRect();
    }

    CRecordingSurface Paint() {
        CRecordingSurface surface;
        plot.PaintTo(surface, {0, 0, 640, 400});
        return surface;
    }

    CProjectTestScope scope;
    CViewFrame frame;
    CMainTargetScope mainTarget{&frame};
    CScratchDir dir;
    CAppSettings settings;
    CWorkspace workspace;
    CTestTracePlot plot{workspace, settings};

private:
    int files_ = 0;
};

inline std::filesystem::path SourceRoot() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}
