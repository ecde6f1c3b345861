#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "platform/CException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

std::uint16_t U16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16At(b, at) | (static_cast<std::uint32_t>(U16At(b, at + 2)) << 16);
}

struct MapEntry {
    std::string name;
    std::uint16_t revision;
    std::uint32_t size;
};

// The map of a file as written, read independently of the file objects.
std::vector<MapEntry> ReadMap(const std::vector<std::uint8_t>& b, bool sr, std::uint32_t* mapSize) {
    std::size_t at = sr ? 4 : 0;
    *mapSize = U32At(b, at + 2);
    const unsigned count = U16At(b, at + 6);
    at += 8;
    std::vector<MapEntry> entries;
    for (unsigned i = 1; i < count; ++i) {
        std::string name(reinterpret_cast<const char*>(&b[at]));
        at += name.size() + 1;
        entries.push_back({name, U16At(b, at), U32At(b, at + 2)});
        at += 6;
    }
    return entries;
}

void FillTrace(CGR196File& file) {
    CFxdParams& fxd = file.GetFxdParams();
    fxd.AddPulseEntry(CPulseWidthEntry());
    std::vector<float> levels(1000);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = 2.0f + 0.02f * static_cast<float>(i);
    file.GetDataPts().SetLevels(static_cast<int>(levels.size()), levels.data());
    file.GetKeyEvents().AppendEventRecord();
}

std::string LoadError(CBellcoreFile& file, std::vector<std::uint8_t> bytes) {
    try {
        file.Load(std::move(bytes));
    } catch (const COtdrException& e) {
        return e.GetErrorMessage();
    }
    return {};
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Rewrites the stored checksum so that the bytes pass verification.
void Reseal(std::vector<std::uint8_t>& b) {
    const std::uint16_t crc = CBellcoreStream::Crc16(b.data(), b.size() - 2);
    b[b.size() - 2] = static_cast<std::uint8_t>(crc);
    b[b.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
}

} // namespace

TEST(BellcoreFile, MapSizesInBothLayouts) {
    CGR196File gr;
    FillTrace(gr);
    const auto grBytes = gr.SaveToBytes();
    std::uint32_t mapSize = 0;
    auto map = ReadMap(grBytes, false, &mapSize);
    EXPECT_EQ(mapSize, 98u);
    ASSERT_EQ(map.size(), 6u);
    EXPECT_EQ(map.back().name, "Cksum");
    EXPECT_EQ(map.back().size, 2u);
    EXPECT_EQ(map[4].name, "DataPts"); // no landmarks: no LnkParams entry
    // The sizes in the map add up to the file.
    std::size_t total = mapSize;
    for (const auto& entry : map)
        total += entry.size;
    EXPECT_EQ(total, grBytes.size());

    CSR4731File sr;
    sr.FromOtherLayout(gr);
    const auto srBytes = sr.SaveToBytes();
    map = ReadMap(srBytes, true, &mapSize);
    EXPECT_EQ(mapSize, 102u);
    EXPECT_EQ(map.back().size, 8u);
    total = mapSize;
    for (const auto& entry : map)
        total += entry.size;
    EXPECT_EQ(total, srBytes.size());

    // With no events the SR-4731 layout still writes KeyEvents, the other layout does not.
    gr.GetKeyEvents().Reset();
    EXPECT_EQ(ReadMap(gr.SaveToBytes(), false, &mapSize).size(), 5u);
    EXPECT_EQ(mapSize, 82u);
    sr.GetKeyEvents().Reset();
    map = ReadMap(sr.SaveToBytes(), true, &mapSize);
    EXPECT_EQ(map.size(), 6u);
    EXPECT_EQ(map[3].name, "KeyEvents");
}

TEST(BellcoreFile, WriterIsIdempotentAndKeepsProprietaryBlocks) {
    CGR196File gr;
    FillTrace(gr);
    auto vendor = std::make_unique<CProprietaryBlock>("Vendor Block", 123);
    vendor->SetData({9, 8, 7, 0, 6});
    gr.GetProprietaryBlocks().push_back(std::move(vendor));
    gr.GetGenParams().SetCableId("Кабель 7");

    const auto first = gr.SaveToBytes();
    CGR196File again;
    again.Load(first);
    EXPECT_FALSE(again.HasChecksumMismatch());
    EXPECT_EQ(again.SaveToBytes(), first);

    for (int round = 0; round < 2; ++round) {
        CSR4731File sr;
        sr.FromOtherLayout(again);
        CSR4731File srLoaded;
        srLoaded.Load(sr.SaveToBytes());
        ASSERT_EQ(srLoaded.GetProprietaryBlocks().size(), 1u);
        const auto& block = *srLoaded.GetProprietaryBlocks()[0];
        EXPECT_EQ(block.GetName(), "Vendor Block");
        EXPECT_EQ(block.GetRevision(), 123);
        EXPECT_EQ(block.GetData(), (std::vector<std::uint8_t>{9, 8, 7, 0, 6}));
        EXPECT_EQ(srLoaded.SaveToBytes(), sr.SaveToBytes());

        // And back: the same file as before the trip.
        CGR196File back;
        back.FromOtherLayout(srLoaded);
        EXPECT_EQ(back.SaveToBytes(), first);
    }
}

TEST(BellcoreFile, LayoutConversionDropsAndDefaultsTheLayoutOnlyFields) {
    CSR4731File sr;
    sr.GetGenParams().SetFiberType(657);
    sr.GetGenParams().SetUserOffsetDistance(12);
    sr.GetFxdParams().SetAveragingTime(30);
    sr.GetFxdParams().SetTraceType(2);
    sr.GetFxdParams().SetWindowCoordinate(3, 44);
    sr.GetFxdParams().SetActualWavelength(1310);
    sr.GetKeyEvents().AppendEventRecord();
    sr.GetKeyEvents().GetEvent(0).SetPeakOfCurrentEvent(555);
    sr.GetKeyEvents().GetEvent(0).SetPropagationTime(1234);
    sr.GetKeyEvents().SetEndToEndMarker2(999);

    CGR196File gr;
    gr.FromOtherLayout(sr);
    EXPECT_EQ(gr.GetFxdParams().GetActualWavelength(), 1310);
    EXPECT_EQ(gr.GetKeyEvents().GetEvent(0).GetPropagationTime(), 1234u);
    EXPECT_EQ(gr.GetKeyEvents().GetEndToEndMarker2(), 999u);

    CSR4731File back;
    back.FromOtherLayout(gr);
    EXPECT_EQ(back.GetGenParams().GetFiberType(), 652);
    EXPECT_EQ(back.GetGenParams().GetUserOffsetDistance(), 0);
    EXPECT_EQ(back.GetFxdParams().GetAveragingTime(), 0);
    EXPECT_EQ(back.GetFxdParams().GetTraceType(), 0);
    EXPECT_EQ(back.GetFxdParams().GetWindowCoordinate(3), 0);
    EXPECT_EQ(back.GetKeyEvents().GetEvent(0).GetPeakOfCurrentEvent(), 0u);
    EXPECT_EQ(back.GetKeyEvents().GetEvent(0).GetPropagationTime(), 1234u);
    EXPECT_EQ(back.GetKeyEvents().GetEndToEndMarker2(), 999u);
    EXPECT_EQ(back.GetFxdParams().GetActualWavelength(), 1310);
}

TEST(BellcoreFile, ToleratesWhatInstrumentsWriteAndRefusesTheRest) {
    CGR196File gr;
    FillTrace(gr);
    const auto good = gr.SaveToBytes();
    std::uint32_t mapSize = 0;
    const auto map = ReadMap(good, false, &mapSize);
    CGR196File file;

    // A checksum that is not the CRC loads and is noted; saving writes the right one.
    auto bytes = good;
    bytes[bytes.size() - 1] ^= 0x5A;
    EXPECT_EQ(LoadError(file, bytes), "");
    EXPECT_TRUE(file.HasChecksumMismatch());
    EXPECT_FALSE(file.GetLoadWarning().empty());
    EXPECT_EQ(file.SaveToBytes(), good);

    // Ending inside the checksum, or inside a block, still fails.
    bytes = good;
    bytes.pop_back();
    EXPECT_EQ(LoadError(file, bytes), kMsgCannotRead);
    bytes = std::vector<std::uint8_t>(good.begin(), good.end() - 40);
    EXPECT_EQ(LoadError(file, bytes), kMsgCannotRead);

    // Bytes after the checksum are not read.
    bytes = good;
    bytes.push_back(1);
    EXPECT_EQ(LoadError(file, bytes), "");
    EXPECT_FALSE(file.HasChecksumMismatch());

    // A block shorter than its entry: the rest is skipped and noted. The map names DataPts
    // 4 bytes longer and 4 bytes follow it.
    std::size_t dataEntry = 8;
    for (std::size_t i = 0; i < 4; ++i)
        dataEntry += map[i].name.size() + 7;
    const std::size_t dataSizeAt = dataEntry + map[4].name.size() + 1 + 2;
    ASSERT_EQ(U32At(good, dataSizeAt), map[4].size);
    bytes = good;
    PutU32(bytes, dataSizeAt, map[4].size + 4);
    bytes.insert(bytes.end() - 2, {1, 2, 3, 4});
    Reseal(bytes);
    EXPECT_EQ(LoadError(file, bytes), "");
    EXPECT_EQ(file.GetPaddedBlocks(), std::vector<std::string>{"DataPts"});
    EXPECT_EQ(file.GetDataPts().GetPointCount(), 1000);

    // A block needing more than its entry gives is refused.
    bytes = good;
    PutU32(bytes, dataSizeAt, map[4].size - 2);
    bytes.erase(bytes.end() - 4, bytes.end() - 2);
    Reseal(bytes);
    EXPECT_EQ(LoadError(file, bytes), kMsgCannotLoadData);

    // A map that does not end at its announced size.
    bytes = good;
    PutU32(bytes, 2, mapSize + 1);
    EXPECT_EQ(LoadError(file, bytes), kMsgWrongHeader);

    CSR4731File sr;
    EXPECT_EQ(LoadError(sr, good), kMsgNotSR4731);
}

TEST(BellcoreFile, EmptyEntriesAreAbsentBlocks) {
    // GenParams listed with size 0 and written nowhere, a "Cksum" entry in the middle, and
    // a "Map" entry that names no block.
    CGR196File gr;
    FillTrace(gr);
    const auto good = gr.SaveToBytes();
    std::uint32_t mapSize = 0;
    const auto map = ReadMap(good, false, &mapSize);

    std::vector<std::uint8_t> bytes = {100, 0, 0, 0, 0, 0, 0, 0};
    auto addEntry = [&](const std::string& name, std::uint16_t revision, std::uint32_t size) {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.insert(bytes.end(), {0, static_cast<std::uint8_t>(revision),
                                   static_cast<std::uint8_t>(revision >> 8), 0, 0, 0, 0});
        PutU32(bytes, bytes.size() - 4, size);
    };
    addEntry("LnkParams", 100, 0);
    addEntry("Cksum", 100, 2);
    for (const auto& entry : map)
        if (entry.name != "Cksum")
            addEntry(entry.name, entry.revision, entry.size);
    addEntry("Cksum", 100, 2);
    PutU32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    bytes[6] = static_cast<std::uint8_t>(map.size() + 3);
    bytes.insert(bytes.end(), good.begin() + mapSize, good.end());
    Reseal(bytes);

    CGR196File file;
    EXPECT_EQ(LoadError(file, bytes), "");
    EXPECT_EQ(file.GetLnkParams().GetLandmarkCount(), 0);
    EXPECT_EQ(file.SaveToBytes(), good);

    // An entry naming the map itself is no block.
    bytes[8] = 'M';
    bytes[9] = 'a';
    bytes[10] = 'p';
    bytes[11] = 0;
    EXPECT_EQ(LoadError(file, bytes), kMsgNoSuchBlock);
}

TEST(BellcoreFile, RecognitionReadsPastTheHeadOnlyWhenTheMapDoes) {
    CScratchDir dir;
    // A map of some 80 KB: thousands of vendor blocks.
    CGR196File big;
    FillTrace(big);
    for (int i = 0; i < 5000; ++i) {
        auto block = std::make_unique<CProprietaryBlock>("Vendor block " + std::to_string(i), 100);
        block->SetData({static_cast<std::uint8_t>(i)});
        big.GetProprietaryBlocks().push_back(std::move(block));
    }
    const std::string path = dir.Path("big.sor");
    big.Save(path);
    EXPECT_TRUE(IsGR196File(path));
    EXPECT_FALSE(IsSR4731File(path));

    // Cut inside that map: the whole file is read, and it ends in the map.
    auto bytes = ReadAll(path);
    bytes.resize(70000);
    WriteAll(path, bytes);
    try {
        IsGR196File(path);
        FAIL();
    } catch (const COtdrException& e) {
        EXPECT_EQ(e.GetErrorMessage(), kMsgCannotRead);
    }
}
