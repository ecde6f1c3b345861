#include "formats/bellcore/CSR4731File.h"

#include "formats/bellcore/CGR196File.h"

std::unique_ptr<CProprietaryBlock> CSR4731File::NewProprietaryBlock(const std::string& name,
                                                                    std::uint16_t revision) const {
    return std::make_unique<CProprietaryBlockSR>(name, revision);
}

void CSR4731File::FromOtherLayout(const CGR196File& other) {
    genParams_.CGenParams::Assign(other.GetGenParams());
    genParams_.SetFiberType(652);
    genParams_.SetUserOffsetDistance(0);

    supParams_.CSupParams::Assign(other.GetSupParams());

    fxdParams_.CFxdParams::Assign(other.GetFxdParams());
    fxdParams_.SetAcquisitionOffsetDistance(0);
    fxdParams_.SetAveragingTime(0);
    fxdParams_.SetAcquisitionRangeDistance(0);
    fxdParams_.SetTraceType(0);
    for (int i = 0; i < 4; ++i)
        fxdParams_.SetWindowCoordinate(i, 0);

    const CKeyEvents& events = other.GetKeyEvents();
    keyEvents_.CopyHeader(events);
    keyEvents_.AssignTotals(events);
    std::vector<CBellcoreEventSR> converted;
    converted.reserve(events.GetEvents().size());
    for (const CBellcoreEvent& event : events.GetEvents())
        converted.emplace_back(event);
    keyEvents_.SetEvents(std::move(converted));

    lnkParams_.CLnkParams::Assign(other.GetLnkParams());
    dataPts_.CDataPts::Assign(other.GetDataPts());
    CopyProprietaryBlocks(other.GetProprietaryBlocks());
}
