#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "formats/m600/CM600File.h"
#include "platform/CException.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "tools/synth/CTraceSynthesizer.h"
#include "tools/synth/SynthFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

CSynthOptions Options(int points, double spacing, int wavelength, std::uint64_t seed) {
    CSynthOptions options;
    options.pointCount = points;
    options.spacing = spacing;
    options.wavelength = wavelength;
    options.seed = seed;
    return options;
}

std::size_t IndexAt(const CTraceSynthesizer& trace, double km) {
    return static_cast<std::size_t>(std::lround(km * 1000.0 / trace.GetOptions().spacing));
}

// Least-squares slope of the stored levels over [from, to) km, dB/km.
double Slope(const CTraceSynthesizer& trace, double from, double to) {
    const auto& levels = trace.GetLevels();
    const double dx = trace.GetOptions().spacing / 1000.0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0, n = 0;
    for (std::size_t i = IndexAt(trace, from); i < IndexAt(trace, to); ++i) {
        const double x = static_cast<double>(i) * dx;
        sx += x;
        sy += levels[i];
        sxx += x * x;
        sxy += x * levels[i];
        ++n;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// Mean second difference over count samples: the noise, without the fibre's slope.
double Roughness(const std::vector<float>& levels, std::size_t from, std::size_t count) {
    double sum = 0;
    for (std::size_t i = from + 1; i + 1 < from + count; ++i)
        sum += std::abs(levels[i + 1] - 2.0 * levels[i] + levels[i - 1]);
    return sum / static_cast<double>(count - 2);
}

const CSynthEvent& FirstOf(const CTraceSynthesizer& trace, bool reflective) {
    for (const CSynthEvent& event : trace.GetEvents())
        if (!event.start && !event.end && event.reflective == reflective)
            return event;
    throw std::runtime_error("no such event");
}

TEST(TraceSynthesizer, SameSeedSameTraceOtherSeedOtherTrace) {
    const CSynthOptions options = Options(5000, 2.0, 1550, 42);
    const CTraceSynthesizer a(options), b(options);
    EXPECT_EQ(a.GetLevels(), b.GetLevels());
    ASSERT_EQ(a.GetEvents().size(), b.GetEvents().size());
    for (std::size_t i = 0; i < a.GetEvents().size(); ++i)
        EXPECT_EQ(a.GetEvents()[i].position, b.GetEvents()[i].position);
    CGR196File fa, fb;
    FillTraceFile(a, fa);
    FillTraceFile(b, fb);
    EXPECT_EQ(fa.SaveToBytes(), fb.SaveToBytes());

    const CTraceSynthesizer other(Options(5000, 2.0, 1550, 43));
    EXPECT_NE(a.GetLevels(), other.GetLevels());
}

TEST(TraceSynthesizer, BackscatterLossesReflectionsAndNoiseLookLikeAFibre) {
    for (int wavelength : {1310, 1550}) {
        SCOPED_TRACE(wavelength);
        const CTraceSynthesizer trace(Options(16000, 4.0, wavelength, 1));
        const auto& events = trace.GetEvents();
        const auto& levels = trace.GetLevels();
        EXPECT_NEAR(trace.GetNominalAttenuation(), wavelength == 1310 ? 0.35 : 0.20, 1e-9);
        ASSERT_GE(events.size(), 4u);
        EXPECT_TRUE(events.front().start);
        EXPECT_TRUE(events.back().end);
        EXPECT_DOUBLE_EQ(events.back().position, trace.GetFibreLength());
        EXPECT_LT(trace.GetFibreLength(), trace.GetRangeKm());
        for (std::size_t i = 1; i < events.size(); ++i)
            EXPECT_GT(events[i].position - events[i - 1].position, 4 * trace.GetEventWidth());

        // Between two events the trace falls with the attenuation of that stretch.
        // Clear of ramps and reflection tails, and short of the noisy last stretch.
        const double margin = 0.15;
        for (std::size_t i = 1; i + 2 < events.size(); ++i)
            EXPECT_NEAR(Slope(trace, events[i].position + margin, events[i + 1].position - margin),
                        events[i + 1].attenuation, 0.01);

        // A splice is a step of its loss; a connector also stands out as a peak.
        const CSynthEvent& splice = FirstOf(trace, false);
        const double w = trace.GetEventWidth();
        const auto before = IndexAt(trace, splice.position - w);
        const auto after = IndexAt(trace, splice.position + 2 * w);
        const CSynthEvent* next = &splice + 1;
        const double fibre = splice.attenuation * w + next->attenuation * 2 * w;
        EXPECT_NEAR(levels[after] - levels[before] - fibre, splice.loss, 0.01);
        const CSynthEvent& connector = FirstOf(trace, true);
        EXPECT_LT(levels[IndexAt(trace, connector.position) + 1],
                  levels[IndexAt(trace, connector.position) - 2] - 1.0);

        // Noise grows where the signal fades; past the end the floor is all there is.
        const std::size_t end = IndexAt(trace, trace.GetFibreLength());
        EXPECT_GT(Roughness(levels, end - 400, 300), 5 * Roughness(levels, 300, 300));
        std::vector<float> floor(levels.begin() + static_cast<std::ptrdiff_t>(end) + 200,
                                 levels.end());
        std::nth_element(floor.begin(), floor.begin() + floor.size() / 2, floor.end());
        EXPECT_NEAR(floor[floor.size() / 2], trace.GetNoiseFloor(), 3.0);
        for (float level : levels)
            ASSERT_TRUE(level > 0.0f && level <= 65.535f);
    }
}

TEST(TraceSynthesizer, OptionsOutsideTheFormatsAreRefused) {
    EXPECT_THROW(CTraceSynthesizer(Options(0, 1.0, 1550, 1)), CAbortException);
    EXPECT_THROW(CTraceSynthesizer(Options(10, 0.0, 1550, 1)), CAbortException);
    EXPECT_THROW(CTraceSynthesizer(Options(10, NAN, 1550, 1)), CAbortException);
    EXPECT_THROW(CTraceSynthesizer(Options(10, 1.0, 2000, 1)), CAbortException);
    // Beyond what a 32-bit acquisition range can state.
    EXPECT_THROW(CTraceSynthesizer(Options(1'000'000, 100'000.0, 1550, 1)), CAbortException);
    // Too many samples for the M600 count.
    CM600File m600;
    EXPECT_THROW(FillTraceFile(CTraceSynthesizer(Options(70000, 1.0, 1550, 1)), m600),
                 CAbortException);
}

TEST(TraceSynthesizer, TinyTracesStillHaveAStartAndAnEnd) {
    CScratchDir dir;
    for (int points : {1, 2, 50}) {
        SCOPED_TRACE(points);
        const CTraceSynthesizer trace(Options(points, 1.0, 1550, 9));
        ASSERT_EQ(trace.GetLevels().size(), static_cast<std::size_t>(points));
        ASSERT_GE(trace.GetEvents().size(), 2u);
        WriteSynthTrace(trace, kSynthGR196, dir.Path("tiny.sor"));
        CGR196File file;
        file.Load(dir.Path("tiny.sor"));
        EXPECT_EQ(file.GetDataPts().GetPointCount(), points);
    }
}

// A fingerprint of the levels and events, to hold traces to what earlier versions wrote.
std::uint64_t Fingerprint(const CTraceSynthesizer& trace) {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](std::uint64_t word, int bytes) {
        for (int b = 0; b < bytes; ++b) {
            hash ^= (word >> (8 * b)) & 0xff;
            hash *= 1099511628211ull;
        }
    };
    for (float level : trace.GetLevels()) {
        std::uint32_t bits;
        std::memcpy(&bits, &level, sizeof bits);
        mix(bits, 4);
    }
    for (const CSynthEvent& event : trace.GetEvents()) {
        const double sum = event.position + event.loss + event.reflectance;
        std::uint64_t bits;
        std::memcpy(&bits, &sum, sizeof bits);
        hash ^= bits;
        hash *= 1099511628211ull;
    }
    return hash;
}

TEST(TraceSynthesizer, HarderFibresLeaveThePlainTracesAsTheyWere) {
    struct {
        CSynthOptions options;
        std::uint64_t fingerprint;
    } cases[] = {{Options(5000, 2.0, 1550, 42), 0x97a7884cbb6418d2ull},
                 {Options(20000, 8.0, 850, 7), 0x31479ea1cdfcdb68ull},
                 {Options(3000, 0.5, 1310, 3), 0xe280f5a56a133114ull}};
    cases[1].options.pulseWidth = 10000;
    cases[2].options.pulseWidth = 30;
    for (const auto& c : cases)
        EXPECT_EQ(Fingerprint(CTraceSynthesizer(c.options)), c.fingerprint);
}

TEST(TraceSynthesizer, GainersBendsGhostsSaturationAndNoiseShowInTheLevels) {
    int gainers = 0, bends = 0;
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        CSynthOptions options = Options(16000, 2.0, 1550, seed);
        options.gainers = options.bends = options.ghosts = options.saturatedLaunch = true;
        const CTraceSynthesizer trace(options);
        SCOPED_TRACE(seed);
        const auto& levels = trace.GetLevels();
        const double width = trace.GetEventWidth();
        const std::vector<CSynthEvent>& events = trace.GetEvents();
        // The level across each splice changes by its loss, a gain lowering it.
        for (std::size_t k = 1; k + 1 < events.size(); ++k) {
            const CSynthEvent& event = events[k];
            if (event.reflective)
                continue;
            gainers += event.loss < 0.0 && event.loss <= -0.05;
            bends += event.loss >= 0.3;
            EXPECT_GE(event.loss, -0.2);
            EXPECT_LE(event.loss, 1.5);
            const double before = std::max(event.position - 2.0 * width, events[k - 1].position);
            const double after = event.position + 2.0 * width;
            const double step = levels[IndexAt(trace, after)] - levels[IndexAt(trace, before)] -
                                events[k + 1].attenuation * (after - before);
            EXPECT_NEAR(step, event.loss, 0.08) << event.position;
        }
        // The receiver stays saturated for pulse lengths after the launch.
        const float saturated = *std::min_element(levels.begin(), levels.end());
        for (std::size_t i = 0; i < IndexAt(trace, 3.0 * width); ++i)
            ASSERT_EQ(levels[i], saturated) << i;
        // The strong connector's echo stands above the backscatter at twice its distance,
        // and is no event.
        const auto strong = std::max_element(events.begin() + 1, events.end() - 1,
                                             [](const CSynthEvent& a, const CSynthEvent& b) {
                                                 return (a.reflective ? a.reflectance : -100.0) <
                                                        (b.reflective ? b.reflectance : -100.0);
                                             });
        ASSERT_GE(strong->reflectance, -22.0);
        const double echo = 2.0 * strong->position;
        bool clear = echo + 3.0 * width < trace.GetFibreLength();
        for (const CSynthEvent& event : events)
            clear = clear && std::abs(event.position - echo) > 6.0 * width;
        if (clear) {
            EXPECT_LT(levels[IndexAt(trace, echo + 0.5 * width)],
                      levels[IndexAt(trace, echo - 2.0 * width)] - 0.3);
        }
    }
    EXPECT_GT(gainers, 0);
    EXPECT_GT(bends, 0);

    // A noisier receiver lowers the noise floor by the dB asked.
    CSynthOptions plain = Options(16000, 4.0, 1310, 5);
    plain.pulseWidth = 1000;
    CSynthOptions noisy = plain;
    noisy.extraNoise = 6.0;
    EXPECT_NEAR(CTraceSynthesizer(plain).GetNoiseFloor() - CTraceSynthesizer(noisy).GetNoiseFloor(),
                6.0, 0.002);
    noisy.extraNoise = -1.0;
    EXPECT_THROW(CTraceSynthesizer{noisy}, CAbortException);
}

// What every format carries of the trace, read back through the file objects.
class SynthFileTest : public ::testing::Test {
protected:
    SynthFileTest() : trace_(Options(20000, 2.5, 1550, 7)) {}

    // Levels are stored to 0.001 dB, truncated.
    void ExpectLevels(const std::vector<float>& read) const {
        ASSERT_EQ(read.size(), trace_.GetLevels().size());
        for (std::size_t i = 0; i < read.size(); ++i)
            ASSERT_NEAR(read[i], trace_.GetLevels()[i], 0.0011) << i;
    }

    template <class File> void ExpectBellcore(const File& file) const {
        const CFxdParams& fxd = file.GetFxdParams();
        EXPECT_FALSE(file.HasChecksumMismatch());
        EXPECT_EQ(fxd.GetGroupIndex(), trace_.GetGroupIndex());
        EXPECT_EQ(fxd.GetActualWavelength(), 1550);
        const double unit = fxd.TimeToKm(1.0); // positions are whole time units
        EXPECT_NEAR(fxd.RangeKm(), 50.0, unit / 2);
        ASSERT_EQ(fxd.GetPulseEntryCount(), 1);
        const CPulseWidthEntry& entry = fxd.GetPulseEntry(0);
        EXPECT_EQ(entry.GetPulseWidth(), trace_.GetPulseWidth());
        EXPECT_EQ(entry.GetNumberOfDataPoints(), 20000u);
        EXPECT_NEAR(entry.GetDataSpacing() * 20000.0 / 10000.0, fxd.GetAcquisitionRange(), 1.0);
        EXPECT_NEAR(fxd.GetBackscatterCoefficient(), 81.7, 1e-4);
        EXPECT_NEAR(fxd.GetNoiseFloorLevel(), -trace_.GetNoiseFloor(), 0.0011);

        EXPECT_EQ(file.GetSupParams().GetSupplierName(), "Lumetra View");
        EXPECT_EQ(file.GetSupParams().GetSoftwareRevision().rfind("Lumetra View ", 0), 0u);
        EXPECT_EQ(file.GetGenParams().GetNominalWavelength(), 1550);
        EXPECT_EQ(TextCodec::Cp1251ToUtf8(file.GetGenParams().GetOriginatingLocation()), "Узел А");

        const auto& events = trace_.GetEvents();
        const auto& block = file.GetKeyEvents();
        ASSERT_EQ(block.GetEventCount(), static_cast<int>(events.size()));
        for (int i = 0; i < block.GetEventCount(); ++i) {
            const CSynthEvent& event = events[static_cast<std::size_t>(i)];
            const auto& record = block.GetEvent(i);
            EXPECT_NEAR(fxd.TimeToKm(record.GetPropagationTime()), event.position, unit / 2);
            EXPECT_EQ(record.GetEventType(), event.reflective ? 1 : 0);
            EXPECT_EQ(record.GetEventOrigin(), event.end ? 2 : 3); // "E" or "F"
            EXPECT_NEAR(record.GetEventLoss(), event.loss, 0.0011);
            EXPECT_NEAR(record.GetEventReflectance(), event.reflectance, 0.0011);
            EXPECT_EQ(TextCodec::Cp1251ToUtf8(record.GetComment()), event.comment);
        }
        EXPECT_NEAR(block.GetEndToEndLoss(), trace_.GetEndToEndLoss(), 0.0011);
        EXPECT_NEAR(block.GetOpticalReturnLoss(), trace_.GetOpticalReturnLoss(), 0.0011);
        ExpectLevels(file.GetDataPts().GetLevels());
    }

    CScratchDir dir_;
    CTraceSynthesizer trace_;
};

TEST_F(SynthFileTest, GR196CarriesParametersEventsAndSamples) {
    WriteSynthTrace(trace_, kSynthGR196, dir_.Path("t.sor"));
    ASSERT_TRUE(IsGR196File(dir_.Path("t.sor")));
    CGR196File file;
    file.Load(dir_.Path("t.sor"));
    ExpectBellcore(file);
}

TEST_F(SynthFileTest, SR4731CarriesParametersEventsAndSamples) {
    WriteSynthTrace(trace_, kSynthSR4731, dir_.Path("t.tra"));
    ASSERT_FALSE(IsGR196File(dir_.Path("t.tra")));
    ASSERT_TRUE(IsSR4731File(dir_.Path("t.tra")));
    CSR4731File file;
    file.Load(dir_.Path("t.tra"));
    ExpectBellcore(file);
    // Each event's extent brackets its position.
    const CFxdParams& fxd = file.GetFxdParams();
    for (const CBellcoreEventSR& record : file.GetKeyEvents().GetEvents()) {
        EXPECT_EQ(record.GetBeginningOfCurrentEvent(), record.GetPropagationTime());
        EXPECT_GT(record.GetEndOfCurrentEvent(), record.GetBeginningOfCurrentEvent());
        EXPECT_GE(record.GetPeakOfCurrentEvent(), record.GetBeginningOfCurrentEvent());
        EXPECT_GT(fxd.TimeToKm(record.GetBeginningOfNextEvent()),
                  fxd.TimeToKm(record.GetPropagationTime()));
    }
}

TEST_F(SynthFileTest, M600CarriesParametersEventsAndSamples) {
    WriteSynthTrace(trace_, kSynthM600, dir_.Path("t.600"));
    ASSERT_TRUE(IsM600File(dir_.Path("t.600")));
    CM600File file;
    file.Load(dir_.Path("t.600"));
    EXPECT_FALSE(file.ChecksumMismatch());
    EXPECT_EQ(file.GetGroupIndexStored(), trace_.GetGroupIndexStored());
    EXPECT_EQ(file.GetRangeStored(), 50000u);
    EXPECT_EQ(file.GetWavelength(), 1550);
    ASSERT_EQ(file.GetPulseWidthCount(), 1);
    EXPECT_EQ(file.GetPulseWidth(0), trace_.GetPulseWidth());
    const auto& events = trace_.GetEvents();
    ASSERT_EQ(file.GetEventCount(), static_cast<int>(events.size()));
    for (int i = 0; i < file.GetEventCount(); ++i) {
        const CSynthEvent& event = events[static_cast<std::size_t>(i)];
        // The format's time unit is about a kilometre.
        EXPECT_NEAR(file.GetEventKm(i), event.position, 1.49896229 / file.GetGroupIndex() / 2);
        EXPECT_NEAR(file.GetEventLoss(i), event.loss, 0.0011);
        const int code = (event.reflective ? 3 : 2) + (event.end ? 5 : 0);
        EXPECT_EQ(file.GetEvent(i).code, code);
    }
    ExpectLevels(file.GetSamples());
}

} // namespace
