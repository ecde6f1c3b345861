// What the trace plot and the overview draw from the workspace, on a recording surface.

#include "TraceTestSupport.h"
#include "display/COverviewPane.h"
#include "display/PlotArt.h"
#include "display/TraceGeometry.h"

namespace {

using Kind = CRecordingSurface::Kind;

std::vector<CScreenPoint> Projected(const CSignal& signal, const CPixelRect& p,
                                    const CWorldRect& w) {
    std::vector<CScreenPoint> points;
    points.resize(static_cast<std::size_t>(signal.BuildPolyline(
        points, {p.left, p.top, p.right, p.bottom}, static_cast<float>(w.left),
        static_cast<float>(w.top), static_cast<float>(w.right), static_cast<float>(w.bottom))));
    return points;
}

class TracePlotTest : public TraceFixture {};

TEST_F(TracePlotTest, EveryTraceInItsColourUnderTheGridAndTheActiveOneLast) {
    const CSignal& first = Open(Ramp(400, 2.0f, 0.05f), 20.0);
    const CSignal& longest = Open(Ramp(300, 5.0f, 0.1f), 30.0, {}, true);
    const CSignal& active = Open(Ramp(200, 1.0f, 0.02f), 10.0);
    plot.RecalcRange();
    // The first window of data asks for the overview once; the paint asks nothing.
    EXPECT_EQ(frame.Sent(kMsgOverviewRedraw), 1);
    EXPECT_FLOAT_EQ(static_cast<float>(plot.fullRight), longest.GetEndDistance());
    EXPECT_FLOAT_EQ(static_cast<float>(plot.fullBottom), longest.GetMinLevel());
    plot.viewLeft = 4;
    plot.viewRight = 16;

    const CRecordingSurface surface = Paint();
    const CPixelRect p = plot.GetPlotRect();
    const auto lines = surface.CallsOf(Kind::Polyline);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points, Projected(first, p, plot.GetWorldWindow()));
    EXPECT_EQ(lines[1].points, Projected(longest, p, plot.GetWorldWindow()));
    EXPECT_EQ(lines[2].points, Projected(active, p, plot.GetWorldWindow()));
    EXPECT_EQ(lines[2].pen, (CPen{PenStyle::Solid, 1, workspace.ActiveEntry()->GetColour()}));
    EXPECT_NE(lines[1].pen.colour, lines[2].pen.colour);
    // The grid goes under the traces: none of its lines comes after the first trace, so where
    // a trace runs along a grid line the trace is what shows.
    const auto& calls = surface.Calls();
    const auto firstTrace = std::find_if(
        calls.begin(), calls.end(), [](const auto& call) { return call.kind == Kind::Polyline; });
    const std::uint32_t gridColour = settings.GetGridColour();
    EXPECT_GT(std::count_if(calls.begin(), firstTrace,
                            [&](const auto& call) {
                                return call.kind == Kind::Line && call.pen.colour == gridColour;
                            }),
              0);
    EXPECT_EQ(std::count_if(firstTrace, calls.end(),
                            [&](const auto& call) {
                                return call.kind == Kind::Line && call.pen.colour == gridColour;
                            }),
              0);
    EXPECT_EQ(frame.Sent(kMsgOverviewRedraw), 1);

    // One trace only: the active one, while the range still spans every trace.
    settings.SetOneTraceMode(true);
    plot.RecalcRange();
    EXPECT_FLOAT_EQ(static_cast<float>(plot.fullRight), longest.GetEndDistance());
    const auto alone = Paint().CallsOf(Kind::Polyline);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].points, lines[2].points);

    // A new window is reported once, however often it is set or painted.
    const int reported = frame.Sent(kMsgOverviewRedraw);
    plot.SetHorzWindow(2, 12);
    EXPECT_EQ(frame.Sent(kMsgOverviewRedraw), reported + 1);
    plot.SetHorzWindow(2, 12);
    Paint();
    EXPECT_EQ(frame.Sent(kMsgOverviewRedraw), reported + 1);
}

TEST_F(TracePlotTest, TheWindowKeepsItsZoomAndFallsBackToTheRangeWhenLost) {
    Open(Ramp(400, 2.0f, 0.05f), 20.0);
    plot.RecalcRange();
    plot.viewLeft = 5;
    plot.viewRight = 6;
    Open(Ramp(400, 2.0f, 0.05f), 40.0);
    plot.RecalcRange();
    EXPECT_EQ(plot.GetWorldWindow().right, 6);

    plot.viewLeft = 30;
    plot.viewRight = 35;
    workspace.ActiveProject()->RemoveEntry(1);
    plot.RecalcRange();
    EXPECT_EQ(plot.viewLeft, 0);
    EXPECT_NEAR(plot.viewRight, 20.0, 1e-3);
    // Showing an event beyond the trace's end shows the whole range instead.
    plot.SetHorzWindow(-1.0, 1.0);
    EXPECT_EQ(plot.GetWorldWindow().left, 0);
    EXPECT_EQ(plot.GetWorldWindow().right, 1);
    plot.SetHorzWindow(29.0, 31.0);
    EXPECT_NEAR(plot.GetWorldWindow().right - plot.GetWorldWindow().left, 20.0, 1e-3);

    workspace.RemoveAllProjects();
    frame.Take();
    plot.RecalcRange();
    // Losing the last trace loses the window: the overview is told once, the paint tells none.
    EXPECT_EQ(frame.Sent(kMsgOverviewRedraw), 1);
    ASSERT_EQ(Paint().Calls().size(), 1u); // the grey area
    EXPECT_EQ(frame.Sent(kMsgOverviewRedraw), 1);
}

TEST_F(TracePlotTest, TracesOfNoOrOneSampleOrNoLengthDrawNothing) {
    Open({}, 20.0);
    Open({4.0f}, 20.0);
    Open(Ramp(100, 0.0f, 0.0f), 0.0);
    plot.RecalcRange();
    ASSERT_TRUE(plot.hasData);
    EXPECT_EQ(plot.fullBottom, -4.0f);
    const CRecordingSurface surface = Paint();
    EXPECT_TRUE(surface.CallsOf(Kind::Polyline).empty());
    // B starts at the end of the 20 km range, not at 100 km outside it.
    EXPECT_EQ(surface.CallsOf(Kind::Text).back().text, QStringLiteral("B : 20 km"));
}

TEST_F(TracePlotTest, EventIconsOfTheActiveTraceWithTheSelectedOneLastAndHighlighted) {
    // Events at 0, 5, 9, 15 and 20 km: the window 0..20 km leaves the two ends out.
    CSignal& trace = Open(StandardLevels(), 20.0, StandardEvents());
    Open(StandardLevels(), 20.0, StandardEvents(), true);
    workspace.SelectProjectItem(workspace.GetProject(0).GetId());
    plot.RecalcRange();
    plot.viewRight = 20.0;
    trace.SetSelectedEvent(1);
    settings.SetMarkerColour(0x0000C0);

    const CRecordingSurface surface = Paint();
    const CPixelRect p = plot.GetPlotRect();
    std::vector<std::pair<int, int>> icons; // x, image
    for (const auto& call : surface.CallsOf(Kind::Image)) {
        if (call.from.y == p.bottom - 9)
            icons.emplace_back(call.from.x, call.image);
    }
    const auto icon = [&](int event, int offset) {
        return std::pair(EventIconPlace(p, 0.0, 20.0, trace.GetEvent(event).GetPosition())->x,
                         trace.GetEvent(event).GetImageIndex() + offset);
    };
    EXPECT_EQ(icons, (std::vector{icon(2, 0), icon(3, 0), icon(1, kEventIconCount)}));

    // The markers over it all, in the marker colour, their labels last.
    int markerLines = 0;
    for (const auto& line : surface.CallsOf(Kind::Line))
        markerLines += line.mode == RasterMode::Copy && line.pen.colour == 0x0000C0;
    EXPECT_EQ(markerLines, 2);
    EXPECT_EQ(surface.CallsOf(Kind::Text).back().text, QStringLiteral("B : 20 km"));
}

TEST_F(TracePlotTest, OverviewShowsTheActiveTraceAndTheVisibleWindow) {
    COverviewPane pane(workspace, settings);
    const CPixelRect client{0, 0, 200, 100};
    CRecordingSurface surface;
    pane.PaintTo(surface, client);
    EXPECT_EQ(surface.Calls().size(), 1u); // white only

    const CSignal& trace = Open(Ramp(400, 2.0f, 0.05f), 20.0);
    const CWorldRect window{5.0, -4.0, 10.0, -8.0};
    pane.SetWorldWindow(window);
    surface.Clear();
    pane.PaintTo(surface, client);
    const auto lines = surface.CallsOf(Kind::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points, Projected(trace, client, trace.GetBounds()));
    const CPixelRect expected = *OverviewFrame(client, trace.GetBounds(), window);
    const auto edges = surface.CallsOf(Kind::Line);
    ASSERT_EQ(edges.size(), 4u);
    EXPECT_EQ(edges[0].from, (CScreenPoint{expected.left, expected.top}));
    EXPECT_EQ(edges[1].from, (CScreenPoint{expected.left, expected.bottom}));
    EXPECT_EQ(edges[2].from, (CScreenPoint{expected.right, expected.bottom}));
    EXPECT_EQ(edges[3].to, (CScreenPoint{expected.left, expected.top}));
}

} // namespace

TEST_F(TracePlotTest, ALaunchCableIsInViewAtNegativeDistancesWhenItsTraceOpens) {
    CGR196File file;
    FillBellcore(file, {{0.0, 1, kOriginFound, 0.0f, -50.0, " "}});
    file.GetGenParams().SetUserOffset(static_cast<std::int32_t>(file.GetFxdParams().KmToTime(1.0)));
    const std::string path = dir.Path("launch.sor");
    file.Save(path);
    ASSERT_TRUE(workspace.OpenTrace(path));
    plot.RecalcRange();
    EXPECT_NEAR(plot.fullLeft, -1.0, 1e-4);
    EXPECT_NEAR(plot.GetWorldWindow().left, -1.0, 1e-4);
    EXPECT_NEAR(plot.GetWorldWindow().right, 19.0, 1e-4);
}
