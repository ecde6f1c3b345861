#include "tools/lumetra-sor/NumberText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

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

// Exact powers of ten in a double.
constexpr std::array<double, 23> kPowersOfTen = [] {
    std::array<double, 23> powers{};
    double power = 1.0;
    for (double& p : powers) {
        p = power;
        power *= 10.0;
    }
    return powers;
}();

constexpr std::array<std::uint64_t, 12> kIntegerPowersOfTen = [] {
    std::array<std::uint64_t, 12> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

// 10^-4 to 10^7 as doubles, 10^e at e + 4.
constexpr std::array<double, 12> kDecades = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1,
                                             1e2,  1e3,  1e4,  1e5,  1e6, 1e7};

// A float's shortest text ("-12.345", "1e-05"): digits × 10^exponent.
struct CShortDecimal {
    bool negative = false;
    std::uint64_t digits = 0;
    int exponent = 0;
};

// The shortest text of a float from 0.001 to below 10^7, a power of two excepted, found with
// integer arithmetic instead of the library's general search; false wherever the library is
// to decide. The shortest text has the fewest digits of the decimals whose reading gives the
// value back, those strictly within half a unit in the last place of it; of several, the
// nearest. Away from a power of two the interval is symmetric, so some decimal of a grid lies
// within it exactly when the grid point nearest the value does. A decimal that ends in zeros
// before the point is left to the library.
bool FindShortestDecimal(float value, CShortDecimal& decimal) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t biased = (bits >> 23) & 0xFF;
    if ((bits & 0x7FFFFF) == 0 || biased == 0 || biased == 0xFF)
        return false;
    const double magnitude = std::fabs(static_cast<double>(value));
    if (!(magnitude >= 1e-3 && magnitude < 1e7))
        return false;
    // magnitude = mantissa × 2^-shift, shift 0..33; its interval is
    // (2 mantissa ± 1) × 2^-(shift+1).
    const std::uint64_t mantissa = (bits & 0x7FFFFF) | 0x800000;
    const int shift = 150 - static_cast<int>(biased);
    // The decimal exponent of the leading digit, -3..6: floor(log10(2^e)) of the binary
    // exponent e, or one more.
    int leading = ((static_cast<int>(biased) - 127) * 78913) >> 18;
    if (magnitude >= kDecades[static_cast<std::size_t>(leading + 5)])
        ++leading;
    // An integer value's multiples of ten are the only decimals of the coarser grids within
    // its interval; a value with a fraction has none.
    const std::uint64_t whole =
        (mantissa & ((std::uint64_t{1} << shift) - 1)) == 0 ? mantissa >> shift : 0;
    enum class EGrid { kOutside, kInside, kLibrary };
    std::uint64_t found = 0;
    // Whether a decimal of this many digits lies within the interval: the grid point nearest
    // the value, into found.
    const auto grid = [&](int length) {
        // Multiples of 10^-places.
        const int places = length - 1 - leading;
        if (places < 0)
            return whole != 0 && whole % kIntegerPowersOfTen[static_cast<std::size_t>(-places)] == 0
                       ? EGrid::kLibrary
                       : EGrid::kOutside;
        // All below 2^64: the mantissa has 24 bits, 10^places at most 10^11, the digits
        // below 10^9 and the shift at most 33.
        const std::uint64_t scale = kIntegerPowersOfTen[static_cast<std::size_t>(places)];
        // value × 10^places = scaled × 2^-shift, rounded to the nearest integer.
        const std::uint64_t scaled = mantissa * scale;
        const std::uint64_t half = shift > 0 ? std::uint64_t{1} << (shift - 1) : 0;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        if (shift > 0 && rest == half)
            return EGrid::kLibrary; // halfway between two grid points
        const std::uint64_t digits = (scaled >> shift) + (rest > half ? 1 : 0);
        // digits × 2^(shift+1) against (2 mantissa ± 1) × 10^places.
        const std::uint64_t point = digits << (shift + 1);
        const std::uint64_t low = (2 * mantissa - 1) * scale;
        const std::uint64_t high = (2 * mantissa + 1) * scale;
        if (point == low || point == high)
            return EGrid::kLibrary; // on the interval's edge
        if (point < low || point > high)
            return EGrid::kOutside;
        found = digits;
        return EGrid::kInside;
    };
    // A grid that has a decimal within the interval is in every finer one, and nine digits
    // always have one: the fewest are found by halving.
    int fewest = 10;
    std::uint64_t digits = 0;
    for (int lowest = 1, highest = 9; lowest <= highest;) {
        const int length = (lowest + highest) / 2;
        switch (grid(length)) {
        case EGrid::kLibrary:
            return false;
        case EGrid::kInside:
            fewest = length;
            digits = found;
            highest = length - 1;
            break;
        case EGrid::kOutside:
            lowest = length + 1;
            break;
        }
    }
    // Rounded up into the next decade, or (never) none found.
    if (fewest > 9 || digits >= kIntegerPowersOfTen[static_cast<std::size_t>(fewest)])
        return false;
    decimal.negative = std::signbit(value);
    decimal.digits = digits;
    decimal.exponent = leading + 1 - fewest;
    return true;
}

// At most 15 digits and a power of ten up to 10^22, each exact in a double; false for anything
// else, which the library reads instead.
bool ReadShortDecimal(const char* text, const char* end, CShortDecimal& decimal) {
    decimal.negative = text != end && *text == '-';
    text += decimal.negative ? 1 : 0;
    int count = 0;
    bool point = false;
    for (; text != end && *text != 'e'; ++text) {
        if (*text == '.') {
            point = true;
            continue;
        }
        if (*text < '0' || *text > '9' || ++count > 15)
            return false;
        decimal.digits = decimal.digits * 10 + static_cast<std::uint64_t>(*text - '0');
        decimal.exponent -= point ? 1 : 0;
    }
    if (text != end) {
        int written = 0;
        if (end - text < 2 ||
            std::from_chars(text + 1 + (text[1] == '+' ? 1 : 0), end, written).ec != std::errc())
            return false;
        decimal.exponent += written;
    }
    return count != 0 && decimal.exponent >= -22 && decimal.exponent <= 22;
}

// The nearest double: one correctly rounded operation on exact operands.
double NearestDouble(const CShortDecimal& decimal) {
    const double digits = static_cast<double>(decimal.digits);
    const double value = decimal.exponent < 0
                             ? digits / kPowersOfTen[static_cast<std::size_t>(-decimal.exponent)]
                             : digits * kPowersOfTen[static_cast<std::size_t>(decimal.exponent)];
    return decimal.negative ? -value : value;
}

// The library's routine writes the shortest digits that lie inside the rounding interval of
// the double, narrowed by a tiny fraction of a unit in the last place for its own rounding
// errors. No two texts of at most 15 digits lie in one double's interval, so where the float's
// shortest text is well inside it, the routine writes exactly that text's digits. Exact: with at
// most 15 digits and 10^22, the text's distance from the double (times the power of ten) is a
// multiple of a power of two that fits 53 bits, and the fused multiply-add rounds only once.
bool WellInside(const CShortDecimal& decimal, double nearest) {
    const double magnitude = std::fabs(nearest);
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    if (decimal.digits == 0 || bits == 0 || bits >= std::bit_cast<std::uint64_t>(0x1p1023))
        return false;
    const double above = std::bit_cast<double>(bits + 1) - magnitude;
    const double below = magnitude - std::bit_cast<double>(bits - 1);
    // The routine's narrowing is below 2^-9 of a unit; a margin of 2^-6 leaves room to spare.
    const double margin = std::min(above, below) / 64;
    const double digits = static_cast<double>(decimal.digits);
    // text − magnitude, times the power of ten where the exponent is negative.
    double difference = 0.0;
    double scale = 1.0;
    if (decimal.exponent < 0) {
        scale = kPowersOfTen[static_cast<std::size_t>(-decimal.exponent)];
        difference = -std::fma(magnitude, scale, -digits);
    } else {
        difference =
            std::fma(digits, kPowersOfTen[static_cast<std::size_t>(decimal.exponent)], -magnitude);
    }
    return difference >= 0 ? difference < (above / 2 - margin) * scale
                           : -difference < (below / 2 - margin) * scale;
}

char* WriteJson(char* out, float value) {
    if (!std::isfinite(value)) {
        std::memcpy(out, "null", 4);
        return out + 4;
    }
    // The double the float's shortest text reads as, written by the library's own routine
    // (which is not always the shortest: 48.65259f is written 48.652589999999996).
    CShortDecimal decimal;
    double parsed = value;
    int places = 0;
    if (number_text::ShortFixed(value, decimal.digits, places)) {
        decimal.negative = std::signbit(value);
        decimal.exponent = -places;
    } else if (!FindShortestDecimal(value, decimal)) {
        char shortest[32];
        const char* end = std::to_chars(shortest, shortest + sizeof shortest, value).ptr;
        if (!ReadShortDecimal(shortest, end, decimal)) {
            std::from_chars(shortest, end, parsed);
            return nlohmann::detail::to_chars(out, out + kMaxNumberText, parsed);
        }
    }
    parsed = NearestDouble(decimal);
    if (!WellInside(decimal, parsed))
        return nlohmann::detail::to_chars(out, out + kMaxNumberText, parsed);
    // The routine's digits without running it, laid out as it lays them out: from 0.001 to
    // 4000 as the shortest float text, a whole number with ".0".
    if (places != 0) {
        out = number_text::WriteShortFixed(out, value, decimal.digits, places);
        if (places == 3 && decimal.digits % 1000 == 0) {
            std::memcpy(out, ".0", 2);
            out += 2;
        }
        return out;
    }
    if (decimal.negative)
        *out++ = '-';
    while (decimal.digits % 10 == 0) {
        decimal.digits /= 10;
        ++decimal.exponent;
    }
    const int length = static_cast<int>(std::to_chars(out, out + 20, decimal.digits).ptr - out);
    return nlohmann::detail::dtoa_impl::format_buffer(out, length, decimal.exponent, -4,
                                                      std::numeric_limits<double>::digits10);
}

} // namespace

char* WriteFixed6Beyond(char* out, double value) {
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

char* CFixed6Run::WriteAndRestart(char* out, double value) {
    char* end = WriteFixed6(out, value);
    std::uint32_t units = 0;
    if (!std::signbit(value) && number_text::Micros(value, units)) {
        const std::uint32_t kilometres = units / 1000000u;
        char prefix[sizeof prefix_ + 4] = {};
        char* point = number_text::WriteSmall(prefix, kilometres);
        *point++ = '.';
        std::memcpy(&prefix_, prefix, sizeof prefix_);
        prefixLength_ = static_cast<std::size_t>(point - prefix);
        base_ = kilometres * 1000000u;
    }
    return end;
}

CFloatTexts::CFloatTexts(Style style)
    : style_(style),
      entries_(static_cast<CEntry*>(std::calloc(std::size_t{1} << kEntryBits, sizeof(CEntry)))) {
    if (!entries_)
        throw std::bad_alloc();
}

void CFloatTexts::CFree::operator()(CEntry* entries) const {
    std::free(entries);
}

char* CFloatTexts::WriteUncached(char* out, float value, Style style) {
    if (style == Style::kJson)
        return WriteJson(out, value);
    std::uint64_t digits = 0;
    int places = 0;
    if (number_text::ShortFixed(value, digits, places))
        return number_text::WriteShortFixed(out, value, digits, places);
    return std::to_chars(out, out + kMaxNumberText, value == 0.0f ? 0.0f : value).ptr;
}

char* CFloatTexts::WriteAndRemember(char* out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    CEntry& entry = entries_[Slot(bits)];
    char* end = WriteUncached(out, value, style_);
    const auto length = static_cast<std::size_t>(end - out);
    if (length <= sizeof entry.text) {
        entry.bits = bits;
        entry.length = static_cast<std::uint8_t>(length);
        std::memcpy(entry.text, out, length);
    }
    return end;
}
