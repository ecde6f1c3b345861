#include "core/SignalFactory.h"
#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "core/SignalFixtures.h"
#include "platform/CException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using SignalPtr = std::unique_ptr<CSignal>;

// The error OpenSignal throws, "" when it returns.
std::string OpenError(const std::string& path, SignalPtr* signal = nullptr) {
    try {
        SignalPtr opened(OpenSignal(path));
        if (signal)
            *signal = std::move(opened);
    } catch (const CException& e) {
        return e.GetErrorMessage();
    }
    return {};
}

// Saves the signal under path (it has no unsaved edits, so nothing is asked) and opens the
// file again.
SignalPtr SavedAndReopened(CSignal& signal, const std::string& path) {
    CScriptedPromptsScope scope;
    EXPECT_TRUE(signal.Save(path));
    EXPECT_TRUE(scope.prompts.shown.empty());
    SignalPtr again;
    EXPECT_EQ(OpenError(path, &again), "");
    return again;
}

// What a file of the other kind can hold of a trace: M600 knows no "other" events and holds
// levels of 0 to 65.535 dB. Positions keep to a tenth of a metre in every format. Events are
// matched by record.
void ExpectSameTrace(const CSignal& expected, const CSignal& actual, bool throughM600) {
    const double positionTolerance = 1e-4;
    ASSERT_EQ(actual.GetEventCount(), expected.GetEventCount());
    for (int i = 0; i < expected.GetEventCount(); ++i) {
        const CKeyEvent a = expected.GetEvent(i);
        SCOPED_TRACE(a.GetFileIndex());
        CKeyEvent b;
        for (int j = 0; j < actual.GetEventCount(); ++j)
            if (actual.GetEvent(j).GetFileIndex() == a.GetFileIndex())
                b = actual.GetEvent(j);
        EXPECT_EQ(b.GetType(), throughM600 ? std::min(a.GetType(), 1) : a.GetType());
        // Whether the first record is the start or the end is each layout's own rule.
        if (a.GetFileIndex() != 0 || actual.GetKind() == expected.GetKind()) {
            EXPECT_EQ(b.GetMarker(), a.GetMarker());
        }
        EXPECT_EQ(b.GetFlag(), a.GetFlag());
        // M600 holds positions up to about 21900 km; one sample file has an event far beyond.
        if (!throughM600 || a.GetPosition() < 20000.0f) {
            EXPECT_NEAR(b.GetPosition(), a.GetPosition(), positionTolerance);
        }
        EXPECT_NEAR(b.GetLoss(), a.GetLoss(), 0.0011);
        EXPECT_NEAR(b.GetReflectance(), a.GetReflectance(), 0.0011);
    }
    ASSERT_EQ(actual.GetPointCount(), expected.GetPointCount());
    for (std::size_t i = 0; i < expected.GetPointCount(); ++i) {
        const float level = expected.GetLevels()[i];
        ASSERT_NEAR(actual.GetLevels()[i], throughM600 ? std::clamp(level, 0.0f, 65.535f) : level,
                    0.0011)
            << i;
    }
}

// Converts the signal to every other kind and back, saving and reading each step.
void CheckConversions(const CSignal& original, const CScratchDir& dir, const std::string& name) {
    for (const SignalKind kind : {SignalKind::GR196, SignalKind::SR4731, SignalKind::M600}) {
        if (kind == original.GetKind())
            continue;
        SCOPED_TRACE("to kind " + std::to_string(KindNumber(kind)));
        const bool throughM600 = kind == SignalKind::M600 || original.GetKind() == SignalKind::M600;
        SignalPtr converted(ConvertSignal(original, kind));
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->GetKind(), kind);
        EXPECT_EQ(converted->GetFileName(), original.GetFileName());
        const SignalPtr there = SavedAndReopened(*converted, dir.Path(name + "-there"));
        ASSERT_TRUE(there);
        EXPECT_EQ(there->GetKind(), kind);
        ExpectSameTrace(original, *there, throughM600);

        SignalPtr back(ConvertSignal(*there, original.GetKind()));
        ASSERT_TRUE(back);
        const SignalPtr home = SavedAndReopened(*back, dir.Path(name + "-back"));
        ASSERT_TRUE(home);
        EXPECT_EQ(home->GetKind(), original.GetKind());
        ExpectSameTrace(original, *home, throughM600);
    }
}

class SignalFactoryTest : public testing::Test {
protected:
    CScratchDir dir;
    CScriptedPromptsScope scope;
    CScriptedPrompts& prompts = scope.prompts;
};

} // namespace

TEST_F(SignalFactoryTest, RecognisesEachKindByContent) {
    WriteBellcore<CGR196File>(dir.Path("gr.tra"), StandardEvents());
    WriteBellcore<CSR4731File>(dir.Path("sr.sor"), StandardEvents());
    M600Trace(StandardM600Events()).Save(dir.Path("m600.sor"));

    const std::pair<const char*, SignalKind> files[] = {{"gr.tra", SignalKind::GR196},
                                                        {"sr.sor", SignalKind::SR4731},
                                                        {"m600.sor", SignalKind::M600}};
    for (const auto& [name, kind] : files) {
        SignalPtr signal;
        EXPECT_EQ(OpenError(dir.Path(name), &signal), "") << name;
        ASSERT_TRUE(signal) << name;
        EXPECT_EQ(signal->GetKind(), kind);
        EXPECT_EQ(signal->GetEventCount(), kind == SignalKind::M600 ? 4 : 5);
        signal->AddRef();
        EXPECT_FALSE(signal->Release()); // the caller takes the first reference
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SignalFactoryTest, UnknownEmptyAndDamagedFilesFail) {
    WriteAll(dir.Path("png"),
             {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    EXPECT_EQ(OpenError(dir.Path("png")), "Неправильный тип файла");
    WriteAll(dir.Path("empty"), {});
    EXPECT_EQ(OpenError(dir.Path("empty")), "Не могу прочесть файл");
    EXPECT_NE(OpenError(dir.Path("missing")), "");
    EXPECT_TRUE(prompts.shown.empty());

    // A9 00 goes to the M600 reader, which shows its error; no signal is left.
    CM600File file = M600Trace(StandardM600Events());
    file.SetText(CM600File::Text::CableId, "");
    file.Save(dir.Path("m600"));
    std::vector<std::uint8_t> bytes = ReadAll(dir.Path("m600"));
    bytes[15] = 31; // the cable ID's length, longer than any M600 text
    WriteAll(dir.Path("m600"), bytes);
    // Read as a map, these M600 header bytes announce entries that run off the end.
    WriteAll(dir.Path("short"), {0xA9, 0x00, 2, 1, 0, 6, 5, 4, 3, 6, 15, 5});
    EXPECT_THROW(IsGR196File(dir.Path("short")), COtdrException);
    for (const char* name : {"m600", "short"}) {
        SignalPtr signal;
        EXPECT_EQ(OpenError(dir.Path(name), &signal), "") << name;
        EXPECT_FALSE(signal);
    }
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "Не могу загрузить данные в формате M600");
    EXPECT_EQ(prompts.shown[1].text, "Не могу прочесть файл");
}

TEST_F(SignalFactoryTest, ConversionsRoundTripAmongTheThreeKinds) {
    WriteBellcore<CGR196File>(dir.Path("gr"), StandardEvents());
    WriteBellcore<CSR4731File>(dir.Path("sr"), StandardEvents());
    M600Trace(StandardM600Events()).Save(dir.Path("m600"));
    for (const char* name : {"gr", "sr", "m600"}) {
        SCOPED_TRACE(name);
        SignalPtr signal;
        ASSERT_EQ(OpenError(dir.Path(name), &signal), "");
        CheckConversions(*signal, dir, name);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SignalFactoryTest, ConvertedSignalsSaveTheirEditsInTheirOwnFormat) {
    CGR196File file;
    FillBellcore(file, StandardEvents());
    file.GetFxdParams().Reset();
    file.Save(dir.Path("a.sor"));
    SignalPtr signal;
    ASSERT_EQ(OpenError(dir.Path("a.sor"), &signal), "");
    CKeyEvent event = signal->GetEvent(1);
    event.SetType(1);
    signal->SetEvent(1, event);
    EXPECT_EQ(ConvertSignal(*signal, static_cast<SignalKind>(4)), nullptr);

    // Without pulse widths there is no M600 file to write.
    SignalPtr m600(ConvertSignal(*signal, SignalKind::M600));
    std::string label, value;
    ASSERT_TRUE(m600->GetDescription(1, label, value));
    EXPECT_EQ(value, "--");
    prompts.answers = {true, true};
    EXPECT_FALSE(m600->Save(dir.Path("a.m600")));
    EXPECT_EQ(prompts.shown.back().text, "Не могу сохранить данные в формате M600");

    SignalPtr sr4731(ConvertSignal(*signal, SignalKind::SR4731));
    EXPECT_TRUE(sr4731->IsEventsModified());
    ASSERT_TRUE(sr4731->Save(dir.Path("a.tra")));
    EXPECT_EQ(prompts.shown.size(), 3u); // asked, failed, asked
    SignalPtr again;
    ASSERT_EQ(OpenError(dir.Path("a.tra"), &again), "");
    EXPECT_EQ(again->GetKind(), SignalKind::SR4731);
    EXPECT_EQ(again->GetEvent(1).GetType(), 1);
}

TEST_F(SignalFactoryTest, AnOpenedTraceSharesItsFilesLevelsUntilTheyChange) {
    WriteBellcore<CSR4731File>(dir.Path("s.tra"), StandardEvents());
    SignalPtr signal;
    ASSERT_EQ(OpenError(dir.Path("s.tra"), &signal), "");
    const auto* sr = dynamic_cast<const CSR4731Signal*>(signal.get());
    ASSERT_TRUE(sr);
    // One array for the file's block, the trace and a copy of it.
    const std::vector<float>& stored = sr->GetFile().GetDataPts().GetLevels();
    EXPECT_EQ(&signal->GetLevels(), &stored);
    SignalPtr copy(ConvertSignal(*signal, SignalKind::SR4731));
    EXPECT_EQ(&copy->GetLevels(), &stored);
    // An edit takes an array of its own; the others keep what was read, until the save.
    const std::vector<float> read = stored;
    signal->OffsetLevels(1.0f);
    EXPECT_EQ(stored, read);
    EXPECT_EQ(copy->GetLevels(), read);
    ASSERT_EQ(signal->GetPointCount(), read.size());
    EXPECT_EQ(signal->GetLevels()[7], read[7] + 1.0f);
    prompts.answers = {true};
    ASSERT_TRUE(signal->Save(dir.Path("t.tra")));
    SignalPtr again;
    ASSERT_EQ(OpenError(dir.Path("t.tra"), &again), "");
    ASSERT_EQ(again->GetPointCount(), read.size());
    for (std::size_t i = 0; i < read.size(); ++i)
        ASSERT_NEAR(again->GetLevels()[i], read[i] + 1.0f, 0.0011) << i;
}

TEST_F(SignalFactoryTest, EverySampleOpensAndConvertsToEachKindAndBack) {
    const auto files = SampleFiles({".sor", ".tra"});
    if (files.empty())
        GTEST_SKIP() << "no sample folder";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        SignalPtr signal;
        ASSERT_EQ(OpenError(path.string(), &signal), "");
        ASSERT_TRUE(signal);
        EXPECT_GT(signal->GetPointCount(), 0u);
        CheckConversions(*signal, dir, "sample");
    }
    EXPECT_TRUE(prompts.shown.empty());
}
