// Samples and key events share one distance frame: where a trace begins before the events'
// zero (a launch cable, an instrument's front panel) its samples lie at negative distances.

#include "core/BellcoreTrace.h"
#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "core/SignalFactory.h"
#include "core/SignalFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kGroupIndex = 1.47;
// Time units of one km at kGroupIndex.
constexpr double kUnitsPerKm = kGroupIndex / 0.00002998;

const CFxdParams* FxdOf(const CSignal& signal) {
    if (const auto* gr196 = dynamic_cast<const CGR196Signal*>(&signal))
        return &gr196->GetFile().GetFxdParams();
    if (const auto* sr4731 = dynamic_cast<const CSR4731Signal*>(&signal))
        return &sr4731->GetFile().GetFxdParams();
    return nullptr;
}

// How many reflective and end events of the trace were checked, and a message for each that
// does not sit on a sharp rise or drop of the curve within a pulse length (plus two samples).
// A feature is a change over half a pulse that is at least 0.1 dB and three times the
// median change of the curve around it; events too near either end of the samples to judge
// are left out.
int CheckEventsOnFeatures(const CSignal& signal, double pulseKm, std::vector<std::string>& misses) {
    const std::vector<float>& levels = signal.GetLevels();
    const std::size_t n = levels.size();
    const double dx = signal.GetSampleSpacing();
    if (n < 16 || !(dx > 0.0))
        return 0;
    const auto k = static_cast<std::size_t>(std::max(1.0, std::round(pulseKm / dx / 2.0)));
    std::vector<double> steps(n - k);
    for (std::size_t j = 0; j + k < n; ++j)
        steps[j] = std::fabs(static_cast<double>(levels[j + k]) - levels[j]);
    const double tolerance = (pulseKm + 2.0 * dx) / dx; // samples
    const auto around = static_cast<std::ptrdiff_t>(25.0 * pulseKm / dx) + 50;
    int checked = 0;
    for (int e = 0; e < signal.GetEventCount(); ++e) {
        const CKeyEvent event = signal.GetEvent(e);
        if (event.GetType() != 1 && event.GetMarker() != 2)
            continue;
        const double at = (event.GetPosition() - signal.GetSampleDistance(0.0)) / dx;
        if (!(at >= tolerance) || !(at <= static_cast<double>(n - 1) - tolerance))
            continue;
        ++checked;
        const auto size = static_cast<std::ptrdiff_t>(steps.size());
        const std::ptrdiff_t a = std::max<std::ptrdiff_t>(
            0, static_cast<std::ptrdiff_t>(at - tolerance) - static_cast<std::ptrdiff_t>(k));
        const std::ptrdiff_t b =
            std::min<std::ptrdiff_t>(size, static_cast<std::ptrdiff_t>(at + tolerance) + 1);
        const double step = *std::max_element(steps.begin() + a, steps.begin() + b);
        std::vector<double> local(steps.begin() + std::max<std::ptrdiff_t>(0, a - around),
                                  steps.begin() + std::min(size, b + around));
        std::nth_element(local.begin(), local.begin() + local.size() / 2, local.end());
        const double median = local[local.size() / 2];
        if (!(step >= 0.1 && step >= 3.0 * median))
            misses.push_back(FormatText("event at %.4f km: largest change %.3f dB, median %.3f",
                                        event.GetPosition(), step, median));
    }
    return checked;
}

} // namespace

TEST(SampleFrame, TheEventsZeroComesFromTheOffsetsTheInstrumentSet) {
    struct CCase {
        const char* what;
        std::int32_t user, userDistance, acquisition, frontPanel;
        double zeroKm;
    };
    const auto units = [](double km) { return static_cast<std::int32_t>(km * kUnitsPerKm); };
    const CCase cases[] = {
        {"nothing set", 0, 0, 0, 0, 0.0},
        {"a launch cable", units(1.0095), 10095, 0, 0, 1.0095},
        {"only its distance, in 0.1 m", 0, 5000, 0, 0, 0.5},
        {"the front panel 10 m in", 0, 0, 0, units(0.0102), 0.0102},
        {"both front-panel fields: the acquisition offset counts", units(0.5034), 0, units(-0.0437),
         units(0.0439), 0.4597},
        {"a trace that starts after the zero", 0, 0, units(-0.2), 0, -0.2},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(EventZeroKm(c.user, c.userDistance, c.acquisition, c.frontPanel, kGroupIndex),
                    c.zeroKm, 1e-4);
    }
    EXPECT_EQ(EventZeroKm(units(1.0), 0, 0, 0, 0.0), 0.0) << "no group index, no offset";
}

TEST(SampleFrame, SamplesAreTheirDataSpacingApartUnlessItContradictsTheRange) {
    CFxdParams fxd;
    fxd.SetGroupIndex(kGroupIndex);
    fxd.SetAcquisitionRange(static_cast<std::uint32_t>(5.5815 * kUnitsPerKm));
    // 0.2043 m a sample over 30000 samples is 10 % more than the range: still the samples'.
    fxd.AddPulseEntry(
        CPulseWidthEntry(30, static_cast<std::uint32_t>(0.0002043 * kUnitsPerKm * 1e4), 30000));
    CSampleFrame frame = BellcoreSampleFrame(0.4597, fxd, 30000);
    EXPECT_DOUBLE_EQ(frame.start, -0.4597);
    EXPECT_NEAR(frame.end - frame.start, 29999 * 0.0002043, 1e-4);

    // A placeholder spacing: the samples spread over the range.
    fxd.Reset();
    fxd.AddPulseEntry(CPulseWidthEntry(30, 500, 30000));
    frame = BellcoreSampleFrame(0.0, fxd, 30000);
    EXPECT_DOUBLE_EQ(frame.start, 0.0);
    EXPECT_NEAR(frame.end, 5.5815, 1e-4);
}

TEST(SampleFrame, ALaunchCableKeepsItsPlaceThroughEveryFormat) {
    CScratchDir dir;
    CScriptedPromptsScope scope;
    CSR4731File file;
    FillBellcore(file, StandardEvents());
    file.GetGenParams().SetUserOffset(
        static_cast<std::int32_t>(1.0 * file.GetFxdParams().GetGroupIndex() / 0.00002998));
    file.Save(dir.Path("a.tra"));

    std::unique_ptr<CSignal> original(OpenSignal(dir.Path("a.tra")));
    ASSERT_TRUE(original);
    EXPECT_NEAR(original->GetStartDistance(), -1.0, 1e-4);
    EXPECT_NEAR(original->GetEndDistance(), 19.0, 1e-4);
    EXPECT_DOUBLE_EQ(original->GetSampleDistance(399.0), original->GetEndDistance());
    for (const SignalKind kind : {CGR196Signal::kKind, CM600Signal::kKind}) {
        SCOPED_TRACE(KindNumber(kind));
        std::unique_ptr<CSignal> converted(ConvertSignal(*original, kind));
        ASSERT_TRUE(converted);
        const std::string path = dir.Path("b" + std::to_string(KindNumber(kind)));
        ASSERT_TRUE(converted->Save(path));
        std::unique_ptr<CSignal> reopened(OpenSignal(path));
        ASSERT_TRUE(reopened);
        EXPECT_NEAR(reopened->GetStartDistance(), -1.0, 1e-4);
        EXPECT_NEAR(reopened->GetEndDistance(), 19.0, 1e-3);
        EXPECT_NEAR(reopened->GetEvent(reopened->GetEventCount() - 1).GetPosition(), 20.0, 1e-3);
    }
    EXPECT_TRUE(scope.prompts.shown.empty());
}

TEST(SampleFrame, EveryReflectionAndFibreEndOfTheSampleFilesSitsOnItsFeature) {
    const auto files = SampleFiles({".sor", ".tra"});
    if (files.empty())
        GTEST_SKIP() << "no sample folder";
    CScriptedPromptsScope scope;
    int checked = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        std::unique_ptr<CSignal> signal(OpenSignal(path.string()));
        ASSERT_TRUE(signal);
        const CFxdParams* fxd = FxdOf(*signal);
        ASSERT_TRUE(fxd);
        if (fxd->GetPulseEntryCount() == 0)
            continue;
        const double pulseKm =
            fxd->GetPulseEntry(0).GetPulseWidth() * 1e-9 * 299792.458 / fxd->GetGroupIndex();
        std::vector<std::string> misses;
        checked += CheckEventsOnFeatures(*signal, pulseKm, misses);
        for (const std::string& miss : misses)
            ADD_FAILURE() << miss << " (samples from " << signal->GetStartDistance() << " km)";
    }
    EXPECT_GT(checked, 0);
}
