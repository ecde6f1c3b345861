// A full repaint of the trace view: ten traces of a million samples each, at 1920 by 1080,
// into an off-screen image through the Qt surface, as the window's back buffer is painted;
// once with the window unchanged and once with it moving between repaints.

#include "display/CQtSurface.h"
#include "display/CTracePlot.h"
#include "formats/bellcore/CGR196File.h"
#include "project/CWorkspace.h"
#include "scan/CAppSettings.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kTraces = 10;
constexpr int kSamples = 1'000'000;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A fibre-like curve: attenuation, a few splices and reflections, noise rising at the end.
std::vector<float> MakeLevels(int seed) {
    std::mt19937 random(static_cast<unsigned>(seed));
    std::normal_distribution<float> noise(0.0f, 0.05f);
    std::vector<float> levels(kSamples);
    const float offset = 2.0f * static_cast<float>(seed);
    for (int i = 0; i < kSamples; ++i) {
        const float km = 100.0f * static_cast<float>(i) / kSamples;
        float level = 5.0f + offset + 0.2f * km + static_cast<float>(i / 150'000) * 0.5f;
        if (i % 97'000 < 20)
            level -= 4.0f;
        if (km > 85.0f)
            level = 50.0f + 2.0f * noise(random);
        levels[static_cast<std::size_t>(i)] = level + noise(random);
    }
    return levels;
}

std::string WriteTrace(const QTemporaryDir& dir, int seed) {
    CGR196File file;
    CFxdParams& fxd = file.GetFxdParams();
    fxd.SetGroupIndex(1.4682);
    fxd.SetAcquisitionRange(fxd.KmToTime(100.0));
    fxd.AddPulseEntry(CPulseWidthEntry(1000, 500, kSamples));
    const std::vector<float> levels = MakeLevels(seed);
    file.GetDataPts().SetLevels(kSamples, levels.data());
    const std::string path = dir.filePath(QStringLiteral("trace%1.sor").arg(seed)).toStdString();
    file.Save(path);
    return path;
}

// Ten traces of a million samples in one project, and the settings, in a scratch folder.
class CTenTraces {
public:
    CTenTraces() : settings_(dir_.path().toStdString()) {
        for (int i = 0; i < kTraces; ++i)
            opened_ = workspace_.OpenTrace(WriteTrace(dir_, i)) && opened_;
    }
    bool IsOpen() const { return opened_; }
    CWorkspace& Workspace() { return workspace_; }
    const CAppSettings& Settings() const { return settings_; }

private:
    QTemporaryDir dir_;
    CAppSettings settings_;
    CWorkspace workspace_;
    bool opened_ = true;
};

CTenTraces& Traces() {
    static CTenTraces traces;
    return traces;
}

// panBy 0: the same window every time, as while a marker is dragged or the window is exposed;
// otherwise the window moves back and forth by this many km, so every trace is projected anew.
void RepaintLoop(benchmark::State& state, double panBy) {
    CTenTraces& traces = Traces();
    if (!traces.IsOpen()) {
        state.SkipWithError("a trace did not open");
        return;
    }
    CTracePlot plot(traces.Workspace(), traces.Settings());
    plot.RecalcRange();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    bool moved = false;
    for (auto _ : state) {
        if (panBy != 0.0) {
            moved = !moved;
            plot.SetHorzWindow(moved ? panBy : 0.0, moved ? 100.0 : 100.0 - panBy);
        }
        CQtSurface surface(image);
        plot.PaintTo(surface, {0, 0, kWidth, kHeight});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kTraces * kSamples);
}

void BM_TraceViewRepaint(benchmark::State& state) {
    RepaintLoop(state, 0.0);
}
BENCHMARK(BM_TraceViewRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TraceViewPan(benchmark::State& state) {
    RepaintLoop(state, 0.5);
}
BENCHMARK(BM_TraceViewPan)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
