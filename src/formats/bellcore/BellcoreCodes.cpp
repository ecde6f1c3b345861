#include "formats/bellcore/BellcoreCodes.h"

#include "formats/bellcore/CBellcoreStream.h"

#include <cctype>

namespace {
bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

int CCodeTable::Find(std::string_view code) const {
    for (std::size_t i = 0; i < count; ++i)
        if (SameIgnoringCase(code, codes[i]))
            return static_cast<int>(i);
    return notFound;
}

std::string CCodeTable::Code(int index) const {
    if (index >= 0 && static_cast<std::size_t>(index) < count)
        return std::string(codes[index]);
    if (notFound >= 0 && static_cast<std::size_t>(notFound) < count)
        return std::string(codes[notFound]);
    return {};
}

std::string ReadCode2(CBellcoreStream& stream) {
    std::uint8_t bytes[3] = {0, 0, 0};
    stream.ReadU8(bytes[0]);
    stream.ReadU8(bytes[1]);
    std::string code;
    for (int i = 0; i < 2 && bytes[i] != 0; ++i)
        code += static_cast<char>(bytes[i]);
    return code;
}

void WriteCode2(CBellcoreStream& stream, std::string_view code) {
    stream.WriteU8(code.size() > 0 ? static_cast<std::uint8_t>(code[0]) : 0);
    stream.WriteU8(code.size() > 1 ? static_cast<std::uint8_t>(code[1]) : 0);
}
