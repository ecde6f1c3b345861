#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CGenParams.h"
#include "formats/bellcore/CSupParams.h"
#include "platform/CException.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian fixture builder following the block layouts field by field.
struct CFixture {
    Bytes bytes;
    CFixture& U16(std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    CFixture& U32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(v >> shift));
        return *this;
    }
    CFixture& Str(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return *this;
    }
    CFixture& Code(const char* c) {
        bytes.push_back(static_cast<std::uint8_t>(c[0]));
        bytes.push_back(static_cast<std::uint8_t>(c[1]));
        return *this;
    }
};

Bytes GenFixture(bool sr, const char* buildCondition) {
    CFixture f;
    if (sr)
        f.Str("GenParams");
    f.Code("xx").Str("Кабель 7").Str("F12");
    if (sr)
        f.U16(657);
    f.U16(1310).Str("Узел А").Str("Узел Б").Str("").Code(buildCondition);
    f.U32(static_cast<std::uint32_t>(-5));
    if (sr)
        f.U32(9);
    f.Str("Иванов").Str("");
    return f.bytes;
}

Bytes SupFixture(bool sr) {
    CFixture f;
    if (sr)
        f.Str("SupParams");
    f.Str("Поставщик").Str("M-1").Str("SN 42").Str("OM").Str("").Str("2.0.1").Str("прочее");
    return f.bytes;
}

Bytes FxdFixture(bool sr, std::uint16_t wavelengthTenths) {
    CFixture f;
    if (sr)
        f.Str("FxdParams");
    f.U32(1600000000).Code("mt").U16(wavelengthTenths).U32(static_cast<std::uint32_t>(-120));
    if (sr)
        f.U32(static_cast<std::uint32_t>(-35));
    f.U16(2).U16(30).U16(1000).U32(50000).U32(100000).U32(30000).U32(15000);
    f.U32(146830).U16(static_cast<std::uint16_t>(-795)).U32(1024);
    if (sr)
        f.U16(30);
    f.U32(1000000);
    if (sr)
        f.U32(20);
    // Noise floor 51551 and loss threshold 20 are values a truncating writer could lower.
    f.U32(static_cast<std::uint32_t>(-7));
    for (int v : {51551, -2500, 1234, 20, 65000, 3000})
        f.U16(static_cast<std::uint16_t>(v));
    if (sr) {
        f.Code("RT");
        for (std::int32_t w : {1, -2, 3, -4})
            f.U32(static_cast<std::uint32_t>(w));
    }
    return f.bytes;
}

Bytes Write(CBellcoreBlock& block) {
    CBellcoreStream out;
    out.OpenForWriteMemory();
    EXPECT_EQ(static_cast<std::uint32_t>(block.Serialize(out)), block.GetSize());
    return out.GetWrittenBytes();
}

void Read(CBellcoreBlock& block, const Bytes& bytes) {
    CBellcoreStream in;
    in.OpenForRead(bytes);
    EXPECT_EQ(static_cast<std::size_t>(block.Serialize(in)), bytes.size());
}

// The error text of reading the bytes, or "" when the read succeeded.
std::string ReadError(CBellcoreBlock& block, const Bytes& bytes) {
    CBellcoreStream in;
    in.OpenForRead(bytes);
    try {
        block.Serialize(in);
    } catch (const COtdrException& e) {
        EXPECT_EQ(in.GetMode(), CBellcoreStream::kClosed);
        return e.GetErrorMessage();
    }
    return {};
}

template <class Block> void ExpectEveryCutFails(const Bytes& full) {
    for (std::size_t n = 0; n < full.size(); ++n) {
        Block block;
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(ReadError(block, cut), kMsgCannotRead) << "cut at " << n;
    }
}

// Read, write, read again and copy: every stage must give the stored bytes back, and the
// copy keeps the header.
template <class Block> void ExpectRoundTrip(const Bytes& stored) {
    Block first, second, copy;
    Read(first, stored);
    const Bytes written = Write(first);
    EXPECT_EQ(written, stored);
    Read(second, written);
    EXPECT_EQ(Write(second), stored);
    second.SetRevision(200);
    copy.Assign(second);
    EXPECT_EQ(copy.GetRevision(), 200);
    EXPECT_EQ(Write(copy), stored);
}

template <class T> T LittleEndianAt(const Bytes& bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<std::uint32_t>(bytes.at(offset + i)) << (8 * i);
    return static_cast<T>(v);
}

} // namespace

TEST(ParamBlocks, NewBlocksStoreTheirDefaultsTruncated) {
    CFxdParams fxd;
    const Bytes bytes = Write(fxd);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes[4], 'k');
    EXPECT_EQ(LittleEndianAt<std::uint16_t>(bytes, 6), 15500);
    EXPECT_EQ(LittleEndianAt<std::uint32_t>(bytes, 14), 146749u);
    EXPECT_EQ(LittleEndianAt<std::int16_t>(bytes, 18), 815);
    EXPECT_EQ(LittleEndianAt<std::uint32_t>(bytes, 20), 180u);
    EXPECT_EQ(LittleEndianAt<std::uint32_t>(bytes, 24), 734257u);
    EXPECT_EQ(LittleEndianAt<std::uint16_t>(bytes, 32), 51550);
    EXPECT_EQ(LittleEndianAt<std::int16_t>(bytes, 34), 1000);
    EXPECT_EQ(LittleEndianAt<std::uint16_t>(bytes, 36), 0);
    EXPECT_EQ(LittleEndianAt<std::uint16_t>(bytes, 38), 19);
    EXPECT_EQ(LittleEndianAt<std::uint16_t>(bytes, 40), 44000);
    EXPECT_EQ(LittleEndianAt<std::uint16_t>(bytes, 42), 5000);
    fxd.SetGroupIndex(1.4675);
    EXPECT_EQ(LittleEndianAt<std::uint32_t>(Write(fxd), 14), 146750u);

    CFxdParamsSR fxdSr;
    EXPECT_EQ(Write(fxdSr).size(), 82u);
    CSupParams sup;
    EXPECT_EQ(Write(sup), (Bytes{' ', 0, ' ', 0, ' ', 0, ' ', 0, ' ', 0, ' ', 0, ' ', 0}));
    CSupParamsSR supSr;
    EXPECT_EQ(Write(supSr).size(), 24u);
    CGenParams gen;
    const Bytes genBytes = Write(gen);
    EXPECT_EQ(genBytes.size(), 24u);
    EXPECT_EQ(genBytes[0], 'E');
    EXPECT_EQ(genBytes[14], 'R'); // build condition after four strings and the wavelength
    CGenParamsSR genSr;
    EXPECT_EQ(Write(genSr).size(), 40u);
}

TEST(ParamBlocks, ReadStoredFixturesAndWriteThemBack) {
    for (bool sr : {false, true}) {
        SCOPED_TRACE(sr ? "SR-4731" : "GR-196-CORE");
        std::unique_ptr<CGenParams> gen =
            sr ? std::make_unique<CGenParamsSR>() : std::make_unique<CGenParams>();
        Read(*gen, GenFixture(sr, "CC"));
        EXPECT_EQ(gen->GetLanguage(), 255);
        EXPECT_EQ(gen->GetLanguageCode(), "xx");
        EXPECT_EQ(gen->GetBuildCondition(), 2);
        EXPECT_EQ(gen->GetCableId(), "Кабель 7");
        EXPECT_EQ(gen->GetUserOffset(), -5);
        // The foreign language code goes back as read, the build condition as "OT".
        EXPECT_EQ(Write(*gen), GenFixture(sr, "OT"));

        std::unique_ptr<CFxdParams> fxd =
            sr ? std::make_unique<CFxdParamsSR>() : std::make_unique<CFxdParams>();
        Read(*fxd, FxdFixture(sr, 13105));
        EXPECT_EQ(fxd->GetUnits(), 1);
        EXPECT_EQ(fxd->GetActualWavelength(), 1310);
        EXPECT_EQ(fxd->GetAcquisitionOffset(), -120);
        ASSERT_EQ(fxd->GetPulseEntryCount(), 2);
        EXPECT_EQ(fxd->GetPulseEntry(1).GetPulseWidth(), 1000);
        EXPECT_EQ(fxd->GetPulseEntry(1).GetNumberOfDataPoints(), 15000u);
        EXPECT_NEAR(fxd->GetGroupIndex(), 1.4683, 1e-12);
        EXPECT_FLOAT_EQ(fxd->GetBackscatterCoefficient(), -79.5f);
        EXPECT_FLOAT_EQ(fxd->GetNoiseFloorLevel(), -51.551f);
        EXPECT_FLOAT_EQ(fxd->GetNoiseFloorScaleFactor(), -2.5f);
        EXPECT_FLOAT_EQ(fxd->GetLossThreshold(), 0.02f);
        EXPECT_FLOAT_EQ(fxd->GetReflectanceThreshold(), -65.0f);
        EXPECT_NEAR(fxd->RangeKm(), 1000000 / 1.4683 * 0.00002998, 1e-9);
        // Only the tenths of the wavelength are lost; the thresholds keep their units.
        EXPECT_EQ(Write(*fxd), FxdFixture(sr, 13100));
    }
    CFxdParamsSR sr;
    Read(sr, FxdFixture(true, 13100));
    EXPECT_EQ(sr.GetAcquisitionOffsetDistance(), -35);
    EXPECT_EQ(sr.GetAveragingTime(), 30);
    EXPECT_EQ(sr.GetAcquisitionRangeDistance(), 20);
    EXPECT_EQ(sr.GetTraceType(), 1);
    EXPECT_EQ(sr.GetWindowCoordinate(3), -4);
}

TEST(ParamBlocks, EveryFieldSurvivesWriteReadAndAssign) {
    ExpectRoundTrip<CGenParams>(GenFixture(false, "BC"));
    ExpectRoundTrip<CGenParamsSR>(GenFixture(true, "BC"));
    ExpectRoundTrip<CSupParams>(SupFixture(false));
    ExpectRoundTrip<CSupParamsSR>(SupFixture(true));
    ExpectRoundTrip<CFxdParams>(FxdFixture(false, 15500));
    ExpectRoundTrip<CFxdParamsSR>(FxdFixture(true, 15500));

    CGenParams gen;
    gen.SetLanguage(3);
    gen.SetBuildCondition(0);
    const Bytes bytes = Write(gen);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), "SP");
    EXPECT_EQ(bytes[14], 'B');
}

TEST(ParamBlocks, MalformedInputFailsCleanly) {
    // The name inside an SR-4731 block is compared exactly.
    CGenParamsSR gen;
    EXPECT_EQ(ReadError(gen, CFixture().Str("GENPARAMS").bytes), kMsgBlockError);
    CSupParamsSR sup;
    EXPECT_EQ(ReadError(sup, CFixture().Str("FxdParams").bytes), kMsgBlockError);

    // Every cut short of the whole block is a short file.
    ExpectEveryCutFails<CGenParams>(GenFixture(false, "BC"));
    ExpectEveryCutFails<CGenParamsSR>(GenFixture(true, "BC"));
    ExpectEveryCutFails<CFxdParams>(FxdFixture(false, 15500));
    ExpectEveryCutFails<CFxdParamsSR>(FxdFixture(true, 15500));

    // A count the remaining bytes cannot hold is refused before anything is allocated.
    CFixture huge;
    huge.U32(0).Code("km").U16(15500).U32(0).U16(0xFFFF).U16(10).U16(20);
    CFxdParams fxd;
    EXPECT_EQ(ReadError(fxd, huge.bytes), kMsgCannotRead);

    // Counts above 32767 are unsigned.
    CFixture many;
    many.U32(0).Code("km").U16(15500).U32(0).U16(40000);
    many.bytes.resize(many.bytes.size() + 40000 * 10 + 32, 0);
    EXPECT_EQ(ReadError(fxd, many.bytes), "");
    EXPECT_EQ(fxd.GetPulseEntryCount(), 40000);

    EXPECT_THROW(fxd.GetPulseEntry(40000), COtdrException);
    EXPECT_THROW(fxd.GetPulseEntry(-1), COtdrException);
    EXPECT_THROW(fxd.SetUnits(5), COtdrException);
    EXPECT_THROW(gen.SetLanguage(6), COtdrException);
    EXPECT_THROW(gen.SetBuildCondition(3), COtdrException);
    fxd.Reset();
    EXPECT_EQ(fxd.GetPulseEntryCount(), 0);
}

TEST(ParamBlocks, DistanceConversions) {
    CFxdParams fxd;
    fxd.SetGroupIndex(1.5);
    EXPECT_DOUBLE_EQ(fxd.TimeToKm(150000), 150000 / 1.5 * 0.00002998);
    EXPECT_EQ(fxd.KmToTime(1.0), 50033u); // 1.5 × 33355.57 = 50033.36, truncated
    const std::uint32_t t = 734257;
    EXPECT_NEAR(fxd.KmToTime(fxd.TimeToKm(t)), t, 1.0);
    // Values outside the stored range saturate instead of wrapping.
    EXPECT_EQ(fxd.KmToTime(-1.0), 0u);
    EXPECT_EQ(fxd.KmToTime(1e12), std::numeric_limits<std::uint32_t>::max());
    // A zero group index from a file gives no distance rather than infinity.
    fxd.SetGroupIndex(0);
    EXPECT_EQ(fxd.RangeKm(), 0.0);
}
