#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "core/SignalFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

class SignalDocumentTest : public testing::Test {
protected:
    std::vector<float> Positions(const CSignal& signal) const {
        std::vector<float> positions;
        for (int i = 0; i < signal.GetEventCount(); ++i)
            positions.push_back(signal.GetEvent(i).GetPosition());
        return positions;
    }

    CScratchDir dir;
    CPromptsScope scope;
    CScriptedPrompts& prompts = scope.prompts;
};

} // namespace

TEST_F(SignalDocumentTest, BellcoreOpenFillsCurveAndEventsInPositionOrder) {
    const std::string path = dir.Path("a.sor");
    WriteBellcore<CGR196File>(path, StandardEvents());
    CGR196Signal signal;
    ASSERT_TRUE(signal.Open(path));
    EXPECT_EQ(signal.GetPointCount(), 400u);
    EXPECT_NEAR(signal.GetEndDistance(), 20.0, 1e-4);
    EXPECT_FLOAT_EQ(signal.GetMinLevel(), -21.95f);
    EXPECT_DOUBLE_EQ(signal.GetGroupIndex(), 1.4682);
    EXPECT_FALSE(signal.IsModified());
    EXPECT_EQ(signal.GetLoadWarning(), "");

    EXPECT_EQ(Positions(signal).size(), 5u);
    const int fileOrder[] = {0, 2, 4, 1, 3};
    const int markers[] = {1, 0, 0, 0, 2};
    const bool flags[] = {false, false, true, true, false};
    for (int i = 0; i < 5; ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        EXPECT_EQ(event.GetFileIndex(), fileOrder[i]);
        EXPECT_EQ(event.GetMarker(), markers[i]);
        EXPECT_EQ(event.GetFlag(), flags[i]);
        EXPECT_FLOAT_EQ(event.GetAttenuation(), 0.25f);
        if (i > 0) {
            EXPECT_LT(Positions(signal)[i - 1], event.GetPosition());
        }
    }
    EXPECT_EQ(signal.GetEvent(3).GetComment(), "сварка");
}

TEST_F(SignalDocumentTest, FirstEndEventReadsAsStartInGR196AndAsEndInSR4731) {
    std::vector<CRecordPlan> events = StandardEvents();
    events[0].origin = kOriginEnd;
    WriteBellcore<CGR196File>(dir.Path("a.sor"), events);
    WriteBellcore<CSR4731File>(dir.Path("a.tra"), events);
    CGR196Signal gr196;
    CSR4731Signal sr4731;
    ASSERT_TRUE(gr196.Open(dir.Path("a.sor")));
    ASSERT_TRUE(sr4731.Open(dir.Path("a.tra")));
    EXPECT_EQ(gr196.GetEvent(0).GetTypeName(), "Начало");
    EXPECT_EQ(sr4731.GetEvent(0).GetTypeName(), "Конец");
}

TEST_F(SignalDocumentTest, BellcoreWithoutPointsOpensWithItsEventsOnly) {
    WriteBellcore<CSR4731File>(dir.Path("a.tra"), StandardEvents(), false);
    CSR4731Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("a.tra")));
    EXPECT_EQ(signal.GetPointCount(), 0u);
    EXPECT_EQ(signal.GetRange(), 0.0);
    EXPECT_EQ(signal.GetEventCount(), 5);
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
    ASSERT_EQ(signal.GetEventCount(), 7);
    const int types[] = {1, 0, 0, 1, 0, 1, 0};
    const int markers[] = {1, 0, 0, 0, 2, 2, 2};
    const int methods[] = {1, 0, 2, 1, 1, 1, 1};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const CKeyEvent event = signal.GetEvent(i);
        EXPECT_EQ(event.GetFileIndex(), i);
        EXPECT_EQ(event.GetType(), types[i]);
        EXPECT_EQ(event.GetMarker(), markers[i]);
        EXPECT_EQ(event.GetFlag(), flags[i] == 1);
        EXPECT_EQ(event.GetMethod(), methods[i]);
        EXPECT_FLOAT_EQ(event.GetPosition(), static_cast<float>((i + 1) / 1.4682 * 1.49896229));
        EXPECT_FLOAT_EQ(event.GetLoss(), 0.125f);
        EXPECT_FLOAT_EQ(static_cast<float>(event.GetReflectance()), -45.5f);
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

    const std::vector<std::string> labels = {"Диапазон:", "Длина Импульса:", "Длина Волны:",
                                             "Показатель преломления:", "Коэф. Обр. Рассеяния:"};
    const std::vector<std::string> bellcore = {"20 km", "1000 ns", "1310 nm", "1.4682", "-81.5 dB"};
    const std::vector<std::string> noyes = {"20 km", "300 ns", "1550 nm", "1.4682", "-81.5 dB"};
    for (int i = 0; i < 5; ++i) {
        std::string label, value;
        ASSERT_TRUE(gr196.GetDescription(i, label, value));
        EXPECT_EQ(label, labels[i]);
        EXPECT_EQ(value, bellcore[i]);
        ASSERT_TRUE(m600.GetDescription(i, label, value));
        EXPECT_EQ(label, labels[i]);
        EXPECT_EQ(value, noyes[i]);
    }
    std::string label = "x", value = "y";
    EXPECT_FALSE(m600.GetDescription(5, label, value));
    EXPECT_EQ(label + value, "xy");
}

TEST_F(SignalDocumentTest, FailedOpenShowsTheErrorAndLeavesNothingBehind) {
    const std::string path = dir.Path("a.sor");
    WriteBellcore<CGR196File>(path, StandardEvents());
    std::vector<std::uint8_t> bytes = ReadAll(path);
    bytes.resize(bytes.size() - 100);
    WriteAll(path, bytes);
    CGR196Signal signal;
    EXPECT_FALSE(signal.Open(path));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, kProgramTitle);
    EXPECT_EQ(signal.GetEventCount(), 0);
    EXPECT_EQ(signal.GetPointCount(), 0u);
    EXPECT_EQ(signal.GetFileName(), "");
}

TEST_F(SignalDocumentTest, ChecksumMismatchOpensWithAWarning) {
    M600Trace(StandardM600Events()).Save(dir.Path("m600"));
    WriteBellcore<CGR196File>(dir.Path("a.sor"), StandardEvents());
    for (const char* name : {"m600", "a.sor"}) {
        std::vector<std::uint8_t> bytes = ReadAll(dir.Path(name));
        bytes.back() ^= 0x5A;
        WriteAll(dir.Path(name), bytes);
    }
    CM600Signal m600;
    CGR196Signal gr196;
    ASSERT_TRUE(m600.Open(dir.Path("m600")));
    ASSERT_TRUE(gr196.Open(dir.Path("a.sor")));
    EXPECT_EQ(m600.GetLoadWarning(), "Контрольная сумма файла не совпадает");
    EXPECT_EQ(gr196.GetLoadWarning(), "Контрольная сумма файла не совпадает");
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

TEST_F(SignalDocumentTest, DecliningThePromptWritesNothingAndKeepsTheEdits) {
    WriteBellcore<CSR4731File>(dir.Path("a.tra"), StandardEvents());
    CSR4731Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("a.tra")));
    signal.SetEvent(1, signal.GetEvent(1));
    prompts.answers = {false};
    const std::string target = dir.Path("b.tra");
    EXPECT_TRUE(signal.Save(target));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(signal.IsEventsModified());
    EXPECT_EQ(signal.GetFileName(), dir.Path("a.tra"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Сохранить изменения в " + target + "?");
    EXPECT_EQ(prompts.shown[0].caption, "Внимание");
    EXPECT_TRUE(prompts.shown[0].question);
}

TEST_F(SignalDocumentTest, FailedWriteAfterConfirmingKeepsTheEditsUnsaved) {
    WriteBellcore<CGR196File>(dir.Path("a.sor"), StandardEvents());
    CGR196Signal signal;
    ASSERT_TRUE(signal.Open(dir.Path("a.sor")));
    signal.OffsetLevels(1.0f);
    prompts.answers = {true};
    EXPECT_FALSE(signal.Save(dir.Path("missing/b.sor")));
    EXPECT_EQ(prompts.shown.back().caption, kProgramTitle);
    EXPECT_TRUE(signal.IsLevelsModified());
}

// Moves, adds, deletes and ends events, confirms the save and reads the file back.
template <class Signal, class File> void CheckEventWriteBack(const std::string& path) {
    WriteBellcore<File>(path, StandardEvents());
    CPromptsScope scope;
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
    const float positions[] = {0.0f, 5.5f, 9.0f, 12.0f, 20.0f};
    ASSERT_EQ(again.GetEventCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(again.GetEvent(i).GetPosition(), positions[i], 1e-4);
    EXPECT_EQ(again.GetEvent(4).GetMarker(), 2);
    EXPECT_TRUE(again.GetEvent(4).GetFlag());
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
    const int types[] = {1, 1, 0, 0};
    const int markers[] = {1, 0, 2, 0};
    const bool flags[] = {false, false, true, false};
    ASSERT_EQ(again.GetEventCount(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(again.GetEvent(i).GetType(), types[i]);
        EXPECT_EQ(again.GetEvent(i).GetMarker(), markers[i]);
        EXPECT_EQ(again.GetEvent(i).GetFlag(), flags[i]);
    }
    const CM600File& file = again.GetFile();
    EXPECT_EQ(file.GetEvent(1).code, 7);
    EXPECT_EQ(file.GetEvent(1).editFlag, kM600UserEdited);
    EXPECT_EQ(file.GetEvent(2).code, 3);
    EXPECT_EQ(file.GetEvent(3).code, 2); // appended as record 4 and numbered so
    EXPECT_EQ(file.GetEvent(3).number, 4);
    EXPECT_EQ(file.GetEvent(3).editFlag, kM600NotEdited);
}
