#include "tools/lumetra-sor/NumberText.h"

#include <nlohmann/json.hpp>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

__extension__ using Uint128 = unsigned __int128;

// "00" to "99", so digits are written two at a time.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

char* WritePair(char* out, std::uint64_t value) {
    std::memcpy(out, kDigitPairs.data() + 2 * value, 2);
    return out + 2;
}

char* WriteInteger(char* out, std::uint64_t value) {
    std::size_t length = 1;
    for (std::uint64_t rest = value; rest >= 10; rest /= 10)
        ++length;
    char* first = out + length;
    for (; value >= 100; value /= 100)
        WritePair(first -= 2, value % 100);
    if (value >= 10)
        WritePair(first - 2, value);
    else
        first[-1] = static_cast<char>('0' + value);
    return out + length;
}

char* WriteJson(char* out, float value) {
    if (!std::isfinite(value)) {
        std::memcpy(out, "null", 4);
        return out + 4;
    }
    // The double the float's shortest text reads as, written by the library's own routine
    // (which is not always the shortest: 48.65259f is written 48.652589999999996).
    char shortest[32];
    const char* end = std::to_chars(shortest, shortest + sizeof shortest, value).ptr;
    double parsed = value;
    std::from_chars(shortest, end, parsed);
    return nlohmann::detail::to_chars(out, out + kMaxNumberText, parsed);
}

// The integer part of a distance, below 10000, without a loop.
char* WriteSmall(char* out, std::uint64_t value) {
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    if (value < 100)
        return WritePair(out, value);
    if (value < 1000) {
        *out = static_cast<char>('0' + value / 100);
        return WritePair(out + 1, value % 100);
    }
    return WritePair(WritePair(out, value / 100), value % 100);
}

} // namespace

char* WriteFixed6(char* out, double value) {
    // Distances, below 4000 km either way: value × 10^6 is below 2^32, so the double product
    // lies within 2^-22 of the exact one, and wherever its fraction is not within 2^-20 of a
    // half both round to the same integer. The sign is written alone, as the library does
    // (-0 included), since it rounds the magnitude.
    const double magnitude = std::fabs(value);
    if (magnitude < 4000.0) {
        const double scaled = magnitude * 1e6;
        const auto whole = static_cast<std::int64_t>(scaled);
        const double fraction = scaled - static_cast<double>(whole);
        if (std::fabs(fraction - 0.5) > 0x1p-20) {
            // Below 4 × 10^9 + 1: 32-bit arithmetic does.
            const auto units = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1u : 0u);
            if (std::signbit(value))
                *out++ = '-';
            out = WriteSmall(out, units / 1000000u);
            *out++ = '.';
            const std::uint32_t decimals = units % 1000000u;
            const std::uint32_t low = decimals % 10000u;
            out = WritePair(out, decimals / 10000u);
            out = WritePair(out, low / 100u);
            return WritePair(out, low % 100u);
        }
    }
    // A normal value from 1e-7 to below 1e9 is mantissa × 2^-shift with shift 23..76, so
    // value × 10^6 is rounded exactly in 128-bit integers. An exact tie, and everything else,
    // goes to the library, which rounds ties its own way.
    if (value >= 1e-7 && value < 1e9) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        const std::uint64_t mantissa =
            (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
        const int shift = 1075 - static_cast<int>(bits >> 52);
        const Uint128 scaled = static_cast<Uint128>(mantissa) * 1000000u;
        const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
        const Uint128 rest = scaled & ((half << 1) - 1);
        if (rest != half) {
            const auto units = static_cast<std::uint64_t>(scaled >> shift) + (rest > half ? 1 : 0);
            out = WriteInteger(out, units / 1000000);
            *out++ = '.';
            const std::uint64_t fraction = units % 1000000;
            out = WritePair(out, fraction / 10000);
            out = WritePair(out, fraction / 100 % 100);
            return WritePair(out, fraction % 100);
        }
    }
    return std::to_chars(out, out + kMaxNumberText, value, std::chars_format::fixed, 6).ptr;
}

CFloatTexts::CFloatTexts(Style style)
    : style_(style), entries_(std::make_unique<CEntry[]>(std::size_t{1} << kEntryBits)) {}

char* CFloatTexts::WriteUncached(char* out, float value, Style style) {
    if (style == Style::kJson)
        return WriteJson(out, value);
    return std::to_chars(out, out + kMaxNumberText, value == 0.0f ? 0.0f : value).ptr;
}

char* CFloatTexts::Write(char* out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    CEntry& entry = entries_[(bits * 0x9E3779B1u) >> (32 - kEntryBits)];
    if (entry.length != 0 && entry.bits == bits) {
        std::memcpy(out, entry.text, sizeof entry.text);
        return out + entry.length;
    }
    char* end = WriteUncached(out, value, style_);
    const auto length = static_cast<std::size_t>(end - out);
    if (length <= sizeof entry.text) {
        entry.bits = bits;
        entry.length = static_cast<std::uint8_t>(length);
        std::memcpy(entry.text, out, length);
    }
    return end;
}
