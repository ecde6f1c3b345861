#pragma once
// A whole Bellcore file in the SR-4731 layout ("*.tra"), every block kept as read.

#include "formats/bellcore/CBellcoreLayout.h"
#include "formats/bellcore/CDataPts.h"
#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CGenParams.h"
#include "formats/bellcore/CKeyEventsSR.h"
#include "formats/bellcore/CLnkParams.h"
#include "formats/bellcore/CSupParams.h"

class CGR196File;

class CSR4731File : public CBellcoreLayout<CGenParamsSR, CSupParamsSR, CFxdParamsSR, CKeyEventsSR,
                                           CLnkParamsSR, CDataPtsSR> {
public:
    CSR4731File() : CBellcoreLayout(true) {}

    // Blocks from a GR-196-CORE file; the fields only this layout has take their defaults.
    void FromOtherLayout(const CGR196File& other);

protected:
    std::unique_ptr<CProprietaryBlock> NewProprietaryBlock(const std::string& name,
                                                           std::uint16_t revision) const override;
};
