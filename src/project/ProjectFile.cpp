#include "project/ProjectFile.h"

#include "platform/CBinaryFile.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace ProjectFile {

namespace {

using Field = std::array<std::uint8_t, kTextSize>;

void WriteInt32(CBinaryFile& file, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    std::uint8_t bytes[4];
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
    file.Write(bytes, sizeof bytes);
}

std::int32_t ReadInt32(CBinaryFile& file) {
    std::uint8_t bytes[4] = {};
    file.Read(bytes, sizeof bytes);
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | bytes[i];
    return static_cast<std::int32_t>(bits);
}

// At most 255 bytes, so the terminating NUL always fits; the rest of the field is zero.
void WriteText(CBinaryFile& file, const std::string& bytes) {
    Field field{};
    std::memcpy(field.data(), bytes.data(), std::min(bytes.size(), kTextSize - 1));
    file.Write(field.data(), field.size());
}

// Up to the first NUL, or the whole field when it holds none.
std::string ReadText(CBinaryFile& file) {
    Field field{};
    file.Read(field.data(), field.size());
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

void WriteHeader(CBinaryFile& file, const Header& header) {
    WriteInt32(file, header.version);
    WriteText(file, TextCodec::Utf8ToCp1251(header.name));
    WriteInt32(file, header.count);
    WriteInt32(file, header.active);
}

void WriteRecord(CBinaryFile& file, const Record& record) {
    WriteText(file, TextCodec::Utf8ToCp1251(record.name));
    WriteText(file, EncodePath(record.path));
    WriteInt32(file, static_cast<std::int32_t>(record.colour));
}

bool ReadHeader(CBinaryFile& file, Header& header) {
    if (file.Remaining() < kHeaderSize)
        return false;
    header.version = ReadInt32(file);
    header.name = TextCodec::Cp1251ToUtf8(ReadText(file));
    header.count = ReadInt32(file);
    header.active = ReadInt32(file);
    return true;
}

bool ReadRecord(CBinaryFile& file, Record& record) {
    if (file.Remaining() < kRecordSize)
        return false;
    record.name = TextCodec::Cp1251ToUtf8(ReadText(file));
    record.path = DecodePath(ReadText(file));
    record.colour = static_cast<std::uint32_t>(ReadInt32(file));
    return true;
}

std::string EncodePath(const std::string& path) {
    std::string encoded = TextCodec::Utf8ToCp1251(path);
    return TextCodec::Cp1251ToUtf8(encoded) == path ? encoded : path;
}

std::string DecodePath(const std::string& bytes) {
    std::string decoded = TextCodec::Cp1251ToUtf8(bytes);
    if (decoded != bytes && !Exists(decoded) && Exists(bytes))
        return bytes;
    return decoded;
}

} // namespace ProjectFile
