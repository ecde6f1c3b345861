// Scales, labels, captions, frame and grid as the plot draws them on a recording surface.
// The recording surface measures 7 pixels per character and 14 for the default plot font.

#include "PlotTestSupport.h"
#include "display/PlotGeometry.h"

#include <map>
#include <set>
#include <tuple>

namespace {

using Kind = CRecordingSurface::Kind;

TEST(FormatNumberTest, ShowsAtMostTheDecimalsWithoutTrailingZeros) {
    EXPECT_EQ(FormatNumber(12.5, 2), QStringLiteral("12.5"));
    EXPECT_EQ(FormatNumber(3, 2), QStringLiteral("3"));
    EXPECT_EQ(FormatNumber(0.05, 2), QStringLiteral("0.05"));
    EXPECT_EQ(FormatNumber(-0.5, 2), QStringLiteral("-0.5"));
    EXPECT_EQ(FormatNumber(100, 2), QStringLiteral("100"));
    EXPECT_EQ(FormatNumber(100.004, 2), QStringLiteral("100"));
    EXPECT_EQ(FormatNumber(0, 2), QStringLiteral("0"));
    EXPECT_EQ(FormatNumber(-1.25, 5), QStringLiteral("-1.25"));
    EXPECT_EQ(FormatNumber(-6.4535, 5), QStringLiteral("-6.4535"));
    EXPECT_EQ(FormatNumber(0.001, 5), QStringLiteral("0.001"));
    EXPECT_EQ(FormatNumber(1234.5678, 0), QStringLiteral("1235"));
    EXPECT_EQ(FormatNumber(0.126, 2), QStringLiteral("0.13"));
}

TEST(FormatNumberTest, NeverShowsMinusZeroOrGarbage) {
    // A label at a tenth of a window from -1 to 1 may come out as -1e-17.
    EXPECT_EQ(FormatNumber(-1e-17, 5), QStringLiteral("0"));
    EXPECT_EQ(FormatNumber(-0.004, 2), QStringLiteral("0"));
    EXPECT_EQ(FormatNumber(-0.0, 2), QStringLiteral("0"));
    EXPECT_EQ(FormatNumber(std::nan(""), 2), QStringLiteral("--"));
    EXPECT_EQ(FormatNumber(-INFINITY, 2), QStringLiteral("--"));
    EXPECT_EQ(FormatNumber(2.5, -3), QStringLiteral("2"));
    EXPECT_EQ(FormatNumber(1e300, 5).size(), 301);
}

class PlotScaleTest : public PlotFixture {
protected:
    // Vertical tick marks below the plot, counted by length.
    static std::map<int, int> BottomTickLengths(const CRecordingSurface& surface,
                                                const CPixelRect& plot) {
        std::map<int, int> lengths;
        for (const auto& line : surface.CallsOf(Kind::Line)) {
            if (line.from.x == line.to.x && line.from.y == plot.bottom + 1)
                ++lengths[line.to.y - line.from.y];
        }
        return lengths;
    }
};

TEST_F(PlotScaleTest, MinorTicksAppearFromFiveAndFromTwentyPixels) {
    // The plot is the client less 141 pixels across: bar, margins and the caption.
    const std::map<int, std::map<int, int>> expected = {
        {190, {{5, 11}}},                   // ticks 4.9 pixels apart
        {191, {{5, 11}, {3, 10}}},          // 5.0: the mid tick of every interval
        {340, {{5, 11}, {3, 10}}},          // 19.9
        {341, {{5, 11}, {3, 10}, {1, 90}}}, // 20.0: all nine
    };
    for (const auto& [width, lengths] : expected) {
        const CRecordingSurface surface = Paint(width, 300);
        EXPECT_EQ(BottomTickLengths(surface, plot.GetPlotRect()), lengths) << "width " << width;
    }
}

TEST_F(PlotScaleTest, ElevenLabelsPerSideAtTenthsOfTheWindow) {
    plot.viewBottom = plot.fullBottom = -100;
    const CRecordingSurface surface = Paint(641, 391);
    // Margins 55 and 30 plus the caption height 14 on the left and at the top.
    const CPixelRect expectedPlot{69, 44, 570, 345};
    ASSERT_EQ(plot.GetPlotRect(), expectedPlot);

    std::set<std::tuple<QString, int, int>> texts;
    for (const auto& call : surface.CallsOf(Kind::Text))
        texts.emplace(call.text, call.from.x, call.from.y);
    std::set<std::tuple<QString, int, int>> expected;
    for (int i = 0; i <= 10; ++i) {
        const QString across = QString::number(10 * i);
        const int x = 69 + 50 * i - (7 * static_cast<int>(across.size()) + 1) / 2;
        expected.emplace(across, x, 44 - 14 - 8);
        expected.emplace(across, x, 345 + 7);
        const QString down = QString::number(-10 * i);
        const int y = 44 + 30 * i - 7;
        expected.emplace(down, 69 - 7 * static_cast<int>(down.size()) - 8, y);
        expected.emplace(down, 570 + 7, y);
    }
    // Captions centred on the plot: across from the top, the upright one from the left.
    expected.emplace(QStringLiteral("Horizontal Legend"), 69 + 250 - 119 / 2, 5);
    expected.emplace(QStringLiteral("Vertical Legend"), 5, 44 + 106 / 2 + 150);
    EXPECT_EQ(texts, expected);

    for (const auto& call : surface.CallsOf(Kind::Text)) {
        const bool upright = call.text == plot.verticalCaption;
        EXPECT_EQ(call.font.escapement, upright ? 900 : 0) << call.text.toStdString();
        EXPECT_EQ(call.font.faceName, "MS Shell Dlg");
    }
    // The rotated font does not outlive the caption.
    EXPECT_EQ(surface.CurrentFont().escapement, 0);
}

TEST_F(PlotScaleTest, CaptionsOnTheOtherSidesMoveThoseEdges) {
    plot.captionLeft = false;
    plot.captionTop = false;
    plot.captionRight = true;
    plot.captionBottom = true;
    const CRecordingSurface surface = Paint(641, 391);
    EXPECT_EQ(plot.GetPlotRect(), (CPixelRect{55, 30, 570 - 14, 345 - 14}));
    int captions = 0;
    for (const auto& call : surface.CallsOf(Kind::Text)) {
        if (call.text == plot.horizontalCaption) {
            EXPECT_EQ(call.from.y, 375 - 14 - 5);
            ++captions;
        } else if (call.text == plot.verticalCaption) {
            EXPECT_EQ(call.from.x, 625 - 14 - 5);
            ++captions;
        }
    }
    EXPECT_EQ(captions, 2);
}

TEST_F(PlotScaleTest, WithoutLegendOnlyFrameAndGridRemain) {
    settings.SetLegendShown(false);
    const CRecordingSurface surface = Paint(400, 300);
    const CPixelRect p = plot.GetPlotRect();
    EXPECT_EQ(p, (CPixelRect{3, 3, 384 - 3, 284 - 3}));
    EXPECT_TRUE(surface.CallsOf(Kind::Text).empty());

    std::vector<CRecordingSurface::Call> frame;
    int gridLines = 0;
    for (const auto& line : surface.CallsOf(Kind::Line)) {
        if (line.pen.colour == settings.GetGridColour())
            ++gridLines;
        else
            frame.push_back(line);
    }
    EXPECT_GT(gridLines, 0);
    // The frame runs just outside the plot; nothing else (no tick) is drawn.
    ASSERT_EQ(frame.size(), 4u);
    const int l = p.left - 1;
    const int t = p.top - 1;
    const std::vector<std::pair<int, int>> corners = {
        {l, t}, {l, p.bottom}, {p.right, p.bottom}, {p.right, t}, {l, t}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::make_pair(frame[i].from.x, frame[i].from.y), corners[i]);
        EXPECT_EQ(std::make_pair(frame[i].to.x, frame[i].to.y), corners[i + 1]);
        EXPECT_EQ(frame[i].pen, (CPen{PenStyle::Solid, 1, settings.GetAxisColour()}));
    }
}

TEST_F(PlotScaleTest, GridUsesTheStylePenInAColourThatShowsOnTheBackground) {
    // Grid colour, background, the colour drawn: the grid's own unless the background hides it.
    const struct {
        std::uint32_t grid;
        std::uint32_t background;
        std::uint32_t drawn;
    } colours[] = {
        {0x123456, 0xFFFFFF, 0x123456}, {0x7F7F7F, 0xFFFFFF, 0x7F7F7F},
        {0x7F7F7F, 0x000000, 0x7F7F7F}, {0xFFFFFF, 0xFFFFFF, 0x404040},
        {0xF0F0F0, 0xFFFFFF, 0x404040}, {0x000000, 0x000000, 0xC0C0C0},
        {0x101010, 0x202020, 0xC0C0C0}, {0x0000FF, 0xFFFFFF, 0x0000FF},
    };
    for (const auto& c : colours)
        EXPECT_EQ(GridColourOn(c.grid, c.background), c.drawn)
            << std::hex << c.grid << " on " << c.background;

    settings.SetGridColour(0x123456);
    const std::map<int, PenStyle> pens = {
        {0, PenStyle::Solid}, {1, PenStyle::Dash}, {2, PenStyle::Dot}, {3, PenStyle::Solid}};
    for (int style = 0; style <= 4; ++style) {
        settings.SetGridStyle(static_cast<GridStyle>(style));
        const CRecordingSurface surface = Paint(400, 300);
        int grid = 0;
        for (const auto& line : surface.CallsOf(Kind::Line)) {
            if (line.pen.colour != 0x123456)
                continue;
            ++grid;
            EXPECT_EQ(line.pen, (CPen{pens.at(style), 1, 0x123456})) << "style " << style;
            // Drawn as it is: under NOT-XOR a trace along a grid line would vanish.
            EXPECT_EQ(line.mode, RasterMode::Copy);
        }
        // Nine columns, each with nine pieces, plus the last nine pieces; or 36 stubs.
        EXPECT_EQ(grid, style <= 2 ? 99 : style == 3 ? 36 : 0) << "style " << style;
    }
    // On a background of the grid's colour the grid still shows.
    settings.SetGridStyle(GridStyle::Solid);
    settings.SetBackgroundColour(0x123456);
    int seen = 0;
    for (const auto& line : Paint(400, 300).CallsOf(Kind::Line))
        seen += line.pen.colour == GridColourOn(0x123456, 0x123456);
    EXPECT_EQ(seen, 99);
}

TEST(GridTest, FullGridDrawsEveryPixelOnceAndLeavesNoGap) {
    // Sizes down to a few pixels, where two grid lines would fall on one column.
    for (int width = 1; width <= 64; width += 3) {
        for (int height = 1; height <= 64; height += 5) {
            const CPixelRect plot{10, 20, 10 + width, 20 + height};
            std::set<std::pair<int, int>> drawn;
            std::set<int> columns;
            std::set<int> rows;
            for (const CSegment& s : GridSegments(plot, GridStyle::Solid)) {
                for (const CScreenPoint p : CRecordingSurface::LinePixels(s.from, s.to)) {
                    EXPECT_TRUE(drawn.emplace(p.x, p.y).second)
                        << "pixel " << p.x << "," << p.y << " twice in " << width << "x" << height;
                    EXPECT_TRUE(p.x >= plot.left && p.x < plot.right && p.y >= plot.top &&
                                p.y < plot.bottom);
                }
                if (s.from.y == s.to.y)
                    rows.insert(s.from.y);
                else
                    columns.insert(s.from.x);
            }
            // Every grid row runs unbroken from the left edge to the right edge.
            for (const int y : rows) {
                for (int x = plot.left; x < plot.right; ++x)
                    EXPECT_TRUE(drawn.count({x, y})) << x << "," << y;
            }
            if (width >= 11) {
                EXPECT_EQ(columns.size(), 9u);
            }
        }
    }
}

TEST(GridTest, BrokenGridHasTenPixelStubsAtTheEdges) {
    const CPixelRect plot{0, 0, 201, 101};
    const auto stubs = GridSegments(plot, GridStyle::Broken);
    ASSERT_EQ(stubs.size(), 36u);
    for (const CSegment& s : stubs) {
        EXPECT_EQ(std::abs(s.to.x - s.from.x) + std::abs(s.to.y - s.from.y), 10);
        const bool atEdge = s.from.x == plot.left || s.from.x == plot.right ||
                            s.from.y == plot.top || s.from.y == plot.bottom;
        EXPECT_TRUE(atEdge);
    }
    EXPECT_TRUE(GridSegments(plot, GridStyle::None).empty());
}

TEST_F(PlotScaleTest, PaintRunsTheHooksInOrderOnThePlotRectangle) {
    Paint(400, 300);
    const CPixelRect p = plot.GetPlotRect();
    const std::vector<std::pair<std::string, CPixelRect>> expected = {
        {"grid", p}, {"data", p}, {"overlay", p}, {"plotRect", p}};
    EXPECT_EQ(plot.hooks, expected);
}

TEST_F(PlotScaleTest, WithoutDataOnlyAGreyAreaAndNothingToHit) {
    Paint(400, 300); // lays out the bars
    plot.hasData = false;
    plot.hooks.clear();
    const CRecordingSurface surface = Paint(400, 300);
    ASSERT_EQ(surface.Calls().size(), 1u);
    EXPECT_EQ(surface.Calls()[0].kind, Kind::Fill);
    EXPECT_EQ(surface.Calls()[0].rect, (CPixelRect{0, 0, 400, 300}));
    EXPECT_EQ(surface.Calls()[0].colour, plot.GetSystemColours().buttonShadow);
    EXPECT_TRUE(plot.hooks.empty());
    EXPECT_EQ(plot.HitTest(392, 292), HitCode::None);
}

TEST_F(PlotScaleTest, AWindowSmallerThanItsMarginsGetsAnEmptyPlot) {
    for (const auto& [width, height] : {std::pair{60, 40}, std::pair{0, 0}, std::pair{17, 17}}) {
        plot.hooks.clear();
        Paint(width, height);
        const CPixelRect p = plot.GetPlotRect();
        EXPECT_GE(p.right, p.left);
        EXPECT_GE(p.bottom, p.top);
        for (const auto& hook : plot.hooks)
            EXPECT_EQ(hook.second, p);
    }
}

} // namespace
