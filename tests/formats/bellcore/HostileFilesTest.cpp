// Files found by fuzzing: each fails with the format's message or loads, and what loads saves,
// loads again without a warning and saves to the same bytes.

#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "platform/CException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

template <std::size_t N> std::vector<std::uint8_t> Bytes(const std::uint8_t (&bytes)[N]) {
    return {bytes, bytes + N};
}

std::string LoadError(CBellcoreFile& file, std::vector<std::uint8_t> bytes) {
    try {
        file.Load(std::move(bytes));
    } catch (const COtdrException& e) {
        return e.GetErrorMessage();
    }
    return {};
}

template <class File> void ExpectStableRoundTrip(File& file) {
    const std::vector<std::uint8_t> saved = file.SaveToBytes();
    File again;
    ASSERT_EQ(LoadError(again, saved), "");
    EXPECT_EQ(again.GetLoadWarning(), "");
    EXPECT_EQ(again.SaveToBytes(), saved);
}

// One KeyEvents block whose event code carries a sign: "2D-042".
const std::uint8_t kSignedEventCode[] = {
    0x64, 0x00, 0x24, 0x00, 0x00, 0x00, 0x03, 0x00,             // map: revision, size, count
    'K',  'e',  'y',  'E',  'v',  'e',  'n',  't',  's',  0x00, //
    0x6E, 0x00, 0x2F, 0x00, 0x00, 0x00,                         // revision 110, 47 bytes
    'C',  'k',  's',  'u',  'm',  0x00, 0x64, 0x00, 0x02, 0x00, 0x00, 0x00,             //
    0x01, 0x00,                                                                         // one event
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    '2',  'D',  '-',  '0',  '4',  '2',  '2',  'P',  0x00,             // code, technique, comment
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // totals
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x48, 0xE6,                                                       // checksum
};

} // namespace

TEST(HostileFiles, KeepTheirValuesOverSaveAndLoad) {
    // A negative event number lost its last digit on every save until it was 0.
    CGR196File signedCode;
    ASSERT_EQ(LoadError(signedCode, Bytes(kSignedEventCode)), "");
    EXPECT_EQ(signedCode.GetLoadWarning(), "");
    EXPECT_EQ(signedCode.GetKeyEvents().GetEvent(0).GetEventCodeText(), "2D-042");
    ExpectStableRoundTrip(signedCode);
    CSR4731File converted;
    converted.FromOtherLayout(signedCode);
    ExpectStableRoundTrip(converted);
}
