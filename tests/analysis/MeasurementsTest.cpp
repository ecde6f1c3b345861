#include "analysis/Measurements.h"
#include "tools/synth/SynthAnalysisTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kLightKmPerNs = 299792.458e-9;

// Markers set around each event of synthesized fibres, as a technician would place them, read
// against what the fibre was made of: every section's attenuation, every splice and gainer,
// every connector and reflective end well above the noise.
TEST(Measurements, ReadSynthesizedFibresWithinTolerance) {
    struct CCase {
        int wavelength;
        double spacing;
        std::uint64_t seed;
    };
    const CCase cases[] = {{1310, 4.0, 1}, {1550, 4.0, 2}, {1310, 2.0, 3}, {1550, 8.0, 4},
                           {1310, 4.0, 5}, {1625, 4.0, 6}, {1550, 2.0, 7}, {1310, 8.0, 8}};
    int sections = 0, splices = 0, gainers = 0, reflections = 0;
    for (const CCase& c : cases) {
        CSynthOptions options;
        options.wavelength = c.wavelength;
        options.spacing = c.spacing;
        options.seed = c.seed;
        const CTraceSynthesizer synth(options);
        const CAnalysisTrace trace = AnalysisTraceOf(synth);
        const std::vector<CSynthEvent>& events = synth.GetEvents();
        const double w = synth.GetEventWidth();
        // Reflections leave the receiver a tail of twelve recovery times.
        const double tail = std::max(0.15 * w, 2.0 * trace.spacingKm);
        const auto clear = [&](const CSynthEvent& e) {
            return e.position + (e.reflective ? 2.0 * w + 12.0 * tail : 2.0 * w);
        };
        for (std::size_t k = 1; k < events.size(); ++k) {
            const CSynthEvent& e = events[k];
            const CSynthEvent& prev = events[k - 1];
            SCOPED_TRACE(testing::Message() << "seed " << c.seed << " event at " << e.position);
            const std::size_t i =
                static_cast<std::size_t>(std::lround(e.position / trace.spacingKm));
            const double level = synth.GetLevels()[i > 3 ? i - 3 : 0];
            // Above the noise by 15 dB the backscatter is good to a few thousandths of a dB.
            if (level > synth.GetNoiseFloor() - 15.0)
                break;
            CMarkerSet m;
            m.a = clear(prev);
            m.b = e.position - 0.5 * w;
            if (m.b - m.a > 1.0) {
                const CMeasurement lsa = MeasureTrace(trace, EMeasureMode::Lsa, m);
                ASSERT_TRUE(lsa.attenuation.Ok());
                EXPECT_NEAR(lsa.attenuation.value, e.attenuation, 0.005);
                EXPECT_NEAR(lsa.loss.value, e.attenuation * (m.b - m.a), 0.005);
                EXPECT_LT(lsa.deviation.value, 0.01);
                ++sections;
            }
            if (e.end && !e.reflective)
                continue;
            m.a = e.position - 0.5 * w;
            m.b = e.position + 1.5 * w;
            m.a1 = std::max(clear(prev), m.a - 1.0);
            m.b1 = k + 1 < events.size() ? std::min(events[k + 1].position - w, m.b + 1.0) : 0.0;
            if (m.a - m.a1 < 0.3)
                continue;
            if (e.reflective) {
                // A peak the receiver clips says nothing of its reflectance.
                const float top = *std::min_element(synth.GetLevels().begin() + i,
                                                    synth.GetLevels().begin() + i + 2);
                if (top <= *std::min_element(synth.GetLevels().begin(), synth.GetLevels().end()))
                    continue;
                const CMeasurement r = MeasureTrace(trace, EMeasureMode::Reflectance, m);
                ASSERT_TRUE(r.reflectance.Ok());
                EXPECT_NEAR(r.reflectance.value, e.reflectance, 0.5);
                ++reflections;
            } else if (m.b1 - m.b > 0.3) {
                const CMeasurement s = MeasureTrace(trace, EMeasureMode::Splice, m);
                ASSERT_TRUE(s.loss.Ok());
                EXPECT_NEAR(s.loss.value, e.loss, 0.02);
                EXPECT_NEAR(s.eventKm, e.position, w);
                ++(e.loss < 0 ? gainers : splices);
            }
        }
    }
    EXPECT_GE(sections, 20);
    EXPECT_GE(splices, 10);
    EXPECT_GE(gainers, 2);
    EXPECT_GE(reflections, 4);
}

// The return of a stretch of plain fibre follows from the backscatter coefficient alone; a
// connector in it adds its reflectance.
TEST(Measurements, OrlOfASectionAgainstItsBackscatterAndReflection) {
    std::vector<float> levels(6000);
    const double spacingKm = 0.002, attenuation = 0.35, backscatter = 80.0, groupIndex = 1.468;
    // A pulse of five samples exactly, so that the peak's area is what the pulse makes it.
    const double pulseKm = 5.0 * spacingKm;
    const double pulseNs = pulseKm * 2.0 * groupIndex / kLightKmPerNs;
    const double connectorKm = 7.0, reflectance = -40.0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double x = static_cast<double>(i) * spacingKm;
        double power = std::pow(10.0, -(5.0 + attenuation * x) / 5.0);
        if (x >= connectorKm - 1e-9 && x < connectorKm + pulseKm - 1e-9)
            power *= 1.0 + std::pow(10.0, (reflectance + backscatter) / 10.0) / pulseNs;
        levels[i] = static_cast<float>(-5.0 * std::log10(power));
    }
    CAnalysisTrace trace;
    trace.levels = levels.data();
    trace.count = levels.size();
    trace.spacingKm = spacingKm;
    trace.pulseWidthNs = pulseNs;
    trace.groupIndex = groupIndex;
    trace.backscatter = backscatter;

    const double alpha = attenuation * std::log(10.0) / 5.0; // two-way, per km
    const double perKm = std::pow(10.0, -backscatter / 10.0) * 2.0 * groupIndex / kLightKmPerNs;
    const double a = 2.0, b = 6.0;
    const CMarkerSet plain{a, b, 1.0, 0.0};
    const double rayleigh = perKm * (1.0 - std::exp(-alpha * (b - a))) / alpha;
    const CMeasurement orl = MeasureTrace(trace, EMeasureMode::Orl, plain);
    ASSERT_TRUE(orl.orl.Ok());
    EXPECT_NEAR(orl.orl.value, -10.0 * std::log10(rayleigh), 0.05);

    const CMarkerSet across{a, 11.0, 1.0, 0.0};
    const double both = perKm * (1.0 - std::exp(-alpha * (11.0 - a))) / alpha +
                        std::pow(10.0, reflectance / 10.0) * std::exp(-alpha * (connectorKm - a));
    EXPECT_NEAR(MeasureTrace(trace, EMeasureMode::Orl, across).orl.value, -10.0 * std::log10(both),
                0.1);
}

// What cannot be measured is said so, with its reason, never a number.
TEST(Measurements, ReasonsWhenNothingCanBeMeasured) {
    std::vector<float> levels(1000);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<float>(5.0 + 0.001 * static_cast<double>(i));
    CAnalysisTrace trace;
    trace.levels = levels.data();
    trace.count = levels.size();
    trace.spacingKm = 0.01; // the trace reaches 9.99 km
    trace.pulseWidthNs = 100.0;
    trace.backscatter = 80.0;
    CAnalysisTrace bare = trace;
    bare.backscatter = 0.0;
    CAnalysisTrace noPulse = trace;
    noPulse.pulseWidthNs = 0.0;
    CAnalysisTrace empty = trace;
    empty.count = 0;

    struct CCase {
        const CAnalysisTrace* trace;
        EMeasureMode mode;
        CMarkerSet markers;
        EMeasureFault fault;
    };
    const CCase cases[] = {
        {&trace, EMeasureMode::Lsa, {2.0, 2.005, 0, 0}, EMeasureFault::FewSamplesAB},
        {&trace, EMeasureMode::Lsa, {2.0, 12.0, 0, 0}, EMeasureFault::MarkerOutside},
        {&trace, EMeasureMode::Lsa, {-1.0, 2.0, 0, 0}, EMeasureFault::MarkerOutside},
        {&trace, EMeasureMode::Splice, {2.0, 3.0, 1.995, 4.0}, EMeasureFault::FewSamplesBefore},
        {&trace, EMeasureMode::Splice, {2.0, 3.0, 1.0, 3.005}, EMeasureFault::FewSamplesAfter},
        {&trace, EMeasureMode::Splice, {2.0, 3.0, 1.0, 10.5}, EMeasureFault::MarkerOutside},
        {&trace, EMeasureMode::Reflectance, {2.0, 3.0, 1.0, 4.0}, EMeasureFault::NoPeak},
        {&bare, EMeasureMode::Reflectance, {2.0, 3.0, 1.0, 4.0}, EMeasureFault::NoBackscatter},
        {&noPulse, EMeasureMode::Reflectance, {2.0, 3.0, 1.0, 4.0}, EMeasureFault::NoPulseWidth},
        {&bare, EMeasureMode::Orl, {2.0, 3.0, 1.0, 4.0}, EMeasureFault::NoBackscatter},
        {&trace, EMeasureMode::Orl, {0.0, 3.0, 0.0, 4.0}, EMeasureFault::FewSamplesBefore},
        {&empty, EMeasureMode::Lsa, {2.0, 3.0, 1.0, 4.0}, EMeasureFault::NoTrace},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << MeasureModeName(c.mode) << " " << c.markers.a << ".."
                                        << c.markers.b << " " << MeasureFaultText(c.fault));
        const CMeasurement m = MeasureTrace(*c.trace, c.mode, c.markers);
        for (const CReading* r : {&m.loss, &m.attenuation, &m.deviation, &m.reflectance, &m.orl})
            if ((r == &m.loss && m.givesLoss) || (r == &m.attenuation && m.givesAttenuation) ||
                (r == &m.reflectance && m.givesReflectance) || (r == &m.orl && m.givesOrl)) {
                EXPECT_EQ(r->fault, c.fault);
                EXPECT_TRUE(std::isnan(r->value));
            }
    }
    // Markers in either order read the same fibre: LSA's loss turns sign, nothing else does.
    const CMeasurement forward = MeasureTrace(trace, EMeasureMode::Lsa, {2.0, 5.0, 0, 0});
    const CMeasurement backward = MeasureTrace(trace, EMeasureMode::Lsa, {5.0, 2.0, 0, 0});
    EXPECT_NEAR(forward.attenuation.value, 0.1, 1e-9);
    EXPECT_DOUBLE_EQ(backward.attenuation.value, forward.attenuation.value);
    EXPECT_DOUBLE_EQ(backward.loss.value, -forward.loss.value);
}

} // namespace
