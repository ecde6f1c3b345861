// Arbitrary bytes as a project file: reading never crashes nor trusts the record count for
// memory, and what was read writes back byte for byte, but for what a text field holds after
// its NUL (or in its last byte, as a text keeps at most 255), which is not kept.

#include "platform/CBinaryFile.h"
#include "project/ProjectFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Zeroes each text field from its NUL on, and its last byte.
void ClearAfterText(std::vector<std::uint8_t>& bytes, std::size_t at) {
    bool ended = false;
    for (std::size_t i = at; i < at + ProjectFile::kTextSize; ++i) {
        ended = ended || bytes[i] == 0 || i + 1 == at + ProjectFile::kTextSize;
        if (ended)
            bytes[i] = 0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBinaryFile in;
    in.OpenMemoryRead(std::vector<std::uint8_t>(data, data + size));
    ProjectFile::Header header;
    if (!ProjectFile::ReadHeader(in, header))
        return 0;
    std::vector<ProjectFile::Record> records;
    for (std::int32_t i = 0; i < header.count; ++i) {
        ProjectFile::Record record;
        if (!ProjectFile::ReadRecord(in, record))
            break;
        records.push_back(std::move(record));
    }

    CBinaryFile out;
    out.OpenMemoryWrite();
    ProjectFile::WriteHeader(out, header);
    for (const ProjectFile::Record& record : records)
        ProjectFile::WriteRecord(out, record);
    out.Close();

    const std::size_t used = ProjectFile::kHeaderSize + records.size() * ProjectFile::kRecordSize;
    std::vector<std::uint8_t> expected(data, data + used);
    ClearAfterText(expected, 4);
    for (std::size_t at = ProjectFile::kHeaderSize; at < used; at += ProjectFile::kRecordSize) {
        ClearAfterText(expected, at);
        ClearAfterText(expected, at + ProjectFile::kTextSize);
    }
    if (out.GetBytes() != expected)
        std::abort();
    return 0;
}
