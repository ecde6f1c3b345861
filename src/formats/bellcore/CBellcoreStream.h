#pragma once
// The checksummed little-endian stream through which every byte of a Bellcore or M600 file
// is read or written. Every byte moved by the typed operations enters the checksum and the
// byte counter, in file order. Errors are COtdrException with the format's own messages;
// reading never goes past the end of the file.

#include "platform/CBinaryFile.h"
#include "platform/Translation.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kMsgCannotRead = QT_TRANSLATE_NOOP("core", "Не могу прочесть файл");
inline constexpr const char* kMsgCrcError = QT_TRANSLATE_NOOP("core", "Ошибка CRC");
inline constexpr const char* kMsgCannotOpenRead =
    QT_TRANSLATE_NOOP("core", "Не могу загрузить файл в формате Bellcore : %s");
inline constexpr const char* kMsgCannotOpenWrite =
    QT_TRANSLATE_NOOP("core", "Не могу сохранить файл в формате Bellcore : %s");

class CBellcoreStream {
public:
    enum Mode { kClosed = 0, kReading = 1, kWriting = 2 };
    enum ChecksumMode { kCrc16 = 0, kAdditive = 1 };

    explicit CBellcoreStream(int checksumMode = kCrc16) : checksumMode_(checksumMode) {}
    CBellcoreStream(const CBellcoreStream&) = delete;
    CBellcoreStream& operator=(const CBellcoreStream&) = delete;
    // An open write stream that was not closed is abandoned: the target stays untouched.
    ~CBellcoreStream() = default;

    void OpenForWrite(const std::string& path);
    // At most maxBytes from the start of the file are read; a file longer than refuseAbove
    // is refused at once.
    void OpenForRead(const std::string& path, std::size_t maxBytes = SIZE_MAX,
                     std::size_t refuseAbove = SIZE_MAX);
    // Read mode: the file goes on beyond the bytes read.
    bool IsPartial() const { return file_.IsPartial(); }
    // The same, over bytes in memory (tests, fuzzers, benchmarks). After Close the written
    // bytes are in GetWrittenBytes().
    void OpenForRead(std::vector<std::uint8_t> bytes);
    void OpenForWriteMemory();
    const std::vector<std::uint8_t>& GetWrittenBytes() const { return file_.GetBytes(); }

    // Write mode: commits the file (COtdrException with the format's wording when that
    // fails; the old file stays).
    void Close();
    // Closes without committing anything written.
    void Abandon();

    int GetMode() const { return mode_; }
    int GetChecksumMode() const { return checksumMode_; }
    void ResetCounter() { counter_ = 0; }
    int GetCounter() const { return counter_; }
    // Bytes left to read; bounds every count read from the file.
    std::size_t GetRemaining() const { return file_.Remaining(); }

    void WriteU8(std::uint8_t v) { Put(&v, 1); }
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteString(const std::string& s);
    void WriteBytes(const std::uint8_t* data, std::size_t n) { Put(data, n); }
    void WriteU16Array(const std::uint16_t* values, std::size_t n);

    void ReadU8(std::uint8_t& v) { Get(&v, 1); }
    void ReadU16(std::uint16_t& v);
    void ReadU32(std::uint32_t& v);
    void ReadString(std::string& s);
    void ReadBytes(std::uint8_t* data, std::size_t n) { Get(data, n); }
    void ReadU16Array(std::uint16_t* values, std::size_t n);
    // Reads n bytes it has no use for; they still count and enter the checksum.
    void Skip(std::size_t n);
    // Reads n bytes where they lie: counted and checksummed like any read, valid until the
    // stream is closed or opened again.
    const std::uint8_t* ReadView(std::size_t n);

    // Write mode: appends the checksum. Read mode: verifies it ("Ошибка CRC" on mismatch).
    // Closed: nothing. Neither counted nor checksummed.
    void Checksum();
    // Read mode: false when the stored checksum differs; "Не могу прочесть файл" when fewer
    // than two bytes remain.
    bool VerifyChecksum();
    // The checksum as it would be stored for the bytes so far.
    std::uint16_t GetStoredChecksum() const;

    // Checksums of a whole buffer, as the stream computes them.
    static std::uint16_t Crc16(const std::uint8_t* data, std::size_t n);
    static std::uint16_t AdditiveChecksum(const std::uint8_t* data, std::size_t n);

    [[noreturn]] void Fail(const char* message);

private:
    void Accumulate(const std::uint8_t* data, std::size_t n);
    void Put(const void* data, std::size_t n);
    void Get(void* data, std::size_t n);

    int mode_ = kClosed;
    int checksumMode_;
    std::uint16_t accumulator_ = 0;
    CBinaryFile file_;
    int counter_ = 0;
};
