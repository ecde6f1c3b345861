#pragma once
// Windows-1251 <-> UTF-8. File objects keep their text as stored bytes; the trace model and
// the UI use UTF-8. The mapping is total and reversible for every byte (undefined 0x98 maps
// to U+0098), so a load/save round trip never changes a byte.

#include <string>
#include <string_view>

// Text as stored: Windows-1251 bytes, one a character. A plain std::string is UTF-8; this
// name marks the stored kind where it is carried, so the two are not mixed unconverted.
using Cp1251String = std::string;
using Cp1251View = std::string_view;

namespace TextCodec {

// Every byte decodes to exactly one code point.
std::string Cp1251ToUtf8(Cp1251View bytes);

// Characters outside Windows-1251 become '?'. Malformed UTF-8 sequences count as one
// unencodable character per offending byte.
Cp1251String Utf8ToCp1251(std::string_view utf8);

// The code point a byte stands for.
char32_t Cp1251ToCodePoint(unsigned char byte);

} // namespace TextCodec
