#include "platform/CPrompts.h"
#include "platform/TextCodec.h"
#include "scan/CScanSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFiber = 2072; // first fibre record, 1072 bytes each

void PutInt(Bytes& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutDouble(Bytes& b, std::size_t at, double v) {
    std::memcpy(&b[at], &v, 8);
}

void PutText(Bytes& b, std::size_t at, const std::string& utf8) {
    const std::string bytes = TextCodec::Utf8ToCp1251(utf8);
    std::memcpy(&b[at], bytes.data(), bytes.size());
}

Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>((i * 131 + seed) % 251 + 1);
    return b;
}

Bytes Record(const CScanSettings& s) {
    return {s.GetBytes().begin(), s.GetBytes().end()};
}

} // namespace

TEST(ScanSettings, ResetRecordMatchesTheLayout) {
    Bytes expected(6360, 0);
    PutText(expected, 536, "Неопределено");
    PutText(expected, 792, "NUV");
    for (std::size_t n = 0; n < 4; ++n) {
        const std::size_t fibre = kFiber + 1072 * n;
        PutInt(expected, fibre + 8, 1);
        PutDouble(expected, fibre + 24, 1550.0);
        PutDouble(expected, fibre + 32, 1550.0);
        PutDouble(expected, fibre + 40, 1.468);
        PutText(expected, fibre + 48, "Волокно " + std::to_string(n + 1));
        PutText(expected, fibre + 816, "Неопределено");
    }
    CScanSettings settings;
    settings.SetBytes(Pattern(6360, 7).data(), 6360);
    settings.ResetToDefaults();
    EXPECT_EQ(Record(settings), expected);
    EXPECT_EQ(settings.GetFiberId(3), "\xC2\xEE\xEB\xEE\xEA\xED\xEE 4");
    EXPECT_FALSE(settings.GetPassword().has_value());
    EXPECT_EQ(settings.GetDistanceKm(0), 20);
    EXPECT_EQ(settings.GetPulseNs(0), 25);
}

TEST(ScanSettings, AccessorsUseTheDocumentedFields) {
    CScanSettings s;
    s.SetUseIp(true);
    s.SetIpAddress(0xC0A80A01); // 192.168.10.1
    s.SetPassword("pw");
    s.SetFiberEnabled(2, true);
    s.SetFilter(2, true);
    s.SetDataFlag(2, CScanSettings::kStateSplice);
    s.SetAveraging(2, 255);
    s.SetDistanceIndex(2, 3);
    s.SetPulseIndex(2, 6);
    s.SetCableCode(2, "K-7");
    Bytes expected = Record(CScanSettings());
    expected[0] = 1;
    PutInt(expected, 4, 192);
    PutInt(expected, 8, 168);
    PutInt(expected, 12, 10);
    PutInt(expected, 16, 1);
    PutText(expected, 280, "pw");
    const std::size_t fibre = kFiber + 2 * 1072;
    expected[fibre] = 1;
    expected[fibre + 1] = 1;
    PutInt(expected, fibre + 4, 1);
    PutInt(expected, fibre + 8, 255);
    PutInt(expected, fibre + 12, 3);
    PutInt(expected, fibre + 16, 6);
    PutText(expected, fibre + 560, "K-7");
    EXPECT_EQ(Record(s), expected);
    EXPECT_EQ(s.GetIpOctet(0), 192);
    EXPECT_EQ(s.GetPassword(), "pw");
    EXPECT_EQ(s.GetDistanceKm(2), 160);
    EXPECT_EQ(s.GetPulseNs(2), 10000);

    // Indexes outside the tables decode to the first entry; foreign fibres read empty.
    for (int index : {-1, 4, 1000})
        EXPECT_EQ(CScanSettings::DistanceKmOf(index), 20);
    for (int index : {-1, 8})
        EXPECT_EQ(CScanSettings::PulseNsOf(index), 25);
    s.SetFiberEnabled(4, true);
    EXPECT_FALSE(s.IsFiberEnabled(-1));
    EXPECT_FALSE(s.IsFiberEnabled(4));
    EXPECT_EQ(s.GetFiberId(9), "");
    EXPECT_EQ(Record(s), expected);
}

TEST(ScanSettings, TextsStayInsideTheirFields) {
    CScanSettings s;
    s.SetPassword(std::string(300, 'p')); // cut at 255, terminated
    EXPECT_EQ(s.GetPassword()->size(), 255u);
    EXPECT_EQ(s.GetBytes()[280 + 255], 0);
    s.SetPassword("ab"); // no tail of the old password stays behind
    for (std::size_t i = 280 + 2; i < 536; ++i)
        ASSERT_EQ(s.GetBytes()[i], 0) << i;

    Bytes bytes = Record(s);
    std::memset(&bytes[24], 'n', 256); // rtuName without a NUL runs into the password
    s.SetBytes(bytes.data(), bytes.size());
    EXPECT_EQ(s.GetRtuName(), std::string(256, 'n'));
    EXPECT_EQ(s.GetPassword(), "ab");
    std::memset(&bytes[6360 - 256], 'x', 256); // last field of the record
    s.SetBytes(bytes.data(), bytes.size());
    EXPECT_EQ(s.GetTerminatingLocation(3), std::string(256, 'x'));
}

TEST(ScanSettings, SprFileRoundTripAndPartialLoads) {
    CScratchDir dir;
    const std::string path = dir.Path("rtu.spr");
    CScanSettings saved;
    const Bytes pattern = Pattern(6360, 3);
    saved.SetBytes(pattern.data(), pattern.size());
    WriteAll(path, {1}); // an existing, world-readable file is replaced by a private one
    ASSERT_TRUE(saved.SaveToFile(path));
    EXPECT_EQ(ReadAll(path), pattern);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 1);
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    CScanSettings loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_TRUE(loaded == saved);

    // 100 bytes: useIp, the address, reserved bytes and the first 76 bytes of rtuName.
    const Bytes head = Pattern(100, 9);
    WriteAll(path, head);
    CScanSettings partial;
    ASSERT_TRUE(partial.LoadFromFile(path));
    Bytes expected = Record(CScanSettings());
    std::copy(head.begin(), head.end(), expected.begin());
    EXPECT_EQ(Record(partial), expected);

    Bytes longer = Pattern(7000, 5);
    WriteAll(path, longer);
    ASSERT_TRUE(partial.LoadFromFile(path));
    longer.resize(6360);
    EXPECT_EQ(Record(partial), longer);
}

TEST(ScanSettings, FileErrorsAreShownAndLeaveTheRecord) {
    CScratchDir dir;
    CScriptedPrompts prompts;
    CScanSettings s;
    s.SetRtuName("rtu");
    const Bytes before = Record(s);
    {
        CPromptsScope scope(prompts);
        EXPECT_FALSE(s.LoadFromFile(dir.Path("missing.spr")));
        EXPECT_FALSE(s.LoadFromFile(dir.Root().string()));
        EXPECT_FALSE(s.SaveToFile(dir.Path("no/folder.spr")));
    }
    EXPECT_EQ(Record(s), before);
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_NE(prompts.shown[0].text.find("missing.spr"), std::string::npos);
    EXPECT_EQ(prompts.shown[0].caption, "Lumetra View");
}
