#pragma once
// The project file (".vtp"): a 268-byte header, then one 516-byte record per entry, integers
// little-endian, texts in 256-byte NUL-terminated fields of Windows-1251 bytes. In memory names
// are UTF-8 and paths the filesystem's bytes; these functions convert at the file's edge.

#include <cstddef>
#include <cstdint>
#include <string>

class CBinaryFile;

namespace ProjectFile {

inline constexpr std::int32_t kVersion = 65536;
inline constexpr std::size_t kTextSize = 256;
inline constexpr std::size_t kHeaderSize = 4 + kTextSize + 4 + 4;
inline constexpr std::size_t kRecordSize = kTextSize + kTextSize + 4;
// A project holds a few traces; a file beyond 65535 records is no project and is refused
// before it is read.
inline constexpr std::size_t kMaxFileBytes = kHeaderSize + 0xFFFF * kRecordSize;

struct Header {
    std::int32_t version = kVersion;
    std::string name; // UTF-8
    std::int32_t count = 0;
    std::int32_t active = -1;
};

struct Record {
    std::string name; // UTF-8
    std::string path;
    std::uint32_t colour = 0; // 0x00BBGGRR
};

// Texts that do not fit are cut to the field's 255 bytes.
void WriteHeader(CBinaryFile& file, const Header& header);
void WriteRecord(CBinaryFile& file, const Record& record);
// False, with nothing taken, when fewer bytes remain than the header or a record needs.
bool ReadHeader(CBinaryFile& file, Header& header);
bool ReadRecord(CBinaryFile& file, Record& record);

// A path as stored: Windows-1251 when every character has a code there, else its own bytes,
// which no encoding could carry without turning characters into '?'.
std::string EncodePath(const std::string& path);
// The stored bytes as a path: decoded from Windows-1251, unless only the undecoded bytes name
// an existing file (a path EncodePath kept as it was).
std::string DecodePath(const std::string& bytes);

} // namespace ProjectFile
