#include "formats/m600/CM600File.h"

#include "platform/CException.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

// Every fixed-width field of the file: the header up to the first text (15 bytes), the six
// text lengths, header word 2, the three code bytes, six longs, wavelength, the pulse-width
// count, six words, the event count, the trailer, the sample count and the closing longs.
constexpr std::size_t kFixedFieldsSize = 106;

bool Reading(const CBellcoreStream& stream) {
    return stream.GetMode() == CBellcoreStream::kReading;
}

void Field(CBellcoreStream& stream, std::uint8_t& value) {
    if (Reading(stream))
        stream.ReadU8(value);
    else
        stream.WriteU8(value);
}

void Field(CBellcoreStream& stream, std::uint16_t& value) {
    if (Reading(stream))
        stream.ReadU16(value);
    else
        stream.WriteU16(value);
}

void Field(CBellcoreStream& stream, std::uint32_t& value) {
    if (Reading(stream))
        stream.ReadU32(value);
    else
        stream.WriteU32(value);
}

void Field(CBellcoreStream& stream, std::int16_t& value) {
    auto stored = static_cast<std::uint16_t>(value);
    Field(stream, stored);
    value = static_cast<std::int16_t>(stored);
}

void Field(CBellcoreStream& stream, std::int32_t& value) {
    auto stored = static_cast<std::uint32_t>(value);
    Field(stream, stored);
    value = static_cast<std::int32_t>(stored);
}

// A code byte held as an int; a value outside low..high reads as 0.
void CodeField(CBellcoreStream& stream, int& value, int low, int high) {
    auto stored = static_cast<std::uint8_t>(value);
    Field(stream, stored);
    value = stored >= low && stored <= high ? stored : 0;
}

// A u16 length and the bytes. A longer text than any M600 writer stores is refused at once,
// which also bounds what a hostile file can make the reader hold.
void TextField(CBellcoreStream& stream, std::string& text) {
    std::uint8_t bytes[CM600File::kMaxTextLength];
    if (Reading(stream)) {
        std::uint16_t length = 0;
        stream.ReadU16(length);
        if (length > CM600File::kMaxTextLength)
            stream.Fail(kMsgCannotLoadM600);
        stream.ReadBytes(bytes, length);
        text.assign(bytes, bytes + length);
    } else {
        const std::size_t length = std::min(text.size(), CM600File::kMaxTextLength);
        std::memcpy(bytes, text.data(), length);
        stream.WriteU16(static_cast<std::uint16_t>(length));
        stream.WriteBytes(bytes, length);
    }
}

// The count of a table whose entries take at least entrySize bytes each. A count that the
// remaining bytes cannot hold is refused before anything is allocated for it.
std::size_t CountField(CBellcoreStream& stream, std::size_t count, std::size_t entrySize) {
    auto stored = static_cast<std::uint16_t>(count);
    Field(stream, stored);
    if (Reading(stream) && stored > stream.GetRemaining() / entrySize)
        stream.Fail(kMsgCannotRead);
    return stored;
}

// Truncation toward zero into Int, clamped to its range in floating point first so that
// no value (NaN included) makes the conversion undefined. NaN gives 0.
template <typename Int, typename Real> Int TruncateClamped(Real value) {
    constexpr Real low = static_cast<Real>(std::numeric_limits<Int>::min());
    constexpr Real high = static_cast<Real>(std::numeric_limits<Int>::max());
    if (std::isnan(value))
        return 0;
    if (value <= low)
        return std::numeric_limits<Int>::min();
    if (value >= high)
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}

// Month, day, year - 2000, hour, minute, second as local time. mktime normalises fields
// out of range (month 0, day 40) instead of failing.
std::time_t TimeFromBytes(const std::uint8_t (&bytes)[6]) {
    std::tm local{};
    local.tm_mon = bytes[0] - 1;
    local.tm_mday = bytes[1];
    local.tm_year = 100 + bytes[2];
    local.tm_hour = bytes[3];
    local.tm_min = bytes[4];
    local.tm_sec = bytes[5];
    local.tm_isdst = -1;
    return std::mktime(&local);
}

void BytesFromTime(std::time_t time, std::uint8_t (&bytes)[6]) {
    std::tm local{};
    if (!localtime_r(&time, &local)) {
        local = {};
        local.tm_mday = 1;
        local.tm_year = 100;
    }
    bytes[0] = static_cast<std::uint8_t>(local.tm_mon + 1);
    bytes[1] = static_cast<std::uint8_t>(local.tm_mday);
    // The year byte holds 2000 to 2255; earlier years are written as 2000.
    bytes[2] = static_cast<std::uint8_t>(std::clamp(local.tm_year - 100, 0, 255));
    bytes[3] = static_cast<std::uint8_t>(local.tm_hour);
    bytes[4] = static_cast<std::uint8_t>(local.tm_min);
    bytes[5] = static_cast<std::uint8_t>(local.tm_sec);
}

} // namespace

int CM600Event::Serialize(CBellcoreStream& stream) {
    const int start = stream.GetCounter();
    Field(stream, number);
    Field(stream, time);
    Field(stream, eventLong);
    Field(stream, eventWord);
    Field(stream, loss);
    Field(stream, reflectance);
    Field(stream, editFlag);
    Field(stream, code);
    Field(stream, technique);
    TextField(stream, comment);
    return stream.GetCounter() - start;
}

std::size_t CM600Event::GetSize() const {
    return kFixedSize + std::min(comment.size(), CM600File::kMaxTextLength);
}

bool IsM600File(const std::string& path) {
    CBellcoreStream stream(CBellcoreStream::kAdditive);
    stream.OpenForRead(path, 2);
    if (stream.GetRemaining() < 2)
        return false;
    std::uint16_t signature = 0;
    stream.ReadU16(signature);
    return signature == CM600File::kSignature;
}

void CM600File::Load(const std::string& path) {
    CBellcoreStream stream(CBellcoreStream::kAdditive);
    stream.OpenForRead(path, SIZE_MAX, kMaxFileBytes);
    Load(stream);
}

void CM600File::Load(CBellcoreStream& stream) {
    if (stream.GetMode() != CBellcoreStream::kReading ||
        stream.GetChecksumMode() != CBellcoreStream::kAdditive)
        stream.Fail(kMsgCannotLoadM600);
    // Read into a fresh object so that a refused file leaves this one as it was.
    CM600File loaded;
    stream.ResetCounter();
    loaded.Serialize(stream);
    if (static_cast<std::size_t>(stream.GetCounter()) != loaded.GetSize())
        stream.Fail(kMsgCannotLoadM600);
    // The checksum is not needed to read the file: one that is missing or cut short (as some
    // copies of instrument files are) is no fault, only a stored one that differs.
    if (stream.GetRemaining() >= 2)
        loaded.checksumMismatch_ = !stream.VerifyChecksum();
    stream.Close();
    *this = std::move(loaded);
}

void CM600File::Load(std::vector<std::uint8_t> bytes) {
    CBellcoreStream stream(CBellcoreStream::kAdditive);
    stream.OpenForRead(std::move(bytes));
    Load(stream);
}

std::vector<std::uint8_t> CM600File::SaveToBytes() {
    CBellcoreStream stream(CBellcoreStream::kAdditive);
    stream.OpenForWriteMemory();
    Save(stream);
    return stream.GetWrittenBytes();
}

void CM600File::Save(const std::string& path) {
    CBellcoreStream stream(CBellcoreStream::kAdditive);
    stream.OpenForWrite(path);
    Save(stream);
}

void CM600File::Save(CBellcoreStream& stream) {
    if (stream.GetMode() != CBellcoreStream::kWriting ||
        stream.GetChecksumMode() != CBellcoreStream::kAdditive)
        stream.Fail(kMsgCannotSaveM600);
    CutTexts();
    // The counts are u16 on disk; a larger table cannot be written whole.
    if (pulseWidths_.empty() || pulseWidths_.size() > kMaxCount || events_.size() > kMaxCount ||
        samples_.size() > kMaxCount)
        stream.Fail(kMsgCannotSaveM600);
    stream.ResetCounter();
    Serialize(stream);
    if (static_cast<std::size_t>(stream.GetCounter()) != GetSize())
        stream.Fail(kMsgCannotSaveM600);
    stream.Checksum();
    stream.Close();
}

void CM600File::Serialize(CBellcoreStream& stream) {
    const bool reading = Reading(stream);
    std::uint16_t signature = kSignature;
    Field(stream, signature);
    if (signature != kSignature)
        stream.Fail(kMsgCannotLoadM600);
    Field(stream, format_);
    Field(stream, headerWord_);
    Field(stream, headerLong_);
    SerializeTime(stream);
    TextField(stream, texts_[0]);
    TextField(stream, texts_[1]);
    Field(stream, headerWord2_);
    for (std::size_t i = 2; i < texts_.size(); ++i)
        TextField(stream, texts_[i]);
    CodeField(stream, mode1_, 0, 2);
    CodeField(stream, mode2_, 1, 7);
    CodeField(stream, distanceUnits_, 1, 7);
    Field(stream, acquisitionOffset_);
    Field(stream, firstPulsePoints_);
    Field(stream, groupIndex_);
    Field(stream, averages_);
    Field(stream, range_);
    Field(stream, frontPanelOffset_);
    Field(stream, wavelength_);

    const std::size_t widthCount = CountField(stream, pulseWidths_.size(), 2);
    if (reading) {
        // Every M600 acquisition has at least one pulse width.
        if (widthCount == 0)
            stream.Fail(kMsgCannotLoadM600);
        pulseWidths_.resize(widthCount);
    }
    for (auto& width : pulseWidths_)
        Field(stream, width);

    Field(stream, backscatter_);
    Field(stream, noiseFloor_);
    Field(stream, powerOffset_);
    Field(stream, lossThreshold_);
    Field(stream, reflectanceThreshold_);
    Field(stream, endThreshold_);

    const std::size_t eventCount = CountField(stream, events_.size(), CM600Event::kFixedSize);
    if (reading)
        events_.resize(eventCount);
    for (auto& event : events_)
        event.Serialize(stream);

    Field(stream, trailerLongs_[0]);
    Field(stream, trailerLongs_[1]);
    Field(stream, trailerLongs_[2]);
    Field(stream, trailerWord_);
    Field(stream, trailerLongs_[3]);
    Field(stream, trailerLongs_[4]);
    SerializeSamples(stream);
    Field(stream, closingLongs_[0]);
    Field(stream, closingLongs_[1]);
}

void CM600File::SerializeTime(CBellcoreStream& stream) {
    std::uint8_t bytes[6] = {};
    if (!Reading(stream))
        BytesFromTime(time_, bytes);
    for (auto& byte : bytes)
        Field(stream, byte);
    if (Reading(stream))
        time_ = TimeFromBytes(bytes);
}

void CM600File::SerializeSamples(CBellcoreStream& stream) {
    const std::size_t count = CountField(stream, samples_.size(), 2);
    std::vector<std::uint16_t> stored(count);
    // Single precision both ways: every stored value reads and writes back unchanged.
    if (Reading(stream)) {
        stream.ReadU16Array(stored.data(), count);
        samples_.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            samples_[i] = static_cast<float>(stored[i]) * 0.001f;
    } else {
        for (std::size_t i = 0; i < count; ++i)
            stored[i] = TruncateClamped<std::uint16_t>(samples_[i] * 1000.0f);
        stream.WriteU16Array(stored.data(), count);
    }
}

void CM600File::CutTexts() {
    for (auto& text : texts_)
        if (text.size() > kMaxTextLength)
            text.resize(kMaxTextLength);
    for (auto& event : events_)
        if (event.comment.size() > kMaxTextLength)
            event.comment.resize(kMaxTextLength);
}

void CM600File::Clear() {
    pulseWidths_.clear();
    events_.clear();
    samples_.clear();
}

std::size_t CM600File::GetSize() const {
    std::size_t size =
        kFixedFieldsSize + 2 * std::max<std::size_t>(pulseWidths_.size(), 1) + 2 * samples_.size();
    for (const auto& text : texts_)
        size += std::min(text.size(), kMaxTextLength);
    for (const auto& event : events_)
        size += event.GetSize();
    return size;
}

void CM600File::SetMode1(int value) {
    mode1_ = value >= 0 && value <= 2 ? value : 0;
}

void CM600File::SetMode2(int value) {
    mode2_ = value >= 1 && value <= 7 ? value : 0;
}

void CM600File::SetDistanceUnits(int value) {
    distanceUnits_ = value >= 1 && value <= 7 ? value : 0;
}

const std::string& CM600File::GetText(Text which) const {
    return texts_.at(static_cast<std::size_t>(which));
}

void CM600File::SetText(Text which, std::string value) {
    texts_.at(static_cast<std::size_t>(which)) = std::move(value);
}

std::uint16_t CM600File::GetPulseWidth(int i) const {
    return pulseWidths_.at(static_cast<std::size_t>(i));
}

std::uint32_t CM600File::GetTrailerLong(int i) const {
    return trailerLongs_.at(static_cast<std::size_t>(i));
}

void CM600File::SetTrailerLong(int i, std::uint32_t value) {
    trailerLongs_.at(static_cast<std::size_t>(i)) = value;
}

std::uint32_t CM600File::GetClosingLong(int i) const {
    return closingLongs_.at(static_cast<std::size_t>(i));
}

void CM600File::SetClosingLong(int i, std::uint32_t value) {
    closingLongs_.at(static_cast<std::size_t>(i)) = value;
}

const CM600Event& CM600File::GetEvent(int i) const {
    return events_.at(static_cast<std::size_t>(i));
}

CM600Event& CM600File::EventAt(int i) {
    return events_.at(static_cast<std::size_t>(i));
}

int CM600File::AddEvent() {
    events_.emplace_back();
    return static_cast<int>(events_.size()) - 1;
}

void CM600File::DeleteEvent(int i) {
    if (i < 0 || i >= GetEventCount())
        throw std::out_of_range("M600 event index");
    events_.erase(events_.begin() + i);
}

double CM600File::TimeToKm(std::int32_t time, std::uint32_t storedGroupIndex) {
    return storedGroupIndex > 0 ? time / static_cast<double>(storedGroupIndex) * kKmPerTimeUnit
                                : 0.0;
}

std::int32_t CM600File::KmToTime(double km, std::uint32_t storedGroupIndex) {
    return TruncateClamped<std::int32_t>(km * storedGroupIndex * kTimeUnitsPerKm);
}

float CM600File::GetEventKm(int i) const {
    return static_cast<float>(TimeToKm(GetEvent(i).time, groupIndex_));
}

float CM600File::GetEventLoss(int i) const {
    return static_cast<float>(GetEvent(i).loss) * 0.001f;
}

float CM600File::GetEventReflectance(int i) const {
    return static_cast<float>(GetEvent(i).reflectance) * 0.001f;
}

void CM600File::SetEventKm(int i, float km) {
    CM600Event& event = EventAt(i);
    if (km != GetEventKm(i))
        event.time = KmToTime(km, groupIndex_);
}

void CM600File::SetEventLoss(int i, float dB) {
    CM600Event& event = EventAt(i);
    if (dB != GetEventLoss(i))
        event.loss = TruncateClamped<std::int16_t>(dB * 1000.0f);
}

void CM600File::SetEventReflectance(int i, float dB) {
    CM600Event& event = EventAt(i);
    if (dB != GetEventReflectance(i))
        event.reflectance = TruncateClamped<std::int32_t>(dB * 1000.0f);
}

void CM600File::SetEventRecord(int i, const CM600Event& record) {
    EventAt(i) = record;
}

void CM600File::SetEventNumber(int i, std::uint16_t number) {
    EventAt(i).number = number;
}

void CM600File::SetEventEditFlag(int i, std::uint8_t flag) {
    EventAt(i).editFlag = flag;
}

void CM600File::SetEventCode(int i, std::uint8_t code) {
    EventAt(i).code = code;
}

void CM600File::SetEventTechnique(int i, std::uint8_t technique) {
    EventAt(i).technique = technique;
}

void CM600File::SetEventComment(int i, std::string comment) {
    EventAt(i).comment = std::move(comment);
}
