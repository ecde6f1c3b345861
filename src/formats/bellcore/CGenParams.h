#pragma once
// "GenParams": general parameters of a trace (cable, fibre, locations, operator, comment).
// Strings are held as stored, Windows-1251 bytes.

#include "formats/bellcore/CBellcoreBlock.h"

#include <cstdint>
#include <string>

class CGenParams : public CBellcoreBlock {
public:
    CGenParams() : CBellcoreBlock(kBlockGenParams) {}

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    // Header and every field of a block of the same layout.
    void Assign(const CGenParams& other);

    // Index into the language table, or 255 for a code outside it; such a code is kept as
    // read and written back unchanged.
    int GetLanguage() const { return values_.language; }
    // 0..5, else "Ошибка в блоке OTDR".
    void SetLanguage(int index);
    // The two characters written for the language (text up to a NUL).
    std::string GetLanguageCode() const;
    // Any two characters; the index follows from the table.
    void SetLanguageCode(const std::string& code);

    const std::string& GetCableId() const { return values_.cableId; }
    void SetCableId(const std::string& value) { values_.cableId = value; }
    const std::string& GetFiberId() const { return values_.fiberId; }
    void SetFiberId(const std::string& value) { values_.fiberId = value; }
    // nm.
    std::uint16_t GetNominalWavelength() const { return values_.nominalWavelength; }
    void SetNominalWavelength(std::uint16_t nm) { values_.nominalWavelength = nm; }
    const std::string& GetOriginatingLocation() const { return values_.originatingLocation; }
    void SetOriginatingLocation(const std::string& value) { values_.originatingLocation = value; }
    const std::string& GetTerminatingLocation() const { return values_.terminatingLocation; }
    void SetTerminatingLocation(const std::string& value) { values_.terminatingLocation = value; }
    const std::string& GetCableCode() const { return values_.cableCode; }
    void SetCableCode(const std::string& value) { values_.cableCode = value; }
    // Index into the build-condition table ("BC", "RC", "OT"); a code read outside it is 2.
    int GetBuildCondition() const { return values_.buildCondition; }
    // 0..2, else "Ошибка в блоке OTDR".
    void SetBuildCondition(int index);
    std::int32_t GetUserOffset() const { return values_.userOffset; }
    void SetUserOffset(std::int32_t value) { values_.userOffset = value; }
    const std::string& GetOperator() const { return values_.operatorName; }
    void SetOperator(const std::string& value) { values_.operatorName = value; }
    const std::string& GetComment() const { return values_.comment; }
    void SetComment(const std::string& value) { values_.comment = value; }

protected:
    // The fields in file order, in the runs the other layout interleaves with its own.
    void SerializeIdentity(CBellcoreStream& stream);
    void SerializeRoute(CBellcoreStream& stream);
    void SerializeNotes(CBellcoreStream& stream);
    std::uint32_t StringsSize() const;

private:
    struct Values {
        int language = 0;
        // Exactly two bytes, as read or as written.
        std::string languageCode = "EN";
        std::string cableId = " ";
        std::string fiberId = " ";
        std::uint16_t nominalWavelength = 1550;
        std::string originatingLocation = " ";
        std::string terminatingLocation = " ";
        std::string cableCode = " ";
        int buildCondition = 1;
        std::int32_t userOffset = 0;
        std::string operatorName = " ";
        std::string comment = " ";
    };
    Values values_;
};

// The SR-4731 form: opens with its name and adds the fibre type and the user offset distance.
class CGenParamsSR : public CGenParams {
public:
    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    void Assign(const CGenParamsSR& other);

    std::uint16_t GetFiberType() const { return fiberType_; }
    void SetFiberType(std::uint16_t value) { fiberType_ = value; }
    std::int32_t GetUserOffsetDistance() const { return userOffsetDistance_; }
    void SetUserOffsetDistance(std::int32_t value) { userOffsetDistance_ = value; }

private:
    std::uint16_t fiberType_ = 652;
    std::int32_t userOffsetDistance_ = 0;
};
