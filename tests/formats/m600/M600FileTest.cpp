#include "formats/m600/CM600File.h"
#include "platform/CException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Windows-1251 bytes of "Кабель" and "разъём".
const std::string kCable = "\xCA\xE0\xE1\xE5\xEB\xFC";
const std::string kJoint = "\xF0\xE0\xE7\xFA\xB8\xEC";

// An M600 file laid out field by field from the format tables, checksum appended.
struct CLayout {
    std::uint16_t signature = 169;
    std::uint8_t year = 5;
    std::vector<std::string> texts = {kCable, "C-12", "", "A", "B", "Op"};
    std::uint8_t mode2 = 4;
    std::vector<std::uint16_t> widths = {100, 1000};
    std::optional<std::uint16_t> widthCount;
    std::uint16_t eventCount = 2;
    std::vector<std::uint16_t> samples = {0, 12345, 65535};
    std::optional<std::uint16_t> sampleCount;

    Bytes bytes;
    CLayout& U8(unsigned v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    CLayout& U16(unsigned v) { return U8(v).U8(v >> 8); }
    CLayout& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    CLayout& Text(const std::string& s) {
        U16(static_cast<unsigned>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }

    Bytes Build() {
        U16(signature).U8(2).U16(0x0102).U32(0x03040506);
        U8(6).U8(15).U8(year).U8(12).U8(34).U8(56);
        Text(texts[0]).Text(texts[1]).U16(0xBEEF);
        Text(texts[2]).Text(texts[3]).Text(texts[4]).Text(texts[5]);
        U8(2).U8(mode2).U8(3);
        U32(11).U32(30000).U32(146820).U32(1024).U32(40000).U32(7);
        U16(1550).U16(widthCount.value_or(static_cast<std::uint16_t>(widths.size())));
        for (auto w : widths)
            U16(w);
        U16(800).U16(50).U16(10).U16(200).U16(40000).U16(3000);
        U16(eventCount);
        U16(0).U32(1000).U32(5).U16(6).U16(0xFF6A).U32(static_cast<std::uint32_t>(-45000));
        U8(2).U8(3).U8(2).Text(kJoint);
        U16(1).U32(20000).U32(0).U16(0).U16(300).U32(0).U8(1).U8(8).U8(1).Text("");
        U32(1).U32(2).U32(3).U16(4).U32(5).U32(6);
        U16(sampleCount.value_or(static_cast<std::uint16_t>(samples.size())));
        for (auto s : samples)
            U16(s);
        U32(7).U32(8);
        return U16(CBellcoreStream::AdditiveChecksum(bytes.data(), bytes.size())).bytes;
    }
};

// The error text of loading the bytes, "" when they load.
std::string LoadError(Bytes bytes, CM600File* file = nullptr) {
    CM600File scratch;
    try {
        (file ? *file : scratch).Load(std::move(bytes));
    } catch (const COtdrException& e) {
        return e.GetErrorMessage();
    }
    return {};
}

Bytes SaveBytes(CM600File& file) {
    return file.SaveToBytes();
}

CM600File Loaded(Bytes bytes) {
    CM600File file;
    EXPECT_EQ(LoadError(std::move(bytes), &file), "");
    return file;
}

} // namespace

TEST(M600File, HandBuiltFileLoadsEveryFieldAndSavesByteForByte) {
    const Bytes bytes = CLayout().Build();
    CM600File file = Loaded(bytes);
    EXPECT_FALSE(file.ChecksumMismatch());
    EXPECT_EQ(file.GetSize() + 2, bytes.size());

    std::tm local{};
    const std::time_t time = file.GetTime();
    ASSERT_TRUE(localtime_r(&time, &local));
    EXPECT_EQ(local.tm_year + 1900, 2005);
    EXPECT_EQ(local.tm_mon + 1, 6);
    EXPECT_EQ(local.tm_sec, 56);
    EXPECT_EQ(file.GetText(CM600File::Text::CableId), kCable);
    EXPECT_EQ(file.GetText(CM600File::Text::Operator), "Op");
    EXPECT_EQ(file.GetMode2(), 4);
    EXPECT_DOUBLE_EQ(file.GetGroupIndex(), 1.4682);
    EXPECT_DOUBLE_EQ(file.GetRangeKm(), 40.0);
    EXPECT_DOUBLE_EQ(file.GetReflectanceThreshold(), -40.0);
    EXPECT_EQ(file.GetPulseWidths(), (std::vector<std::uint16_t>{100, 1000}));
    ASSERT_EQ(file.GetEventCount(), 2);
    EXPECT_FLOAT_EQ(file.GetEventKm(0), static_cast<float>(1000 / 146820.0 * 1.49896229));
    EXPECT_FLOAT_EQ(file.GetEventLoss(0), -0.15f);
    EXPECT_FLOAT_EQ(file.GetEventReflectance(0), -45.0f);
    EXPECT_EQ(file.GetEvent(0).comment, kJoint);
    EXPECT_FLOAT_EQ(file.GetSamples()[1], 12.345f);
    EXPECT_FLOAT_EQ(file.GetSamples()[2], 65.535f);

    EXPECT_EQ(SaveBytes(file), bytes);
}

TEST(M600File, WrittenValuesAreCutTruncatedAndClamped) {
    CM600File file = Loaded(CLayout().Build());
    file.SetText(CM600File::Text::Comment, std::string(40, 'x'));
    const int added = file.AddEvent();
    EXPECT_EQ(added, 2);
    file.SetEventComment(added, std::string(35, 'c'));
    file.SetEventLoss(added, 0.1239f);
    file.SetEventKm(added, 10.0f);
    file.DeleteEvent(0);
    file.SetMode1(3);
    std::tm local{};
    local.tm_year = 99, local.tm_mon = 5, local.tm_mday = 1, local.tm_isdst = -1;
    file.SetTime(std::mktime(&local));
    file.SetSamples({12.3456f, -1.0f, 70.0f, std::nanf(""), 0.0f});

    CM600File back = Loaded(SaveBytes(file));
    EXPECT_EQ(back.GetText(CM600File::Text::Comment), std::string(30, 'x'));
    ASSERT_EQ(back.GetEventCount(), 2);
    EXPECT_EQ(back.GetEvent(0).number, 1); // the former second record moved down
    const CM600Event& event = back.GetEvent(1);
    EXPECT_EQ(event.comment, std::string(30, 'c'));
    EXPECT_EQ(event.loss, 123);
    EXPECT_EQ(event.time, static_cast<std::int32_t>(10.0 * 146820 * 0.6671281903963041));
    EXPECT_EQ(event.editFlag, 1);
    EXPECT_EQ(event.technique, 1);
    EXPECT_EQ(back.GetMode1(), 0);
    const std::time_t time = back.GetTime();
    ASSERT_TRUE(localtime_r(&time, &local));
    EXPECT_EQ(local.tm_year + 1900, 2000); // years before 2000 have no year byte
    const std::vector<float> samples = back.GetSamples();
    EXPECT_EQ(samples, (std::vector<float>{12345 * 0.001f, 0.0f, 65535 * 0.001f, 0.0f, 0.0f}));

    // Every stored step, and every event value, survives a load and save unchanged.
    std::vector<float> levels(CM600File::kMaxCount);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<float>(i + 1) * 0.001f;
    file.SetSamples(levels);
    CM600File again = Loaded(SaveBytes(file));
    EXPECT_EQ(again.GetSamples(), levels);
    for (int i = 0; i < again.GetEventCount(); ++i) {
        const CM600Event before = again.GetEvent(i);
        again.SetEventKm(i, again.GetEventKm(i));
        again.SetEventLoss(i, again.GetEventLoss(i));
        again.SetEventReflectance(i, again.GetEventReflectance(i));
        EXPECT_EQ(again.GetEvent(i).time, before.time);
        EXPECT_EQ(again.GetEvent(i).reflectance, before.reflectance);
    }
}

TEST(M600File, DamagedFilesAreRefusedAndLeaveTheObjectAlone) {
    const std::string cannotLoad = kMsgCannotLoadM600;
    CLayout noWidths;
    noWidths.widths.clear();
    CLayout longText;
    longText.texts[4] = std::string(31, 'y');
    CLayout notM600;
    notM600.signature = 100;
    CM600File file = Loaded(CLayout().Build());
    for (CLayout* layout : {&noWidths, &longText, &notM600})
        EXPECT_EQ(LoadError(layout->Build(), &file), cannotLoad);
    EXPECT_EQ(file.GetPulseWidthCount(), 2);

    // Every cut before the end of the samples is a short file; one within the trailing
    // checksum loads the whole trace, with no mismatch to report.
    const Bytes bytes = CLayout().Build();
    for (std::size_t n = 0; n + 2 < bytes.size(); ++n)
        ASSERT_EQ(LoadError(Bytes(bytes.begin(), bytes.begin() + n)), kMsgCannotRead) << n;
    for (std::size_t n = bytes.size() - 2; n < bytes.size(); ++n) {
        CM600File cut = Loaded(Bytes(bytes.begin(), bytes.begin() + n));
        EXPECT_FALSE(cut.ChecksumMismatch()) << n;
        EXPECT_EQ(SaveBytes(cut), bytes) << n;
    }

    // Counts that the remaining bytes cannot hold are refused before any allocation.
    CLayout manyEvents;
    manyEvents.eventCount = 0xFFFF;
    CLayout manySamples;
    manySamples.sampleCount = 0xFFFF;
    CLayout manyWidths;
    manyWidths.widthCount = 0xFFFF;
    for (Bytes hostile : {manyEvents.Build(), manySamples.Build(), manyWidths.Build()})
        EXPECT_EQ(LoadError(hostile), kMsgCannotRead);
}

TEST(M600File, WrongChecksumStillLoadsAndIsReported) {
    Bytes bytes = CLayout().Build();
    bytes.push_back(0x55); // bytes after the checksum are not read
    bytes[bytes.size() - 3] ^= 1;
    CM600File file = Loaded(bytes);
    EXPECT_TRUE(file.ChecksumMismatch());
    // Saving writes the right one.
    EXPECT_FALSE(Loaded(SaveBytes(file)).ChecksumMismatch());
}

TEST(M600File, SaveRefusesWhatItCannotWriteAndKeepsTheOldFile) {
    CScratchDir dir;
    const std::string path = dir.Path("trace");
    CM600File file = Loaded(CLayout().Build());
    file.Save(path);
    EXPECT_EQ(ReadAll(path), CLayout().Build());
    EXPECT_TRUE(IsM600File(path));

    CM600File tooMany = file;
    tooMany.SetSamples(std::vector<float>(0x10000));
    file.Clear();
    for (CM600File* refused : {&file, &tooMany}) {
        try {
            refused->Save(path);
            ADD_FAILURE();
        } catch (const COtdrException& e) {
            EXPECT_EQ(e.GetErrorMessage(), kMsgCannotSaveM600);
        }
    }
    EXPECT_EQ(ReadAll(path), CLayout().Build());
}

TEST(M600File, RecognisedByItsFirstWordOnly) {
    CScratchDir dir;
    const std::vector<std::pair<Bytes, bool>> cases = {
        {{0xA9, 0x00}, true}, {{0x00, 0xA9}, false}, {{0xA9}, false}, {{}, false}};
    for (const auto& [bytes, expected] : cases) {
        WriteAll(dir.Path("f"), bytes);
        EXPECT_EQ(IsM600File(dir.Path("f")), expected);
    }
    EXPECT_THROW(IsM600File(dir.Path("missing")), COtdrException);
    for (const auto& sample : SampleFiles({".sor", ".tra"}))
        EXPECT_FALSE(IsM600File(sample.string())) << sample;
}

TEST(M600File, TheLargestFileTheCountsAllowIsReadAndALargerOneRefusedUnread) {
    CScratchDir dir;
    CM600File full = Loaded(CLayout().Build());
    for (int i = 0; i < 6; ++i)
        full.SetText(static_cast<CM600File::Text>(i), std::string(40, 't'));
    full.SetPulseWidths(std::vector<std::uint16_t>(CM600File::kMaxCount, 10));
    full.SetSamples(std::vector<float>(CM600File::kMaxCount, 1.5f));
    CM600Event event;
    event.comment = std::string(40, 'c');
    while (full.GetEventCount() < static_cast<int>(CM600File::kMaxCount))
        full.SetEventRecord(full.AddEvent(), event);
    full.Save(dir.Path("full"));
    EXPECT_LE(ReadAll(dir.Path("full")).size(), CM600File::kMaxFileBytes);
    CM600File loaded;
    ASSERT_NO_THROW(loaded.Load(dir.Path("full")));
    EXPECT_EQ(loaded.GetEventCount(), full.GetEventCount());

    const std::string huge = dir.Path("huge");
    if (!MakeSparseFile(huge, CLayout().Build(), std::uint64_t{40} << 30))
        GTEST_SKIP() << "the file system holds no 40 GiB sparse file";
    try {
        loaded.Load(huge);
        ADD_FAILURE() << "a 40 GiB file was taken";
    } catch (const COtdrException& e) {
        EXPECT_EQ(e.GetErrorMessage(), "Не могу загрузить файл в формате Bellcore : " +
                                           std::string(std::strerror(EFBIG)) + ": " + huge);
    }
    EXPECT_EQ(loaded.GetEventCount(), full.GetEventCount());
}
