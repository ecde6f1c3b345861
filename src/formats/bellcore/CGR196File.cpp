#include "formats/bellcore/CGR196File.h"

#include "formats/bellcore/CSR4731File.h"

std::unique_ptr<CProprietaryBlock> CGR196File::NewProprietaryBlock(const std::string& name,
                                                                   std::uint16_t revision) const {
    return std::make_unique<CProprietaryBlock>(name, revision);
}

void CGR196File::FromOtherLayout(const CSR4731File& other) {
    // The SR-4731 classes derive from these, so the shared fields copy as they are.
    genParams_.CGenParams::Assign(other.GetGenParams());
    supParams_.CSupParams::Assign(other.GetSupParams());
    fxdParams_.CFxdParams::Assign(other.GetFxdParams());

    const CKeyEventsSR& events = other.GetKeyEvents();
    keyEvents_.CopyHeader(events);
    keyEvents_.AssignTotals(events);
    keyEvents_.SetEvents({events.GetEvents().begin(), events.GetEvents().end()});

    lnkParams_.CLnkParams::Assign(other.GetLnkParams());
    dataPts_.CDataPts::Assign(other.GetDataPts());
    CopyProprietaryBlocks(other.GetProprietaryBlocks());
}
