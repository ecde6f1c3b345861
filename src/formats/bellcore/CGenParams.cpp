#include "formats/bellcore/CGenParams.h"

#include "formats/bellcore/BellcoreCodes.h"
#include "formats/bellcore/BellcoreFields.h"
#include "platform/CException.h"

namespace {

bool InTable(int index, const CCodeTable& table) {
    return index >= 0 && static_cast<std::size_t>(index) < table.count;
}

// Two raw bytes; the text used for look-ups ends at a NUL.
std::string TextOfCode(const std::string& raw) {
    return std::string(raw.c_str());
}

} // namespace

void CGenParams::SetLanguage(int index) {
    if (!InTable(index, kLanguageTable))
        throw COtdrException(kMsgBlockError);
    values_.language = index;
    values_.languageCode = kLanguageTable.Code(index);
}

std::string CGenParams::GetLanguageCode() const {
    if (InTable(values_.language, kLanguageTable))
        return kLanguageTable.Code(values_.language);
    return TextOfCode(values_.languageCode);
}

void CGenParams::SetLanguageCode(const std::string& code) {
    std::string raw = code.substr(0, 2);
    raw.resize(2, '\0');
    values_.languageCode = raw;
    values_.language = kLanguageTable.Find(TextOfCode(raw));
}

void CGenParams::SetBuildCondition(int index) {
    if (!InTable(index, kBuildConditionTable))
        throw COtdrException(kMsgBlockError);
    values_.buildCondition = index;
}

void CGenParams::SerializeIdentity(CBellcoreStream& stream) {
    if (IsReading(stream)) {
        std::uint8_t bytes[2] = {0, 0};
        stream.ReadU8(bytes[0]);
        stream.ReadU8(bytes[1]);
        SetLanguageCode({static_cast<char>(bytes[0]), static_cast<char>(bytes[1])});
    } else if (IsWriting(stream)) {
        // Only a code outside the table goes back as read.
        const std::string code = InTable(values_.language, kLanguageTable)
                                     ? kLanguageTable.Code(values_.language)
                                     : values_.languageCode;
        stream.WriteU8(code.size() > 0 ? static_cast<std::uint8_t>(code[0]) : 0);
        stream.WriteU8(code.size() > 1 ? static_cast<std::uint8_t>(code[1]) : 0);
    }
    SerializeField(stream, values_.cableId);
    SerializeField(stream, values_.fiberId);
}

void CGenParams::SerializeRoute(CBellcoreStream& stream) {
    SerializeField(stream, values_.nominalWavelength);
    SerializeField(stream, values_.originatingLocation);
    SerializeField(stream, values_.terminatingLocation);
    SerializeField(stream, values_.cableCode);
    SerializeCode(stream, values_.buildCondition, kBuildConditionTable);
    SerializeField(stream, values_.userOffset);
}

void CGenParams::SerializeNotes(CBellcoreStream& stream) {
    SerializeField(stream, values_.operatorName);
    SerializeField(stream, values_.comment);
}

int CGenParams::Serialize(CBellcoreStream& stream) {
    SerializeIdentity(stream);
    SerializeRoute(stream);
    SerializeNotes(stream);
    return stream.GetCounter();
}

std::uint32_t CGenParams::StringsSize() const {
    return StoredStringSize(values_.cableId) + StoredStringSize(values_.fiberId) +
           StoredStringSize(values_.originatingLocation) +
           StoredStringSize(values_.terminatingLocation) + StoredStringSize(values_.cableCode) +
           StoredStringSize(values_.operatorName) + StoredStringSize(values_.comment);
}

std::uint32_t CGenParams::GetSize() const {
    // language 2, nominal wavelength 2, build condition 2, user offset 4
    return 10 + StringsSize();
}

void CGenParams::Assign(const CGenParams& other) {
    CopyHeader(other);
    values_ = other.values_;
}

int CGenParamsSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    SerializeIdentity(stream);
    SerializeField(stream, fiberType_);
    SerializeRoute(stream);
    SerializeField(stream, userOffsetDistance_);
    SerializeNotes(stream);
    return stream.GetCounter();
}

std::uint32_t CGenParamsSR::GetSize() const {
    // fibre type 2, user offset distance 4
    return NameSize() + CGenParams::GetSize() + 6;
}

void CGenParamsSR::Assign(const CGenParamsSR& other) {
    CGenParams::Assign(other);
    fiberType_ = other.fiberType_;
    userOffsetDistance_ = other.userOffsetDistance_;
}
