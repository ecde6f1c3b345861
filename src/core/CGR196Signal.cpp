#include "core/CGR196Signal.h"

#include "core/BellcoreTrace.h"
#include "platform/CException.h"

namespace {
constexpr bool kSrLayout = false;
}

bool CGR196Signal::Open(const std::string& path) {
    return OpenFile(path, [&] {
        file_.Load(path);
        const CDataPts& points = file_.GetDataPts();
        if (points.HasData())
            SetLevels(points.GetLevels(), 0.0f, static_cast<float>(file_.GetFxdParams().RangeKm()));
        FillEvents();
    });
}

bool CGR196Signal::Save(const std::string& path) {
    return SaveFile(
        path, [&] { WriteBack(); }, [&](const std::string& target) { file_.Save(target); });
}

void CGR196Signal::Clear() {
    CSignal::Clear();
    file_.Clear();
}

double CGR196Signal::GetGroupIndex() const {
    return file_.GetFxdParams().GetGroupIndex();
}

bool CGR196Signal::GetDescription(int index, std::string& label, std::string& value) const {
    return Describe(index, BellcoreDescriptionValues(GetRange(), file_.GetFxdParams()), label,
                    value);
}

void CGR196Signal::FillEvents() {
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

void CGR196Signal::WriteBack() {
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
