#pragma once
// A whole Noyes M600 trace file in memory: the fixed header with its six texts, the
// pulse-width table, the event records and the samples. Every field the program does not
// interpret is kept as read and written back unchanged. Texts and comments are Windows-1251
// bytes exactly as stored. The file travels through CBellcoreStream in its additive mode.

#include "formats/bellcore/CBellcoreStream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class CGR196File;
class CSR4731File;

inline constexpr const char* kMsgCannotLoadM600 =
    QT_TRANSLATE_NOOP("core", "Не могу загрузить данные в формате M600");
inline constexpr const char* kMsgCannotSaveM600 =
    QT_TRANSLATE_NOOP("core", "Не могу сохранить данные в формате M600");

// One event record as stored: 23 bytes and a comment of at most 30 bytes.
struct CM600Event {
    static constexpr std::size_t kFixedSize = 23;

    std::uint16_t number = 0;     // the record's index when this program wrote it
    std::int32_t time = 0;        // position in file time units (u32 on disk, read signed)
    std::uint32_t eventLong = 0;  // kept, not interpreted
    std::uint16_t eventWord = 0;  // kept, not interpreted
    std::int16_t loss = 0;        // dB × 1000
    std::int32_t reflectance = 0; // dB × 1000
    std::uint8_t editFlag = 1;    // 1 added or moved by the user, 2 not, 3 end (instrument)
    std::uint8_t code = 1;        // kind of event
    std::uint8_t technique = 1;   // 1 two-point, 2 least squares, anything else other
    std::string comment;

    // Reads or writes the record by the stream's mode; returns the bytes moved.
    int Serialize(CBellcoreStream& stream);
    // Bytes the record takes in a file: the comment counts with at most 30 bytes.
    std::size_t GetSize() const;
};

// True when the file's first little-endian u16 is 169. A file shorter than two bytes is
// not an M600 file; one that cannot be opened raises the stream's open error.
bool IsM600File(const std::string& path);

class CM600File {
public:
    enum class Text {
        CableId,
        CableCode,
        Comment,
        OriginatingLocation,
        TerminatingLocation,
        Operator
    };

    static constexpr std::uint16_t kSignature = 169;
    static constexpr std::size_t kMaxTextLength = 30;
    // The counts of pulse widths, events and samples are u16 on disk.
    static constexpr std::size_t kMaxCount = 0xFFFF;
    // The longest file the counts allow: every table full, every text and comment at its
    // longest, under 4 MB. A longer file is refused before it is read.
    static constexpr std::size_t kMaxFileBytes =
        1024 + kMaxCount * (2 + CM600Event::kFixedSize + kMaxTextLength + 2);
    // Event times: km = time ÷ n × kKmPerTimeUnit, and back with kTimeUnitsPerKm, where n is
    // the group index as stored (index × 100000). With the index itself a time unit would be
    // about a kilometre; as stored it is 100 ps of round trip, about a centimetre, which is
    // what an event position needs.
    static constexpr double kKmPerTimeUnit = 1.49896229;
    static constexpr double kTimeUnitsPerKm = 0.6671281903963041;
    // 0 km for a stored group index of 0.
    static double TimeToKm(std::int32_t time, std::uint32_t storedGroupIndex);
    // Truncated toward zero and kept within the field.
    static std::int32_t KmToTime(double km, std::uint32_t storedGroupIndex);

    // Replaces the whole contents, or leaves them untouched when the file is refused:
    // "Не могу прочесть файл" for a file that ends before its samples do,
    // "Не могу загрузить данные в формате M600" for one that is not a sound M600 file.
    // A checksum that does not match is accepted (instruments store such files) and
    // reported by ChecksumMismatch(); a missing or half checksum is not a mismatch.
    void Load(const std::string& path);
    // The stream must be open for reading in additive checksum mode; it is closed.
    void Load(CBellcoreStream& stream);
    // The same over bytes in memory, as the Bellcore file objects offer.
    void Load(std::vector<std::uint8_t> bytes);
    // Cuts every text and comment to 30 bytes, then writes the file with its checksum,
    // atomically. "Не могу сохранить данные в формате M600" for an empty pulse-width table
    // or more than 65535 pulse widths, events or samples; nothing is written then.
    void Save(const std::string& path);
    // The stream must be open for writing in additive checksum mode; it is closed
    // (committed) on success and abandoned on failure.
    void Save(CBellcoreStream& stream);
    std::vector<std::uint8_t> SaveToBytes();

    // Empties the pulse-width table, the events and the samples; the header stays.
    void Clear();
    void Assign(const CM600File& other) { *this = other; }
    // Builds the whole object from a Bellcore file of either layout: header, texts,
    // pulse widths, events and samples (M600Conversions.cpp). Event codes and edit flags
    // follow the origins, so end events and user marks survive the conversion.
    void AssignFromBellcore(const CGR196File& file);
    void AssignFromBellcore(const CSR4731File& file);
    // Bytes in a file without the checksum; texts count with at most 30 bytes and the
    // pulse-width table with at least one entry.
    std::size_t GetSize() const;
    // The last Load found a stored checksum that differs from the computed one.
    bool ChecksumMismatch() const { return checksumMismatch_; }

    // Header fields kept but not interpreted.
    std::uint8_t GetFormat() const { return format_; }
    void SetFormat(std::uint8_t value) { format_ = value; }
    std::uint16_t GetHeaderWord() const { return headerWord_; }
    void SetHeaderWord(std::uint16_t value) { headerWord_ = value; }
    std::uint32_t GetHeaderLong() const { return headerLong_; }
    void SetHeaderLong(std::uint32_t value) { headerLong_ = value; }
    std::uint16_t GetHeaderWord2() const { return headerWord2_; }
    void SetHeaderWord2(std::uint16_t value) { headerWord2_ = value; }
    // 0 to 2; anything else is held as 0.
    int GetMode1() const { return mode1_; }
    void SetMode1(int value);
    // 1 to 7; anything else is held as 0.
    int GetMode2() const { return mode2_; }
    void SetMode2(int value);
    int GetDistanceUnits() const { return distanceUnits_; }
    void SetDistanceUnits(int value);

    // Seconds since 1970; stored as local date and time with years 2000 to 2255.
    std::time_t GetTime() const { return time_; }
    void SetTime(std::time_t value) { time_ = value; }

    const std::string& GetText(Text which) const;
    void SetText(Text which, std::string value);

    std::uint32_t GetAcquisitionOffset() const { return acquisitionOffset_; }
    void SetAcquisitionOffset(std::uint32_t value) { acquisitionOffset_ = value; }
    std::uint32_t GetFirstPulsePoints() const { return firstPulsePoints_; }
    void SetFirstPulsePoints(std::uint32_t value) { firstPulsePoints_ = value; }
    // Group index; stored × 100000.
    double GetGroupIndex() const { return groupIndex_ * 0.00001; }
    std::uint32_t GetGroupIndexStored() const { return groupIndex_; }
    void SetGroupIndexStored(std::uint32_t value) { groupIndex_ = value; }
    std::uint32_t GetAverages() const { return averages_; }
    void SetAverages(std::uint32_t value) { averages_ = value; }
    // Acquisition range in km; stored in metres.
    double GetRangeKm() const { return range_ * 0.001; }
    std::uint32_t GetRangeStored() const { return range_; }
    void SetRangeStored(std::uint32_t value) { range_ = value; }
    std::uint32_t GetFrontPanelOffset() const { return frontPanelOffset_; }
    void SetFrontPanelOffset(std::uint32_t value) { frontPanelOffset_ = value; }
    // nm
    std::uint16_t GetWavelength() const { return wavelength_; }
    void SetWavelength(std::uint16_t value) { wavelength_ = value; }

    // Pulse widths in ns. Indices are checked (std::out_of_range).
    int GetPulseWidthCount() const { return static_cast<int>(pulseWidths_.size()); }
    std::uint16_t GetPulseWidth(int i) const;
    const std::vector<std::uint16_t>& GetPulseWidths() const { return pulseWidths_; }
    void SetPulseWidths(std::vector<std::uint16_t> widths) { pulseWidths_ = std::move(widths); }

    // Raw; their scale is the reader's business.
    std::uint16_t GetBackscatter() const { return backscatter_; }
    void SetBackscatter(std::uint16_t value) { backscatter_ = value; }
    std::uint16_t GetNoiseFloor() const { return noiseFloor_; }
    void SetNoiseFloor(std::uint16_t value) { noiseFloor_ = value; }
    std::uint16_t GetPowerOffset() const { return powerOffset_; }
    void SetPowerOffset(std::uint16_t value) { powerOffset_ = value; }

    // Thresholds in dB; stored × 1000 (the reflectance threshold × -1000).
    double GetLossThreshold() const { return lossThreshold_ * 0.001; }
    double GetReflectanceThreshold() const { return reflectanceThreshold_ * -0.001; }
    double GetEndThreshold() const { return endThreshold_ * 0.001; }
    std::uint16_t GetLossThresholdStored() const { return lossThreshold_; }
    void SetLossThresholdStored(std::uint16_t value) { lossThreshold_ = value; }
    std::uint16_t GetReflectanceThresholdStored() const { return reflectanceThreshold_; }
    void SetReflectanceThresholdStored(std::uint16_t value) { reflectanceThreshold_ = value; }
    std::uint16_t GetEndThresholdStored() const { return endThreshold_; }
    void SetEndThresholdStored(std::uint16_t value) { endThreshold_ = value; }

    // Trailer longs 1 to 5 at i = 0 to 4, closing longs 1 and 2 at i = 0 and 1.
    std::uint32_t GetTrailerLong(int i) const;
    void SetTrailerLong(int i, std::uint32_t value);
    std::uint16_t GetTrailerWord() const { return trailerWord_; }
    void SetTrailerWord(std::uint16_t value) { trailerWord_ = value; }
    std::uint32_t GetClosingLong(int i) const;
    void SetClosingLong(int i, std::uint32_t value);

    // Events. Indices are checked (std::out_of_range).
    int GetEventCount() const { return static_cast<int>(events_.size()); }
    const CM600Event& GetEvent(int i) const;
    // Appends a record with the defaults of a new event; returns its index.
    int AddEvent();
    // The following records move down.
    void DeleteEvent(int i);
    // Position in km: time ÷ group index × 1.49896229 (0 with a group index of 0).
    float GetEventKm(int i) const;
    float GetEventLoss(int i) const;        // dB
    float GetEventReflectance(int i) const; // dB
    // The scaled setters truncate toward zero and clamp to the stored range. A value equal
    // to what the matching getter gives leaves the record untouched, so writing back an
    // unchanged event never moves it by a rounding step.
    void SetEventKm(int i, float km);
    void SetEventLoss(int i, float dB);
    void SetEventReflectance(int i, float dB);
    // Replaces the whole record, raw values as stored.
    void SetEventRecord(int i, const CM600Event& record);
    void SetEventNumber(int i, std::uint16_t number);
    void SetEventEditFlag(int i, std::uint8_t flag);
    void SetEventCode(int i, std::uint8_t code);
    void SetEventTechnique(int i, std::uint8_t technique);
    void SetEventComment(int i, std::string comment);

    // Levels in dB, 0 to 65.535 in steps of 0.001 in a file. Writing truncates toward zero
    // and clamps (NaN and negative levels become 0).
    int GetSampleCount() const { return static_cast<int>(samples_.size()); }
    const std::vector<float>& GetSamples() const { return samples_; }
    void SetSamples(std::vector<float> levels) { samples_ = std::move(levels); }

private:
    // Reads or writes every field, in file order, by the stream's mode.
    void Serialize(CBellcoreStream& stream);
    void SerializeTime(CBellcoreStream& stream);
    void SerializeSamples(CBellcoreStream& stream);
    void CutTexts();
    CM600Event& EventAt(int i);

    std::uint8_t format_ = 0;
    std::uint16_t headerWord_ = 0;
    std::uint32_t headerLong_ = 0;
    std::time_t time_ = 0;
    std::array<std::string, 6> texts_;
    std::uint16_t headerWord2_ = 0;
    int mode1_ = 0;
    int mode2_ = 0;
    int distanceUnits_ = 0;
    std::uint32_t acquisitionOffset_ = 0;
    std::uint32_t firstPulsePoints_ = 0;
    std::uint32_t groupIndex_ = 0;
    std::uint32_t averages_ = 0;
    std::uint32_t range_ = 0;
    std::uint32_t frontPanelOffset_ = 0;
    std::uint16_t wavelength_ = 0;
    std::vector<std::uint16_t> pulseWidths_;
    std::uint16_t backscatter_ = 0;
    std::uint16_t noiseFloor_ = 0;
    std::uint16_t powerOffset_ = 0;
    std::uint16_t lossThreshold_ = 0;
    std::uint16_t reflectanceThreshold_ = 0;
    std::uint16_t endThreshold_ = 0;
    std::vector<CM600Event> events_;
    std::array<std::uint32_t, 5> trailerLongs_{};
    std::uint16_t trailerWord_ = 0;
    std::vector<float> samples_;
    std::array<std::uint32_t, 2> closingLongs_{};
    bool checksumMismatch_ = false;
};
