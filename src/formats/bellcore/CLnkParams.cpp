#include "formats/bellcore/CLnkParams.h"

#include "formats/bellcore/BellcoreCodes.h"
#include "formats/bellcore/BellcoreFields.h"
#include "platform/CException.h"

#include <utility>

namespace {
constexpr CFieldScale kScaleHundredth{0.01, 100.0};
} // namespace

std::uint32_t CLandmark::GetSize() const {
    return kMinSize - 1 + StoredStringSize(comment_);
}

void CLandmark::Serialize(CBellcoreStream& stream) {
    SerializeField(stream, landmarkNumber_);
    SerializeCode(stream, landmarkCode_, kLandmarkTable);
    SerializeField(stream, landmarkLocation_);
    SerializeField(stream, relatedEventNumber_);
    SerializeField(stream, gpsLongitude_);
    SerializeField(stream, gpsLatitude_);
    SerializeScaled<std::int16_t>(stream, fiberCorrectionFactor_, kScaleHundredth);
    SerializeField(stream, sheathMarkerEntering_);
    SerializeField(stream, sheathMarkerLeaving_);
    SerializeCode(stream, sheathUnits_, kUnitsTable);
    SerializeScaled<std::int16_t>(stream, modeFieldDiameter_, kScaleTenth);
    SerializeField(stream, comment_);
}

void CLandmark::SetLandmarkCode(int index) {
    if (index < 0 || index >= static_cast<int>(kLandmarkTable.count))
        throw COtdrException(kMsgBlockError);
    landmarkCode_ = index;
}

void CLandmark::SetSheathUnits(int index) {
    if (index < 0 || index >= static_cast<int>(kUnitsTable.count))
        throw COtdrException(kMsgBlockError);
    sheathUnits_ = index;
}

int CLnkParams::Serialize(CBellcoreStream& stream) {
    SerializeContent(stream);
    return stream.GetCounter();
}

std::uint32_t CLnkParams::GetSize() const {
    return ContentSize();
}

std::uint32_t CLnkParams::ContentSize() const {
    std::uint32_t size = 2;
    for (const CLandmark& landmark : landmarks_)
        size += landmark.GetSize();
    return size;
}

void CLnkParams::SerializeContent(CBellcoreStream& stream) {
    if (IsReading(stream)) {
        std::uint16_t count = 0;
        stream.ReadU16(count);
        // A count is trusted only as far as the bytes left could hold its records.
        if (count > stream.GetRemaining() / CLandmark::kMinSize)
            stream.Fail(kMsgCannotRead);
        std::vector<CLandmark> landmarks(count);
        for (CLandmark& landmark : landmarks)
            landmark.Serialize(stream);
        landmarks_ = std::move(landmarks);
    } else if (IsWriting(stream)) {
        stream.WriteU16(static_cast<std::uint16_t>(landmarks_.size()));
        for (CLandmark& landmark : landmarks_)
            landmark.Serialize(stream);
    }
}

void CLnkParams::Assign(const CLnkParams& other) {
    CopyHeader(other);
    landmarks_ = other.landmarks_;
}

std::size_t CLnkParams::Checked(int index) const {
    if (index < 0 || index >= GetLandmarkCount())
        throw COtdrException(kMsgBlockError);
    return static_cast<std::size_t>(index);
}

CLandmark& CLnkParams::GetLandmark(int index) {
    return landmarks_[Checked(index)];
}

const CLandmark& CLnkParams::GetLandmark(int index) const {
    return landmarks_[Checked(index)];
}

int CLnkParams::AppendLandmark() {
    if (GetLandmarkCount() >= kMaxLandmarks)
        throw COtdrException(kMsgBlockError);
    landmarks_.emplace_back();
    return GetLandmarkCount() - 1;
}

void CLnkParams::RemoveLandmark(int index) {
    landmarks_.erase(landmarks_.begin() + static_cast<std::ptrdiff_t>(Checked(index)));
}

void CLnkParams::SetLandmarks(std::vector<CLandmark> landmarks) {
    if (landmarks.size() > static_cast<std::size_t>(kMaxLandmarks))
        throw COtdrException(kMsgBlockError);
    landmarks_ = std::move(landmarks);
}

int CLnkParamsSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    SerializeContent(stream);
    return stream.GetCounter();
}
