#include "formats/bellcore/BlockBytes.h"
#include "formats/bellcore/CDataPts.h"

#include <limits>

namespace {

struct CGroupSpec {
    std::uint16_t factor;
    std::vector<std::uint16_t> points;
};

// Total, group count, then each group's header and points.
std::vector<std::uint8_t> Block(std::uint32_t total, const std::vector<CGroupSpec>& groups,
                                bool sr = false) {
    CBytes b;
    if (sr)
        b.Str("DataPts");
    b.U32(total).U16(static_cast<unsigned>(groups.size()));
    for (const CGroupSpec& group : groups) {
        b.U32(static_cast<std::uint32_t>(group.points.size())).U16(group.factor);
        for (std::uint16_t point : group.points)
            b.U16(point);
    }
    return b.data;
}

std::vector<std::uint8_t> WriteLevels(const std::vector<float>& levels) {
    CDataPts block;
    block.SetLevels(static_cast<int>(levels.size()), levels.data());
    return WriteBlock(block);
}

} // namespace

TEST(ScaleGroups, OneScalePerRunOfLevels) {
    EXPECT_EQ(WriteLevels({2.5f, 3.0f, 70.0f}), Block(3, {{1000, {2500, 3000}}, {10000, {7000}}}));
    EXPECT_EQ(WriteLevels({0.5f, 0.75f}), Block(2, {{100, {5000, 7500}}}));
    EXPECT_EQ(WriteLevels({0.0078125f, 0.0625f, 64.0f, 512.0f}),
              Block(4, {{1, {7812}}, {10, {6250}}, {1000, {64000}}, {10000, {51200}}}));
    CDataPts empty;
    EXPECT_FALSE(empty.HasData());
    EXPECT_EQ(WriteBlock(empty), Block(0, {}));
}

TEST(ScaleGroups, LevelsWithoutAScaleAreWrittenAsNearAsPossible) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Non-positive levels join the group they sit in (at the start, the first group with a
    // scale); tiny ones take the finest scale, huge ones the largest raw value.
    EXPECT_EQ(WriteLevels({0.0f, -3.0f, nan, 0.0005f, 1000.0f, inf, -1.0f, 2.0f}),
              Block(8, {{1, {0, 0, 0, 500}}, {10000, {65535, 65535, 0}}, {1000, {2000}}}));
    EXPECT_EQ(WriteLevels({0.0f, -1.0f}), Block(2, {{1000, {0, 0}}}));

    // Alternating scales would need more groups than the count field holds.
    std::vector<float> levels(200000);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = i % 2 ? 2.0f : 0.5f;
    CDataPts block;
    block.SetLevels(static_cast<int>(levels.size()), levels.data());
    block.BuildScaleGroups();
    EXPECT_LE(block.GetScaleGroups().size(), CDataPts::kMaxGroups);
    CDataPts reread;
    ASSERT_EQ(ReadBlock(reread, WriteBlock(block)), "");
    EXPECT_EQ(reread.GetLevels(), levels);
}

TEST(DataPts, InstrumentGroupsAreKeptUntilTheLevelsChange) {
    // Factors, sizes and an empty group that no builder would make.
    const std::vector<CGroupSpec> groups = {{2500, {1000, 0, 65535}}, {1000, {}}, {7, {3, 4}}};
    CDataPts block;
    ASSERT_EQ(ReadBlock(block, Block(5, groups)), "");
    ASSERT_EQ(block.GetPointCount(), 5);
    EXPECT_FLOAT_EQ(block.GetLevels()[0], 2.5f);
    EXPECT_FLOAT_EQ(block.GetLevels()[2], 163.8375f);
    EXPECT_FLOAT_EQ(block.GetLevels()[4], 0.000028f);
    EXPECT_EQ(WriteBlock(block), Block(5, groups));

    CDataPtsSR sr;
    sr.Assign(block);
    EXPECT_EQ(WriteBlock(sr), Block(5, groups, true));
    CDataPtsSR srRead;
    ASSERT_EQ(ReadBlock(srRead, Block(5, groups, true)), "");
    EXPECT_EQ(WriteBlock(srRead), Block(5, groups, true));

    // Setting the levels, even to the same values, builds the groups again.
    const std::vector<float> levels = block.GetLevels();
    block.SetLevels(static_cast<int>(levels.size()), levels.data());
    EXPECT_FALSE(block.IsBuilt());
    EXPECT_EQ(WriteBlock(block), WriteLevels(levels));
    EXPECT_THROW(block.SetLevels(-1, levels.data()), COtdrException);
}

TEST(DataPts, GroupsReadAtTheBuildersScalesGiveBackEveryRawValue) {
    // Such groups keep their levels alone; every raw value comes back from them, between
    // groups of other factors that keep their raw values.
    std::vector<std::uint16_t> every(65536);
    for (std::size_t raw = 0; raw < every.size(); ++raw)
        every[raw] = static_cast<std::uint16_t>(raw);
    for (const std::uint16_t factor : {1, 10, 100, 1000, 10000}) {
        const std::vector<CGroupSpec> groups = {
            {7, {3, 65535}}, {factor, every}, {999, {12, 0}}, {factor, {65535, 0, 1}}};
        const std::vector<std::uint8_t> stored = Block(65543, groups);
        CDataPts block;
        ASSERT_EQ(ReadBlock(block, stored), "");
        CDataPtsSR copy;
        copy.Assign(block);
        EXPECT_TRUE(WriteBlock(block) == stored) << "factor " << factor;
        ASSERT_EQ(copy.GetScaleGroups().size(), groups.size());
        for (std::size_t i = 0; i < groups.size(); ++i)
            EXPECT_TRUE(copy.GetScaleGroups()[i].GetPoints() == groups[i].points) << factor;
    }
}

TEST(DataPts, LevelsHandedBackUnchangedKeepTheirRawValues) {
    // Each scale over the raw values the builder gives it, 65535 at scale 1 among them: the
    // nearest floats of about half of them truncated a unit lower, and 65.535 dB moved to
    // scale 10 and lost 0.005 dB, on every save of edited levels.
    const struct {
        std::uint16_t factor;
        unsigned first, last;
    } ranges[] = {{1, 0, 9999},
                  {10, 1000, 9999},
                  {100, 1000, 9999},
                  {1000, 1000, 65535},
                  {10000, 6554, 65535}};
    for (const auto& range : ranges) {
        std::vector<std::uint16_t> raw;
        for (unsigned value = range.first; value <= range.last; ++value)
            raw.push_back(static_cast<std::uint16_t>(value));
        const std::vector<std::uint8_t> stored =
            Block(static_cast<std::uint32_t>(raw.size()), {{range.factor, raw}});
        CDataPts read;
        ASSERT_EQ(ReadBlock(read, stored), "");
        EXPECT_TRUE(WriteLevels(read.GetLevels()) == stored) << "factor " << range.factor;
    }
}

TEST(DataPts, TotalsThatDoNotAddUpLeaveNoLevels) {
    CDataPts block;
    ASSERT_EQ(ReadBlock(block, Block(2, {{1000, {1, 2}}})), "");
    EXPECT_EQ(ReadBlock(block, Block(1000, {{1000, std::vector<std::uint16_t>(999, 1)}})),
              kMsgBlockError);
    EXPECT_EQ(block.GetPointCount(), 0);
    EXPECT_FALSE(block.IsBuilt());
    // Groups beyond the total, and a total no group fills, allocate nothing for it.
    EXPECT_EQ(ReadBlock(block, Block(2, {{1000, {1, 2}}, {1000, {3}}})), kMsgBlockError);
    EXPECT_EQ(ReadBlock(block, Block(0xFFFFFFFF, {})), kMsgBlockError);
    EXPECT_EQ(block.GetPointCount(), 0);
}

TEST(DataPts, BadInputIsRefusedWithoutCrashing) {
    auto sr = Block(2, {{1000, {1, 2}}}, true);
    sr[1] = 'A';
    CDataPtsSR srBlock;
    EXPECT_EQ(ReadBlock(srBlock, sr), kMsgBlockError);
    EXPECT_EQ(srBlock.GetSize(), 8u + 6u);

    ExpectEveryPrefixUnreadable<CDataPts>(Block(3, {{1000, {1, 2}}, {10, {3}}}));
    ExpectEveryPrefixUnreadable<CDataPtsSR>(Block(1, {{1000, {1}}}, true));

    // Counts the remaining bytes could not hold are refused before anything is allocated.
    auto groups = Block(0, {});
    groups[4] = groups[5] = 0xFF;
    groups.resize(groups.size() + 60);
    CDataPts block;
    EXPECT_EQ(ReadBlock(block, groups), kMsgCannotRead);
    auto points = Block(0xFFFFFFFF, {{1000, {}}});
    points[6] = points[7] = points[8] = points[9] = 0xFF;
    points.resize(points.size() + 60);
    EXPECT_EQ(ReadBlock(block, points), kMsgCannotRead);
}

TEST(DataPts, ChecksumOfLongRunsFollowsTheBitwiseCrc) {
    std::vector<std::uint8_t> bytes(2003);
    std::uint16_t expected = 0xFFFF;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 151u);
        for (int bit = 7; bit >= 0; --bit) {
            const bool feedback = ((bytes[i] >> bit) & 1) != (expected >> 15);
            expected = static_cast<std::uint16_t>((expected << 1) ^ (feedback ? 0x1021 : 0));
        }
    }
    EXPECT_EQ(CBellcoreStream::Crc16(bytes.data(), bytes.size()), expected);
    // Through the arrays the stream checksums the file's bytes, from an odd offset too.
    std::vector<std::uint16_t> points(1001);
    CBellcoreStream in;
    in.OpenForRead(bytes);
    std::uint8_t first = 0;
    in.ReadU8(first);
    in.ReadU16Array(points.data(), points.size());
    EXPECT_EQ(points[0], bytes[1] | bytes[2] << 8);
    EXPECT_EQ(in.GetStoredChecksum(), expected);
}
