#include "formats/bellcore/CBellcoreBlock.h"
#include "formats/bellcore/CBellcoreStream.h"
#include "platform/CException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// Runs the reads over the bytes and returns the error text, or "" when none was raised.
std::string ReadError(std::vector<std::uint8_t> bytes,
                      const std::function<void(CBellcoreStream&)>& reads, int mode = 0) {
    CBellcoreStream stream(mode);
    stream.OpenForRead(std::move(bytes));
    try {
        reads(stream);
    } catch (const COtdrException& e) {
        EXPECT_EQ(stream.GetMode(), CBellcoreStream::kClosed);
        return e.GetErrorMessage();
    }
    return {};
}

} // namespace

TEST(Checksums, KnownValues) {
    const auto digits = Bytes("123456789");
    EXPECT_EQ(CBellcoreStream::Crc16(digits.data(), digits.size()), 0x29B1);
    const auto abc = Bytes("abc");
    EXPECT_EQ(CBellcoreStream::AdditiveChecksum(abc.data(), abc.size()), 0xFEDA);
    const std::uint8_t signExtended[] = {0x80, 0x01};
    EXPECT_EQ(CBellcoreStream::AdditiveChecksum(signExtended, 2), 0x007F);
    EXPECT_EQ(CBellcoreStream::AdditiveChecksum(nullptr, 0), 0);

    // The stream feeds every typed byte in order.
    CBellcoreStream stream;
    stream.OpenForWriteMemory();
    stream.WriteU8('1');
    stream.WriteU16(0x3332);
    stream.WriteU32(0x37363534);
    stream.WriteString("89");
    EXPECT_EQ(stream.GetCounter(), 10);
    // The NUL of the string is checksummed too.
    const std::uint8_t all[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0};
    EXPECT_EQ(stream.GetStoredChecksum(), CBellcoreStream::Crc16(all, sizeof all));
}

// Long runs are folded with carry-less multiplication: every length around its block sizes,
// every split of a run between two reads, against the CRC bit by bit.
TEST(Checksums, FoldedRunsFollowTheBitwiseCrc) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(4200);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint16_t> bitwise(bytes.size() + 1, 0xFFFF);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint16_t crc = bitwise[i];
        for (int bit = 7; bit >= 0; --bit) {
            const bool feedback = ((bytes[i] >> bit) & 1) != (crc >> 15);
            crc = static_cast<std::uint16_t>((crc << 1) ^ (feedback ? 0x1021 : 0));
        }
        bitwise[i + 1] = crc;
    }
    for (std::size_t n = 0; n <= bytes.size(); n += n < 300 ? 1 : 97)
        ASSERT_EQ(CBellcoreStream::Crc16(bytes.data(), n), bitwise[n]) << n;
    for (std::size_t split = 0; split <= 700; split += 7) {
        CBellcoreStream in;
        in.OpenForRead(bytes);
        in.ReadView(split);
        in.ReadView(bytes.size() - split - 2);
        EXPECT_EQ(in.GetStoredChecksum(), bitwise[bytes.size() - 2]) << split;
    }
}

TEST(Stream, RoundTripOfEveryTypedOperation) {
    for (int mode : {CBellcoreStream::kCrc16, CBellcoreStream::kAdditive}) {
        CBellcoreStream out(mode);
        out.OpenForWriteMemory();
        out.WriteU8(0xFE);
        out.WriteU16(0xBEEF);
        out.WriteU32(0xDEADBEEF);
        out.WriteString("Кабель");
        out.WriteString("");
        const std::uint16_t array[] = {1, 0xFFFF, 0x8000};
        out.WriteU16Array(array, 3);
        const std::uint8_t raw[] = {0, 1, 2};
        out.WriteBytes(raw, 3);
        out.Checksum();
        out.Close();
        auto bytes = out.GetWrittenBytes();
        bytes.push_back(0x55); // bytes after the checksum are never read

        CBellcoreStream in(mode);
        in.OpenForRead(bytes);
        std::uint8_t u8 = 0;
        std::uint16_t u16 = 0;
        std::uint32_t u32 = 0;
        std::string text, empty = "x";
        std::uint16_t values[3] = {};
        std::uint8_t back[3] = {};
        in.ReadU8(u8);
        in.ReadU16(u16);
        in.ReadU32(u32);
        in.ReadString(text);
        in.ReadString(empty);
        in.ReadU16Array(values, 3);
        in.ReadBytes(back, 3);
        EXPECT_EQ(in.GetCounter(), 1 + 2 + 4 + 13 + 1 + 6 + 3);
        EXPECT_NO_THROW(in.Checksum());
        EXPECT_EQ(u8, 0xFE);
        EXPECT_EQ(u16, 0xBEEF);
        EXPECT_EQ(u32, 0xDEADBEEFu);
        EXPECT_EQ(text, "Кабель");
        EXPECT_EQ(empty, "");
        EXPECT_EQ(values[1], 0xFFFF);
        EXPECT_EQ(values[2], 0x8000);
        EXPECT_EQ(back[2], 2);
        // Little-endian on disk.
        EXPECT_EQ(bytes[1], 0xEF);
        EXPECT_EQ(bytes[2], 0xBE);
    }
}

TEST(Stream, TruncationAndChecksumErrors) {
    const std::string cannotRead = kMsgCannotRead;
    EXPECT_EQ(ReadError({1},
                        [](auto& s) {
                            std::uint16_t v;
                            s.ReadU16(v);
                        }),
              cannotRead);
    EXPECT_EQ(ReadError({1, 2, 3},
                        [](auto& s) {
                            std::uint32_t v;
                            s.ReadU32(v);
                        }),
              cannotRead);
    EXPECT_EQ(ReadError(Bytes("abc"),
                        [](auto& s) {
                            std::string v;
                            s.ReadString(v);
                        }),
              cannotRead);
    EXPECT_EQ(ReadError({1, 2, 3},
                        [](auto& s) {
                            std::uint16_t v[2];
                            s.ReadU16Array(v, 2);
                        }),
              cannotRead);
    EXPECT_EQ(ReadError({}, [](auto& s) { s.Checksum(); }), cannotRead);
    // One byte into the checksum is a short file, not a CRC error.
    EXPECT_EQ(ReadError({0xFF}, [](auto& s) { s.Checksum(); }), cannotRead);
    EXPECT_EQ(ReadError({0x00, 0x00}, [](auto& s) { s.Checksum(); }), std::string(kMsgCrcError));
    // The CRC of no bytes is its initial value.
    EXPECT_EQ(ReadError({0xFF, 0xFF}, [](auto& s) { s.Checksum(); }), "");
    // Additive: the stored form of a zero sum is 0.
    EXPECT_EQ(ReadError(
                  {0x00, 0x00}, [](auto& s) { s.Checksum(); }, 1),
              "");
}

TEST(Stream, FailedSaveKeepsThePreviousFile) {
    CScratchDir dir;
    const std::string path = dir.Path("t.sor");
    WriteAll(path, {7, 7});
    {
        CBellcoreStream stream;
        stream.OpenForWrite(path);
        stream.WriteU32(1);
        // destroyed without Close, as when a block fails mid-save
    }
    EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{7, 7}));

    CBellcoreStream stream;
    try {
        stream.OpenForRead(dir.Path("none.sor"));
        FAIL();
    } catch (const COtdrException& e) {
        EXPECT_EQ(e.GetErrorMessage().rfind("Не могу загрузить файл в формате Bellcore : ", 0), 0u);
    }
    try {
        stream.OpenForWrite(dir.Path("none/none.sor"));
        FAIL();
    } catch (const COtdrException& e) {
        EXPECT_EQ(e.GetErrorMessage().rfind("Не могу сохранить файл в формате Bellcore : ", 0), 0u);
    }
}

TEST(BlockBase, KindsNamesAndHeaders) {
    EXPECT_EQ(BlockKindFromName("genparams"), kBlockGenParams);
    EXPECT_EQ(BlockKindFromName("CKSUM"), kBlockCksum);
    EXPECT_EQ(BlockKindFromName("Fiberhome"), kBlockProprietary);
    EXPECT_EQ(BlockNameFromKind(8), "");
    EXPECT_THROW(CBellcoreBlock(8), COtdrException);

    CBellcoreBlock data(kBlockDataPts);
    EXPECT_EQ(data.GetName(), "DataPts");
    EXPECT_EQ(data.GetRevision(), 100);
    CBellcoreBlock other(kBlockDataPts, "DATAPTS");
    other.SetRevision(200);
    other.SetPresent(false);
    data.CopyHeader(other);
    EXPECT_EQ(data.GetName(), "DATAPTS");
    EXPECT_EQ(data.GetRevision(), 200);
    EXPECT_FALSE(data.IsPresent());
    EXPECT_THROW(data.CopyHeader(CBellcoreBlock(kBlockKeyEvents)), COtdrException);
}

TEST(ProprietaryBlock, KeepsBytesAndTrustsNoSize) {
    for (bool sr : {false, true}) {
        std::unique_ptr<CProprietaryBlock> block;
        if (sr)
            block = std::make_unique<CProprietaryBlockSR>("Vendor X", 201);
        else
            block = std::make_unique<CProprietaryBlock>("Vendor X", 201);
        block->SetData({1, 2, 3, 0});
        CBellcoreStream out;
        out.OpenForWriteMemory();
        const int written = block->Serialize(out);
        out.Close();
        EXPECT_EQ(static_cast<std::uint32_t>(written), block->GetSize());
        EXPECT_EQ(block->GetSize(), sr ? 13u : 4u);

        std::unique_ptr<CProprietaryBlock> copy;
        if (sr)
            copy = std::make_unique<CProprietaryBlockSR>("Vendor X", 201);
        else
            copy = std::make_unique<CProprietaryBlock>("Vendor X", 201);
        copy->SetStoredSize(block->GetSize());
        CBellcoreStream in;
        in.OpenForRead(out.GetWrittenBytes());
        EXPECT_EQ(copy->Serialize(in), written);
        EXPECT_EQ(copy->GetData(), block->GetData());

        // A size from the map larger than the file is refused before anything is allocated.
        copy->SetStoredSize(0xFFFFFFF0u);
        CBellcoreStream huge;
        huge.OpenForRead(out.GetWrittenBytes());
        EXPECT_THROW(copy->Serialize(huge), COtdrException);
    }
    // The SR-4731 block checks its own name, exactly.
    CProprietaryBlockSR block("Vendor", 100);
    block.SetStoredSize(7);
    CBellcoreStream in;
    in.OpenForRead(Bytes(std::string("VENDOR\0", 7)));
    try {
        block.Serialize(in);
        FAIL();
    } catch (const COtdrException& e) {
        EXPECT_EQ(e.GetErrorMessage(), kMsgBlockError);
    }
}
