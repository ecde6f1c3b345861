// Real trace files of many instruments: each loads and survives load -> save -> load.

#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "platform/CException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    return v;
}

// Block bytes by name, cut from a file by its own map (the SR-4731 block name included).
std::multimap<std::string, std::vector<std::uint8_t>>
SplitBlocks(const std::vector<std::uint8_t>& b, bool sr) {
    std::size_t at = sr ? 4 : 0;
    std::size_t body = U32At(b, at + 2);
    const unsigned count = b.at(at + 6) | (b.at(at + 7) << 8);
    at += 8;
    std::multimap<std::string, std::vector<std::uint8_t>> blocks;
    for (unsigned i = 1; i < count; ++i) {
        std::string name;
        while (b.at(at) != 0)
            name += static_cast<char>(b.at(at++));
        const std::uint32_t size = U32At(b, at + 3);
        at += 7;
        if (name == "Cksum" || size == 0)
            continue;
        blocks.emplace(name, std::vector<std::uint8_t>(b.begin() + static_cast<long>(body),
                                                       b.begin() + static_cast<long>(body + size)));
        body += size;
    }
    return blocks;
}

template <class File> void CheckRoundTrip(const std::filesystem::path& path) {
    const auto original = ReadAll(path.string());
    File file;
    ASSERT_NO_THROW(file.Load(path.string()));
    EXPECT_GT(file.GetDataPts().GetPointCount(), 0);
    EXPECT_EQ(file.GetFxdParams().GetPulseEntryCount(), 1);
    EXPECT_GT(file.GetFxdParams().GetGroupIndex(), 1.0);
    EXPECT_GT(file.GetFxdParams().RangeKm(), 0.0);

    const auto saved = file.SaveToBytes();
    File again;
    ASSERT_NO_THROW(again.Load(saved));
    EXPECT_FALSE(again.HasChecksumMismatch());
    EXPECT_TRUE(again.GetPaddedBlocks().empty());
    EXPECT_EQ(again.SaveToBytes(), saved) << "the writer is not idempotent";
    EXPECT_EQ(again.GetDataPts().GetLevels(), file.GetDataPts().GetLevels());
    EXPECT_EQ(again.GetKeyEvents().GetEventCount(), file.GetKeyEvents().GetEventCount());

    // Every block the instrument wrote comes back byte for byte, but for the bytes a padded
    // block carried beyond its contents. The format keeps no build condition outside its
    // table and no tenths of the actual wavelength, so GenParams and FxdParams may change
    // there; the idempotent writer above covers them.
    const bool sr = file.IsSRLayout();
    const auto before = SplitBlocks(original, sr);
    const auto after = SplitBlocks(saved, sr);
    for (const auto& [name, bytes] : before) {
        const auto found = after.find(name);
        ASSERT_NE(found, after.end()) << name << " was lost";
        if (name == "GenParams" || name == "FxdParams")
            continue;
        const auto& padded = file.GetPaddedBlocks();
        if (std::find(padded.begin(), padded.end(), name) != padded.end()) {
            ASSERT_LE(found->second.size(), bytes.size());
            EXPECT_TRUE(std::equal(found->second.begin(), found->second.end(), bytes.begin()))
                << name;
        } else {
            EXPECT_EQ(found->second, bytes) << name << " changed";
        }
    }
}

} // namespace

TEST(Samples, EveryFileLoadsAndRoundTrips) {
    const auto files = SampleFiles({".sor", ".tra"});
    if (files.empty())
        GTEST_SKIP() << "no sample folder";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        if (IsGR196File(path.string())) {
            CheckRoundTrip<CGR196File>(path);
        } else {
            ASSERT_TRUE(IsSR4731File(path.string()));
            CheckRoundTrip<CSR4731File>(path);
        }
    }
}
