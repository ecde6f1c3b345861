// Arbitrary bytes as an M600 file: no input may crash, hang or allocate beyond its size, and
// whatever loads must save and load again to the same contents.

#include "formats/m600/CM600File.h"
#include "platform/CException.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::uint8_t> SaveBytes(CM600File& file) {
    CBellcoreStream stream(CBellcoreStream::kAdditive);
    stream.OpenForWriteMemory();
    file.Save(stream);
    return stream.GetWrittenBytes();
}

// The date bytes may be normalised once (month 14, a year beyond 2255) and the checksum
// follows them; everything else must stay as first written.
std::vector<std::uint8_t> Comparable(std::vector<std::uint8_t> bytes) {
    for (std::size_t i = 9; i < 15; ++i)
        bytes[i] = 0;
    bytes.resize(bytes.size() - 2);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CM600File file;
    CBellcoreStream in(CBellcoreStream::kAdditive);
    in.OpenForRead(std::vector<std::uint8_t>(data, data + size));
    try {
        file.Load(in);
    } catch (const COtdrException&) {
        return 0;
    }
    const std::vector<std::uint8_t> saved = SaveBytes(file);
    CM600File again;
    CBellcoreStream reread(CBellcoreStream::kAdditive);
    reread.OpenForRead(saved);
    again.Load(reread);
    if (again.ChecksumMismatch() || again.GetSamples() != file.GetSamples() ||
        Comparable(SaveBytes(again)) != Comparable(saved))
        std::abort();
    return 0;
}
