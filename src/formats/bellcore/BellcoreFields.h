#pragma once
// Two-way field transfer for the parameter blocks: one call reads or writes a field
// depending on the stream's mode (a closed stream moves nothing), so each block lists its
// fields once, in file order. Also the fixed-point scaling of stored integers.

#include "formats/bellcore/BellcoreCodes.h"
#include "formats/bellcore/CBellcoreStream.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

// memory = stored × factor on read; stored = memory × multiplier, truncated, on write.
struct CFieldScale {
    double factor;
    double multiplier;
};

inline constexpr CFieldScale kScaleTenth{0.1, 10.0};
inline constexpr CFieldScale kScaleMilli{0.001, 1000.0};
inline constexpr CFieldScale kScaleNegMilli{-0.001, -1000.0};
inline constexpr CFieldScale kScaleGroupIndex{0.00001, 100000.0};

// Truncates toward zero into T; saturates at T's limits and gives 0 for NaN, so no value
// held in memory can make the conversion undefined.
template <class T> T TruncateToStored(double product) {
    if (std::isnan(product))
        return 0;
    const double truncated = std::trunc(product);
    if (truncated <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (truncated >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(truncated);
}

template <class T> T EncodeScaled(double value, CFieldScale scale) {
    return TruncateToStored<T>(value * scale.multiplier);
}

// stored × factor, moved by the fewest units in the last place needed for the truncating
// writer to give the stored value back. Without this a threshold stored as 20 would read as
// 0.02f and be written as 19, losing a unit on every load and save.
template <class F, class T> F DecodeScaled(T stored, CFieldScale scale) {
    F value = static_cast<F>(static_cast<double>(stored) * scale.factor);
    for (int step = 0; step < 8; ++step) {
        const T written = EncodeScaled<T>(static_cast<double>(value), scale);
        if (written == stored)
            break;
        const bool raise = (written < stored) == (scale.multiplier > 0);
        value = std::nextafter(value, raise ? std::numeric_limits<F>::infinity()
                                            : -std::numeric_limits<F>::infinity());
    }
    return value;
}

// Rounded to the nearest whole unit, then saturated like TruncateToStored: for a value the
// user typed, which the truncating writer would move down by a unit as often as not.
template <class T> T RoundToStored(double product) {
    return TruncateToStored<T>(std::round(product));
}

// The value the nearest stored unit reads back as: the truncating writer stores that unit.
// A value read from the file comes back unchanged.
template <class F, class T> F NearestStored(double value, CFieldScale scale) {
    return DecodeScaled<F>(RoundToStored<T>(value * scale.multiplier), scale);
}

// Of a truncated stored value and its two neighbours, the one whose reading (toValue) lies
// nearest to target: rounding where the conversion is not a plain multiple.
template <class T, class ToValue> T NearestNeighbour(T truncated, double target, ToValue toValue) {
    T best = truncated;
    double bestDistance = std::abs(toValue(truncated) - target);
    const auto consider = [&](T candidate) {
        const double distance = std::abs(toValue(candidate) - target);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    };
    if (truncated > std::numeric_limits<T>::min())
        consider(static_cast<T>(truncated - 1));
    if (truncated < std::numeric_limits<T>::max())
        consider(static_cast<T>(truncated + 1));
    return best;
}

// Bytes a string takes on disk: its text up to the first NUL, and the NUL.
inline std::uint32_t StoredStringSize(const std::string& s) {
    return static_cast<std::uint32_t>(std::strlen(s.c_str()) + 1);
}

inline bool IsReading(const CBellcoreStream& stream) {
    return stream.GetMode() == CBellcoreStream::kReading;
}
inline bool IsWriting(const CBellcoreStream& stream) {
    return stream.GetMode() == CBellcoreStream::kWriting;
}

inline void SerializeField(CBellcoreStream& stream, std::uint16_t& value) {
    if (IsReading(stream))
        stream.ReadU16(value);
    else if (IsWriting(stream))
        stream.WriteU16(value);
}

inline void SerializeField(CBellcoreStream& stream, std::int16_t& value) {
    std::uint16_t raw = static_cast<std::uint16_t>(value);
    SerializeField(stream, raw);
    value = static_cast<std::int16_t>(raw);
}

inline void SerializeField(CBellcoreStream& stream, std::uint32_t& value) {
    if (IsReading(stream))
        stream.ReadU32(value);
    else if (IsWriting(stream))
        stream.WriteU32(value);
}

inline void SerializeField(CBellcoreStream& stream, std::int32_t& value) {
    std::uint32_t raw = static_cast<std::uint32_t>(value);
    SerializeField(stream, raw);
    value = static_cast<std::int32_t>(raw);
}

inline void SerializeField(CBellcoreStream& stream, std::string& value) {
    if (IsReading(stream))
        stream.ReadString(value);
    else if (IsWriting(stream))
        stream.WriteString(value);
}

// A scaled field held as F and stored as the integer T.
template <class T, class F>
void SerializeScaled(CBellcoreStream& stream, F& value, CFieldScale scale) {
    T stored = EncodeScaled<T>(static_cast<double>(value), scale);
    SerializeField(stream, stored);
    if (IsReading(stream))
        value = DecodeScaled<F>(stored, scale);
}

// A two-character code held as its table index (the table's fallback when not found).
inline void SerializeCode(CBellcoreStream& stream, int& index, const CCodeTable& table) {
    if (IsReading(stream))
        index = table.Find(ReadCode2(stream));
    else if (IsWriting(stream))
        WriteCode2(stream, table.Code(index));
}
