#pragma once
// Number texts of the exports, written straight into a character buffer. Each writes exactly
// the characters of the plain library call named; the fast paths only save time, which
// matters at a million samples a file.

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

// The longest text any writer below produces, so a caller's buffer can hold it.
inline constexpr std::size_t kMaxNumberText = 400;

namespace number_text {

// "000" to "999" in four bytes each, the fourth a scratch byte: three digits are one load
// and one store.
inline constexpr std::array<char, 4000> kDigitTriples = [] {
    std::array<char, 4000> triples{};
    for (int i = 0; i < 1000; ++i) {
        triples[4 * i] = static_cast<char>('0' + i / 100);
        triples[4 * i + 1] = static_cast<char>('0' + i / 10 % 10);
        triples[4 * i + 2] = static_cast<char>('0' + i % 10);
    }
    return triples;
}();

// "0" to "4000" in eight bytes each: four characters (the unused ones scratch), then the
// length. The integer part of a distance is one look-up.
inline constexpr std::size_t kSmallestLarge = 4001;
inline constexpr std::array<char, 8 * kSmallestLarge> kSmallTexts = [] {
    std::array<char, 8 * kSmallestLarge> texts{};
    for (std::size_t i = 0; i < kSmallestLarge; ++i) {
        char digits[4] = {};
        std::size_t length = 0;
        for (std::size_t rest = i;; rest /= 10) {
            digits[length++] = static_cast<char>('0' + rest % 10);
            if (rest < 10)
                break;
        }
        for (std::size_t d = 0; d < length; ++d)
            texts[8 * i + d] = digits[length - 1 - d];
        texts[8 * i + 4] = static_cast<char>(length);
    }
    return texts;
}();

// The integer part of a distance, up to 4000. Four characters are copied whatever the
// length: the caller's buffer has room for any number.
inline char* WriteSmall(char* out, std::uint32_t value) {
    const char* entry = kSmallTexts.data() + 8 * value;
    std::memcpy(out, entry, 4);
    return out + entry[4];
}

// Six digits of a value below 10^6, with leading zeros; the byte after them is scratch.
inline char* WriteSixDecimals(char* out, std::uint32_t value) {
    const std::uint32_t high = value / 1000;
    std::memcpy(out, kDigitTriples.data() + 4 * high, 4);
    std::memcpy(out + 3, kDigitTriples.data() + 4 * (value - high * 1000), 4);
    return out + 6;
}

// The shortest text of a float from 0.001 to below 4000 in fixed notation, which is how the
// library writes it there: digits × 10^-places, 3 to 7 places. False wherever the library is
// to decide: elsewhere, at a power of two, or on a tie or an edge. A decimal reads back as the
// float when it lies strictly within half a unit in the last place of it; the interval is
// symmetric away from a power of two, so a grid of decimals has one there exactly when its
// point nearest the float does, and that point is the one the library writes. A unit is below
// 0.001 here, so the coarsest grid tried finds every shorter decimal too (as trailing zeros);
// a finer grid is tried only when no coarser one had a point within, so its point ends in no
// zero. Exact in a double: 24 bits times 10^7 fit in 53.
inline constexpr double kPlaceScales[] = {1e3, 1e4, 1e5, 1e6, 1e7};
inline constexpr std::uint32_t kPlaceUnits[] = {1000, 10000, 100000, 1000000, 10000000};
// Seven places from any: 10^(7 - places).
inline constexpr std::uint32_t kToSevenPlaces[] = {10000, 1000, 100, 10, 1};

inline bool ShortFixed(float value, std::uint64_t& digits, int& places) {
    const std::uint32_t magnitudeBits = std::bit_cast<std::uint32_t>(value) & 0x7FFFFFFFu;
    constexpr std::uint32_t kLowest = std::bit_cast<std::uint32_t>(0.001f);
    constexpr std::uint32_t kBeyond = std::bit_cast<std::uint32_t>(4000.0f);
    if (magnitudeBits - kLowest >= kBeyond - kLowest || (magnitudeBits & 0x7FFFFFu) == 0)
        return false;
    const double magnitude = std::bit_cast<float>(magnitudeBits);
    // Half a unit in the last place: 2^(binary exponent - 24).
    const double halfUnit = std::bit_cast<double>(
        static_cast<std::uint64_t>((magnitudeBits >> 23) - 127 - 24 + 1023) << 52);
    for (int step = 0; step < 5; ++step) {
        const double scaled = magnitude * kPlaceScales[step];
        // Signed: converting an unsigned takes the compiler several instructions.
        const auto nearest = static_cast<std::int64_t>(scaled + 0.5);
        const double distance = std::fabs(scaled - static_cast<double>(nearest));
        const double within = halfUnit * kPlaceScales[step];
        if (distance < within) {
            if (distance == 0.5)
                return false; // a tie between two points
            digits = static_cast<std::uint64_t>(nearest);
            places = step + 3;
            return true;
        }
        if (distance == within)
            return false;
    }
    return false;
}

// A ShortFixed decimal of the value as the library lays it out: "-12.34", "0.5", "7". The
// bytes after the text, up to kMaxNumberText, may be overwritten.
inline char* WriteShortFixed(char* out, float value, std::uint64_t digits, int places) {
    *out = '-';
    out += std::signbit(value) ? 1 : 0;
    // The integer part from the value (no division by a varying unit), one more where the
    // decimal rounds up into it.
    const std::uint32_t unit = kPlaceUnits[places - 3];
    auto whole = static_cast<std::uint32_t>(std::fabs(value));
    auto fraction = static_cast<std::uint32_t>(digits - std::uint64_t{whole} * unit);
    if (fraction >= unit) {
        ++whole;
        fraction -= unit;
    }
    out = WriteSmall(out, whole);
    if (places == 3) {
        // The only grid whose point may end in zeros: they are left out, with the point.
        if (fraction == 0)
            return out;
        *out = '.';
        std::memcpy(out + 1, kDigitTriples.data() + 4 * fraction, 4);
        return out + 2 + (fraction % 100 != 0 ? 1 : 0) + (fraction % 10 != 0 ? 1 : 0);
    }
    // Seven digits written whatever the places; those beyond them are scratch.
    *out++ = '.';
    const std::uint32_t seven = fraction * kToSevenPlaces[places - 3];
    const std::uint32_t high = seven / 10000;
    const std::uint32_t low = seven - high * 10000;
    std::memcpy(out, kDigitTriples.data() + 4 * high, 4);
    std::memcpy(out + 3, kDigitTriples.data() + 4 * (low / 10), 4);
    out[6] = static_cast<char>('0' + low % 10);
    return out + places;
}

} // namespace number_text

// WriteFixed6 of what its inline part leaves: other magnitudes and near ties.
char* WriteFixed6Beyond(char* out, double value);

namespace number_text {

// The value × 10^6 rounded to an integer, as the library rounds it, for a magnitude below
// 4000 (distances): value × 10^6 is below 2^32, so the double product lies within 2^-22 of
// the exact one, and wherever its fraction is not within 2^-20 of a half both round to the
// same integer. False for anything else.
inline bool Micros(double magnitude, std::uint32_t& units) {
    if (!(magnitude < 4000.0))
        return false;
    const double scaled = magnitude * 1e6;
    const auto whole = static_cast<std::uint32_t>(scaled);
    const double fraction = scaled - static_cast<double>(whole);
    if (!(std::fabs(fraction - 0.5) > 0x1p-20))
        return false;
    units = whole + (fraction > 0.5 ? 1u : 0u);
    return true;
}

} // namespace number_text

// Fixed notation with six decimals, as std::to_chars(first, last, value, fixed, 6) writes it.
// Returns the end of the text; the bytes after it, up to kMaxNumberText, may be overwritten.
// Inline: an export writes a million distances.
inline char* WriteFixed6(char* out, double value) {
    std::uint32_t units = 0;
    if (number_text::Micros(std::fabs(value), units)) {
        // The sign is written alone, as the library does (-0 included): it rounds the
        // magnitude.
        if (std::signbit(value))
            *out++ = '-';
        const std::uint32_t kilometres = units / 1000000u;
        out = number_text::WriteSmall(out, kilometres);
        *out++ = '.';
        return number_text::WriteSixDecimals(out, units - kilometres * 1000000u);
    }
    return WriteFixed6Beyond(out, value);
}

// WriteFixed6 of distances one after the other: the text of the integer part is kept while
// the distances stay within one kilometre, so most texts are six digits after a copy.
class CFixed6Run {
public:
    CFixed6Run() { std::memcpy(&prefix_, "0.", 2); }
    char* Write(char* out, double value) {
        std::uint32_t units = 0;
        if (!std::signbit(value) && number_text::Micros(value, units) && units - base_ < 1000000u) {
            std::memcpy(out, &prefix_, sizeof prefix_);
            return number_text::WriteSixDecimals(out + prefixLength_, units - base_);
        }
        return WriteAndRestart(out, value);
    }

private:
    // Writes the value; its integer part becomes the one kept.
    char* WriteAndRestart(char* out, double value);

    // The integer part, its digits and the point ("12."), and its micro units.
    std::uint64_t prefix_ = 0;
    std::size_t prefixLength_ = 2;
    std::uint32_t base_ = 0;
};

// Float texts, remembered by bit pattern: a trace has far fewer distinct levels than samples
// (tens of thousands in a million), and the shortest-text search costs hundreds of
// instructions a value.
class CFloatTexts {
    struct CEntry;

public:
    enum class Style {
        kShortest, // std::to_chars(float): the shortest text that reads back; -0 is written 0
        kJson,     // nlohmann::json's text of the double that shortest text reads as
    };

    explicit CFloatTexts(Style style);
    // Returns the end of the text. Inline: a remembered text is a look-up and a copy.
    inline char* Write(char* out, float value);

    // Writes of a loop. It holds the table where the characters written cannot change it: a
    // character may alias any object, so a member would be read again after every text.
    class CRun {
    public:
        explicit CRun(CFloatTexts& texts) : texts_(&texts), entries_(texts.entries_.get()) {}
        inline char* Write(char* out, float value) const;
        // Asks for the entry of a value written soon, so its look-up does not wait for the
        // memory: the table is larger than the faster caches.
        void Prefetch(float value) const {
            __builtin_prefetch(entries_ + Slot(std::bit_cast<std::uint32_t>(value)));
        }

    private:
        CFloatTexts* texts_;
        const CEntry* entries_;
    };
    // Without the memory, for comparison.
    static char* WriteUncached(char* out, float value, Style style);

private:
    // Sixteen bytes: four entries a cache line. A trace's distinct levels fill tens of
    // thousands of entries, read in no order, so the table's size is what they cost.
    struct CEntry {
        std::uint32_t bits;
        std::uint8_t length; // 0: empty
        char text[11];       // "-12.345678" and shorter; longer texts are not remembered
    };
    static constexpr unsigned kEntryBits = 16;

    static std::uint32_t Slot(std::uint32_t bits) {
        return (bits * 0x9E3779B1u) >> (32 - kEntryBits);
    }
    char* WriteAndRemember(char* out, float value);

    struct CFree {
        void operator()(CEntry* entries) const;
    };

    Style style_;
    // Zeroed memory, which a fresh heap gives without writing it: every entry empty.
    std::unique_ptr<CEntry[], CFree> entries_;
};

char* CFloatTexts::CRun::Write(char* out, float value) const {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const CEntry& entry = entries_[Slot(bits)];
    if (entry.length != 0 && entry.bits == bits) {
        std::memcpy(out, entry.text, sizeof entry.text);
        return out + entry.length;
    }
    return texts_->WriteAndRemember(out, value);
}

char* CFloatTexts::Write(char* out, float value) {
    return CRun(*this).Write(out, value);
}
