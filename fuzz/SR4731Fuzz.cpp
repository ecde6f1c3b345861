// Arbitrary bytes as an SR-4731 file: no input may crash, hang or allocate beyond its size,
// and whatever loads must round-trip and convert (see BellcoreRoundTrip.h).

#include "BellcoreRoundTrip.h"
#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::RoundTripBellcore<CSR4731File, CGR196File>(data, size);
}
