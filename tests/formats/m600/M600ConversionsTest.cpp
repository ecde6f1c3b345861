#include "formats/m600/M600Conversions.h"
#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "formats/m600/CM600File.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Saved and loaded again, so that the comparisons see what a file holds.
template <class File> void ThroughDisk(File& file) {
    const auto bytes = file.SaveToBytes();
    file.Load(bytes);
}

// A GR-196-CORE file object with one event of each kind the M600 codes tell apart.
void FillBellcoreTrace(CGR196File& file) {
    file.GetGenParams().SetCableId("\xCA\xE0\xE1\xE5\xEB\xFC"); // "Кабель"
    file.GetGenParams().SetOperator("Op");
    file.GetGenParams().SetNominalWavelength(1310);
    CFxdParams& fxd = file.GetFxdParams();
    fxd.SetGroupIndex(1.4682);
    fxd.SetUnits(1); // "mt"
    fxd.SetAcquisitionRange(fxd.KmToTime(40.0));
    fxd.AddPulseEntry(CPulseWidthEntry(1000, 400, 8000));
    fxd.AddPulseEntry(CPulseWidthEntry(100, 400, 8000));
    fxd.SetBackscatterCoefficient(79.5f);
    fxd.SetNoiseFloorLevel(-51.5f);
    fxd.SetReflectanceThreshold(-40.0f);
    fxd.SetPowerOffsetFirstPoint(-1.0f); // does not fit the unsigned M600 field

    struct Plan {
        double km;
        int type;
        int origin;
    };
    const Plan plans[] = {{0.0, 1, kOriginFound},      {4.0, 0, kOriginFound},
                          {9.0, 1, kOriginAdded},      {15.0, 0, kOriginMoved},
                          {30.0, 0, kOriginEndByUser}, {38.0, 1, kOriginEnd}};
    std::vector<CBellcoreEvent> events;
    for (const Plan& plan : plans) {
        CBellcoreEvent& event = events.emplace_back();
        event.SetEventNumber(static_cast<std::uint16_t>(events.size()));
        event.SetPropagationTime(fxd.KmToTime(plan.km));
        event.SetEventCode(plan.type, plan.origin, 0);
        event.SetEventLoss(0.375f);
        event.SetEventReflectance(-45.123);
        event.SetTechnique(1);
    }
    file.GetKeyEvents().SetEvents(events);
    const std::vector<float> levels = {3.0f, 12.345f, 20.5f};
    file.GetDataPts().SetLevels(3, levels.data());
    ThroughDisk(file);
}

struct CBellcoreTrace {
    CBellcoreTrace() { FillBellcoreTrace(file); }
    CGR196File file;
};

std::vector<std::uint8_t> SaveM600(CM600File& file) {
    return file.SaveToBytes();
}

CM600File LoadM600(std::vector<std::uint8_t> bytes) {
    CM600File file;
    file.Load(std::move(bytes));
    return file;
}

} // namespace

TEST(M600Conversions, BellcoreToM600KeepsHeaderEventsAndSamples) {
    CM600File m600;
    m600.AssignFromBellcore(CBellcoreTrace().file);
    m600 = LoadM600(SaveM600(m600));

    EXPECT_EQ(m600.GetText(CM600File::Text::CableId), "\xCA\xE0\xE1\xE5\xEB\xFC");
    EXPECT_EQ(m600.GetWavelength(), 1310);
    EXPECT_EQ(m600.GetDistanceUnits(), 3);
    EXPECT_EQ(m600.GetGroupIndexStored(), 146820u);
    EXPECT_NEAR(m600.GetRangeKm(), 40.0, 0.001);
    EXPECT_EQ(m600.GetPulseWidths(), (std::vector<std::uint16_t>{1000, 100}));
    EXPECT_EQ(m600.GetFirstPulsePoints(), 8000u);
    EXPECT_EQ(m600.GetBackscatter(), 795);
    EXPECT_EQ(m600.GetNoiseFloor(), 51500);
    EXPECT_DOUBLE_EQ(m600.GetReflectanceThreshold(), -40.0);
    EXPECT_EQ(m600.GetPowerOffset(), 0);

    // Codes and edit flags follow type, end origin and user origin.
    const std::uint8_t codes[] = {3, 2, 3, 2, 7, 8};
    const std::uint8_t flags[] = {2, 2, 1, 1, 1, 2};
    ASSERT_EQ(m600.GetEventCount(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const CM600Event& event = m600.GetEvent(i);
        EXPECT_EQ(event.code, codes[i]);
        EXPECT_EQ(event.editFlag, flags[i]);
        EXPECT_EQ(event.number, i + 1);
        EXPECT_EQ(event.loss, 375);
        EXPECT_EQ(event.reflectance, -45123);
        EXPECT_EQ(event.technique, 2);
    }
    // Truncated to whole M600 time units, about a centimetre each.
    const double unitKm = CM600File::kKmPerTimeUnit / m600.GetGroupIndexStored();
    EXPECT_LT(unitKm, 2e-5);
    EXPECT_LE(m600.GetEventKm(3), 15.0);
    EXPECT_GT(m600.GetEventKm(3), 15.0 - 4 * unitKm); // and the Bellcore unit before it
    EXPECT_FLOAT_EQ(m600.GetSamples()[1], 12.345f);
}

TEST(M600Conversions, M600ToBothLayoutsAndBackKeepsEveryField) {
    CM600File original;
    original.AssignFromBellcore(CBellcoreTrace().file);
    original = LoadM600(SaveM600(original));

    CGR196File gr196;
    FromM600(gr196, original);
    ThroughDisk(gr196);
    const CFxdParams& fxd = gr196.GetFxdParams();
    ASSERT_EQ(fxd.GetPulseEntryCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(fxd.GetPulseEntry(i).GetDataSpacing(), 0u);
        EXPECT_EQ(fxd.GetPulseEntry(i).GetNumberOfDataPoints(), 8000u);
    }
    EXPECT_EQ(fxd.GetActualWavelength(), 1310);
    EXPECT_EQ(fxd.GetUnits(), 1);
    // Types and origins as the signals read them: reflective, user mark, end.
    const char* codes[] = {"1F", "0F", "1A", "0A", "0D", "1E"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(gr196.GetKeyEvents().GetEvent(i).GetEventCodeText().substr(0, 2), codes[i]);

    CSR4731File sr4731;
    FromM600(sr4731, original);
    ThroughDisk(sr4731);
    CM600File back;
    back.AssignFromBellcore(sr4731);
    back = LoadM600(SaveM600(back));

    EXPECT_EQ(back.GetGroupIndexStored(), original.GetGroupIndexStored());
    EXPECT_NEAR(back.GetRangeStored(), original.GetRangeStored(), 1.0);
    EXPECT_EQ(back.GetBackscatter(), original.GetBackscatter());
    EXPECT_EQ(back.GetNoiseFloor(), original.GetNoiseFloor());
    EXPECT_EQ(back.GetReflectanceThresholdStored(), original.GetReflectanceThresholdStored());
    EXPECT_EQ(back.GetLossThresholdStored(), original.GetLossThresholdStored());
    EXPECT_EQ(back.GetEndThresholdStored(), original.GetEndThresholdStored());
    EXPECT_EQ(back.GetTime(), original.GetTime());
    EXPECT_EQ(back.GetText(CM600File::Text::Operator), "Op");
    EXPECT_EQ(back.GetSamples(), original.GetSamples());
    ASSERT_EQ(back.GetEventCount(), original.GetEventCount());
    for (int i = 0; i < back.GetEventCount(); ++i) {
        SCOPED_TRACE(i);
        const CM600Event& a = original.GetEvent(i);
        const CM600Event& b = back.GetEvent(i);
        EXPECT_EQ(b.code, a.code);
        EXPECT_EQ(b.editFlag, a.editFlag);
        EXPECT_EQ(b.loss, a.loss);
        EXPECT_EQ(b.reflectance, a.reflectance);
        // Through the coarser Bellcore time unit (two M600 units) and a float position.
        EXPECT_NEAR(b.time, a.time, 3);
    }
}
