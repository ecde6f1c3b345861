#pragma once
// Two-character code tables of the Bellcore blocks. Look-ups ignore case; a code not in its
// table takes the table's fallback index.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

struct CCodeTable {
    const std::string_view* codes;
    std::size_t count;
    int notFound;

    // Index of the code (first two characters compared), or notFound.
    int Find(std::string_view code) const;
    // The two characters written for an index; the fallback's code when out of range.
    std::string Code(int index) const;
};

inline constexpr std::string_view kLanguageCodes[] = {"EN", "FR", "JA", "SP", "GR", "CH"};
inline constexpr std::string_view kBuildConditionCodes[] = {"BC", "RC", "OT"};
inline constexpr std::string_view kUnitsCodes[] = {"km", "mt", "ft", "kf", "mi"};
inline constexpr std::string_view kTraceTypeCodes[] = {"ST", "RT", "DT", "FT"};
inline constexpr std::string_view kEventTypeCodes[] = {"0", "1", "2"};
inline constexpr std::string_view kEventOriginCodes[] = {"A", "M", "E", "F", "O", "D"};
inline constexpr std::string_view kTechniqueCodes[] = {"2P", "LS", "OT"};
inline constexpr std::string_view kLandmarkCodes[] = {"BR", "CO", "CP", "FF", "HT", "HE", "HH",
                                                      "MH", "NB", "ON", "OU", "PO", "PL", "RD",
                                                      "RT", "SL", "TR", "TS", "WC", "WD", "OT"};

inline constexpr int kLanguageNotFound = 255;
inline constexpr CCodeTable kLanguageTable{kLanguageCodes, std::size(kLanguageCodes),
                                           kLanguageNotFound};
inline constexpr CCodeTable kBuildConditionTable{kBuildConditionCodes,
                                                 std::size(kBuildConditionCodes), 2};
inline constexpr CCodeTable kUnitsTable{kUnitsCodes, std::size(kUnitsCodes), 0};
inline constexpr CCodeTable kTraceTypeTable{kTraceTypeCodes, std::size(kTraceTypeCodes), 0};
inline constexpr CCodeTable kEventTypeTable{kEventTypeCodes, std::size(kEventTypeCodes), 0};
inline constexpr CCodeTable kEventOriginTable{kEventOriginCodes, std::size(kEventOriginCodes), 0};
inline constexpr CCodeTable kTechniqueTable{kTechniqueCodes, std::size(kTechniqueCodes), 2};
inline constexpr CCodeTable kLandmarkTable{kLandmarkCodes, std::size(kLandmarkCodes), 20};

// Reads a two-byte code (no NUL) through the stream, as text of up to two characters
// (stopping at a NUL byte); writes the first two characters of a code, NUL-padded.
class CBellcoreStream;
std::string ReadCode2(CBellcoreStream& stream);
void WriteCode2(CBellcoreStream& stream, std::string_view code);
