#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "core/SignalFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

class SignalDocumentTest : public testing::Test {
protected:
    CScratchDir dir;
    CScriptedPromptsScope scope;
    CScriptedPrompts& prompts = scope.prompts;
};

// "marker type flag fileIndex" per event, in list order.
std::vector<std::string> EventKeys(const CSignal& signal) {
    std::vector<std::string> keys;
    for (int i = 0; i < signal.GetEventCount(); ++i) {
        const CKeyEvent e = signal.GetEvent(i);
        keys.push_back(
            FormatText("%d %d %d %d", e.GetMarker(), e.GetType(), e.GetFlag(), e.GetFileIndex()));
    }
    return keys;
}

} // namespace

TEST_F(SignalDocumentTest, BellcoreOpenFillsCurveAndEventsInPositionOrder) {
    WriteBellcore<CGR196File>(dir.Path("a.sor"), StandardEvents());
    CGR196Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("a.sor")));
    EXPECT_EQ(signal.GetPointCount(), 400u);
    EXPECT_NEAR(signal.GetEndDistance(), 20.0, 1e-4);
    EXPECT_FLOAT_EQ(signal.GetMinLevel(), -21.95f);
    EXPECT_DOUBLE_EQ(signal.GetGroupIndex(), 1.4682);
    EXPECT_FALSE(signal.IsModified());
    EXPECT_EQ(EventKeys(signal),
              (std::vector<std::string>{"1 1 0 0", "0 0 0 2", "0 1 1 4", "0 0 1 1", "2 1 0 3"}));
    EXPECT_NEAR(signal.GetEvent(3).GetPosition(), 15.0, 1e-4);
    EXPECT_FLOAT_EQ(signal.GetEvent(3).GetAttenuation(), 0.25f);
    EXPECT_EQ(signal.GetEvent(3).GetComment(), "сварка");
}

TEST_F(SignalDocumentTest, FirstEndEventIsTheStartInGR196AndTheEndInSR4731) {
    std::vector<CRecordPlan> events = StandardEvents();
    events[0].origin = kOriginEnd;
    WriteBellcore<CGR196File>(dir.Path("a.sor"), events);
    WriteBellcore<CSR4731File>(dir.Path("a.tra"), events, false);
    CGR196Signal gr196;
    CSR4731Signal sr4731;
    ASSERT_TRUE(gr196.Open(dir.Path("a.sor")));
    ASSERT_TRUE(sr4731.Open(dir.Path("a.tra")));
    EXPECT_EQ(gr196.GetEvent(0).GetTypeName(), "Начало");
    EXPECT_EQ(sr4731.GetEvent(0).GetTypeName(), "Конец");
    // No points: no samples and no range, but the events.
    EXPECT_EQ(sr4731.GetPointCount(), 0u);
    EXPECT_EQ(sr4731.GetRange(), 0.0);
    EXPECT_EQ(sr4731.GetEventCount(), 5);
}

TEST_F(SignalDocumentTest, M600OpenReadsCodesFlagsAndTechniques) {
    std::vector<CM600Event> records;
    const std::uint8_t codes[] = {8, 0, 2, 3, 7, 8, 9};
    const std::uint8_t flags[] = {1, 2, 3, 1, 2, 1, 2};
    for (int i = 0; i < 7; ++i)
        records.push_back(M600Record(i + 1, codes[i], flags[i]));
    records[1].technique = 1;
    records[2].technique = 0;
    M600Trace(records).Save(dir.Path("m600"));

    CM600Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("m600")));
    EXPECT_NEAR(signal.GetEndDistance(), 20.0, 1e-6);
    EXPECT_EQ(EventKeys(signal),
              (std::vector<std::string>{"1 1 1 0", "0 0 0 1", "0 0 0 2", "0 1 1 3", "2 0 0 4",
                                        "2 1 1 5", "2 0 0 6"}));
    const int methods[] = {1, 0, 2, 1, 1, 1, 1};
    for (int i = 0; i < 7; ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        EXPECT_EQ(event.GetMethod(), methods[i]);
        EXPECT_FLOAT_EQ(event.GetPosition(), static_cast<float>((i + 1) / 146820.0 * 1.49896229));
        EXPECT_FLOAT_EQ(event.GetLoss(), 0.125f);
        EXPECT_DOUBLE_EQ(event.GetReflectance(), -45.5);
        EXPECT_EQ(event.GetComment(), "муфта");
    }
}

TEST_F(SignalDocumentTest, DescriptionsGiveFiveLines) {
    WriteBellcore<CGR196File>(dir.Path("a.sor"), StandardEvents());
    M600Trace(StandardM600Events()).Save(dir.Path("m600"));
    CGR196Signal gr196;
    CM600Signal m600;
    ASSERT_TRUE(gr196.Open(dir.Path("a.sor")));
    ASSERT_TRUE(m600.Open(dir.Path("m600")));
    auto lines = [](const CSignal& signal) {
        std::vector<std::string> lines;
        std::string label = "x", value = "y";
        for (int i = 0; i < 5; ++i)
            if (signal.GetDescription(i, label, value))
                lines.push_back(label + " " + value);
        EXPECT_FALSE(signal.GetDescription(5, label, value));
        return lines;
    };
    EXPECT_EQ(lines(gr196),
              (std::vector<std::string>{"Диапазон: 20 km", "Длина Импульса: 1000 ns",
                                        "Длина Волны: 1310 nm", "Показатель преломления: 1.4682",
                                        "Коэф. Обр. Рассеяния: -81.5 dB"}));
    EXPECT_EQ(lines(m600),
              (std::vector<std::string>{"Диапазон: 20 km", "Длина Импульса: 300 ns",
                                        "Длина Волны: 1550 nm", "Показатель преломления: 1.4682",
                                        "Коэф. Обр. Рассеяния: -81.5 dB"}));
}

TEST_F(SignalDocumentTest, DamagedFilesFailEmptyOrOpenWithAWarning) {
    WriteBellcore<CGR196File>(dir.Path("a.sor"), StandardEvents());
    std::vector<std::uint8_t> bytes = ReadAll(dir.Path("a.sor"));
    bytes.back() ^= 0x5A;
    WriteAll(dir.Path("crc.sor"), bytes);
    bytes.resize(bytes.size() - 100);
    WriteAll(dir.Path("cut.sor"), bytes);
    M600Trace(StandardM600Events()).Save(dir.Path("m600"));
    bytes = ReadAll(dir.Path("m600"));
    bytes.back() ^= 0x5A;
    WriteAll(dir.Path("m600"), bytes);

    CGR196Signal cut;
    EXPECT_FALSE(cut.Open(dir.Path("cut.sor")));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, kProgramTitle);
    EXPECT_EQ(cut.GetEventCount() + cut.GetPointCount() + cut.GetFileName().size(), 0u);

    CGR196Signal gr196;
    CM600Signal m600;
    ASSERT_TRUE(gr196.Open(dir.Path("a.sor")));
    EXPECT_EQ(gr196.GetLoadWarning(), "");
    ASSERT_TRUE(gr196.Open(dir.Path("crc.sor")));
    ASSERT_TRUE(m600.Open(dir.Path("m600")));
    EXPECT_EQ(gr196.GetLoadWarning(), "Контрольная сумма файла не совпадает");
    EXPECT_EQ(m600.GetLoadWarning(), "Контрольная сумма файла не совпадает");
}

TEST_F(SignalDocumentTest, UnmodifiedSaveWritesOnlyUnderAnotherName) {
    const std::string path = dir.Path("a.sor");
    WriteBellcore<CGR196File>(path, StandardEvents());
    CGR196Signal signal;
    ASSERT_TRUE(signal.Open(path));
    WriteAll(path, {1, 2, 3});
    EXPECT_TRUE(signal.Save(""));
    EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_TRUE(signal.Save(dir.Path("b.sor")));
    EXPECT_EQ(signal.GetFileName(), dir.Path("b.sor"));
    EXPECT_TRUE(IsGR196File(dir.Path("b.sor")));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SignalDocumentTest, DeclinedOrFailedSaveKeepsTheEdits) {
    WriteBellcore<CSR4731File>(dir.Path("a.tra"), StandardEvents());
    CSR4731Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("a.tra")));
    signal.SetEvent(1, signal.GetEvent(1));
    const std::string target = dir.Path("b.tra");
    EXPECT_TRUE(signal.Save(target)); // No: nothing written
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(signal.GetFileName(), dir.Path("a.tra"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Сохранить изменения в " + target + "?");
    EXPECT_EQ(prompts.shown[0].caption, "Внимание");
    EXPECT_TRUE(prompts.shown[0].question);
    EXPECT_TRUE(signal.IsEventsModified());

    // Confirmed but not written: closing must still ask.
    signal.OffsetLevels(1.0f);
    prompts.answers = {true};
    EXPECT_FALSE(signal.Save(dir.Path("missing/b.tra")));
    EXPECT_EQ(prompts.shown.back().caption, kProgramTitle);
    EXPECT_TRUE(signal.IsLevelsModified());
    EXPECT_TRUE(signal.IsEventsModified());
}

// Moves, ends, deletes and adds events, confirms the save and reads the file back.
template <class Signal, class File> void CheckEventWriteBack(const std::string& path) {
    WriteBellcore<File>(path, StandardEvents());
    CScriptedPromptsScope scope;
    Signal signal;
    ASSERT_TRUE(signal.Open(path));
    CKeyEvent moved = signal.GetEvent(1); // 5 km, record 2
    moved.SetPosition(5.5f);
    moved.SetFlag(true);
    signal.SetEvent(1, moved);
    CKeyEvent end = signal.GetEvent(4); // record 3
    end.SetFlag(true);
    signal.SetEvent(4, end);
    signal.DeleteEvent(3); // 15 km, record 1
    CKeyEvent added;
    added.SetPosition(12.0f);
    added.SetType(1);
    added.SetFlag(true);
    added.SetComment("новое");
    signal.SetEvent(signal.AddEvent(), added);
    signal.OffsetLevels(1.0f);
    scope.prompts.answers = {true};
    ASSERT_TRUE(signal.Save(""));
    EXPECT_FALSE(signal.IsModified());
    EXPECT_EQ(signal.GetEvent(3).GetComment(), "новое"); // refilled in position order

    File file;
    file.Load(path);
    std::vector<std::string> codes;
    for (const auto& record : file.GetKeyEvents().GetEvents())
        codes.push_back(record.GetEventCodeText());
    // Record 1 is gone; the added one was appended as record 5 and numbered so; flagged
    // records that existed count as moved.
    EXPECT_EQ(codes, (std::vector<std::string>{"1F0001", "0M0003", "1D0004", "1M0005", "1A0000"}));
    EXPECT_EQ(file.GetKeyEvents().GetEvent(4).GetEventNumber(), 5);
    EXPECT_NEAR(file.GetDataPts().GetLevels()[0], 3.0, 0.0011);

    Signal again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_EQ(EventKeys(again),
              (std::vector<std::string>{"1 1 0 0", "0 0 1 1", "0 1 1 3", "0 1 1 4", "2 1 1 2"}));
    EXPECT_NEAR(again.GetEvent(1).GetPosition(), 5.5, 1e-4);
    EXPECT_NEAR(again.GetEvent(3).GetPosition(), 12.0, 1e-4);
}

TEST_F(SignalDocumentTest, ConfirmedSaveWritesEventsBackWithTheirOrigins) {
    CheckEventWriteBack<CGR196Signal, CGR196File>(dir.Path("a.sor"));
    CheckEventWriteBack<CSR4731Signal, CSR4731File>(dir.Path("a.tra"));
}

TEST_F(SignalDocumentTest, M600SaveWritesCodesThatReadBackTheSame) {
    M600Trace(StandardM600Events()).Save(dir.Path("m600"));
    CM600Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("m600")));
    CKeyEvent loss = signal.GetEvent(1); // 4.08 km, code 2
    loss.SetType(1);
    signal.SetEvent(1, loss);
    CKeyEvent end = signal.GetEvent(3); // code 8
    end.SetType(0);
    end.SetFlag(true);
    signal.SetEvent(3, end);
    signal.DeleteEvent(2);
    CKeyEvent added;
    added.SetPosition(15.0f);
    signal.SetEvent(signal.AddEvent(), added);
    prompts.answers = {true};
    ASSERT_TRUE(signal.Save(""));

    CM600Signal again;
    ASSERT_TRUE(again.Open(dir.Path("m600")));
    EXPECT_EQ(EventKeys(again),
              (std::vector<std::string>{"1 1 0 0", "0 1 0 2", "2 0 1 1", "0 0 0 3"}));
    std::vector<int> codes;
    for (int i = 0; i < again.GetFile().GetEventCount(); ++i)
        codes.push_back(again.GetFile().GetEvent(i).code);
    EXPECT_EQ(codes, (std::vector<int>{3, 7, 3, 2}));
    EXPECT_EQ(again.GetFile().GetEvent(3).number, 4); // appended as record 4
    EXPECT_EQ(again.GetFile().GetEvent(3).editFlag, kM600NotEdited);
}

namespace {

// Every value of every event, for equality before and after a save.
std::vector<std::string> EventValues(const CSignal& signal) {
    std::vector<std::string> values;
    for (int i = 0; i < signal.GetEventCount(); ++i) {
        const CKeyEvent e = signal.GetEvent(i);
        values.push_back(FormatText("%a %a %a %a %d %d %d %d %s", e.GetPosition(), e.GetLoss(),
                                    e.GetReflectance(), e.GetAttenuation(), e.GetType(),
                                    e.GetMarker(), e.GetMethod(), e.GetFlag(),
                                    e.GetComment().c_str()));
    }
    return values;
}

// One kind, whose position unit is unitKm: a deletion and an addition are saved, an added
// event stays added through a failed save, a typed value is stored to its nearest unit, and
// every value the user did not touch is stored exactly as it was read.
template <class Signal> void CheckEditsReachTheFile(const std::string& path, double unitKm) {
    CScriptedPromptsScope scope;
    Signal signal;
    ASSERT_TRUE(signal.Open(path));
    const int count = signal.GetEventCount();
    ASSERT_GE(count, 4);

    signal.DeleteEvent(2);
    EXPECT_TRUE(signal.IsEventsModified());
    std::vector<std::string> kept = EventValues(signal);

    // Values not exact in binary, and a place 0.8 of a unit past a whole one.
    CKeyEvent added;
    added.SetType(1);
    added.SetFlag(true);
    added.SetPosition(static_cast<float>(300000.8 * unitKm));
    added.SetLoss(0.087f);
    added.SetReflectance(-33.268);
    added.SetAttenuation(0.087f);
    const int index = signal.AddEvent(added);
    EXPECT_EQ(signal.GetSelectedEvent(), index);
    EXPECT_EQ(signal.GetEvent(index).GetPosition(), added.GetPosition());
    for (int i = 1; i < signal.GetEventCount(); ++i) // in position order at once
        EXPECT_LE(signal.GetEvent(i - 1).GetPosition(), signal.GetEvent(i).GetPosition()) << i;

    // The first save fails after the events went into the file object; the retry writes.
    scope.prompts.answers = {true, true};
    EXPECT_FALSE(signal.Save(path + ".missing/x"));
    ASSERT_TRUE(signal.Save(path));
    EXPECT_FALSE(signal.IsModified());

    Signal again;
    ASSERT_TRUE(again.Open(path));
    ASSERT_EQ(again.GetEventCount(), count);
    const CKeyEvent back = again.GetEvent(index);
    EXPECT_NEAR(back.GetPosition(), added.GetPosition(), 0.55 * unitKm);
    EXPECT_EQ(std::lround(back.GetLoss() * 1000.0), 87);
    EXPECT_EQ(std::lround(back.GetReflectance() * 1000.0), -33268);
    if constexpr (Signal::kKind != CM600Signal::kKind) {
        EXPECT_EQ(std::lround(back.GetAttenuation() * 1000.0), 87);
        const auto& records = again.GetFile().GetKeyEvents().GetEvents();
        EXPECT_EQ(records.back().GetEventCodeText().substr(0, 2), "1A");
    }
    std::vector<std::string> untouched = EventValues(again);
    untouched.erase(untouched.begin() + index);
    EXPECT_EQ(untouched, kept);
}

} // namespace

TEST_F(SignalDocumentTest, EventEditsReachTheFileExactlyAndAnAddedEventStaysAdded) {
    // A position unit: 1 ÷ (group index × 33355.57) km, or 1.49896229 ÷ (index × 100000).
    WriteBellcore<CGR196File>(dir.Path("a.sor"), StandardEvents());
    CheckEditsReachTheFile<CGR196Signal>(dir.Path("a.sor"), 1.0 / (1.4682 * 33355.5703802535));
    WriteBellcore<CSR4731File>(dir.Path("a.tra"), StandardEvents());
    CheckEditsReachTheFile<CSR4731Signal>(dir.Path("a.tra"), 1.0 / (1.4682 * 33355.5703802535));
    M600Trace(StandardM600Events()).Save(dir.Path("a.m600"));
    CheckEditsReachTheFile<CM600Signal>(dir.Path("a.m600"), 1.49896229 / 146820.0);
}
