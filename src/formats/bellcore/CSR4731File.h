#pragma once
// A whole Bellcore file in the SR-4731 layout ("*.tra"), every block kept as read.

#include "formats/bellcore/CBellcoreFile.h"
#include "formats/bellcore/CDataPts.h"
#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CGenParams.h"
#include "formats/bellcore/CKeyEventsSR.h"
#include "formats/bellcore/CLnkParams.h"
#include "formats/bellcore/CSupParams.h"

class CGR196File;

class CSR4731File : public CBellcoreFile {
public:
    CSR4731File() : CBellcoreFile(true) {}

    // Blocks from a GR-196-CORE file; the fields only this layout has take their defaults.
    void FromOtherLayout(const CGR196File& other);
    void Assign(const CSR4731File& other);

    CBellcoreBlock& GetBlock(int kind) override;
    using CBellcoreFile::GetBlock;

    CGenParamsSR& GetGenParams() { return genParams_; }
    const CGenParamsSR& GetGenParams() const { return genParams_; }
    CSupParamsSR& GetSupParams() { return supParams_; }
    const CSupParamsSR& GetSupParams() const { return supParams_; }
    CFxdParamsSR& GetFxdParams() { return fxdParams_; }
    const CFxdParamsSR& GetFxdParams() const { return fxdParams_; }
    CKeyEventsSR& GetKeyEvents() { return keyEvents_; }
    const CKeyEventsSR& GetKeyEvents() const { return keyEvents_; }
    CLnkParamsSR& GetLnkParams() { return lnkParams_; }
    const CLnkParamsSR& GetLnkParams() const { return lnkParams_; }
    CDataPtsSR& GetDataPts() { return dataPts_; }
    const CDataPtsSR& GetDataPts() const { return dataPts_; }

protected:
    std::unique_ptr<CProprietaryBlock> NewProprietaryBlock(const std::string& name,
                                                           std::uint16_t revision) const override;

private:
    CGenParamsSR genParams_;
    CSupParamsSR supParams_;
    CFxdParamsSR fxdParams_;
    CKeyEventsSR keyEvents_;
    CLnkParamsSR lnkParams_;
    CDataPtsSR dataPts_;
};
