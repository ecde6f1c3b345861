#pragma once
// "SupParams": identification of the instrument that took the trace. Seven strings, held as
// stored (Windows-1251 bytes).

#include "formats/bellcore/CBellcoreBlock.h"

#include <cstdint>
#include <string>

class CSupParams : public CBellcoreBlock {
public:
    CSupParams() : CBellcoreBlock(kBlockSupParams) {}

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    // Header and every field of a block of the same layout.
    void Assign(const CSupParams& other);

    const std::string& GetSupplierName() const { return values_.supplierName; }
    void SetSupplierName(const std::string& value) { values_.supplierName = value; }
    const std::string& GetOtdrMainframeId() const { return values_.mainframeId; }
    void SetOtdrMainframeId(const std::string& value) { values_.mainframeId = value; }
    const std::string& GetOtdrMainframeSerialNumber() const { return values_.mainframeSerial; }
    void SetOtdrMainframeSerialNumber(const std::string& value) { values_.mainframeSerial = value; }
    const std::string& GetOpticalModuleId() const { return values_.moduleId; }
    void SetOpticalModuleId(const std::string& value) { values_.moduleId = value; }
    const std::string& GetOpticalModuleSerialNumber() const { return values_.moduleSerial; }
    void SetOpticalModuleSerialNumber(const std::string& value) { values_.moduleSerial = value; }
    const std::string& GetSoftwareRevision() const { return values_.softwareRevision; }
    void SetSoftwareRevision(const std::string& value) { values_.softwareRevision = value; }
    const std::string& GetOtherInformation() const { return values_.otherInformation; }
    void SetOtherInformation(const std::string& value) { values_.otherInformation = value; }

protected:
    void SerializeStrings(CBellcoreStream& stream);

private:
    struct Values {
        std::string supplierName = " ";
        std::string mainframeId = " ";
        std::string mainframeSerial = " ";
        std::string moduleId = " ";
        std::string moduleSerial = " ";
        std::string softwareRevision = " ";
        std::string otherInformation = " ";
    };
    Values values_;
};

// The SR-4731 form: the same strings after the block's name.
class CSupParamsSR : public CSupParams {
public:
    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    void Assign(const CSupParamsSR& other) { CSupParams::Assign(other); }
};
