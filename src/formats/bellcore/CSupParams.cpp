#include "formats/bellcore/CSupParams.h"

#include "formats/bellcore/BellcoreFields.h"

void CSupParams::SerializeStrings(CBellcoreStream& stream) {
    SerializeField(stream, values_.supplierName);
    SerializeField(stream, values_.mainframeId);
    SerializeField(stream, values_.mainframeSerial);
    SerializeField(stream, values_.moduleId);
    SerializeField(stream, values_.moduleSerial);
    SerializeField(stream, values_.softwareRevision);
    SerializeField(stream, values_.otherInformation);
}

int CSupParams::Serialize(CBellcoreStream& stream) {
    SerializeStrings(stream);
    return stream.GetCounter();
}

std::uint32_t CSupParams::GetSize() const {
    return StoredStringSize(values_.supplierName) + StoredStringSize(values_.mainframeId) +
           StoredStringSize(values_.mainframeSerial) + StoredStringSize(values_.moduleId) +
           StoredStringSize(values_.moduleSerial) + StoredStringSize(values_.softwareRevision) +
           StoredStringSize(values_.otherInformation);
}

void CSupParams::Assign(const CSupParams& other) {
    CopyHeader(other);
    values_ = other.values_;
}

int CSupParamsSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    SerializeStrings(stream);
    return stream.GetCounter();
}

std::uint32_t CSupParamsSR::GetSize() const {
    return NameSize() + CSupParams::GetSize();
}
