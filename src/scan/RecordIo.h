#pragma once
// Field and file access shared by the fixed binary records (scanning properties, settings
// file). Fields are little-endian; texts sit in fixed NUL-terminated fields.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace RecordIo {

inline std::int32_t GetInt32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return static_cast<std::int32_t>(value);
}

inline void SetInt32(std::uint8_t* at, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, bits >>= 8)
        at[i] = static_cast<std::uint8_t>(bits & 0xFF);
}

inline double GetDouble(const std::uint8_t* at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | at[i];
    return std::bit_cast<double>(bits);
}

inline void SetDouble(std::uint8_t* at, double value) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i, bits >>= 8)
        at[i] = static_cast<std::uint8_t>(bits & 0xFF);
}

// The bytes up to the first NUL, or the whole field when it holds none.
std::string GetText(const std::uint8_t* field, std::size_t fieldSize);
// Stores at most fieldSize - 1 bytes (up to an embedded NUL) and clears the rest of the
// field, so no earlier, longer text (a password) lingers behind the terminator.
void SetText(std::uint8_t* field, std::size_t fieldSize, std::string_view text);

// At most maxBytes from the start of a regular file, under a shared lock.
// Throws CFileException.
std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t maxBytes);
// Replaces the file (or the file a link points to) atomically by a new one that only its
// owner may read and write: these records hold the share password. Throws CFileException;
// the old file then stays as it was.
void WritePrivateFile(const std::string& path, const void* data, std::size_t size);

} // namespace RecordIo
