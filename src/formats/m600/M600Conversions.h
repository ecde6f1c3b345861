#pragma once
// Traces between the Bellcore file objects and CM600File, and the event meanings both sides
// share, so that an event written by one kind reads back the same in the other. The Bellcore
// layer cannot see the M600 format, so its conversions from M600 live here as free functions.

#include <cstdint>

class CGR196File;
class CSR4731File;
class CM600File;

// Bellcore event origins, the indices of "A", "M", "E", "F", "O", "D".
inline constexpr int kOriginAdded = 0;
inline constexpr int kOriginMoved = 1;
inline constexpr int kOriginEnd = 2;
inline constexpr int kOriginFound = 3;
inline constexpr int kOriginOther = 4;
inline constexpr int kOriginEndByUser = 5;

// The fibre end: "E", or "D" when the user placed it.
bool IsEndOrigin(int origin);
// Added, moved, or an end placed by the user.
bool IsUserOrigin(int origin);

// M600 event codes. Codes 0, 2, 7 and 9 are non-reflective, 7 to 9 end events. Written are
// 2 loss, 3 reflective, 7 loss at the fibre end, 8 reflective at the fibre end.
bool IsM600Reflective(std::uint8_t code);
bool IsM600EndCode(std::uint8_t code);
std::uint8_t M600EventCode(bool reflective, bool end);

// M600 edit flags; 1 marks an event the user added or moved.
inline constexpr std::uint8_t kM600UserEdited = 1;
inline constexpr std::uint8_t kM600NotEdited = 2;

// Clears the file object, then fills it from the M600 one: texts, wavelength, acquisition
// parameters, one pulse-width entry per M600 pulse width, the events and the samples.
void FromM600(CGR196File& file, const CM600File& m600);
void FromM600(CSR4731File& file, const CM600File& m600);
