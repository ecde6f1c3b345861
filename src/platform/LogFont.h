#pragma once
// A logical-font description, stored in the Windows LOGFONT layout with one-byte characters
// (60 bytes): the settings file keeps the fonts this way, and the surfaces draw with it.

#include "platform/TextCodec.h"

#include <cstdint>

struct LogFont {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    // At most 31 bytes.
    Cp1251String faceName;

    friend bool operator==(const LogFont&, const LogFont&) = default;
};
