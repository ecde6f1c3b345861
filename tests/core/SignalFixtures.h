#pragma once
// Trace files for the signal tests, built through the file objects, and scripted prompts.

#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "formats/m600/CM600File.h"
#include "formats/m600/M600Conversions.h"
#include "platform/CPrompts.h"

#include <string>
#include <vector>

// One Bellcore event record.
struct CRecordPlan {
    double km = 0.0;
    int type = 0;
    int origin = kOriginFound;
    float loss = 0.0f;
    double reflectance = 0.0;
    std::string comment = " "; // Windows-1251
};

// A trace of 20 km: start, a splice, a user-added connector, a user-moved splice, the end.
// File order differs from position order.
inline std::vector<CRecordPlan> StandardEvents() {
    return {{0.0, 1, kOriginFound, 0.0f, -50.0, " "},
            {15.0, 0, kOriginMoved, 0.125f, 0.0, "\xF1\xE2\xE0\xF0\xEA\xE0"}, // "сварка"
            {5.0, 0, kOriginFound, 0.25f, 0.0, " "},
            {20.0, 1, kOriginEnd, 0.0f, -14.5, " "},
            {9.0, 1, kOriginAdded, 0.5f, -45.5, " "}};
}

// 400 levels from 2 dB up in steps of 0.05 dB.
inline std::vector<float> StandardLevels() {
    std::vector<float> levels(400);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = 2.0f + 0.05f * static_cast<float>(i);
    return levels;
}

template <class File>
void FillBellcore(File& file, const std::vector<CRecordPlan>& plans, bool withData = true) {
    CFxdParams& fxd = file.GetFxdParams();
    fxd.SetGroupIndex(1.4682);
    fxd.SetActualWavelength(1310);
    fxd.SetAcquisitionRange(fxd.KmToTime(20.0));
    fxd.AddPulseEntry(CPulseWidthEntry(1000, 500, 400));
    using Record = typename std::decay_t<decltype(file.GetKeyEvents().GetEvents())>::value_type;
    std::vector<Record> records;
    for (const CRecordPlan& plan : plans) {
        Record& record = records.emplace_back();
        record.SetEventNumber(static_cast<std::uint16_t>(records.size()));
        record.SetPropagationTime(fxd.KmToTime(plan.km));
        record.SetEventCode(plan.type, plan.origin, static_cast<std::int16_t>(records.size()));
        record.SetEventLoss(plan.loss);
        record.SetEventReflectance(plan.reflectance);
        record.SetAttenuationCoefficient(0.25f);
        record.SetComment(plan.comment);
    }
    file.GetKeyEvents().SetEvents(std::move(records));
    if (withData) {
        const std::vector<float> levels = StandardLevels();
        file.GetDataPts().SetLevels(static_cast<int>(levels.size()), levels.data());
    }
}

template <class File>
void WriteBellcore(const std::string& path, const std::vector<CRecordPlan>& plans,
                   bool withData = true) {
    File file;
    FillBellcore(file, plans, withData);
    file.Save(path);
}

inline CM600Event M600Record(std::int32_t time, std::uint8_t code, std::uint8_t editFlag) {
    CM600Event event;
    event.time = time;
    event.code = code;
    event.editFlag = editFlag;
    event.loss = 125;
    event.reflectance = -45500;
    event.technique = 2;
    event.comment = "\xEC\xF3\xF4\xF2\xE0"; // "муфта"
    return event;
}

// An M600 trace of 20 km, group index 1.4682, with the given records.
inline CM600File M600Trace(const std::vector<CM600Event>& events) {
    CM600File file;
    file.SetGroupIndexStored(146820);
    file.SetRangeStored(20000);
    file.SetWavelength(1550);
    file.SetBackscatter(815);
    file.SetHeaderLong(1);
    file.SetPulseWidths({300});
    for (const CM600Event& event : events)
        file.SetEventRecord(file.AddEvent(), event);
    file.SetSamples(StandardLevels());
    return file;
}

// Start, a loss, a reflective event the user added, the reflective end.
inline std::vector<CM600Event> StandardM600Events() {
    return {M600Record(0, 3, kM600NotEdited), M600Record(10, 8, kM600NotEdited),
            M600Record(4, 2, kM600NotEdited), M600Record(7, 3, kM600UserEdited)};
}

// Installs scripted prompts for the lifetime of the object.
struct CScriptedPromptsScope {
    CScriptedPrompts prompts;
    CPromptsScope scope{prompts};
};
