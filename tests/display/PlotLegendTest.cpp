// The box naming the traces on the plot: which traces, in which colours, where, and what
// happens to names and rows that do not fit.

#include "display/PlotLegend.h"
#include "TraceTestSupport.h"

namespace {

class PlotLegendTest : public TraceFixture {
protected:
    // The texts drawn in the plot's top-right third with their colours, top to bottom.
    std::vector<std::pair<QString, std::uint32_t>> LegendTexts(const CRecordingSurface& surface,
                                                               const CPixelRect& plot) const {
        std::vector<std::pair<QString, std::uint32_t>> texts;
        for (const auto& call : surface.CallsOf(CRecordingSurface::Kind::Text)) {
            if (call.from.x > plot.left + 2 * plot.Width() / 3 && call.from.x < plot.right &&
                call.from.y > plot.top + 28 && call.from.y < plot.bottom)
                texts.emplace_back(call.text, call.colour);
        }
        return texts;
    }
};

TEST_F(PlotLegendTest, NamesEveryVisibleTraceInItsColourTheActiveLast) {
    Open(Ramp(200, 2.0f, 0.1f));
    Open(Ramp(200, 4.0f, 0.1f));
    Open(Ramp(200, 6.0f, 0.1f), 20.0, {}, true);
    Open(Ramp(200, 8.0f, 0.1f));
    // The new project's first trace is made active: it is drawn last, so it is named last.
    workspace.GetProject(1).SetActiveEntry(0);
    const auto colour = [this](int project, int entry) {
        return workspace.GetProject(project).GetEntry(entry).GetColour();
    };
    const CPixelRect plot = ShowPlot();

    const auto texts = LegendTexts(Paint(), plot);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], std::make_pair(QStringLiteral("t1.sor"), colour(0, 0)));
    EXPECT_EQ(texts[1], std::make_pair(QStringLiteral("t2.sor"), colour(0, 1)));
    EXPECT_EQ(texts[2], std::make_pair(QStringLiteral("t4.sor"), colour(1, 1)));
    EXPECT_EQ(texts[3], std::make_pair(QStringLiteral("t3.sor"), colour(1, 0)));
    EXPECT_NE(colour(0, 0), colour(1, 0));

    settings.SetOneTraceMode(true);
    const auto one = LegendTexts(Paint(), plot);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].first, QStringLiteral("t3.sor"));

    settings.SetLegendShown(false);
    EXPECT_TRUE(LegendTexts(Paint(), plot).empty());
}

TEST(PlotLegendBoxTest, StaysInsideThePlotBelowTheLabelsAndShortensWhatDoesNotFit) {
    // 7 pixels per character, 14 per line.
    const CPixelRect plot{100, 50, 700, 200};
    const CLegendStyle style; // inset 6, padding 4, sample 24, gap 6
    std::vector<CLegendEntry> entries;
    for (int i = 0; i < 12; ++i)
        entries.push_back({QStringLiteral("fibre-%1_1550nm_span-east.sor").arg(i),
                           {PenStyle::Dash, 1, 0x0000FFu + static_cast<std::uint32_t>(i)},
                           0x0000FFu + static_cast<std::uint32_t>(i)});
    CRecordingSurface surface;
    const CPixelRect box = DrawLegend(surface, plot, 28, entries, style);

    EXPECT_EQ(box.right, plot.right - 6);
    EXPECT_EQ(box.top, plot.top + 28 + 6);
    EXPECT_LE(box.bottom, plot.bottom - 6);
    EXPECT_LE(box.Width(), plot.Width() / 3);
    const auto texts = surface.CallsOf(CRecordingSurface::Kind::Text);
    // (150 - 28 - 12 - 8) / 14 = 7 rows: six names and a row counting the other six.
    ASSERT_EQ(texts.size(), 7u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(texts[i].text.startsWith(QStringLiteral("fibre-"))) << i;
        EXPECT_TRUE(texts[i].text.endsWith(QStringLiteral(".sor"))) << i;
        EXPECT_TRUE(texts[i].text.contains(QStringLiteral("…"))) << i;
        EXPECT_LE(texts[i].from.x + 7 * texts[i].text.size(), box.right - 4) << i;
        EXPECT_EQ(texts[i].colour, entries[i].textColour);
    }
    EXPECT_TRUE(texts[6].text.contains(QStringLiteral("6")));
    // Each sample line is drawn with its trace's own pen.
    const auto lines = surface.CallsOf(CRecordingSurface::Kind::Line);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const auto& line) { return line.pen == entries[5].pen; }));

    // A plot too low for a single row gets no box at all.
    CRecordingSurface small;
    EXPECT_TRUE(DrawLegend(small, {0, 0, 300, 40}, 28, entries, style).IsEmpty());
    EXPECT_TRUE(small.Calls().empty());
}

} // namespace
