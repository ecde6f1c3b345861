#include "core/CM600Signal.h"

#include "core/BellcoreTrace.h"
#include "core/SignalDetails.h"
#include "formats/bellcore/BellcoreFields.h"
#include "formats/m600/M600Conversions.h"
#include "platform/CException.h"
#include "platform/TextCodec.h"

#include <stdexcept>

namespace {

int MethodFromTechnique(std::uint8_t technique) {
    return technique == 1 ? 0 : (technique == 2 ? 1 : 2);
}

std::uint8_t TechniqueFromMethod(int method) {
    return method == 0 ? 1 : (method == 1 ? 2 : 0);
}

CKeyEvent KeyEventFromM600(const CM600File& file, int index) {
    const CM600Event& record = file.GetEvent(index);
    CKeyEvent event;
    event.SetFileIndex(index);
    event.SetType(IsM600Reflective(record.code) ? 1 : 0);
    event.SetMarker(index == 0 ? 1 : (IsM600EndCode(record.code) ? 2 : 0));
    event.SetFlag(record.editFlag == kM600UserEdited);
    event.SetMethod(MethodFromTechnique(record.technique));
    event.SetPosition(file.GetEventKm(index));
    event.SetLoss(file.GetEventLoss(index));
    // In double: the float getter loses steps on large values.
    event.SetReflectance(record.reflectance * 0.001);
    event.SetComment(TextCodec::Cp1251ToUtf8(record.comment));
    return event;
}

class CM600Records final : public CEventRecords {
public:
    explicit CM600Records(CM600File& file) : file_(file) {}

    int GetCount() const override { return file_.GetEventCount(); }
    int Append() override {
        const int index = file_.AddEvent();
        file_.SetEventNumber(index, static_cast<std::uint16_t>(index));
        return index;
    }
    void Write(int index, const CKeyEvent& event, bool) override {
        file_.SetEventCode(index, M600EventCode(event.GetType() != 0, event.GetMarker() == 2));
        file_.SetEventEditFlag(index, event.GetFlag() ? kM600UserEdited : kM600NotEdited);
        file_.SetEventTechnique(index, TechniqueFromMethod(event.GetMethod()));
        file_.SetEventComment(index, TextCodec::Utf8ToCp1251(event.GetComment()));
        // Each value as its nearest stored unit; one read from the file stays as it was.
        CM600Event record = file_.GetEvent(index);
        const double km = event.GetPosition();
        const std::uint32_t groupIndex = file_.GetGroupIndexStored();
        if (event.GetPosition() != file_.GetEventKm(index))
            record.time =
                NearestNeighbour(CM600File::KmToTime(km, groupIndex), km, [&](std::int32_t time) {
                    return CM600File::TimeToKm(time, groupIndex);
                });
        record.loss = RoundToStored<std::int16_t>(static_cast<double>(event.GetLoss()) * 1000.0);
        if (event.GetReflectance() != record.reflectance * 0.001)
            record.reflectance = RoundToStored<std::int32_t>(event.GetReflectance() * 1000.0);
        file_.SetEventRecord(index, record);
    }
    void Remove(int index) override { file_.DeleteEvent(index); }

private:
    CM600File& file_;
};

} // namespace

bool CM600Signal::Open(const std::string& path) {
    return OpenFile(path, [&] {
        file_.Load(path);
        // The offsets hold what a Bellcore file gave (see the conversions), in its time units.
        const double start = -EventZeroKm(
            0, 0, static_cast<std::int32_t>(file_.GetAcquisitionOffset()),
            static_cast<std::int32_t>(file_.GetFrontPanelOffset()), file_.GetGroupIndex());
        SetLevels(file_.GetSamples(), static_cast<float>(start),
                  static_cast<float>(start + file_.GetRangeKm()));
        FillEvents();
    });
}

bool CM600Signal::Save(const std::string& path) {
    return SaveFile(
        path, [&] { WriteBack(); }, [&](const std::string& target) { file_.Save(target); });
}

void CM600Signal::Clear() {
    CSignal::Clear();
    file_.Clear();
}

bool CM600Signal::GetDescription(int index, std::string& label, std::string& value) const {
    const std::string pulse = file_.GetPulseWidthCount() > 0
                                  ? FormatText("%i ns", file_.GetPulseWidth(0))
                                  : std::string("--");
    const double backscatter = 0.0 - static_cast<std::int16_t>(file_.GetBackscatter()) * 0.1;
    return Describe(index,
                    {FormatText("%.3g km", GetRange()), pulse,
                     FormatText("%i nm", file_.GetWavelength()),
                     FormatText("%g", file_.GetGroupIndex()), FormatText("%g dB", backscatter)},
                    label, value);
}

std::vector<CDetailLine> CM600Signal::GetDetails() const {
    return M600Details(file_);
}

std::string CM600Signal::GetLoadWarning() const {
    return file_.ChecksumMismatch()
               ? QT_TRANSLATE_NOOP("core", "Контрольная сумма файла не совпадает")
               : std::string();
}

void CM600Signal::FillEvents() {
    BeginEventRefill();
    try {
        for (int i = 0; i < file_.GetEventCount(); ++i)
            InsertEventSorted(KeyEventFromM600(file_, i));
    } catch (const std::exception&) {
        // The events read so far stay.
    }
}

void CM600Signal::WriteBack() {
    if (levelsModified_)
        file_.SetSamples(GetLevels());
    if (eventsModified_) {
        CM600Records records(file_);
        WriteEventsBack(records);
        FillEvents();
    }
}
