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

} // namespace

char* WriteFixed6(char* out, double value) {
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
