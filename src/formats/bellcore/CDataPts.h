#pragma once
// "DataPts": the sampled trace, stored as unsigned 16-bit raw values in groups that share a
// scale factor. In memory the levels (dB, one float per point) are the trace; the groups
// are what is written. Groups read from a file are kept and written back unchanged until the
// levels are replaced; after that they are built again from the levels.

#include "formats/bellcore/CBellcoreBlock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Levels held by more than one owner (the block and the trace shown from it): never changed
// in place, replaced whole.
using CSharedLevels = std::shared_ptr<const std::vector<float>>;

// Points sharing one scale: level = raw × scale × 0.001 dB, held as the least float not below
// it, so that building groups from unchanged levels gives the same raw values.
class CScaleGroup {
public:
    // Point count of the group.
    std::uint32_t GetPointCount() const { return count_; }
    // scale = scale factor × 0.001.
    float GetScale() const { return static_cast<float>(scaleFactor_ * 0.001); }
    // Thousandths of the scale, as stored.
    std::uint16_t GetScaleFactor() const { return scaleFactor_; }
    void SetScaleFactor(std::uint16_t factor) { scaleFactor_ = factor; }
    const std::vector<std::uint16_t>& GetPoints() const { return points_; }
    void SetPoints(std::vector<std::uint16_t> points) {
        points_ = std::move(points);
        count_ = static_cast<std::uint32_t>(points_.size());
    }

private:
    friend class CDataPts;

    std::uint16_t scaleFactor_ = 1000;
    std::uint32_t count_ = 0;
    // Empty for a group read at one of the builder's scales until the groups are asked for:
    // its raw values then follow exactly from the levels.
    std::vector<std::uint16_t> points_;
};

// The GR-196-CORE block.
class CDataPts : public CBellcoreBlock {
public:
    // The group count field is 16 bits wide.
    static constexpr std::size_t kMaxGroups = 0xFFFF;
    // Keeps the block size within its 32-bit field.
    static constexpr int kMaxPoints = 0x7FF00000;

    CDataPts() : CBellcoreBlock(kBlockDataPts) {}

    // Reading replaces levels and groups; a block whose group sizes do not add up to the
    // announced total raises "Ошибка в блоке OTDR" and leaves no levels. Writing builds the
    // groups first when the levels changed.
    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    // Written only with at least one point.
    bool HasData() const override { return !levels_->empty(); }
    // Empties the levels and the groups.
    void Reset() override;
    // Levels, groups and built flag; also from the other layout's block.
    void Assign(const CDataPts& other);

    int GetPointCount() const { return static_cast<int>(levels_->size()); }
    // dB, one per point.
    const std::vector<float>& GetLevels() const { return *levels_; }
    // The same levels, for a holder that keeps them without a copy.
    const CSharedLevels& GetSharedLevels() const { return levels_; }
    // Copies count levels and drops the groups. A negative count, or one above kMaxPoints,
    // raises "Ошибка в блоке OTDR".
    void SetLevels(int count, const float* levels);
    // Resizes the levels (new points 0 dB) and drops the groups.
    void SetPointCount(int count);

    // Groups to write; empty until built or read.
    const std::vector<CScaleGroup>& GetScaleGroups() const {
        if (built_)
            EnsureGroups();
        return groups_;
    }
    // Takes groups as they would be read: the levels follow from them and they are written
    // unchanged. More than kMaxGroups groups, or more than kMaxPoints points in all, raise
    // "Ошибка в блоке OTDR".
    void SetScaleGroups(std::vector<CScaleGroup> groups);
    // The groups are valid for the current levels.
    bool IsBuilt() const { return built_; }

    // Groups the levels by scale; nothing to do when built. Per point the scale is the power
    // of ten between 0.001 and 10 that brings the raw value (level × 1000 ÷ scale, truncated)
    // into 1000..65535 (1..65.535 dB at scale 1); a new group starts where the scale changes.
    // Levels the format cannot hold exactly are written as near as it allows:
    // - below 0.001 dB: scale 0.001, raw value below 1000;
    // - above 655.35 dB (infinity too): scale 10, raw value 65535;
    // - 0, negative or NaN: raw value 0 in the group in progress (at the start, the group of
    //   the first point with a scale; scale 1 when no point has one).
    // Past kMaxGroups - 1 groups the remaining points share one last group at the largest
    // scale any of them needs.
    void BuildScaleGroups();
    // Discards the groups and clears the built flag.
    void DropScaleGroups();

protected:
    int SerializeData(CBellcoreStream& stream);
    std::uint32_t DataSize() const;

private:
    void ReadData(CBellcoreStream& stream);
    void WriteData(CBellcoreStream& stream);
    // GetSize and writing need the groups that will be written.
    void EnsureGroups() const;
    static CSharedLevels NoLevels();

    mutable bool built_ = false;
    // Groups read without their raw values (see CScaleGroup) are waiting for them.
    mutable bool pointsPending_ = false;
    CSharedLevels levels_ = NoLevels();
    mutable std::vector<CScaleGroup> groups_;
};

// The SR-4731 block: the same, opened by its name. Assign of the base serves both layouts.
class CDataPtsSR : public CDataPts {
public:
    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override { return NameSize() + DataSize(); }
};
