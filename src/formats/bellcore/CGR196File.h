#pragma once
// A whole Bellcore file in the GR-196-CORE layout ("*.sor"), every block kept as read.

#include "formats/bellcore/CBellcoreFile.h"
#include "formats/bellcore/CDataPts.h"
#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CGenParams.h"
#include "formats/bellcore/CKeyEvents.h"
#include "formats/bellcore/CLnkParams.h"
#include "formats/bellcore/CSupParams.h"

class CSR4731File;

class CGR196File : public CBellcoreFile {
public:
    CGR196File() : CBellcoreFile(false) {}

    // Blocks from an SR-4731 file: the fields this layout has, and every proprietary block.
    void FromOtherLayout(const CSR4731File& other);
    // Every block and the proprietary list of another file of this layout.
    void Assign(const CGR196File& other);

    CBellcoreBlock& GetBlock(int kind) override;
    using CBellcoreFile::GetBlock;

    CGenParams& GetGenParams() { return genParams_; }
    const CGenParams& GetGenParams() const { return genParams_; }
    CSupParams& GetSupParams() { return supParams_; }
    const CSupParams& GetSupParams() const { return supParams_; }
    CFxdParams& GetFxdParams() { return fxdParams_; }
    const CFxdParams& GetFxdParams() const { return fxdParams_; }
    CKeyEvents& GetKeyEvents() { return keyEvents_; }
    const CKeyEvents& GetKeyEvents() const { return keyEvents_; }
    CLnkParams& GetLnkParams() { return lnkParams_; }
    const CLnkParams& GetLnkParams() const { return lnkParams_; }
    CDataPts& GetDataPts() { return dataPts_; }
    const CDataPts& GetDataPts() const { return dataPts_; }

protected:
    std::unique_ptr<CProprietaryBlock> NewProprietaryBlock(const std::string& name,
                                                           std::uint16_t revision) const override;

private:
    CGenParams genParams_;
    CSupParams supParams_;
    CFxdParams fxdParams_;
    CKeyEvents keyEvents_;
    CLnkParams lnkParams_;
    CDataPts dataPts_;
};
