#include "scan/RecordIo.h"

#include "platform/CBinaryFile.h"

#include <algorithm>

namespace RecordIo {

std::string GetText(const std::uint8_t* field, std::size_t fieldSize) {
    const void* end = std::memchr(field, 0, fieldSize);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - field) : fieldSize;
    std::string text(length, '\0');
    if (length != 0)
        std::memcpy(text.data(), field, length);
    return text;
}

void SetText(std::uint8_t* field, std::size_t fieldSize, std::string_view text) {
    if (fieldSize == 0)
        return;
    std::size_t length = std::min(text.size(), fieldSize - 1);
    if (const void* nul = std::memchr(text.data(), 0, length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
    std::memset(field, 0, fieldSize);
    if (length != 0)
        std::memcpy(field, text.data(), length);
}

std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t maxBytes) {
    CBinaryFile file;
    file.OpenForRead(path, maxBytes);
    return {file.GetData(), file.GetData() + file.GetLength()};
}

void WritePrivateFile(const std::string& path, const void* data, std::size_t size) {
    CBinaryFile file;
    file.OpenForWrite(path, CBinaryFile::kOwnerOnly | CBinaryFile::kSync);
    file.Write(data, size);
    file.Close();
}

} // namespace RecordIo
