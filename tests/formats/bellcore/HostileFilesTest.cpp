// Files found by fuzzing: each fails with the format's message or loads, and what loads saves,
// loads again without a warning and saves to the same bytes.

#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "platform/CException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

template <std::size_t N> std::vector<std::uint8_t> Bytes(const std::uint8_t (&bytes)[N]) {
    return {bytes, bytes + N};
}

std::string LoadError(CBellcoreFile& file, std::vector<std::uint8_t> bytes) {
    try {
        file.Load(std::move(bytes));
    } catch (const COtdrException& e) {
        return e.GetErrorMessage();
    }
    return {};
}

template <class File> void ExpectStableRoundTrip(File& file) {
    const std::vector<std::uint8_t> saved = file.SaveToBytes();
    File again;
    ASSERT_EQ(LoadError(again, saved), "");
    EXPECT_EQ(again.GetLoadWarning(), "");
    EXPECT_EQ(again.SaveToBytes(), saved);
}

// One KeyEvents block whose event code carries a sign: "2D-042".
const std::uint8_t kSignedEventCode[] = {
    0x64, 0x00, 0x24, 0x00, 0x00, 0x00, 0x03, 0x00,             // map: revision, size, count
    'K',  'e',  'y',  'E',  'v',  'e',  'n',  't',  's',  0x00, //
    0x6E, 0x00, 0x2F, 0x00, 0x00, 0x00,                         // revision 110, 47 bytes
    'C',  'k',  's',  'u',  'm',  0x00, 0x64, 0x00, 0x02, 0x00, 0x00, 0x00,             //
    0x01, 0x00,                                                                         // one event
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    '2',  'D',  '-',  '0',  '4',  '2',  '2',  'P',  0x00,             // code, technique, comment
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // totals
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x48, 0xE6,                                                       // checksum
};

void PutU16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A GR-196-CORE map of one-byte vendor blocks named "P", with or without the checksum's
// entry, and the blocks; too long to write out.
std::vector<std::uint8_t> VendorBlocks(unsigned blocks, bool checksumEntry) {
    const unsigned entries = blocks + (checksumEntry ? 1 : 0);
    std::vector<std::uint8_t> b;
    PutU16(b, 100);
    const std::uint32_t mapSize = 8 + blocks * 8 + (checksumEntry ? 12 : 0);
    PutU16(b, mapSize & 0xFFFF);
    PutU16(b, mapSize >> 16);
    PutU16(b, entries + 1);
    for (unsigned i = 0; i < blocks; ++i)
        b.insert(b.end(), {'P', 0, 100, 0, 1, 0, 0, 0});
    if (checksumEntry)
        b.insert(b.end(), {'C', 'k', 's', 'u', 'm', 0, 100, 0, 2, 0, 0, 0});
    b.insert(b.end(), blocks, 7);
    PutU16(b, CBellcoreStream::Crc16(b.data(), b.size()));
    return b;
}

} // namespace

TEST(HostileFiles, KeepTheirValuesOverSaveAndLoad) {
    // A negative event number lost its last digit on every save until it was 0.
    CGR196File signedCode;
    ASSERT_EQ(LoadError(signedCode, Bytes(kSignedEventCode)), "");
    EXPECT_EQ(signedCode.GetLoadWarning(), "");
    EXPECT_EQ(signedCode.GetKeyEvents().GetEvent(0).GetEventCodeText(), "2D-042");
    ExpectStableRoundTrip(signedCode);
    CSR4731File converted;
    converted.FromOtherLayout(signedCode);
    ExpectStableRoundTrip(converted);
}

TEST(HostileFiles, AMapTooFullToSaveIsRefused) {
    // 65534 blocks and no checksum entry: the count is full, and the map written back would
    // need two entries more than it can count.
    CGR196File full;
    EXPECT_EQ(LoadError(full, VendorBlocks(65534, false)), kMsgWrongHeader);
    // Three entries fewer leave room for the parameter blocks, the map and the checksum.
    CGR196File largest;
    ASSERT_EQ(LoadError(largest, VendorBlocks(65530, true)), "");
    EXPECT_EQ(largest.GetProprietaryBlocks().size(), 65530u);
    EXPECT_NO_THROW(largest.SaveToBytes());
}

TEST(HostileFiles, OnlyWhatTheMapCountsIsReadAndAHugeFileIsRefusedAtOnce) {
    CScratchDir dir;
    const std::vector<std::uint8_t> trace = VendorBlocks(3, true);
    CGR196File expected;
    ASSERT_EQ(LoadError(expected, trace), "");
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> padded = trace;
    padded.resize(padded.size() + (4 << 20), 0xEE);
    // 9000 entries: a map longer than the head that recognition reads first.
    for (const Case& c :
         {Case{"trailing.sor", padded}, Case{"long-map.sor", VendorBlocks(9000, true)}}) {
        WriteAll(dir.Path(c.name), c.bytes);
        CGR196File file;
        EXPECT_TRUE(IsGR196File(dir.Path(c.name))) << c.name;
        ASSERT_NO_THROW(file.Load(dir.Path(c.name))) << c.name;
        EXPECT_EQ(file.GetLoadWarning(), "") << c.name;
    }
    CGR196File withTail;
    withTail.Load(dir.Path("trailing.sor"));
    // Without a fixed-parameter block each file is stamped when made; seconds apart under load.
    withTail.GetFxdParams().SetDateTimeStamp(expected.GetFxdParams().GetDateTimeStamp());
    EXPECT_EQ(withTail.SaveToBytes(), expected.SaveToBytes());

    const std::string huge = dir.Path("huge.sor");
    if (!MakeSparseFile(huge, trace, std::uint64_t{40} << 30))
        GTEST_SKIP() << "the file system holds no 40 GiB sparse file";
    const std::string refused =
        "Не могу загрузить файл в формате Bellcore : " + std::string(std::strerror(EFBIG)) + ": " +
        huge;
    const auto start = std::chrono::steady_clock::now();
    for (bool recognise : {true, false}) {
        try {
            CGR196File file;
            recognise ? (void)IsGR196File(huge) : file.Load(huge);
            ADD_FAILURE() << "a 40 GiB file was taken";
        } catch (const COtdrException& e) {
            EXPECT_EQ(e.GetErrorMessage(), refused);
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(HostileFiles, AFailedWriteSaysSoInTheFormatsWordsAndKeepsTheOldFile) {
    CScratchDir dir;
    const std::string path = dir.Path("old.sor");
    WriteAll(path, {1, 2, 3});
    const std::optional<std::string> message = RunInChild(
        [&] {
            CGR196File file;
            file.Load(VendorBlocks(2000, true));
            // A file-size limit fails the write as a full disk would.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1000, 1000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                file.Save(path);
            } catch (const COtdrException& e) {
                return e.GetErrorMessage();
            }
            return std::string("saved");
        },
        false);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "Не могу сохранить файл в формате Bellcore : " +
                            std::string(std::strerror(EFBIG)) + ": " + path);
    EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{1, 2, 3}));
}
