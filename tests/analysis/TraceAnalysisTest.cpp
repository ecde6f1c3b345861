#include "analysis/TraceAnalysis.h"

#include "analysis/SignalAnalysis.h"
#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "platform/CException.h"
#include "support/TestSupport.h"
#include "tools/synth/SynthAnalysisTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kLightKmPerNs = 299792.458e-9;
constexpr double kGroupIndex = 1.468;

// One feature of a hand-built fibre.
struct CFeature {
    double km;
    double loss;        // dB, negative for a gain
    double reflectance; // dB; 0 for none
    double drum = 0.0;  // dB/km the fibre after it falls faster than the one before
};

// A fibre drawn as an instrument shows it: a saturated launch, backscatter falling with the
// attenuation, losses spread over the pulse, reflections as peaks a pulse wide, and after the
// end (reflective or not) the receiver's rectified noise.
struct CFibre {
    double spacingM = 2.0;
    double pulseNs = 100.0;
    int count = 8000;
    double attenuation = 0.30; // dB/km
    double startLevel = 8.0;   // stored dB
    double noise = 0.004;      // dB on the backscatter
    double endKm = 12.0;
    double endReflectance = 0.0;
    double backscatter = 80.0;
    std::vector<CFeature> features;
    unsigned seed = 7;
    // Receivers that clip their noise at a floor: most samples after the end sit on it.
    bool clippedNoise = false;
    // Some instruments record a dark stretch before the launch, at negative distances.
    double leadInKm = 0.0;
    // dB/km: after a strong end reflection some receivers recover slowly, and the trace
    // falls from the backscatter into the noise instead of dropping at once.
    double recovery = 0.0;
    // The strongest level the receiver shows (stored dB): peaks above it are clipped.
    double clip = -100.0;
    // dB: the backscatter's own ripple, smooth over a couple of pulses (the fibre's
    // scattering varying along it), which long pulses on a quiet trace show.
    double ripple = 0.0;
    // Single samples standing this many dB above the trace: noise spikes, not reflections.
    std::vector<std::pair<double, double>> spikes;

    double PulseKm() const { return pulseNs * kLightKmPerNs / (2.0 * kGroupIndex); }
    std::size_t LeadIn() const { return static_cast<std::size_t>(leadInKm * 1000.0 / spacingM); }
    double Tolerance() const { return std::max({0.025, 1.5 * PulseKm(), 3.0 * spacingM / 1000}); }

    std::vector<float> Levels() const {
        std::mt19937 random(seed);
        std::normal_distribution<double> gauss(0.0, 1.0);
        const double spacingKm = spacingM / 1000.0;
        const double pulse = PulseKm();
        std::vector<float> levels(static_cast<std::size_t>(count));
        std::vector<double> ripples(static_cast<std::size_t>(count), 0.0);
        if (ripple > 0.0) {
            // White noise averaged over two pulses, scaled to the ripple's spread.
            std::mt19937 other(seed + 1);
            std::vector<double> white(static_cast<std::size_t>(count));
            for (double& w : white)
                w = gauss(other);
            const int reach = std::max(1, static_cast<int>(pulse / spacingKm));
            for (int i = 0; i < count; ++i) {
                double sum = 0.0;
                for (int k = std::max(0, i - reach); k <= std::min(count - 1, i + reach); ++k)
                    sum += white[static_cast<std::size_t>(k)];
                ripples[static_cast<std::size_t>(i)] = ripple * sum / std::sqrt(2.0 * reach + 1.0);
            }
        }
        for (int i = 0; i < count; ++i) {
            const double x = i * spacingKm;
            double level = startLevel + attenuation * std::min(x, endKm);
            double peak = 0.0; // extra power over the backscatter, relative
            for (const CFeature& f : features) {
                if (x >= f.km)
                    level += f.loss * std::min(1.0, (x - f.km) / pulse) +
                             f.drum * (std::min(x, endKm) - f.km);
                if (f.reflectance != 0.0 && x >= f.km && x < f.km + pulse)
                    peak += std::pow(10.0, (f.reflectance + backscatter) / 10.0) / pulseNs;
            }
            double stored;
            if (x < endKm) {
                stored = level - 5.0 * std::log10(1.0 + peak) + noise * gauss(random) +
                         ripples[static_cast<std::size_t>(i)];
            } else {
                const double end = std::pow(10.0, (endReflectance + backscatter) / 10.0) / pulseNs;
                const double band = clippedNoise
                                        ? (gauss(random) < 0.3 ? 30.0 : 23.0 - 1.5 * gauss(random))
                                        : 40.0 + 2.0 * std::abs(gauss(random));
                stored = endReflectance != 0.0 && x < endKm + pulse
                             ? level - 5.0 * std::log10(1.0 + end)
                             : band;
                if (recovery > 0.0 && x >= endKm + pulse)
                    stored = std::min(stored, level + 1.0 + recovery * (x - endKm - pulse));
            }
            // The launch saturates the receiver for a few pulses.
            if (x < 3.0 * pulse)
                stored = 1.0;
            stored = std::max(stored, clip);
            for (const auto& [km, dB] : spikes)
                if (static_cast<int>(std::lround(km / spacingKm)) == i)
                    stored -= dB;
            levels[static_cast<std::size_t>(i)] = static_cast<float>(stored);
        }
        levels.insert(levels.begin(), LeadIn(), 60.0f);
        return levels;
    }

    CAnalysisResult Analyse(const CAnalysisThresholds& thresholds = {}) {
        levels_ = Levels();
        CAnalysisTrace trace;
        trace.levels = levels_.data();
        trace.count = levels_.size();
        trace.spacingKm = spacingM / 1000.0;
        trace.startKm = -static_cast<double>(LeadIn()) * trace.spacingKm;
        trace.pulseWidthNs = pulseNs;
        trace.groupIndex = kGroupIndex;
        trace.backscatter = backscatter;
        trace.wavelength = 1550;
        return AnalyzeTrace(trace, thresholds);
    }

private:
    std::vector<float> levels_;
};

// The found event nearest to km, or null when none lies within tolerance.
const CKeyEvent* Near(const CAnalysisResult& result, double km, double tolerance) {
    const CKeyEvent* best = nullptr;
    for (const CKeyEvent& event : result.events)
        if (std::abs(event.GetPosition() - km) <= tolerance &&
            (!best || std::abs(event.GetPosition() - km) < std::abs(best->GetPosition() - km)))
            best = &event;
    return best;
}

// The events, for failure messages.
std::string Listing(const CAnalysisResult& result) {
    std::string text;
    for (const CKeyEvent& event : result.events)
        text += event.GetTypeName() + " " + event.GetPositionText() + " km, " +
                std::to_string(event.GetLoss()) + " dB\n";
    return text;
}

void ExpectWellFormed(const CAnalysisResult& result) {
    ASSERT_GE(result.events.size(), 2u);
    EXPECT_EQ(result.events.front().GetMarker(), 1);
    EXPECT_EQ(result.events.back().GetMarker(), 2);
    for (std::size_t i = 1; i < result.events.size(); ++i) {
        EXPECT_LE(result.events[i - 1].GetPosition(), result.events[i].GetPosition());
        EXPECT_FALSE(result.events[i].GetFlag()) << "found by software, not by the user";
        if (i + 1 < result.events.size()) {
            EXPECT_EQ(result.events[i].GetMarker(), 0);
        }
    }
}

// Each of the fibre's features is near an event losing what it does.
void ExpectFeaturesFound(const CAnalysisResult& result, const CFibre& fibre, double lossTolerance) {
    for (const CFeature& f : fibre.features) {
        SCOPED_TRACE(f.km);
        const CKeyEvent* event = Near(result, f.km, fibre.Tolerance());
        EXPECT_NE(event, nullptr) << Listing(result);
        if (event) {
            EXPECT_NEAR(event->GetLoss(), f.loss, lossTolerance) << Listing(result);
        }
    }
}

TEST(AnalysisFit, LeastSquaresLineThroughSamples) {
    struct Case {
        double slope, intercept, wobble;
        std::size_t begin, end;
    };
    for (const Case& c : {Case{0.0, 5.0, 0.0, 0, 10}, Case{-0.25, 30.0, 0.0, 3, 50},
                          Case{0.01, -2.0, 0.5, 10, 110}, Case{1.5, 0.0, 0.1, 0, 2}}) {
        std::vector<float> levels(c.end + 5);
        for (std::size_t i = 0; i < levels.size(); ++i)
            // A wobble alternating in pairs (+ - - +) leaves the best line unmoved.
            levels[i] = static_cast<float>(c.intercept + c.slope * static_cast<double>(i) +
                                           ((i % 4 == 0 || i % 4 == 3) ? c.wobble : -c.wobble));
        const CLineFit fit = FitLine(levels.data(), c.begin, c.end);
        EXPECT_EQ(fit.count, c.end - c.begin);
        if ((c.end - c.begin) % 4 == 0) {
            EXPECT_NEAR(fit.slope, c.slope, 1e-4);
            EXPECT_NEAR(fit.At(0.0), c.intercept, 1e-3);
        }
        if (c.wobble == 0.0) {
            EXPECT_NEAR(fit.sigma, 0.0, 1e-4);
        }
    }
    const float one = 3.0f;
    EXPECT_EQ(FitLine(&one, 0, 1).At(7.0), 3.0) << "a single sample is a level line";
    EXPECT_EQ(FitLine(&one, 0, 0).count, 0u);
    EXPECT_EQ(FitLine(nullptr, 0, 5).count, 0u);
}

TEST(AnalysisReflectance, HandWorkedValueAndItsInverse) {
    // H = 1 dB, D = 100 ns, B = 80 dB: 10^0.2 - 1 = 0.584893; 10·log10(58.4893) = 17.6708.
    EXPECT_NEAR(ReflectanceFromHeight(1.0, 100.0, 80.0), -62.3292, 1e-3);
    // A stronger reflection is a taller peak; a longer pulse makes the same one shorter.
    EXPECT_GT(HeightFromReflectance(-30.0, 100.0, 80.0), HeightFromReflectance(-50.0, 100.0, 80.0));
    EXPECT_GT(HeightFromReflectance(-40.0, 10.0, 80.0), HeightFromReflectance(-40.0, 1000.0, 80.0));
    for (double r : {-70.0, -55.0, -40.0, -14.0})
        for (double pulse : {5.0, 100.0, 20000.0})
            EXPECT_NEAR(ReflectanceFromHeight(HeightFromReflectance(r, pulse, 81.7), pulse, 81.7),
                        r, 1e-9);
    EXPECT_EQ(TypicalBackscatter(1550), 81.7);
}

TEST(AnalysisEvents, SplicesGainersAndConnectorsAreFoundAndMeasured) {
    CFibre fibre;
    fibre.features = {{2.0, 0.20, 0.0}, {4.0, -0.10, 0.0}, {6.0, 0.50, -45.0}, {8.5, 0.08, 0.0}};
    const CAnalysisResult result = fibre.Analyse();
    ExpectWellFormed(result);
    ASSERT_EQ(result.events.size(), 6u) << Listing(result);
    const double tolerance = fibre.Tolerance();
    for (const CFeature& f : fibre.features) {
        SCOPED_TRACE(f.km);
        const CKeyEvent* event = Near(result, f.km, tolerance);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->GetType(), f.reflectance != 0.0 ? 1 : 0);
        EXPECT_NEAR(event->GetLoss(), f.loss, 0.03);
        if (f.reflectance != 0.0) {
            EXPECT_NEAR(event->GetReflectance(), f.reflectance, 1.5);
        }
        EXPECT_NEAR(event->GetAttenuation(), fibre.attenuation, 0.02);
    }
    const CKeyEvent& end = result.events.back();
    EXPECT_NEAR(end.GetPosition(), fibre.endKm, tolerance);
    EXPECT_NEAR(result.endToEndLoss, 12.0 * 0.30 + 0.20 - 0.10 + 0.50 + 0.08, 0.1);
    EXPECT_TRUE(std::isfinite(result.opticalReturnLoss));

    // Thresholds leave out what is smaller, and gains when they are not wanted.
    CAnalysisThresholds noGains;
    noGains.reportGains = false;
    EXPECT_EQ(Near(fibre.Analyse(noGains), 4.0, tolerance), nullptr);
    CAnalysisThresholds coarse;
    coarse.spliceLoss = 0.25;
    const CAnalysisResult fewer = fibre.Analyse(coarse);
    EXPECT_EQ(Near(fewer, 2.0, tolerance), nullptr);
    EXPECT_NE(Near(fewer, 6.0, tolerance), nullptr);
    // A reflectance threshold above the connector's turns it into a plain loss, one event
    // measured across its peak: not the peak's edges as a gain and a loss. Where it loses
    // nothing it is no event at all.
    CAnalysisThresholds strict;
    strict.reflectance = -40.0;
    for (const double loss : {0.5, 0.0}) {
        SCOPED_TRACE(loss);
        fibre.features[2].loss = loss;
        const CAnalysisResult plain = fibre.Analyse(strict);
        ASSERT_EQ(plain.events.size(), loss > 0.0 ? 6u : 5u) << Listing(plain);
        const CKeyEvent* connector = Near(plain, 6.0, tolerance);
        ASSERT_EQ(connector != nullptr, loss > 0.0) << Listing(plain);
        if (connector) {
            EXPECT_EQ(connector->GetType(), 0);
            EXPECT_NEAR(connector->GetPosition(), 6.0, 0.5 * fibre.PulseKm());
            EXPECT_NEAR(connector->GetLoss(), loss, 0.03);
        }
    }
}

TEST(AnalysisEvents, NothingInsideADeadZoneAndNoEchoOfAStrongReflection) {
    CFibre fibre;
    const double pulse = fibre.PulseKm();
    // A splice hidden in the connector's peak, and the connector's echo off the launch at
    // twice its distance: neither is an event.
    fibre.features = {{3.0, 0.3, -25.0}, {3.0 + 0.5 * pulse, 0.2, 0.0}, {6.0, 0.0, -60.0}};
    CAnalysisResult result = fibre.Analyse();
    ExpectWellFormed(result);
    EXPECT_EQ(result.events.size(), 3u) << Listing(result);
    const CKeyEvent* connector = Near(result, 3.0, fibre.Tolerance());
    ASSERT_NE(connector, nullptr);
    EXPECT_NEAR(connector->GetLoss(), 0.5, 0.05) << "the hidden splice counts into its loss";

    // The same weak reflection where no echo can fall is an event.
    fibre.features.back().km = 5.2;
    result = fibre.Analyse();
    const CKeyEvent* weak = Near(result, 5.2, fibre.Tolerance());
    ASSERT_NE(weak, nullptr);
    EXPECT_EQ(weak->GetType(), 1);

    // A receiver that clips both peaks: over the weaker fibre at twice the distance the echo
    // stands taller than the connector, and is still no event.
    fibre.clip = 1.0;
    fibre.features = {{3.0, 0.3, -25.0}, {6.0, 0.0, -40.0}};
    result = fibre.Analyse();
    EXPECT_EQ(result.events.size(), 3u) << Listing(result);

    // A single sample standing out is noise where a pulse spans many samples: neither a
    // reflection nor the edges of steps. Where the pulse is shorter than a sample it is a
    // reflection, and the fibre still ends where it does.
    struct Spike {
        double pulseNs;
        double dB;
    };
    for (const Spike& c : {Spike{100.0, 2.0}, Spike{100.0, 15.0}, Spike{300.0, 2.0},
                           Spike{300.0, 15.0}, Spike{10.0, 15.0}}) {
        SCOPED_TRACE(std::to_string(c.pulseNs) + " ns, " + std::to_string(c.dB) + " dB");
        CFibre spiky;
        spiky.pulseNs = c.pulseNs;
        spiky.spikes = {{3.0, c.dB}, {7.0, c.dB}};
        result = spiky.Analyse();
        ExpectWellFormed(result);
        const bool narrow = spiky.PulseKm() < spiky.spacingM / 1000.0;
        ASSERT_EQ(result.events.size(), narrow ? 4u : 2u) << Listing(result);
        if (narrow) {
            for (const auto& spike : spiky.spikes) {
                const CKeyEvent* peak = Near(result, spike.first, spiky.Tolerance());
                ASSERT_NE(peak, nullptr) << Listing(result);
                EXPECT_EQ(peak->GetType(), 1) << Listing(result);
            }
        }
        EXPECT_NEAR(result.events.back().GetPosition(), spiky.endKm, spiky.Tolerance());
    }
}

TEST(AnalysisEvents, ALongPulseSeesSmallSplicesAndPlacesAConnectorAtItsEdge) {
    // A 10 us pulse over 8 m samples: each event spans a hundred samples or more, so a splice
    // leaks into every detector window near it, and the line before a connector is easily bent.
    CFibre fibre;
    fibre.spacingM = 8.0;
    fibre.pulseNs = 10000.0;
    fibre.count = 16000;
    fibre.attenuation = 0.2;
    fibre.noise = 0.002;
    fibre.endKm = 100.0;
    fibre.endReflectance = -20.0;
    fibre.features = {{30.0, 0.12, 0.0}, {36.0, 0.4, -45.0}, {60.0, 0.10, 0.0}};
    const CAnalysisResult result = fibre.Analyse();
    ExpectWellFormed(result);
    EXPECT_EQ(result.events.size(), 5u) << Listing(result);
    for (const CFeature& f : fibre.features) {
        SCOPED_TRACE(f.km);
        const CKeyEvent* event = Near(result, f.km, fibre.Tolerance());
        ASSERT_NE(event, nullptr) << Listing(result);
        EXPECT_EQ(event->GetType(), f.reflectance != 0.0 ? 1 : 0);
        EXPECT_NEAR(event->GetLoss(), f.loss, 0.04);
    }
    EXPECT_NEAR(result.events.back().GetPosition(), fibre.endKm, fibre.Tolerance());

    // A splice soon after the launch, on a fibre falling 1 dB/km: the little fibre before it is
    // too short for a slope of its own but falls as the rest does, not into the loss.
    CFibre soon;
    soon.spacingM = 4.0;
    soon.pulseNs = 10000.0;
    soon.count = 8000;
    soon.attenuation = 0.4;
    soon.noise = 0.002;
    soon.endKm = 25.0;
    soon.features = {{4.5, 0.3, 0.0}};
    const CAnalysisResult early = soon.Analyse();
    EXPECT_EQ(early.events.size(), 3u) << Listing(early);
    const CKeyEvent* splice = Near(early, 4.5, soon.Tolerance());
    ASSERT_NE(splice, nullptr) << Listing(early);
    EXPECT_NEAR(splice->GetLoss(), 0.3, 0.05) << Listing(early);
}

TEST(AnalysisEvents, SmallSplicesOnLongFibresAreFoundAndTheirSideLobesAreNot) {
    // Steps of a tenth of a dB half a kilometre to a few apart, under pulses from 1 to 20 us:
    // every one is found and measured, and the lines either side of each, which answer a step
    // with lobes of the other sign, report no gain or loss beside it, not even five pulses
    // apart, where the lobes of two neighbours meet between them and outweigh either step.
    struct Case {
        double spacingM;
        double pulseNs;
        double endKm;
        double apartKm; // between the steps
        double loss;    // every other step; where negative, gains between losses
    };
    for (const Case& c :
         {Case{4.0, 1000.0, 40.0, 1.0, 0.10}, Case{4.0, 1000.0, 40.0, 3.0, -0.10},
          Case{8.0, 4000.0, 80.0, 2.5, 0.10}, Case{20.0, 4000.0, 80.0, 2.5, 0.10},
          Case{20.0, 4000.0, 80.0, 2.0, 0.10}, Case{8.0, 4000.0, 80.0, 2.0, 0.10},
          Case{4.0, 1000.0, 40.0, 0.5, 0.10}, Case{8.0, 10000.0, 100.0, 5.0, 0.12},
          Case{20.0, 4000.0, 80.0, 3.0, -0.10}, Case{8.0, 10000.0, 100.0, 6.0, 0.12},
          Case{16.0, 20000.0, 120.0, 16.0, 0.12}}) {
        SCOPED_TRACE(std::to_string(c.spacingM) + " m, " + std::to_string(c.pulseNs) + " ns, " +
                     std::to_string(c.apartKm) + " km, " + std::to_string(c.loss) + " dB");
        CFibre fibre;
        fibre.spacingM = c.spacingM;
        fibre.pulseNs = c.pulseNs;
        fibre.noise = 0.003;
        fibre.attenuation = 0.2;
        fibre.endKm = c.endKm;
        fibre.count = static_cast<int>(1.1 * c.endKm * 1000.0 / c.spacingM);
        fibre.endReflectance = -20.0;
        for (double km = 2.0 * c.apartKm; km < c.endKm - c.apartKm; km += c.apartKm)
            fibre.features.push_back(
                {km, fibre.features.size() % 2 ? std::abs(c.loss) : c.loss, 0.0});
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), fibre.features.size() + 2) << Listing(result);
        // Every case runs, so that a failure shows all the spacings it happens at.
        ExpectFeaturesFound(result, fibre, 0.03);
        EXPECT_NEAR(result.events.back().GetPosition(), fibre.endKm, fibre.Tolerance());
    }
}

TEST(AnalysisEvents, SmallSplicesBetweenDrumsOfUnevenAttenuationAreFound) {
    // A link of drums a few kilometres long, each falling a few hundredths of a dB/km faster
    // or slower than the last, its backscatter rippling over a pulse or two, under long pulses
    // on a quiet trace: about any one line the level wanders by as much as a splice of a
    // tenth of a dB, which windows several pulses long do not tell from one, yet every splice
    // is a pulse sharp. Each is found, and nothing else.
    struct Case {
        double spacingM;
        double pulseNs;
        double drum;   // dB/km between neighbouring drums
        double ripple; // dB
        std::vector<double> apartKm;
    };
    for (const Case& c : {Case{20.0, 4000.0, 0.03, 0.005, {5.0, 2.0, 3.0, 2.5, 4.0}},
                          Case{20.0, 4000.0, 0.02, 0.005, {4.0, 3.0, 2.0, 2.5}},
                          Case{8.0, 4000.0, 0.03, 0.005, {3.0, 2.5, 4.0, 2.0, 3.5}},
                          Case{16.0, 10000.0, 0.02, 0.005, {8.0, 6.0, 7.0}},
                          Case{20.0, 4000.0, 0.03, 0.005, {5.0, 1.2, 3.0, 1.4, 4.0}},
                          Case{8.0, 4000.0, 0.03, 0.005, {4.0, 1.2, 3.5, 1.5}}}) {
        SCOPED_TRACE(std::to_string(c.spacingM) + " m, " + std::to_string(c.pulseNs) + " ns, " +
                     std::to_string(c.drum) + " dB/km");
        CFibre fibre;
        fibre.spacingM = c.spacingM;
        fibre.pulseNs = c.pulseNs;
        fibre.noise = 0.001;
        fibre.ripple = c.ripple;
        fibre.attenuation = 0.2;
        fibre.endReflectance = -20.0;
        double km = 12.0;
        for (std::size_t k = 0; k < c.apartKm.size(); ++k) {
            km += c.apartKm[k];
            fibre.features.push_back({km, 0.10, 0.0, k % 2 ? -c.drum : c.drum});
        }
        fibre.endKm = km + 12.0;
        fibre.count = static_cast<int>(1.1 * fibre.endKm * 1000.0 / c.spacingM);
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), fibre.features.size() + 2) << Listing(result);
        ExpectFeaturesFound(result, fibre, 0.04);
    }
}

TEST(AnalysisEvents, TwoSmallSplicesAFewPulsesApartAreTwoEvents) {
    // A tenth of a dB each, half a kilometre to two apart under 1 and 4 us pulses: where the
    // step detector's answers to the two merge into one, each is still found where it is
    // with its own loss, and a single splice stays one. Half a kilometre is little more than
    // a 4 us pulse: no fibre between them is left to measure, and they are one event with
    // both losses.
    struct Case {
        double spacingM;
        double pulseNs;
        double apartKm; // 0: a single splice
        bool resolved = true;
    };
    for (const Case& c :
         {Case{4.0, 1000.0, 0.5}, Case{4.0, 1000.0, 1.0}, Case{4.0, 1000.0, 1.5},
          Case{4.0, 1000.0, 2.0}, Case{4.0, 1000.0, 0.0}, Case{20.0, 4000.0, 0.5, false},
          Case{20.0, 4000.0, 1.0}, Case{20.0, 4000.0, 1.5}, Case{20.0, 4000.0, 2.0},
          Case{20.0, 4000.0, 0.0}, Case{8.0, 4000.0, 0.5, false}, Case{8.0, 4000.0, 1.0},
          Case{8.0, 4000.0, 1.5}, Case{8.0, 4000.0, 2.0}, Case{8.0, 4000.0, 0.0},
          Case{1.0, 4000.0, 1.0}, Case{1.0, 4000.0, 1.5}, Case{1.0, 4000.0, 0.0}}) {
        SCOPED_TRACE(std::to_string(c.spacingM) + " m, " + std::to_string(c.pulseNs) + " ns, " +
                     std::to_string(c.apartKm) + " km");
        CFibre fibre;
        fibre.spacingM = c.spacingM;
        fibre.pulseNs = c.pulseNs;
        fibre.noise = 0.003;
        fibre.attenuation = 0.2;
        fibre.endKm = 80.0;
        fibre.count = static_cast<int>(1.1 * fibre.endKm * 1000.0 / c.spacingM);
        fibre.endReflectance = -20.0;
        fibre.features = {{30.0, 0.10, 0.0}};
        if (c.apartKm > 0.0)
            fibre.features.push_back({30.0 + c.apartKm, 0.10, 0.0});
        // Where they are one, it is found between them, losing both.
        std::vector<CFeature> expected = fibre.features;
        if (!c.resolved)
            expected = {{30.0 + 0.5 * c.apartKm, 0.20, 0.0}};
        // Nearer than half the distance between them: each is found where it is.
        const double tolerance = c.resolved && c.apartKm > 0.0
                                     ? std::min(fibre.Tolerance(), 0.45 * c.apartKm)
                                     : fibre.Tolerance() + 0.5 * c.apartKm;
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), expected.size() + 2) << Listing(result);
        for (const CFeature& f : expected) {
            SCOPED_TRACE(f.km);
            const CKeyEvent* event = Near(result, f.km, tolerance);
            EXPECT_NE(event, nullptr) << Listing(result);
            if (event) {
                EXPECT_NEAR(event->GetLoss(), f.loss, 0.03) << Listing(result);
            }
        }
    }
}

TEST(AnalysisEvents, ASpliceAFewPulsesFromAConnectorIsAnEventOfItsOwn) {
    // A tenth of a dB three and a half pulses after or before a connector, under pulses from 1
    // to 10 us: the fibre between them is short but measurable, and the splice is neither
    // lost in the connector's loss nor taken for it.
    struct Case {
        double spacingM;
        double pulseNs;
        bool spliceFirst;
    };
    for (const Case& c :
         {Case{4.0, 1000.0, false}, Case{4.0, 1000.0, true}, Case{20.0, 4000.0, false},
          Case{20.0, 4000.0, true}, Case{8.0, 10000.0, false}, Case{8.0, 10000.0, true}}) {
        SCOPED_TRACE(std::to_string(c.spacingM) + " m, " + std::to_string(c.pulseNs) + " ns" +
                     (c.spliceFirst ? ", splice first" : ", connector first"));
        CFibre fibre;
        fibre.spacingM = c.spacingM;
        fibre.pulseNs = c.pulseNs;
        fibre.noise = 0.003;
        fibre.attenuation = 0.2;
        const double pulse = fibre.PulseKm();
        fibre.endKm = 60.0 * pulse + 5.0;
        fibre.count = static_cast<int>(1.2 * fibre.endKm * 1000.0 / c.spacingM);
        fibre.endReflectance = -20.0;
        const CFeature connector{0.0, 0.3, -45.0};
        const CFeature splice{0.0, 0.10, 0.0};
        fibre.features =
            c.spliceFirst ? std::vector{splice, connector} : std::vector{connector, splice};
        fibre.features[0].km = 20.0 * pulse;
        fibre.features[1].km = 23.5 * pulse;
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), 4u) << Listing(result);
        for (const CFeature& f : fibre.features) {
            SCOPED_TRACE(f.km);
            // Nearer than half the distance between them: each is found where it is.
            const CKeyEvent* event = Near(result, f.km, 1.5 * pulse);
            EXPECT_NE(event, nullptr) << Listing(result);
            if (event) {
                EXPECT_EQ(event->GetType(), f.reflectance != 0.0 ? 1 : 0) << Listing(result);
                EXPECT_NEAR(event->GetLoss(), f.loss, 0.05) << Listing(result);
            }
        }
    }
}

TEST(AnalysisEvents, AWeakReflectionAPulseOrTwoBeforeAStrongOneIsAnEventOfItsOwn) {
    // A pigtail's connector just before the fibre's reflective end, or before a strong
    // connector: the trace rises to a shelf a pulse wide and then rises again. Each reflection
    // is found where it is; a pulse apart or less they are one.
    struct Case {
        double spacingM;
        double pulseNs;
        double apart; // pulses
        bool beforeEnd;
    };
    for (const Case& c : {Case{0.64, 100.0, 1.2, true}, Case{0.64, 100.0, 2.0, false},
                          Case{2.0, 100.0, 1.5, true}, Case{2.0, 1000.0, 1.5, false},
                          Case{0.5, 30.0, 1.3, true}, Case{4.0, 1000.0, 2.0, true}}) {
        SCOPED_TRACE(std::to_string(c.spacingM) + " m, " + std::to_string(c.pulseNs) + " ns, " +
                     std::to_string(c.apart) + " pulses" + (c.beforeEnd ? ", end" : ""));
        CFibre fibre;
        fibre.spacingM = c.spacingM;
        fibre.pulseNs = c.pulseNs;
        fibre.noise = 0.003;
        fibre.attenuation = 0.3;
        const double pulse = fibre.PulseKm();
        fibre.count = static_cast<int>(std::max(2000.0, 400.0 * pulse * 1000.0 / c.spacingM));
        const double span = fibre.count * c.spacingM / 1000.0;
        fibre.endKm = 0.8 * span;
        const double strongKm = c.beforeEnd ? fibre.endKm : 0.5 * span;
        fibre.endReflectance = c.beforeEnd ? -25.0 : 0.0;
        fibre.features = {CFeature{strongKm - c.apart * pulse, 0.2, -55.0}};
        if (!c.beforeEnd)
            fibre.features.push_back(CFeature{strongKm, 0.3, -30.0});
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), c.beforeEnd ? 3u : 4u) << Listing(result);
        const CKeyEvent* weak = Near(result, strongKm - c.apart * pulse, 0.5 * pulse + 0.003);
        EXPECT_NE(weak, nullptr) << Listing(result);
        if (weak) {
            EXPECT_EQ(weak->GetType(), 1) << Listing(result);
            EXPECT_NEAR(weak->GetReflectance(), -55.0, 2.0) << Listing(result);
        }
        const CKeyEvent* strong = Near(result, strongKm, 0.5 * pulse + 0.003);
        EXPECT_NE(strong, nullptr) << Listing(result);
        if (strong) {
            EXPECT_NE(strong, weak);
            EXPECT_EQ(strong->GetMarker(), c.beforeEnd ? 2 : 0) << Listing(result);
        }
    }
}

TEST(AnalysisEvents, AConnectorUnderALongPulseIsAReflectionAndASpliceIsNot) {
    // Under 10-20 us a connector of -45 to -55 dB stands a few hundredths of a dB over the
    // fibre at the start of its loss's ramp, a pulse long, that takes it back down: smoothed,
    // it sinks into the ramp. Its edge is sharp, a splice's is not.
    struct Case {
        double spacingM;
        double pulseNs;
        double noise;
        double ripple;
    };
    for (const Case& c : {Case{8.0, 10000.0, 0.002, 0.0}, Case{16.0, 20000.0, 0.001, 0.0},
                          Case{8.0, 20000.0, 0.004, 0.0}, Case{8.0, 10000.0, 0.002, 0.01}}) {
        SCOPED_TRACE(std::to_string(c.spacingM) + " m, " + std::to_string(c.pulseNs) + " ns, " +
                     std::to_string(c.ripple) + " dB ripple");
        CFibre fibre;
        fibre.spacingM = c.spacingM;
        fibre.pulseNs = c.pulseNs;
        fibre.noise = c.noise;
        fibre.ripple = c.ripple;
        fibre.count = static_cast<int>(160000.0 / c.spacingM);
        fibre.attenuation = 0.2;
        fibre.endKm = 140.0;
        fibre.endReflectance = -20.0;
        fibre.features = {{22.0, 0.45, -52.0}, {36.0, 0.15, 0.0}, {50.0, 0.35, -47.0},
                          {64.0, 0.4, -55.0},  {78.0, 0.2, 0.0},  {92.0, 0.3, -44.0}};
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), fibre.features.size() + 2) << Listing(result);
        for (const CFeature& f : fibre.features) {
            SCOPED_TRACE(f.km);
            const CKeyEvent* event = Near(result, f.km, fibre.Tolerance());
            ASSERT_NE(event, nullptr) << Listing(result);
            EXPECT_EQ(event->GetType(), f.reflectance != 0.0 ? 1 : 0) << Listing(result);
            if (f.reflectance != 0.0) {
                EXPECT_NEAR(event->GetPosition(), f.km, 0.1 * fibre.PulseKm()) << Listing(result);
                EXPECT_NEAR(event->GetReflectance(), f.reflectance, 1.5) << Listing(result);
            }
        }
    }
}

TEST(AnalysisEvents, EventsAFewPulsesApartUnderALongPulseAreEachAnEvent) {
    // Seven events 3.4 pulses apart under 20 us on a quiet trace: the falls of those not found
    // yet fill the noise blocks and lift the fibre's median fall, so that the fibre beside a
    // splice seemed to rise, and lines long enough for a lone splice reach the next.
    CFibre fibre;
    fibre.spacingM = 8.0;
    fibre.pulseNs = 20000.0;
    fibre.noise = 0.001;
    fibre.count = 20000;
    fibre.attenuation = 0.2;
    fibre.endKm = 120.0;
    fibre.endReflectance = -20.0;
    fibre.features = {{20.0, 0.1, 0.0},   {27.0, 0.3, -45.0}, {34.0, 0.2, 0.0}, {41.0, 0.15, 0.0},
                      {48.0, 0.4, -55.0}, {55.0, 0.3, 0.0},   {62.0, 0.12, 0.0}};
    const CAnalysisResult result = fibre.Analyse();
    ExpectWellFormed(result);
    EXPECT_EQ(result.events.size(), fibre.features.size() + 2) << Listing(result);
    for (const CFeature& f : fibre.features)
        EXPECT_NE(Near(result, f.km, 0.25 * fibre.PulseKm()), nullptr) << f.km << "\n"
                                                                       << Listing(result);
}

TEST(AnalysisEvents, LinksOfTheScoredSetAreReadWhole) {
    // Links of the score's synthesized set, most under long pulses, with drums of slightly
    // different attenuation, gainers, ghosts or a saturated launch: their connectors were
    // splices, of three splices in a row a line bent by the last lost the other two, a step
    // found falling that its neighbours' lines call a rise was a gain beside a true one, and
    // splices a few pulses from their neighbours were lost to lines reaching those. Under
    // 100 ns a connector whose tail reached the fibre's reflective end 108 m on was the end.
    for (const int k : {60, 68, 112, 117, 142, 404, 593}) {
        SCOPED_TRACE(k);
        const CTraceSynthesizer synth(ScoredSynthOptions(k));
        const CAnalysisResult result = AnalyzeTrace(AnalysisTraceOf(synth), {});
        ExpectWellFormed(result);
        const double pulseKm =
            synth.GetPulseWidth() * kLightKmPerNs / (2.0 * synth.GetGroupIndex());
        const double tolerance = std::max(0.025, 1.5 * pulseKm);
        for (const CSynthEvent& e : synth.GetEvents()) {
            if (e.start || (!e.reflective && !e.end && std::abs(e.loss) < 0.075))
                continue;
            SCOPED_TRACE(e.position);
            const CKeyEvent* event = Near(result, e.position, tolerance);
            ASSERT_NE(event, nullptr) << Listing(result);
            EXPECT_EQ(event->GetMarker(), e.end ? 2 : 0) << Listing(result);
            if (!e.end) {
                EXPECT_EQ(event->GetType(), e.reflective ? 1 : 0) << Listing(result);
            }
        }
        // Nothing but the fibre's events, splices too small to count among them.
        for (const CKeyEvent& event : result.events)
            EXPECT_TRUE(std::ranges::any_of(synth.GetEvents(),
                                            [&](const CSynthEvent& e) {
                                                return std::abs(e.position - event.GetPosition()) <=
                                                       tolerance;
                                            }))
                << event.GetPositionText() << "\n"
                << Listing(result);
    }
}

TEST(AnalysisEvents, AFibreFallingFastAfterALongPulsesLaunchIsNoRecovery) {
    // 1 dB/km at 1550 nm under a 10 us pulse: over a detector's window the fibre falls as much
    // as the receiver recovering from the launch would, but in a straight line; the few samples
    // after the launch's tail tell no slope that reaches a splice a pulse or two on; and a
    // splice answers over most of a noise block of so short a trace.
    for (const double km : {5.0, 6.0, 7.0, 8.0, 10.0}) {
        SCOPED_TRACE(km);
        CFibre fibre;
        fibre.spacingM = 8.0;
        fibre.pulseNs = 10000.0;
        fibre.count = 4000;
        fibre.attenuation = 1.0;
        fibre.noise = 0.004;
        fibre.endKm = 25.0;
        fibre.features = {{km, 0.15, 0.0}};
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_EQ(result.events.size(), 3u) << Listing(result);
        const CKeyEvent* splice = Near(result, km, fibre.Tolerance());
        ASSERT_NE(splice, nullptr) << Listing(result);
        EXPECT_NEAR(splice->GetLoss(), 0.15, 0.05) << Listing(result);
    }
}

TEST(AnalysisEvents, NoEventInTheEdgeOfALongPulsesLaunch) {
    // Multimode fibre under pulses of up to 20 us: the fibre falls more over a pulse than the
    // weak front connector's trailing edge does, yet that edge is no loss. Nothing is found
    // before the first event the synthesizer placed.
    struct Case {
        std::uint64_t seed;
        double spacingM;
        int points;
        bool gainers;
    };
    for (const Case& c : {Case{1015, 4.0, 8000, false}, Case{1031, 1.0, 12000, false},
                          Case{1063, 4.0, 20000, false}, Case{1111, 4.0, 12000, false},
                          Case{1187, 8.0, 16000, true}, Case{1003, 1.0, 20000, false}}) {
        SCOPED_TRACE(c.seed);
        CSynthOptions options;
        options.seed = c.seed;
        options.wavelength = 850;
        options.spacing = c.spacingM;
        options.pointCount = c.points;
        options.gainers = options.bends = c.gainers;
        const CTraceSynthesizer synth(options);
        const CAnalysisResult result = AnalyzeTrace(AnalysisTraceOf(synth), {});
        ExpectWellFormed(result);
        const double pulseKm =
            synth.GetPulseWidth() * kLightKmPerNs / (2.0 * synth.GetGroupIndex());
        const double tolerance = std::max({0.025, 1.5 * pulseKm, 3.0 * c.spacingM / 1000.0});
        const double first = synth.GetEvents().at(1).position;
        for (std::size_t k = 1; k < result.events.size(); ++k)
            EXPECT_GT(result.events[k].GetPosition(), first - tolerance) << Listing(result);
    }
}

TEST(AnalysisEvents, AnInstrumentsSmallSplicesOnUnevenFibreAreFoundAndNothingElse) {
    // A 71 km link under a 4 us pulse: splices of 0.09 to 0.14 dB, some under 2 km apart, on
    // drums whose attenuation differs by a few hundredths of a dB/km.
    const std::filesystem::path path =
        std::filesystem::path(LUMETRA_SAMPLES_DIR) / "groupfusion+j-otdr__test.sor";
    if (!std::filesystem::is_regular_file(path))
        GTEST_SKIP() << "no sample files";
    const std::unique_ptr<CSignal> signal(OpenSignal(path.string()));
    ASSERT_TRUE(signal);
    const CAnalysisTrace trace = AnalysisTraceOf(*signal);
    const CAnalysisResult result = AnalyzeTrace(trace, StoredThresholds(*signal));
    ExpectWellFormed(result);
    const double pulseKm = trace.pulseWidthNs * kLightKmPerNs / (2.0 * trace.groupIndex);
    const double tolerance = std::max(0.025, 1.5 * pulseKm);
    int stored = 0;
    int found = 0;
    for (int i = 0; i < signal->GetEventCount(); ++i) {
        const CKeyEvent event = signal->GetEvent(i);
        if (event.GetMarker() != 0)
            continue;
        ++stored;
        found += Near(result, event.GetPosition(), tolerance) != nullptr;
    }
    ASSERT_EQ(stored, 15);
    EXPECT_GE(found, 12) << Listing(result);
    // Every event found is one the instrument listed, and the end.
    EXPECT_EQ(result.events.size(), static_cast<std::size_t>(found) + 2) << Listing(result);
}

TEST(AnalysisEnd, TheFibreEndsInNoiseOrInAReflectionAndNothingFollows) {
    struct Case {
        const char* name;
        double endReflectance;
        double noise;
        double pulseNs;
        int type;
        bool clipped = false;
        double leadInKm = 0.0;
        double reflectanceThreshold = -65.0;
        double recovery = 0.0;
        double endThreshold = 3.0;
        double startLevel = 8.0;
    };
    for (const Case& c :
         {Case{"into noise", 0.0, 0.004, 100.0, 0},
          Case{"into noise, a pulse shorter than a sample", 0.0, 0.004, 10.0, 0},
          Case{"into noise, a noisy trace", 0.0, 0.05, 1000.0, 0},
          Case{"into noise clipped at the receiver's floor", 0.0, 0.004, 100.0, 0, true},
          Case{"in a reflection", -14.0, 0.004, 100.0, 1},
          Case{"in a reflection, then clipped noise", -30.0, 0.004, 100.0, 1, true},
          Case{"in a weak reflection", -45.0, 0.004, 30.0, 1},
          Case{"in a reflection below the threshold", -45.0, 0.004, 30.0, 1, false, 0.0, -40.0},
          Case{"after a dark lead-in", -30.0, 0.004, 100.0, 1, false, 1.0},
          Case{"in a reflection the receiver recovers from slowly", -14.0, 0.004, 30.0, 1, false,
               0.0, -65.0, 40.0},
          Case{"recovering into noise nearer than the end threshold", -14.0, 0.004, 30.0, 1, false,
               0.0, -65.0, 40.0, 35.0},
          Case{"in a reflection below a strict threshold, the fibre near the noise", -50.0, 0.004,
               30.0, 1, false, 0.0, -30.0, 0.0, 3.0, 30.0}}) {
        SCOPED_TRACE(c.name);
        CFibre fibre;
        fibre.endKm = 9.0;
        fibre.endReflectance = c.endReflectance;
        fibre.noise = c.noise;
        fibre.pulseNs = c.pulseNs;
        fibre.clippedNoise = c.clipped;
        fibre.leadInKm = c.leadInKm;
        fibre.recovery = c.recovery;
        fibre.startLevel = c.startLevel;
        fibre.features = {{4.0, 0.3, 0.0}};
        CAnalysisThresholds thresholds;
        thresholds.reflectance = c.reflectanceThreshold;
        thresholds.endOfFibre = c.endThreshold;
        const CAnalysisResult result = fibre.Analyse(thresholds);
        ExpectWellFormed(result);
        ASSERT_EQ(result.events.size(), 3u) << Listing(result);
        EXPECT_NEAR(result.events.front().GetPosition(), 0.0, fibre.Tolerance());
        EXPECT_GT(result.events.back().GetLoss(), 3.0);
        const CKeyEvent& end = result.events.back();
        EXPECT_NEAR(end.GetPosition(), fibre.endKm, fibre.Tolerance());
        EXPECT_EQ(end.GetType(), c.type);
        if (c.type == 1) {
            EXPECT_NEAR(end.GetReflectance(), c.endReflectance, 3.0);
        }
    }
}

// With no fibre connected the receiver sees only its own noise after the launch: the start,
// and the end where the launch ends. A fibre however short or soon lost in the noise stays.
TEST(AnalysisEnd, AFibreLongerThanTheTraceEndsAtItsLastSample) {
    // The range set shorter than the fibre: its last samples are fibre, not the noise after an
    // end, and the fibre near them is not falling into any noise.
    struct Case {
        double pulseNs;
        double spacingM;
        double noise;
    };
    for (const Case& c : {Case{100.0, 1.0, 0.05}, Case{1000.0, 8.0, 0.05}, Case{1000.0, 8.0, 0.3},
                          Case{10000.0, 8.0, 0.05}}) {
        SCOPED_TRACE(std::to_string(c.pulseNs) + " ns, noise " + std::to_string(c.noise));
        CFibre fibre;
        fibre.pulseNs = c.pulseNs;
        fibre.spacingM = c.spacingM;
        fibre.noise = c.noise;
        fibre.attenuation = 0.2;
        fibre.count = 20000;
        const double last = (fibre.count - 1) * c.spacingM / 1000.0;
        fibre.endKm = 2.0 * last;
        fibre.features = {CFeature{0.3 * last, 0.2, 0.0}, CFeature{0.6 * last, 0.3, -45.0}};
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        EXPECT_NEAR(result.events.back().GetPosition(), last, 0.001) << Listing(result);
        for (std::size_t i = 1; i + 1 < result.events.size(); ++i) {
            EXPECT_LT(result.events[i].GetPosition(), 0.9 * last) << Listing(result);
        }
        EXPECT_NE(Near(result, 0.6 * last, fibre.Tolerance()), nullptr) << Listing(result);
        if (c.noise < 0.1) {
            EXPECT_NE(Near(result, 0.3 * last, fibre.Tolerance()), nullptr) << Listing(result);
        }
    }
}

TEST(AnalysisEnd, NoFibreEndsAtTheLaunchAndShortFibresStay) {
    struct Case {
        const char* name;
        int count;
        double pulseNs;
        double spacingM;
        double endKm; // 0: no fibre
        double endReflectance = 0.0;
        bool clipped = false;
        double recovery = 0.0;
    };
    for (const Case& c :
         {Case{"no fibre, a short pulse", 30000, 10.0, 0.5, 0.0},
          Case{"no fibre, a long pulse", 30000, 20000.0, 2.0, 0.0},
          Case{"no fibre, a million samples", 1000000, 10.0, 0.5, 0.0},
          Case{"no fibre, a long pulse over a million", 1000000, 20000.0, 0.5, 0.0},
          Case{"no fibre, noise clipped at the floor", 30000, 100.0, 2.0, 0.0, 0.0, true},
          Case{"a patch cord ending in a reflection", 30000, 10.0, 0.5, 0.06, -14.0},
          Case{"a fibre lost in the noise after 300 m", 30000, 30.0, 0.5, 0.3},
          // Shorter than a noise block: the noise past the end shares it with the fibre.
          Case{"a short fibre ending in a weak reflection under a long pulse", 27000, 2500.0, 5.0,
               1.6, -50.0},
          Case{"the same, then noise clipped at the floor", 27000, 2500.0, 5.0, 1.6, -50.0, true},
          Case{"the same, a slow receiver after it", 27000, 2500.0, 5.0, 1.6, -50.0, false,
               20.0}}) {
        SCOPED_TRACE(c.name);
        CFibre fibre;
        fibre.count = c.count;
        fibre.pulseNs = c.pulseNs;
        fibre.spacingM = c.spacingM;
        fibre.endKm = c.endKm;
        fibre.endReflectance = c.endReflectance;
        fibre.clippedNoise = c.clipped;
        fibre.recovery = c.recovery;
        fibre.clip = 1.0; // where the launch saturates
        const CAnalysisResult result = fibre.Analyse();
        ExpectWellFormed(result);
        const CKeyEvent& end = result.events.back();
        if (c.endKm > 0.0) {
            // A reflection ends the fibre where it rises, not where its pulse has passed.
            EXPECT_NEAR(end.GetPosition(), c.endKm,
                        c.endReflectance != 0.0 ? 0.25 * fibre.PulseKm() + 0.005
                                                : fibre.Tolerance())
                << Listing(result);
            EXPECT_GT(end.GetLoss(), 3.0) << Listing(result);
            // The fibre before it lost what its attenuation says, never a gain.
            EXPECT_NEAR(result.endToEndLoss,
                        fibre.attenuation * (end.GetPosition() - result.events[0].GetPosition()),
                        0.05)
                << Listing(result);
            continue;
        }
        ASSERT_EQ(result.events.size(), 2u) << Listing(result);
        // The launch saturates the receiver for three pulses.
        EXPECT_LE(end.GetPosition(), 3.0 * fibre.PulseKm() + fibre.Tolerance());
        EXPECT_EQ(result.events.front().GetAttenuation(), 0.0f);
        EXPECT_EQ(result.endToEndLoss, 0.0);
    }
}

// An instrument that records its own fibre before the front panel: a lead-in at a backscatter
// level, the front connector only a few dB above it, and within the first 150 m a patch cord's
// connector and its far end, reflecting far more strongly than the front connector. The launch
// is the front connector; the strong end is the end, its slow fall (most of a noise block) its
// dead zone.
TEST(AnalysisEnd, AWeakFrontConnectorIsTheLaunchAndAStrongerEndAfterItTheEnd) {
    const double spacingKm = 0.00016;
    const double pulseKm = 10.0 * kLightKmPerNs / (2.0 * kGroupIndex);
    std::mt19937 random(3);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<float> levels(6000);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double x = static_cast<double>(i) * spacingKm;
        // Stored dB: the lead-in, the front connector's 0.6 dB, the patch cord's 1.1 dB.
        double level = x < 0.031 ? 46.7 : x < 0.0435 ? 47.3 : 48.4;
        level += 0.35 * x + 0.02 * gauss(random);
        if (x >= 0.031 && x < 0.031 + pulseKm)
            level = 41.8;
        if (x >= 0.0435 && x < 0.0435 + pulseKm)
            level = 38.9;
        if (x >= 0.0935) // the end: 27 dB up, then the receiver falling 0.2 dB a sample
            level = x < 0.0935 + pulseKm
                        ? 21.3
                        : std::min(65.0 + 2.0 * std::abs(gauss(random)),
                                   21.3 + 0.2 * (x - 0.0935 - pulseKm) / spacingKm);
        levels[i] = static_cast<float>(level);
    }
    CAnalysisTrace trace;
    trace.levels = levels.data();
    trace.count = levels.size();
    trace.spacingKm = spacingKm;
    trace.pulseWidthNs = 10.0;
    trace.groupIndex = kGroupIndex;
    trace.backscatter = 81.0;
    trace.wavelength = 1625;
    const CAnalysisResult result = AnalyzeTrace(trace, {});
    ExpectWellFormed(result);
    ASSERT_EQ(result.events.size(), 3u) << Listing(result);
    // The fibre starts at the front panel, not where the recording does.
    EXPECT_NEAR(result.events.front().GetPosition(), 0.031, 0.002) << Listing(result);
    const CKeyEvent& patch = result.events[1];
    EXPECT_NEAR(patch.GetPosition(), 0.0435, 0.003) << Listing(result);
    EXPECT_EQ(patch.GetType(), 1);
    EXPECT_NEAR(patch.GetLoss(), 1.1, 0.2);
    const CKeyEvent& end = result.events.back();
    EXPECT_NEAR(end.GetPosition(), 0.0935, 0.003) << Listing(result);
    EXPECT_EQ(end.GetType(), 1);
    // No piece of this fibre falls faster than fibre does, and the launch level is not carried
    // back along one that seems to.
    for (const CKeyEvent& event : result.events)
        EXPECT_LT(event.GetAttenuation(), 3.5f) << Listing(result);
    EXPECT_NEAR(result.endToEndLoss, 1.1, 0.25) << Listing(result);
}

// Every reflection the analysis reports on a real trace stands above the fibre before it: a
// peak measured against a line it does not rise over has no reflectance at all. No fibre gains
// along its length, or falls as fast as a receiver recovering.
// Peaks standing 6 dB above the trace a few pulses before them, between the start (and the
// launch's reach) and the reported end, that no reported event is near.
std::vector<double> PeaksLeftOut(const CAnalysisTrace& trace, const CAnalysisResult& result) {
    const double pulseKm = trace.pulseWidthNs * kLightKmPerNs / (2.0 * kGroupIndex);
    const auto width =
        static_cast<std::ptrdiff_t>(std::max(1.0, std::round(pulseKm / trace.spacingKm)));
    const double start = result.events.front().GetPosition() + 0.2 + 6.0 * pulseKm;
    const double end = result.events.back().GetPosition();
    const auto n = static_cast<std::ptrdiff_t>(trace.count);
    std::vector<double> missed;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double km = trace.startKm + static_cast<double>(i) * trace.spacingKm;
        if (km <= start || km >= end)
            continue;
        const std::ptrdiff_t a = std::max<std::ptrdiff_t>(0, i - 6 * width - 20);
        const std::ptrdiff_t b = std::max(a + 1, i - 2 * width - 2);
        std::vector<float> before(trace.levels + a, trace.levels + b);
        std::nth_element(before.begin(), before.begin() + (b - a) / 2, before.end());
        if (before[static_cast<std::size_t>((b - a) / 2)] - trace.levels[i] < 6.0f)
            continue;
        if (!Near(result, km, 3.0 * static_cast<double>(width) * trace.spacingKm + 0.03))
            missed.push_back(km);
        i += 4 * width + 10;
    }
    return missed;
}

TEST(AnalysisRealFiles, ReflectionsStandAboveTheFibreNoneBeforeTheEndIsLeftOutNoFibreGains) {
    const auto files = SampleFiles({".sor"});
    if (files.empty())
        GTEST_SKIP() << "no sample files";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        std::unique_ptr<CSignal> signal;
        try {
            signal.reset(OpenSignal(path.string()));
        } catch (const CException&) {
            continue;
        }
        if (!signal)
            continue;
        const CAnalysisTrace trace = AnalysisTraceOf(*signal);
        const CAnalysisResult result = AnalyzeTrace(trace, StoredThresholds(*signal));
        ExpectWellFormed(result);
        const double backscatter =
            trace.backscatter > 0.0 ? trace.backscatter : TypicalBackscatter(trace.wavelength);
        for (const CKeyEvent& event : result.events) {
            if (event.GetType() == 1 && event.GetMarker() != 1) {
                EXPECT_GT(event.GetReflectance(), -backscatter + 0.01) << Listing(result);
            }
            EXPECT_GT(event.GetAttenuation(), -0.05f) << Listing(result);
            // Nor does any fall 5 dB/km in the infrared: a launch's tail is no fibre.
            if (trace.wavelength >= 1260) {
                EXPECT_LT(event.GetAttenuation(), 5.0f) << Listing(result);
            }
        }
        // An end a later pass withdrew once left the reflections past it out for good.
        EXPECT_EQ(PeaksLeftOut(trace, result), std::vector<double>{}) << Listing(result);
    }
}

TEST(AnalysisRobustness, AnyLevelsAndParametersGiveAStartAndAnEnd) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double weird[] = {0.0,   -1.0,  std::nan(""), std::numeric_limits<double>::infinity(),
                            1e300, 1e-300};
    for (int round = 0; round < 300; ++round) {
        std::vector<float> levels(static_cast<std::size_t>(unit(random) * 3000));
        for (float& level : levels) {
            const double u = unit(random);
            level = u < 0.02   ? std::numeric_limits<float>::quiet_NaN()
                    : u < 0.04 ? std::numeric_limits<float>::infinity()
                               : static_cast<float>(unit(random) * 80.0 - 10.0);
        }
        CAnalysisTrace trace;
        trace.levels = levels.data();
        trace.count = levels.size();
        const bool odd = round % 3 == 0;
        trace.spacingKm = odd ? weird[round % 6] : unit(random) * 0.05 + 1e-5;
        trace.pulseWidthNs = odd ? weird[(round / 3) % 6] : unit(random) * 20000.0;
        trace.groupIndex = odd ? weird[(round / 5) % 6] : 1.47;
        trace.backscatter = odd ? weird[(round / 7) % 6] : 80.0;
        CAnalysisThresholds thresholds;
        if (round % 4 == 1)
            thresholds = {weird[round % 6], weird[(round / 4) % 6], weird[(round / 2) % 6], true};
        const CAnalysisResult result = AnalyzeTrace(trace, thresholds);
        ASSERT_FALSE(result.events.empty());
        EXPECT_EQ(result.events.front().GetMarker(), 1);
        if (levels.size() >= 16 && std::isfinite(trace.spacingKm) && trace.spacingKm > 0.0) {
            EXPECT_EQ(result.events.back().GetMarker(), 2);
        }
    }
}

} // namespace
