#pragma once
// "LnkParams": landmarks along the link. Locations are time-coded; FxdParams converts them
// to kilometres. Comments are held as stored, Windows-1251 bytes.

#include "formats/bellcore/CBellcoreBlock.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One landmark record; the same in both layouts.
class CLandmark {
public:
    // The record with an empty comment: the least a record takes in the file.
    static constexpr std::uint32_t kMinSize = 33;

    // Bytes the record takes in the file.
    std::uint32_t GetSize() const;
    // Reads or writes the record, by the stream's mode.
    void Serialize(CBellcoreStream& stream);

    std::uint16_t GetLandmarkNumber() const { return landmarkNumber_; }
    void SetLandmarkNumber(std::uint16_t value) { landmarkNumber_ = value; }
    // Index into the landmark table ("BR" .. "WD", 20 "OT"); a code read outside it is 20.
    int GetLandmarkCode() const { return landmarkCode_; }
    // 0..20, else "Ошибка в блоке OTDR".
    void SetLandmarkCode(int index);
    // Time-coded.
    std::uint32_t GetLandmarkLocation() const { return landmarkLocation_; }
    void SetLandmarkLocation(std::uint32_t value) { landmarkLocation_ = value; }
    std::uint16_t GetRelatedEventNumber() const { return relatedEventNumber_; }
    void SetRelatedEventNumber(std::uint16_t value) { relatedEventNumber_ = value; }
    std::int32_t GetGpsLongitude() const { return gpsLongitude_; }
    void SetGpsLongitude(std::int32_t value) { gpsLongitude_ = value; }
    std::int32_t GetGpsLatitude() const { return gpsLatitude_; }
    void SetGpsLatitude(std::int32_t value) { gpsLatitude_ = value; }
    // Percent.
    float GetFiberCorrectionFactor() const { return fiberCorrectionFactor_; }
    void SetFiberCorrectionFactor(float value) { fiberCorrectionFactor_ = value; }
    // Sheath marks in the units below.
    std::uint32_t GetSheathMarkerEntering() const { return sheathMarkerEntering_; }
    void SetSheathMarkerEntering(std::uint32_t value) { sheathMarkerEntering_ = value; }
    std::uint32_t GetSheathMarkerLeaving() const { return sheathMarkerLeaving_; }
    void SetSheathMarkerLeaving(std::uint32_t value) { sheathMarkerLeaving_ = value; }
    // Index into the units table ("km", "mt", "ft", "kf", "mi"); a code read outside it is 0.
    int GetSheathUnits() const { return sheathUnits_; }
    // 0..4, else "Ошибка в блоке OTDR".
    void SetSheathUnits(int index);
    // µm.
    float GetModeFieldDiameter() const { return modeFieldDiameter_; }
    void SetModeFieldDiameter(float value) { modeFieldDiameter_ = value; }
    const std::string& GetComment() const { return comment_; }
    void SetComment(const std::string& value) { comment_ = value; }

private:
    std::uint16_t landmarkNumber_ = 0;
    int landmarkCode_ = 0;
    std::uint32_t landmarkLocation_ = 0;
    std::uint16_t relatedEventNumber_ = 0;
    std::int32_t gpsLongitude_ = 0;
    std::int32_t gpsLatitude_ = 0;
    float fiberCorrectionFactor_ = 0.0f;
    std::uint32_t sheathMarkerEntering_ = 0;
    std::uint32_t sheathMarkerLeaving_ = 0;
    int sheathUnits_ = 2;
    float modeFieldDiameter_ = 0.0f;
    std::string comment_ = " ";
};

// The GR-196-CORE block.
class CLnkParams : public CBellcoreBlock {
public:
    // The count field is 16 bits wide.
    static constexpr int kMaxLandmarks = 0xFFFF;

    CLnkParams() : CBellcoreBlock(kBlockLnkParams) {}

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    // Written only with at least one landmark.
    bool HasData() const override { return !landmarks_.empty(); }
    void Reset() override { landmarks_.clear(); }
    // Also takes the landmarks of the other layout's block.
    void Assign(const CLnkParams& other);

    int GetLandmarkCount() const { return static_cast<int>(landmarks_.size()); }
    // An index outside the array raises "Ошибка в блоке OTDR".
    CLandmark& GetLandmark(int index);
    const CLandmark& GetLandmark(int index) const;
    // Appends a record with the defaults; returns its index.
    int AppendLandmark();
    // The later records move down by one.
    void RemoveLandmark(int index);
    const std::vector<CLandmark>& GetLandmarks() const { return landmarks_; }
    void SetLandmarks(std::vector<CLandmark> landmarks);

protected:
    std::uint32_t ContentSize() const;
    void SerializeContent(CBellcoreStream& stream);

private:
    std::size_t Checked(int index) const;

    std::vector<CLandmark> landmarks_;
};

// The SR-4731 block: the same, opened by its name. Assign of the base serves both layouts.
class CLnkParamsSR : public CLnkParams {
public:
    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override { return NameSize() + ContentSize(); }
};
