// Arbitrary bytes as a GR-196-CORE file: no input may crash, hang or allocate beyond its size,
// and whatever loads must round-trip and convert (see BellcoreRoundTrip.h).

#include "BellcoreRoundTrip.h"
#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::RoundTripBellcore<CGR196File, CSR4731File>(data, size);
}
