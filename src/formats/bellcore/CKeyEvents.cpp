#include "formats/bellcore/CKeyEvents.h"

#include "formats/bellcore/BellcoreCodes.h"
#include "formats/bellcore/BellcoreFields.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {
constexpr std::size_t kEventCodeSize = 6;
} // namespace

std::string FormatEventCode(int type, int origin, int number) {
    const std::string typeCode = kEventTypeTable.Code(type);
    const std::string originCode = kEventOriginTable.Code(origin);
    // Four characters are left for the number: a negative one keeps its sign and three
    // digits, so that reading it back gives the number written and not a tenth of it.
    const int digits = number < 0 ? 3 : 4;
    char text[32];
    std::snprintf(text, sizeof text, "%s%s%.*d", typeCode.c_str(), originCode.c_str(), digits,
                  number);
    return std::string(text).substr(0, kEventCodeSize);
}

CEventCode ParseEventCode(std::string_view stored) {
    // Seven zeroed bytes, as the file gives at most six: the text always ends.
    char text[kEventCodeSize + 1] = {};
    std::memcpy(text, stored.data(), std::min(stored.size(), kEventCodeSize));
    CEventCode code;
    code.type = kEventTypeTable.Find(std::string_view(text, 1));
    code.origin = kEventOriginTable.Find(std::string_view(text + 1, 1));
    const char* p = text + 2;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    int number = 0;
    // At most four digits remain, so the value fits.
    for (; *p >= '0' && *p <= '9'; ++p)
        number = number * 10 + (*p - '0');
    code.number = static_cast<std::int16_t>(negative ? -number : number);
    return code;
}

std::uint32_t CBellcoreEvent::GetSize() const {
    return kMinSize - 1 + StoredStringSize(comment_);
}

void CBellcoreEvent::Serialize(CBellcoreStream& stream) {
    SerializeFixed(stream);
    SerializeComment(stream);
}

void CBellcoreEvent::SerializeFixed(CBellcoreStream& stream) {
    SerializeField(stream, eventNumber_);
    SerializeField(stream, propagationTime_);
    SerializeScaled<std::int16_t>(stream, attenuationCoefficient_, kScaleMilli);
    SerializeScaled<std::int16_t>(stream, eventLoss_, kScaleMilli);
    SerializeScaled<std::int32_t>(stream, eventReflectance_, kScaleMilli);
    if (IsReading(stream)) {
        std::uint8_t bytes[kEventCodeSize];
        stream.ReadBytes(bytes, sizeof bytes);
        std::string stored(bytes, bytes + sizeof bytes);
        code_ = ParseEventCode(stored);
    } else if (IsWriting(stream)) {
        const std::string text = GetEventCodeText();
        std::uint8_t bytes[kEventCodeSize] = {};
        std::memcpy(bytes, text.data(), std::min(text.size(), kEventCodeSize));
        stream.WriteBytes(bytes, sizeof bytes);
    }
    SerializeCode(stream, technique_, kTechniqueTable);
}

void CBellcoreEvent::SerializeComment(CBellcoreStream& stream) {
    SerializeField(stream, comment_);
}

std::string CBellcoreEvent::GetEventCodeText() const {
    return FormatEventCode(code_.type, code_.origin, code_.number);
}

void CBellcoreEvent::SetEventCode(int type, int origin, std::int16_t number) {
    if (type < 0 || type >= static_cast<int>(kEventTypeTable.count) || origin < 0 ||
        origin >= static_cast<int>(kEventOriginTable.count))
        throw COtdrException(kMsgBlockError);
    code_ = {type, origin, number};
}

void CBellcoreEvent::SetTechnique(int index) {
    if (index < 0 || index >= static_cast<int>(kTechniqueTable.count))
        throw COtdrException(kMsgBlockError);
    technique_ = index;
}

void CKeyEventTotals::SerializeTotals(CBellcoreStream& stream) {
    SerializeScaled<std::int32_t>(stream, endToEndLoss_, kScaleMilli);
    SerializeField(stream, endToEndMarker1_);
    SerializeField(stream, endToEndMarker2_);
    SerializeScaled<std::uint16_t>(stream, opticalReturnLoss_, kScaleMilli);
    SerializeField(stream, returnLossMarker1_);
    SerializeField(stream, returnLossMarker2_);
}

int CKeyEvents::Serialize(CBellcoreStream& stream) {
    SerializeContent(stream);
    return stream.GetCounter();
}

void CKeyEvents::Assign(const CKeyEvents& other) {
    CopyHeader(other);
    events_ = other.events_;
    AssignTotals(other);
}
