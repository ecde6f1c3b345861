#pragma once
// Number texts of the exports, written straight into a character buffer. Each writes exactly
// the characters of the plain library call named; the fast paths only save time, which
// matters at a million samples a file.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

// The longest text any writer below produces, so a caller's buffer can hold it.
inline constexpr std::size_t kMaxNumberText = 400;

// Fixed notation with six decimals, as std::to_chars(first, last, value, fixed, 6) writes it.
// Returns the end of the text.
char* WriteFixed6(char* out, double value);

// Float texts, remembered by bit pattern: a trace has far fewer distinct levels than samples
// (tens of thousands in a million), and the shortest-text search costs hundreds of
// instructions a value.
class CFloatTexts {
public:
    enum class Style {
        kShortest, // std::to_chars(float): the shortest text that reads back; -0 is written 0
        kJson,     // nlohmann::json's text of the double that shortest text reads as
    };

    explicit CFloatTexts(Style style);
    // Returns the end of the text. Inline: a remembered text is a look-up and a copy.
    char* Write(char* out, float value) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        const CEntry& entry = entries_[Slot(bits)];
        if (entry.length != 0 && entry.bits == bits) {
            std::memcpy(out, entry.text, sizeof entry.text);
            return out + entry.length;
        }
        return WriteAndRemember(out, value);
    }
    // Without the memory, for comparison.
    static char* WriteUncached(char* out, float value, Style style);

private:
    struct CEntry {
        std::uint32_t bits;
        std::uint8_t length; // 0: empty
        char text[19];
    };
    static constexpr unsigned kEntryBits = 16;

    static std::uint32_t Slot(std::uint32_t bits) {
        return (bits * 0x9E3779B1u) >> (32 - kEntryBits);
    }
    char* WriteAndRemember(char* out, float value);

    Style style_;
    std::unique_ptr<CEntry[]> entries_;
};
