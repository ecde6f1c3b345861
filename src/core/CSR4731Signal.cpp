#include "core/CSR4731Signal.h"

#include "core/BellcoreTrace.h"
#include "platform/CException.h"

namespace {
constexpr bool kSrLayout = true;
}

bool CSR4731Signal::Open(const std::string& path) {
    return OpenFile(path, [&] {
        file_.Load(path);
        const CDataPts& points = file_.GetDataPts();
        if (points.HasData())
            SetLevels(points.GetLevels(), 0.0f, static_cast<float>(file_.GetFxdParams().RangeKm()));
        FillEvents();
    });
}

bool CSR4731Signal::Save(const std::string& path) {
    return SaveFile(
        path, [&] { WriteBack(); }, [&](const std::string& target) { file_.Save(target); });
}

void CSR4731Signal::Clear() {
    CSignal::Clear();
    file_.Clear();
}

double CSR4731Signal::GetGroupIndex() const {
    return file_.GetFxdParams().GetGroupIndex();
}

bool CSR4731Signal::GetDescription(int index, std::string& label, std::string& value) const {
    return Describe(index, BellcoreDescriptionValues(GetRange(), file_.GetFxdParams()), label,
                    value);
}

void CSR4731Signal::FillEvents() {
    BeginEventRefill();
    try {
        const auto& block = file_.GetKeyEvents();
        if (!block.HasData())
            return;
        for (int i = 0; i < block.GetEventCount(); ++i)
            InsertEventSorted(
                KeyEventFromBellcore(block.GetEvent(i), i, file_.GetFxdParams(), kSrLayout));
    } catch (const CException&) {
        // The events read so far stay.
    }
}

void CSR4731Signal::WriteBack() {
    if (levelsModified_) {
        const std::vector<float>& levels = GetLevels();
        file_.GetDataPts().SetLevels(static_cast<int>(levels.size()), levels.data());
    }
    if (eventsModified_) {
        CBellcoreRecords records(file_.GetKeyEvents(), file_.GetFxdParams());
        WriteEventsBack(records);
        FillEvents();
    }
}
