#include "tools/synth/SynthFiles.h"

#include "formats/bellcore/BellcoreFields.h"
#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "formats/m600/CM600File.h"
#include "platform/CException.h"
#include "platform/TextCodec.h"
#include "tools/synth/CTraceSynthesizer.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kSupplier = "Lumetra View";
constexpr const char* kSoftware = "Lumetra View " LUMETRA_VERSION;
constexpr std::uint32_t kAverages = 16384;
constexpr float kLossThreshold = 0.05f;         // dB
constexpr float kReflectanceThreshold = -65.0f; // dB
constexpr float kEndOfFibreThreshold = 3.0f;    // dB
constexpr int kOriginEnd = 2;                   // "E"
constexpr int kOriginFound = 3;                 // "F": found by the event analysis
constexpr std::int16_t kAnalysisNumber = 9999;  // what instruments write for found events

// Texts in the files are Windows-1251; the trace's texts are UTF-8.
std::string Stored(const std::string& utf8) {
    return TextCodec::Utf8ToCp1251(utf8);
}

// Positions to the nearest time unit rather than truncated, so they read back within half a unit.
std::uint32_t TimeAt(const CFxdParams& fxd, double km) {
    return fxd.KmToTime(km + fxd.TimeToKm(0.5));
}

struct CTexts {
    std::string cableId;
    std::string cableCode = "G.652.D";
    std::string fibreId = "1";
    std::string originating = Stored("Узел А");
    std::string terminating = Stored("Узел Б");
    std::string operatorName = kSupplier;
    std::string comment = Stored("Синтезированная рефлектограмма");
};

CTexts TextsFor(const CTraceSynthesizer& trace) {
    CTexts texts;
    texts.cableId = "LV-" + std::to_string(trace.GetOptions().seed);
    return texts;
}

void FillGeneral(const CTraceSynthesizer& trace, CGenParams& gen) {
    const CTexts texts = TextsFor(trace);
    gen.SetLanguage(0);
    gen.SetCableId(texts.cableId);
    gen.SetFiberId(texts.fibreId);
    gen.SetNominalWavelength(static_cast<std::uint16_t>(trace.GetOptions().wavelength));
    gen.SetOriginatingLocation(texts.originating);
    gen.SetTerminatingLocation(texts.terminating);
    gen.SetCableCode(texts.cableCode);
    gen.SetBuildCondition(0); // as built
    gen.SetUserOffset(0);
    gen.SetOperator(texts.operatorName);
    gen.SetComment(texts.comment);
}

void FillSupplier(const CTraceSynthesizer& trace, CSupParams& sup) {
    const CSynthOptions& options = trace.GetOptions();
    sup.SetSupplierName(kSupplier);
    sup.SetOtdrMainframeId("Trace synthesizer");
    sup.SetOtdrMainframeSerialNumber(std::to_string(options.seed));
    sup.SetOpticalModuleId("SM " + std::to_string(options.wavelength) + " nm");
    sup.SetOpticalModuleSerialNumber("0");
    sup.SetSoftwareRevision(kSoftware);
    char other[96];
    std::snprintf(other, sizeof other, "seed %llu, %d points, %g m",
                  static_cast<unsigned long long>(options.seed), options.pointCount,
                  options.spacing);
    sup.SetOtherInformation(other);
}

void FillFixed(const CTraceSynthesizer& trace, CFxdParams& fxd) {
    const CSynthOptions& options = trace.GetOptions();
    fxd.SetDateTimeStamp(options.timeStamp);
    fxd.SetUnits(0);
    fxd.SetActualWavelength(static_cast<std::int16_t>(options.wavelength));
    fxd.SetAcquisitionOffset(0);
    fxd.SetGroupIndex(trace.GetGroupIndex());
    const auto backscatter =
        static_cast<std::int16_t>(std::lround(trace.GetBackscatterCoefficient() * 10.0));
    fxd.SetBackscatterCoefficient(DecodeScaled<float, std::int16_t>(backscatter, kScaleTenth));
    fxd.SetNumberOfAverages(kAverages);
    const std::uint32_t range = TimeAt(fxd, trace.GetRangeKm());
    fxd.SetAcquisitionRange(range);
    // Data spacing: time units per 10000 samples, so that range = spacing × points / 10000.
    const auto points = static_cast<std::uint32_t>(options.pointCount);
    fxd.Reset();
    fxd.AddPulseEntry(CPulseWidthEntry(
        static_cast<std::uint16_t>(trace.GetPulseWidth()),
        TruncateToStored<std::uint32_t>(std::round(range * 10000.0 / points)), points));
    fxd.SetFrontPanelOffset(0);
    fxd.SetNoiseFloorLevel(static_cast<float>(-trace.GetNoiseFloor()));
    fxd.SetNoiseFloorScaleFactor(1.0f);
    fxd.SetPowerOffsetFirstPoint(0.0f);
    fxd.SetLossThreshold(kLossThreshold);
    fxd.SetReflectanceThreshold(kReflectanceThreshold);
    fxd.SetEndOfFiberThreshold(kEndOfFibreThreshold);
}

template <class Record>
void FillEvents(const CTraceSynthesizer& trace, const CFxdParams& fxd,
                CKeyEventList<Record>& list) {
    const auto& events = trace.GetEvents();
    std::vector<Record> records(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const CSynthEvent& event = events[i];
        Record& record = records[i];
        record.SetEventNumber(static_cast<std::uint16_t>(i + 1));
        record.SetPropagationTime(TimeAt(fxd, event.position));
        record.SetAttenuationCoefficient(static_cast<float>(event.attenuation));
        record.SetEventLoss(static_cast<float>(event.loss));
        record.SetEventReflectance(event.reflectance);
        record.SetEventCode(event.reflective ? 1 : 0, event.end ? kOriginEnd : kOriginFound,
                            kAnalysisNumber);
        // Splices are measured by least squares, reflective events between two points.
        record.SetTechnique(event.reflective || event.start || event.end ? 0 : 1);
        record.SetComment(Stored(event.comment));
    }
    list.SetEvents(std::move(records));
    const std::uint32_t end = TimeAt(fxd, trace.GetFibreLength());
    list.SetEndToEndLoss(trace.GetEndToEndLoss());
    list.SetEndToEndMarker1(0);
    list.SetEndToEndMarker2(end);
    list.SetOpticalReturnLoss(static_cast<float>(trace.GetOpticalReturnLoss()));
    list.SetReturnLossMarker1(0);
    list.SetReturnLossMarker2(end);
}

template <class File> void FillBellcore(const CTraceSynthesizer& trace, File& file) {
    file.Clear();
    FillGeneral(trace, file.GetGenParams());
    FillSupplier(trace, file.GetSupParams());
    FillFixed(trace, file.GetFxdParams());
    FillEvents(trace, file.GetFxdParams(), file.GetKeyEvents());
    const std::vector<float>& levels = trace.GetLevels();
    file.GetDataPts().SetLevels(static_cast<int>(levels.size()), levels.data());
}

} // namespace

void FillTraceFile(const CTraceSynthesizer& trace, CGR196File& file) {
    FillBellcore(trace, file);
}

void FillTraceFile(const CTraceSynthesizer& trace, CSR4731File& file) {
    FillBellcore(trace, file);
    file.GetGenParams().SetFiberType(652);
    CFxdParamsSR& fxd = file.GetFxdParams();
    fxd.SetTraceType(0); // standard trace
    fxd.SetAveragingTime(30);

    // The extent of each event: where it starts and ends, its peak, and its neighbours.
    const double width = trace.GetEventWidth();
    const auto& events = trace.GetEvents();
    CKeyEventsSR& block = file.GetKeyEvents();
    for (int i = 0; i < block.GetEventCount(); ++i) {
        const CSynthEvent& event = events[static_cast<std::size_t>(i)];
        CBellcoreEventSR& record = block.GetEvent(i);
        const double previousEnd =
            i > 0 ? events[static_cast<std::size_t>(i) - 1].position + width : 0.0;
        const double next = static_cast<std::size_t>(i) + 1 < events.size()
                                ? events[static_cast<std::size_t>(i) + 1].position
                                : event.position + width;
        record.SetEndOfPreviousEvent(TimeAt(fxd, previousEnd));
        record.SetBeginningOfCurrentEvent(TimeAt(fxd, event.position));
        record.SetEndOfCurrentEvent(TimeAt(fxd, event.position + width));
        record.SetBeginningOfNextEvent(TimeAt(fxd, next));
        record.SetPeakOfCurrentEvent(
            TimeAt(fxd, event.reflective ? event.position + width / 2.0 : event.position));
    }
}

void FillTraceFile(const CTraceSynthesizer& trace, CM600File& file) {
    const CSynthOptions& options = trace.GetOptions();
    const std::vector<float>& levels = trace.GetLevels();
    if (levels.size() > CM600File::kMaxCount)
        throw CAbortException("A Noyes M600 file holds at most 65535 samples");

    file.Clear();
    // Header words as the conversion from Bellcore writes them.
    file.SetFormat(2);
    file.SetHeaderWord(1);
    file.SetHeaderLong(1);
    file.SetHeaderWord2(0);
    file.SetMode1(0);
    file.SetMode2(1);
    file.SetDistanceUnits(1); // km
    file.SetTime(static_cast<std::time_t>(options.timeStamp));

    const CTexts texts = TextsFor(trace);
    file.SetText(CM600File::Text::CableId, texts.cableId);
    file.SetText(CM600File::Text::CableCode, texts.cableCode);
    file.SetText(CM600File::Text::Comment, texts.comment);
    file.SetText(CM600File::Text::OriginatingLocation, texts.originating);
    file.SetText(CM600File::Text::TerminatingLocation, texts.terminating);
    file.SetText(CM600File::Text::Operator, texts.operatorName);

    file.SetAcquisitionOffset(0);
    file.SetFirstPulsePoints(static_cast<std::uint32_t>(levels.size()));
    file.SetGroupIndexStored(trace.GetGroupIndexStored());
    file.SetAverages(kAverages);
    file.SetRangeStored(TruncateToStored<std::uint32_t>(std::round(trace.GetRangeKm() * 1000.0)));
    file.SetFrontPanelOffset(0);
    file.SetWavelength(static_cast<std::uint16_t>(options.wavelength));
    file.SetPulseWidths({static_cast<std::uint16_t>(trace.GetPulseWidth())});
    file.SetBackscatter(
        static_cast<std::uint16_t>(std::lround(trace.GetBackscatterCoefficient() * 10.0)));
    file.SetNoiseFloor(static_cast<std::uint16_t>(std::lround(trace.GetNoiseFloor() * 1000.0)));
    file.SetPowerOffset(0);
    file.SetLossThresholdStored(static_cast<std::uint16_t>(std::lround(kLossThreshold * 1000.0)));
    file.SetReflectanceThresholdStored(
        static_cast<std::uint16_t>(std::lround(kReflectanceThreshold * -1000.0)));
    file.SetEndThresholdStored(
        static_cast<std::uint16_t>(std::lround(kEndOfFibreThreshold * 1000.0)));
    for (int i = 0; i < 5; ++i)
        file.SetTrailerLong(i, 0);
    file.SetTrailerWord(0);
    file.SetClosingLong(0, 0);
    file.SetClosingLong(1, 0);

    const auto& events = trace.GetEvents();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const CSynthEvent& event = events[i];
        const int index = file.AddEvent();
        file.SetEventNumber(index, static_cast<std::uint16_t>(index));
        // Round to the nearest time unit rather than truncate.
        const double unit = CM600File::TimeToKm(1, file.GetGroupIndexStored());
        file.SetEventKm(index, static_cast<float>(event.position + unit / 2.0));
        file.SetEventLoss(index, static_cast<float>(event.loss));
        file.SetEventReflectance(index, static_cast<float>(event.reflectance));
        file.SetEventEditFlag(index, 2); // found by the instrument
        // 2 loss, 3 reflective; 7 and 8 the same at the fibre end.
        file.SetEventCode(
            index, static_cast<std::uint8_t>((event.reflective ? 3 : 2) + (event.end ? 5 : 0)));
        file.SetEventTechnique(index, event.reflective || event.start || event.end ? 1 : 2);
        file.SetEventComment(index, Stored(event.comment));
    }
    file.SetSamples(levels);
}

void WriteSynthTrace(const CTraceSynthesizer& trace, int kind, const std::string& path) {
    switch (kind) {
    case kSynthGR196: {
        CGR196File file;
        FillTraceFile(trace, file);
        file.Save(path);
        return;
    }
    case kSynthSR4731: {
        CSR4731File file;
        FillTraceFile(trace, file);
        file.Save(path);
        return;
    }
    case kSynthM600: {
        CM600File file;
        FillTraceFile(trace, file);
        file.Save(path);
        return;
    }
    default:
        throw CAbortException("Unknown trace file kind " + std::to_string(kind));
    }
}
