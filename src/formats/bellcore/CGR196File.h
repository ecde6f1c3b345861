#pragma once
// A whole Bellcore file in the GR-196-CORE layout ("*.sor"), every block kept as read.

#include "formats/bellcore/CBellcoreLayout.h"
#include "formats/bellcore/CDataPts.h"
#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CGenParams.h"
#include "formats/bellcore/CKeyEvents.h"
#include "formats/bellcore/CLnkParams.h"
#include "formats/bellcore/CSupParams.h"

class CSR4731File;

class CGR196File
    : public CBellcoreLayout<CGenParams, CSupParams, CFxdParams, CKeyEvents, CLnkParams, CDataPts> {
public:
    CGR196File() : CBellcoreLayout(false) {}

    // Blocks from an SR-4731 file: the fields this layout has, and every proprietary block.
    void FromOtherLayout(const CSR4731File& other);

protected:
    std::unique_ptr<CProprietaryBlock> NewProprietaryBlock(const std::string& name,
                                                           std::uint16_t revision) const override;
};
