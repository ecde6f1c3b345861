#include "formats/bellcore/CBellcoreStream.h"

#include "platform/CException.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Table k holds the CRC of a byte followed by k zero bytes, so sixteen bytes are folded in
// with independent look-ups (a million-point trace is two megabytes to checksum).
using CrcTables = std::array<std::array<std::uint16_t, 256>, 16>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        tables[0][byte] = crc;
    }
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (unsigned byte = 0; byte < 256; ++byte) {
            const std::uint16_t previous = tables[k - 1][byte];
            tables[k][byte] =
                static_cast<std::uint16_t>((previous << 8) ^ tables[0][previous >> 8]);
        }
    return tables;
}
constexpr CrcTables kCrcTables = MakeCrcTables();

std::uint16_t CrcTableUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t n) {
    const auto& t = kCrcTables;
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const std::uint8_t* d = data + i;
        crc = static_cast<std::uint16_t>(
            t[15][d[0] ^ (crc >> 8)] ^ t[14][d[1] ^ (crc & 0xFF)] ^ t[13][d[2]] ^ t[12][d[3]] ^
            t[11][d[4]] ^ t[10][d[5]] ^ t[9][d[6]] ^ t[8][d[7]] ^ t[7][d[8]] ^ t[6][d[9]] ^
            t[5][d[10]] ^ t[4][d[11]] ^ t[3][d[12]] ^ t[2][d[13]] ^ t[1][d[14]] ^ t[0][d[15]]);
    }
    for (; i < n; ++i)
        crc = static_cast<std::uint16_t>((crc << 8) ^ t[0][((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

#if defined(__x86_64__)
// x^power mod the CRC polynomial, the constants of carry-less folding.
constexpr std::uint64_t PowerMod(unsigned power) {
    std::uint32_t value = 1; // x^0
    for (unsigned i = 0; i < power; ++i) {
        value <<= 1;
        if (value & 0x10000)
            value ^= 0x11021;
    }
    return value;
}

// Folds a 128-bit remainder (most significant bit first) forward over distance bits:
// x·x^distance = hi·(x^(distance+64) mod P) + lo·(x^distance mod P), congruent modulo P.
__attribute__((target("pclmul,ssse3"))) inline __m128i Fold(__m128i x, __m128i constants) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, constants, 0x11),
                         _mm_clmulepi64_si128(x, constants, 0x00));
}

__attribute__((target("pclmul,ssse3"))) inline __m128i ByteReversal() {
    return _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

// Sixteen bytes as one number, the first byte the most significant.
__attribute__((target("pclmul,ssse3"))) inline __m128i Load(const std::uint8_t* at,
                                                            __m128i reverse) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), reverse);
}

// The same checksum with carry-less multiplication, a quarter of a nanosecond a byte: the
// bytes are taken as one polynomial, kept in four 128-bit remainders congruent to it modulo
// the CRC polynomial, and the last remainder's 16 bytes and the tail go through the tables.
__attribute__((target("pclmul,ssse3"))) std::uint16_t
CrcFoldUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t n) {
    const __m128i reverse = ByteReversal();
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(PowerMod(128 + 64)),
                                         static_cast<long long>(PowerMod(128)));
    const __m128i by512 = _mm_set_epi64x(static_cast<long long>(PowerMod(512 + 64)),
                                         static_cast<long long>(PowerMod(512)));
    // The register's state goes into the first two bytes, as the tables take it.
    __m128i x0 = _mm_xor_si128(Load(data, reverse),
                               _mm_set_epi64x(static_cast<long long>(std::uint64_t{crc} << 48), 0));
    __m128i x1 = Load(data + 16, reverse);
    __m128i x2 = Load(data + 32, reverse);
    __m128i x3 = Load(data + 48, reverse);
    std::size_t i = 64;
    for (; i + 64 <= n; i += 64) {
        x0 = _mm_xor_si128(Fold(x0, by512), Load(data + i, reverse));
        x1 = _mm_xor_si128(Fold(x1, by512), Load(data + i + 16, reverse));
        x2 = _mm_xor_si128(Fold(x2, by512), Load(data + i + 32, reverse));
        x3 = _mm_xor_si128(Fold(x3, by512), Load(data + i + 48, reverse));
    }
    __m128i x = _mm_xor_si128(Fold(x0, by128), x1);
    x = _mm_xor_si128(Fold(x, by128), x2);
    x = _mm_xor_si128(Fold(x, by128), x3);
    for (; i + 16 <= n; i += 16)
        x = _mm_xor_si128(Fold(x, by128), Load(data + i, reverse));
    alignas(16) std::uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), _mm_shuffle_epi8(x, reverse));
    return CrcTableUpdate(CrcTableUpdate(0, rest, sizeof rest), data + i, n - i);
}
#endif

std::uint16_t CrcUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t n) {
#if defined(__x86_64__)
    static const bool clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    if (n >= 64 && clmul)
        return CrcFoldUpdate(crc, data, n);
#endif
    return CrcTableUpdate(crc, data, n);
}

std::uint16_t SumUpdate(std::uint16_t sum, const std::uint8_t* data, std::size_t n) {
    unsigned total = sum;
    for (std::size_t i = 0; i < n; ++i)
        total += static_cast<unsigned>(static_cast<int>(static_cast<std::int8_t>(data[i])));
    return static_cast<std::uint16_t>(total);
}

std::string FormatOpenMessage(const char* format, const CFileException& error) {
    std::string text = error.GetErrorMessage();
    if (text.size() > 1024)
        text.resize(1024);
    // In the interface's language; a translation without the place keeps the file's text out.
    std::string message = Translate(format);
    if (const std::size_t at = message.find("%s"); at != std::string::npos)
        message.replace(at, 2, text);
    return message;
}

} // namespace

void CBellcoreStream::OpenForWrite(const std::string& path) {
    Abandon();
    try {
        file_.OpenForWrite(path);
    } catch (const CFileException& e) {
        throw COtdrException(FormatOpenMessage(kMsgCannotOpenWrite, e));
    }
    accumulator_ = checksumMode_ == kCrc16 ? 0xFFFF : 0;
    counter_ = 0;
    mode_ = kWriting;
}

void CBellcoreStream::OpenForRead(const std::string& path, std::size_t maxBytes,
                                  std::size_t refuseAbove) {
    Abandon();
    try {
        file_.OpenForReadLimited(path, refuseAbove, maxBytes);
    } catch (const CFileException& e) {
        throw COtdrException(FormatOpenMessage(kMsgCannotOpenRead, e));
    }
    accumulator_ = checksumMode_ == kCrc16 ? 0xFFFF : 0;
    counter_ = 0;
    mode_ = kReading;
}

void CBellcoreStream::OpenForRead(std::vector<std::uint8_t> bytes) {
    Abandon();
    file_.OpenMemoryRead(std::move(bytes));
    accumulator_ = checksumMode_ == kCrc16 ? 0xFFFF : 0;
    counter_ = 0;
    mode_ = kReading;
}

void CBellcoreStream::OpenForWriteMemory() {
    Abandon();
    file_.OpenMemoryWrite();
    accumulator_ = checksumMode_ == kCrc16 ? 0xFFFF : 0;
    counter_ = 0;
    mode_ = kWriting;
}

void CBellcoreStream::Close() {
    mode_ = kClosed;
    try {
        file_.Close();
    } catch (const CFileException& e) {
        // A write that fails at the end reads as one that fails at the open.
        throw COtdrException(FormatOpenMessage(kMsgCannotOpenWrite, e));
    }
}

void CBellcoreStream::Abandon() {
    mode_ = kClosed;
    file_.Abandon();
}

void CBellcoreStream::Fail(const char* message) {
    Abandon();
    throw COtdrException(message);
}

void CBellcoreStream::Accumulate(const std::uint8_t* data, std::size_t n) {
    accumulator_ = checksumMode_ == kCrc16 ? CrcUpdate(accumulator_, data, n)
                                           : SumUpdate(accumulator_, data, n);
}

void CBellcoreStream::Put(const void* data, std::size_t n) {
    file_.Write(data, n);
    Accumulate(static_cast<const std::uint8_t*>(data), n);
    counter_ += static_cast<int>(n);
}

void CBellcoreStream::Get(void* data, std::size_t n) {
    if (file_.Read(data, n) != n)
        Fail(kMsgCannotRead);
    Accumulate(static_cast<const std::uint8_t*>(data), n);
    counter_ += static_cast<int>(n);
}

void CBellcoreStream::WriteU16(std::uint16_t v) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    Put(bytes, 2);
}

void CBellcoreStream::WriteU32(std::uint32_t v) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 24)};
    Put(bytes, 4);
}

void CBellcoreStream::WriteString(const std::string& s) {
    // The stored text ends at its first NUL, as a reader will see it.
    const std::size_t length = std::strlen(s.c_str());
    Put(s.c_str(), length + 1);
}

void CBellcoreStream::WriteU16Array(const std::uint16_t* values, std::size_t n) {
    // On a little-endian host the values already are the file's bytes.
    if constexpr (std::endian::native == std::endian::little) {
        Put(values, n * 2);
    } else {
        std::vector<std::uint8_t> bytes(n * 2);
        for (std::size_t i = 0; i < n; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(values[i]);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(values[i] >> 8);
        }
        Put(bytes.data(), bytes.size());
    }
}

void CBellcoreStream::ReadU16(std::uint16_t& v) {
    std::uint8_t bytes[2];
    Get(bytes, 2);
    v = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void CBellcoreStream::ReadU32(std::uint32_t& v) {
    std::uint8_t bytes[4];
    Get(bytes, 4);
    v = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
        (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void CBellcoreStream::ReadString(std::string& s) {
    const std::size_t start = file_.GetPosition();
    const std::size_t remaining = file_.Remaining();
    const std::uint8_t* text = file_.GetData() + start;
    const void* nul = remaining ? std::memchr(text, 0, remaining) : nullptr;
    if (!nul)
        Fail(kMsgCannotRead);
    const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - text);
    s.assign(text, text + length);
    Accumulate(text, length + 1);
    file_.Seek(start + length + 1);
    counter_ += static_cast<int>(length + 1);
}

void CBellcoreStream::ReadU16Array(std::uint16_t* values, std::size_t n) {
    if (file_.Remaining() / 2 < n)
        Fail(kMsgCannotRead);
    const std::uint8_t* bytes = file_.GetData() + file_.GetPosition();
    if constexpr (std::endian::native == std::endian::little) {
        if (n != 0)
            std::memcpy(values, bytes, n * 2);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            values[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    Accumulate(bytes, n * 2);
    file_.Seek(file_.GetPosition() + n * 2);
    counter_ += static_cast<int>(n * 2);
}

void CBellcoreStream::Skip(std::size_t n) {
    if (file_.Remaining() < n)
        Fail(kMsgCannotRead);
    Accumulate(file_.GetData() + file_.GetPosition(), n);
    file_.Seek(file_.GetPosition() + n);
    counter_ += static_cast<int>(n);
}

const std::uint8_t* CBellcoreStream::ReadView(std::size_t n) {
    if (file_.Remaining() < n)
        Fail(kMsgCannotRead);
    const std::uint8_t* bytes = file_.GetData() + file_.GetPosition();
    Accumulate(bytes, n);
    file_.Seek(file_.GetPosition() + n);
    counter_ += static_cast<int>(n);
    return bytes;
}

std::uint16_t CBellcoreStream::GetStoredChecksum() const {
    if (checksumMode_ == kCrc16)
        return accumulator_;
    return static_cast<std::uint16_t>(65536u - accumulator_);
}

bool CBellcoreStream::VerifyChecksum() {
    std::uint8_t bytes[2];
    if (file_.Read(bytes, 2) != 2)
        Fail(kMsgCannotRead);
    const auto stored = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
    return stored == GetStoredChecksum();
}

void CBellcoreStream::Checksum() {
    if (mode_ == kWriting) {
        const std::uint16_t value = GetStoredChecksum();
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                       static_cast<std::uint8_t>(value >> 8)};
        file_.Write(bytes, 2);
    } else if (mode_ == kReading) {
        if (!VerifyChecksum())
            Fail(kMsgCrcError);
    }
}

std::uint16_t CBellcoreStream::Crc16(const std::uint8_t* data, std::size_t n) {
    return CrcUpdate(0xFFFF, data, n);
}

std::uint16_t CBellcoreStream::AdditiveChecksum(const std::uint8_t* data, std::size_t n) {
    return static_cast<std::uint16_t>(65536u - SumUpdate(0, data, n));
}
