#include "formats/bellcore/CDataPts.h"

#include "formats/bellcore/BellcoreFields.h"
#include "platform/CException.h"
#include "platform/Prefault.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

namespace {

// The scales a level can be given, finest first: scale = factor × 0.001, and the raw value
// is level × kRawPerDb (exact integers, so the product is rounded once).
constexpr std::uint16_t kFactors[] = {1, 10, 100, 1000, 10000};
constexpr double kRawPerDb[] = {1e6, 1e5, 1e4, 1e3, 1e2};
constexpr std::uint8_t kUnitScale = 3;
constexpr std::uint8_t kCoarsestScale = 4;
constexpr std::uint8_t kNoScale = 0xFF;

constexpr double kMaxRaw = 65535.0;
constexpr double kMinRaw = 1000.0;

std::uint8_t ScaleIndexFor(float level) {
    const double value = level;
    if (!(value > 0.0))
        return kNoScale;
    // The raw value is truncated, so 65.535 dB, held as a float a little above it, still
    // fits scale 1; only a raw value from 65536 on needs the coarser scale.
    if (value * kRawPerDb[kUnitScale] >= kMaxRaw + 1.0)
        return kCoarsestScale;
    for (std::uint8_t index = kUnitScale; index > 0; --index)
        if (value * kRawPerDb[index] >= kMinRaw)
            return index;
    return 0;
}

std::uint16_t RawFor(float level, std::uint8_t scale) {
    const double raw = static_cast<double>(level) * kRawPerDb[scale];
    if (!(raw > 0.0))
        return 0;
    if (raw >= kMaxRaw)
        return 0xFFFF;
    return static_cast<std::uint16_t>(raw);
}

// Each level is the least float not below raw × scale factor millionths of a dB, so that the
// truncating builder gives the raw value back. The nearest float lies below it for about half
// the values, and every rebuild of edited levels would lose a unit on those.
float LevelOf(std::uint16_t raw, double factor) {
    // Both products are exact in a double: below 2^32, and 24 bits times 1e6.
    const double millionths = raw * factor;
    const float level = static_cast<float>(millionths * 1e-6);
    // A level below its value is positive and finite, so the next float up is the next bit
    // pattern (cheaper than nextafter, which is a library call).
    const bool below = static_cast<double>(level) * 1e6 < millionths;
    return std::bit_cast<float>(std::bit_cast<std::uint32_t>(level) + (below ? 1u : 0u));
}

// The file's little-endian 16-bit values, each passed through a function, as an iterator: a
// vector's range insert constructs its new elements from it in place, never zero-filling them
// first.
template <class Function> class CMappedRaw {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = decltype(std::declval<const Function&>()(std::uint16_t{}));
    using difference_type = std::ptrdiff_t;
    using pointer = const value_type*;
    using reference = value_type;

    CMappedRaw(const std::uint8_t* bytes, const Function& function)
        : bytes_(bytes), function_(&function) {}
    value_type operator*() const {
        std::uint16_t raw;
        if constexpr (std::endian::native == std::endian::little)
            std::memcpy(&raw, bytes_, sizeof raw);
        else
            raw = static_cast<std::uint16_t>(bytes_[0] | (bytes_[1] << 8));
        return (*function_)(raw);
    }
    CMappedRaw& operator++() {
        bytes_ += 2;
        return *this;
    }
    CMappedRaw operator++(int) {
        CMappedRaw before = *this;
        bytes_ += 2;
        return before;
    }
    CMappedRaw& operator--() {
        bytes_ -= 2;
        return *this;
    }
    CMappedRaw& operator+=(difference_type n) {
        bytes_ += 2 * n;
        return *this;
    }
    difference_type operator-(const CMappedRaw& other) const { return (bytes_ - other.bytes_) / 2; }
    bool operator==(const CMappedRaw& other) const { return bytes_ == other.bytes_; }

private:
    const std::uint8_t* bytes_;
    const Function* function_;
};

// Appends the function of each of n raw values at bytes to values.
template <class T, class Function>
void AppendMapped(std::vector<T>& values, const std::uint8_t* bytes, std::size_t n,
                  const Function& function) {
    values.insert(values.end(), CMappedRaw<Function>(bytes, function),
                  CMappedRaw<Function>(bytes + 2 * n, function));
}

// Levels of one group's raw values. A long group looks every raw value up in a table made
// once for its factor.
class CLevelDecoder {
public:
    CLevelDecoder(double factor, std::size_t count) : factor_(factor) {
        if (count < kRawValues / 4)
            return;
        table_ = std::make_unique_for_overwrite<float[]>(kRawValues);
        for (std::size_t raw = 0; raw < kRawValues; ++raw)
            table_[raw] = LevelOf(static_cast<std::uint16_t>(raw), factor);
    }
    // Appends the levels of n raw values at bytes (the file's little-endian values).
    void Append(std::vector<float>& levels, const std::uint8_t* bytes, std::size_t n) const {
        if (table_) {
            const float* table = table_.get();
            AppendMapped(levels, bytes, n, [table](std::uint16_t raw) { return table[raw]; });
            return;
        }
        const double factor = factor_;
        AppendMapped(levels, bytes, n,
                     [factor](std::uint16_t raw) { return LevelOf(raw, factor); });
    }
    void Decode(const std::uint16_t* raw, std::size_t n, float* levels) const {
        if (table_) {
            for (std::size_t i = 0; i < n; ++i)
                levels[i] = table_[raw[i]];
            return;
        }
        for (std::size_t i = 0; i < n; ++i)
            levels[i] = LevelOf(raw[i], factor_);
    }

private:
    static constexpr std::size_t kRawValues = 65536;
    double factor_;
    std::unique_ptr<float[]> table_;
};

// The builder's scale of a stored factor, or kNoScale for any other factor.
std::uint8_t ScaleIndexOfFactor(std::uint16_t factor) {
    for (std::uint8_t index = 0; index < std::size(kFactors); ++index)
        if (kFactors[index] == factor)
            return index;
    return kNoScale;
}

void FillLevels(const CScaleGroup& group, float* levels) {
    const std::vector<std::uint16_t>& points = group.GetPoints();
    CLevelDecoder(group.GetScaleFactor(), points.size())
        .Decode(points.data(), points.size(), levels);
}

} // namespace

CSharedLevels CDataPts::NoLevels() {
    static const CSharedLevels none = std::make_shared<const std::vector<float>>();
    return none;
}

void CDataPts::Reset() {
    levels_ = NoLevels();
    DropScaleGroups();
}

void CDataPts::Assign(const CDataPts& other) {
    CopyHeader(other);
    levels_ = other.levels_;
    groups_ = other.groups_;
    built_ = other.built_;
    pointsPending_ = other.pointsPending_;
}

void CDataPts::SetLevels(int count, const float* levels) {
    if (count < 0 || count > kMaxPoints || (count > 0 && levels == nullptr))
        throw COtdrException(kMsgBlockError);
    // A copy first: the caller may pass our own levels.
    levels_ = std::make_shared<const std::vector<float>>(levels, levels + count);
    DropScaleGroups();
}

void CDataPts::SetPointCount(int count) {
    if (count < 0 || count > kMaxPoints)
        throw COtdrException(kMsgBlockError);
    auto levels = std::make_shared<std::vector<float>>(*levels_);
    levels->resize(static_cast<std::size_t>(count), 0.0f);
    levels_ = std::move(levels);
    DropScaleGroups();
}

void CDataPts::SetScaleGroups(std::vector<CScaleGroup> groups) {
    if (groups.size() > kMaxGroups)
        throw COtdrException(kMsgBlockError);
    std::size_t total = 0;
    for (const CScaleGroup& group : groups) {
        total += group.GetPointCount();
        if (total > static_cast<std::size_t>(kMaxPoints))
            throw COtdrException(kMsgBlockError);
    }
    auto levels = std::make_shared<std::vector<float>>(total);
    std::size_t filled = 0;
    for (const CScaleGroup& group : groups) {
        FillLevels(group, levels->data() + filled);
        filled += group.GetPointCount();
    }
    levels_ = std::move(levels);
    groups_ = std::move(groups);
    built_ = true;
    pointsPending_ = false;
}

void CDataPts::DropScaleGroups() {
    groups_.clear();
    built_ = false;
    pointsPending_ = false;
}

void CDataPts::BuildScaleGroups() {
    EnsureGroups();
}

void CDataPts::EnsureGroups() const {
    if (built_) {
        if (!pointsPending_)
            return;
        // The raw values left out at the read: the builder's own truncation gives each back.
        std::size_t start = 0;
        for (CScaleGroup& group : groups_) {
            if (group.points_.size() != group.count_) {
                const std::uint8_t scale = ScaleIndexOfFactor(group.scaleFactor_);
                group.points_.resize(group.count_);
                for (std::size_t i = 0; i < group.count_; ++i)
                    group.points_[i] = RawFor((*levels_)[start + i], scale);
            }
            start += group.count_;
        }
        pointsPending_ = false;
        return;
    }
    groups_.clear();
    const std::vector<float>& levels = *levels_;
    const std::size_t count = levels.size();
    if (count == 0)
        return;

    // Points with no scale of their own join the group in progress, so they never split
    // a group; at the start that is the group of the first point with a scale.
    std::size_t first = 0;
    while (first < count && ScaleIndexFor(levels[first]) == kNoScale)
        ++first;
    std::uint8_t current = first < count ? ScaleIndexFor(levels[first]) : kUnitScale;
    std::vector<std::uint8_t> scales(count);
    std::size_t groupCount = 1;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t scale = ScaleIndexFor(levels[i]);
        if (scale == kNoScale)
            scale = current;
        if (scale != current)
            ++groupCount;
        scales[i] = current = scale;
    }
    // The count field has 16 bits: past that many groups the rest share the coarsest scale
    // any of them needs, the only one that holds them all.
    if (groupCount > kMaxGroups) {
        std::size_t group = 1;
        std::size_t tail = 1;
        for (; tail < count; ++tail)
            if (scales[tail] != scales[tail - 1] && ++group == kMaxGroups)
                break;
        const std::uint8_t coarsest = *std::max_element(scales.begin() + tail, scales.end());
        std::fill(scales.begin() + tail, scales.end(), coarsest);
    }

    groups_.reserve(std::min(groupCount, kMaxGroups));
    for (std::size_t start = 0; start < count;) {
        std::size_t end = start + 1;
        while (end < count && scales[end] == scales[start])
            ++end;
        CScaleGroup& group = groups_.emplace_back();
        group.scaleFactor_ = kFactors[scales[start]];
        group.count_ = static_cast<std::uint32_t>(end - start);
        group.points_.resize(end - start);
        for (std::size_t i = start; i < end; ++i)
            group.points_[i - start] = RawFor(levels[i], scales[start]);
        start = end;
    }
    built_ = true;
}

std::uint32_t CDataPts::GetSize() const {
    return DataSize();
}

std::uint32_t CDataPts::DataSize() const {
    EnsureGroups();
    std::uint32_t size = 6;
    for (const CScaleGroup& group : groups_)
        size += 6 + 2 * group.GetPointCount();
    return size;
}

int CDataPts::Serialize(CBellcoreStream& stream) {
    return SerializeData(stream);
}

int CDataPts::SerializeData(CBellcoreStream& stream) {
    if (IsReading(stream))
        ReadData(stream);
    else if (IsWriting(stream))
        WriteData(stream);
    return stream.GetCounter();
}

void CDataPts::ReadData(CBellcoreStream& stream) {
    // Whatever happens below, no levels of an earlier read survive.
    Reset();
    std::uint32_t total = 0;
    std::uint16_t groupCount = 0;
    stream.ReadU32(total);
    stream.ReadU16(groupCount);
    // Counts are trusted only as far as the bytes left could hold them; the total allocates
    // nothing by itself, so a wrong total is reported as such below.
    constexpr std::size_t kGroupHeaderSize = 6;
    if (groupCount > stream.GetRemaining() / kGroupHeaderSize)
        stream.Fail(kMsgCannotRead);
    std::vector<CScaleGroup> groups(groupCount);
    auto levels = std::make_shared<std::vector<float>>();
    levels->reserve(std::min<std::size_t>(total, stream.GetRemaining() / 2));
    PrefaultForWriting(levels->data(), levels->capacity() * sizeof(float));
    bool pending = false;
    for (CScaleGroup& group : groups) {
        std::uint32_t pointCount = 0;
        stream.ReadU32(pointCount);
        stream.ReadU16(group.scaleFactor_);
        // No level is ever stored beyond the announced total.
        if (pointCount > total - levels->size())
            stream.Fail(kMsgBlockError);
        if (pointCount > stream.GetRemaining() / 2)
            stream.Fail(kMsgCannotRead);
        group.count_ = pointCount;
        // The levels are decoded straight from the file's bytes, a piece at a time, so the
        // bytes are still in the cache for the checksum. At the builder's scales the raw
        // values follow from the levels and are not kept; at any other they are.
        const bool keepRaw = ScaleIndexOfFactor(group.scaleFactor_) == kNoScale;
        pending = pending || (!keepRaw && pointCount != 0);
        if (keepRaw)
            group.points_.reserve(pointCount);
        const CLevelDecoder decoder(group.scaleFactor_, pointCount);
        constexpr std::size_t kPiece = 8192;
        for (std::size_t done = 0; done < pointCount; done += kPiece) {
            const std::size_t n = std::min<std::size_t>(kPiece, pointCount - done);
            const std::uint8_t* bytes = stream.ReadView(2 * n);
            decoder.Append(*levels, bytes, n);
            if (keepRaw)
                AppendMapped(group.points_, bytes, n, [](std::uint16_t raw) { return raw; });
        }
    }
    if (levels->size() != total)
        stream.Fail(kMsgBlockError);
    levels_ = std::move(levels);
    groups_ = std::move(groups);
    // The groups read are the groups to write.
    built_ = true;
    pointsPending_ = pending;
}

void CDataPts::WriteData(CBellcoreStream& stream) {
    EnsureGroups();
    stream.WriteU32(static_cast<std::uint32_t>(levels_->size()));
    stream.WriteU16(static_cast<std::uint16_t>(groups_.size()));
    for (const CScaleGroup& group : groups_) {
        stream.WriteU32(group.GetPointCount());
        stream.WriteU16(group.scaleFactor_);
        stream.WriteU16Array(group.points_.data(), group.points_.size());
    }
}

int CDataPtsSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    return SerializeData(stream);
}
