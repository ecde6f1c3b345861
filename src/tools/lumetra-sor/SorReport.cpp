#include "tools/lumetra-sor/SorReport.h"

#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "formats/bellcore/BellcoreCodes.h"
#include "platform/TextCodec.h"
#include "platform/Translation.h"
#include "tools/lumetra-sor/NumberText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <memory>
#include <type_traits>

namespace {

// Keys stay in the order written, so the object reads like the file.
using Json = nlohmann::ordered_json;

// Code points of a UTF-8 text, for lining up columns.
std::size_t Width(const std::string& text) {
    std::size_t width = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++width;
    return width;
}

void AppendPadded(std::string& text, const std::string& cell, std::size_t width) {
    text += cell;
    const std::size_t used = Width(cell);
    if (used < width)
        text.append(width - used, ' ');
}

// A value that rounds to zero is written without its sign: "-0.000" reads as a fault.
std::string Printf(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    std::string text = buffer;
    const std::size_t minus = text.find('-');
    if (minus != std::string::npos && text.find_first_of("123456789", minus) == std::string::npos)
        text.erase(minus, 1);
    return text;
}

// Samples ahead whose remembered texts are asked for before they are written.
constexpr std::size_t kLookAhead = 16;

// Lines of an export are made in a piece of memory of their own. With a flush each full piece
// goes to it where it lies (the text gathered before it first); without, it is appended to
// the text.
class CPieces {
public:
    CPieces(std::string& text, const TextFlush& flush)
        : text_(text), flush_(flush), piece_(std::make_unique_for_overwrite<char[]>(kPieceBytes)),
          end_(piece_.get()) {}
    ~CPieces() { text_.append(piece_.get(), end_); }
    CPieces(const CPieces&) = delete;
    CPieces& operator=(const CPieces&) = delete;
    // Room for one line; Done takes its end.
    char* Line() { return end_; }
    // How many lines, one after the other, have room before the next Done (at least one).
    std::size_t LinesWithRoom() const {
        return (kPieceBytes - static_cast<std::size_t>(end_ - piece_.get())) / kLineRoom;
    }
    void Done(char* end) {
        end_ = end;
        if (static_cast<std::size_t>(end_ - piece_.get()) <= kPieceBytes - kLineRoom)
            return;
        if (flush_) {
            if (!text_.empty()) {
                flush_(text_.data(), text_.size());
                text_.clear();
            }
            flush_(piece_.get(), static_cast<std::size_t>(end_ - piece_.get()));
        } else {
            text_.append(piece_.get(), end_);
        }
        end_ = piece_.get();
    }
    static constexpr std::size_t kLineRoom = 2 * kMaxNumberText + 4;

private:
    static constexpr std::size_t kPieceBytes = 128 * 1024;

    std::string& text_;
    const TextFlush& flush_;
    std::unique_ptr<char[]> piece_;
    char* end_;
};

double Shortest(float value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    double parsed = value;
    std::from_chars(buffer, written.ptr, parsed);
    return parsed;
}

// File texts are Windows-1251 bytes; everything written is UTF-8.
std::string Text(const std::string& stored) {
    return TextCodec::Cp1251ToUtf8(stored);
}

std::string IsoTime(std::time_t seconds) {
    std::tm utc{};
    char buffer[32] = "";
    if (gmtime_r(&seconds, &utc))
        std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

const CBellcoreFile* BellcoreFileOf(const CSignal& signal) {
    if (const auto* gr = dynamic_cast<const CGR196Signal*>(&signal))
        return &gr->GetFile();
    if (const auto* sr = dynamic_cast<const CSR4731Signal*>(&signal))
        return &sr->GetFile();
    return nullptr;
}

std::vector<std::string> ProprietaryNames(const CSignal& signal) {
    std::vector<std::string> names;
    if (const CBellcoreFile* file = BellcoreFileOf(signal))
        for (const auto& block : file->GetProprietaryBlocks())
            names.push_back(Text(block->GetName()));
    return names;
}

std::vector<std::pair<std::string, std::string>> DescriptionLines(const CSignal& signal) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (int i = 0; i < signal.GetDescriptionCount(); ++i) {
        std::string label, value;
        if (signal.GetDescription(i, label, value))
            lines.emplace_back(label, value);
    }
    return lines;
}

// Km from one sample to the next, as the trace draws them.
double SampleSpacing(const CSignal& signal) {
    return signal.GetSampleSpacing();
}

// ---- JSON of the file objects

template <class GenParams> Json GenParamsJson(const GenParams& gen) {
    Json json;
    json["language"] = gen.GetLanguage();
    json["languageCode"] = Text(gen.GetLanguageCode());
    json["cableId"] = Text(gen.GetCableId());
    json["fiberId"] = Text(gen.GetFiberId());
    if constexpr (std::is_same_v<GenParams, CGenParamsSR>)
        json["fiberType"] = gen.GetFiberType();
    json["nominalWavelength"] = gen.GetNominalWavelength();
    json["originatingLocation"] = Text(gen.GetOriginatingLocation());
    json["terminatingLocation"] = Text(gen.GetTerminatingLocation());
    json["cableCode"] = Text(gen.GetCableCode());
    json["buildCondition"] = gen.GetBuildCondition();
    json["buildConditionCode"] = kBuildConditionTable.Code(gen.GetBuildCondition());
    json["userOffset"] = gen.GetUserOffset();
    if constexpr (std::is_same_v<GenParams, CGenParamsSR>)
        json["userOffsetDistance"] = gen.GetUserOffsetDistance();
    json["operator"] = Text(gen.GetOperator());
    json["comment"] = Text(gen.GetComment());
    return json;
}

Json SupParamsJson(const CSupParams& sup) {
    Json json;
    json["supplierName"] = Text(sup.GetSupplierName());
    json["otdrMainframeId"] = Text(sup.GetOtdrMainframeId());
    json["otdrMainframeSerialNumber"] = Text(sup.GetOtdrMainframeSerialNumber());
    json["opticalModuleId"] = Text(sup.GetOpticalModuleId());
    json["opticalModuleSerialNumber"] = Text(sup.GetOpticalModuleSerialNumber());
    json["softwareRevision"] = Text(sup.GetSoftwareRevision());
    json["otherInformation"] = Text(sup.GetOtherInformation());
    return json;
}

template <class FxdParams> Json FxdParamsJson(const FxdParams& fxd) {
    constexpr bool sr = std::is_same_v<FxdParams, CFxdParamsSR>;
    Json json;
    json["dateTimeStamp"] = fxd.GetDateTimeStamp();
    json["dateTime"] = IsoTime(static_cast<std::time_t>(fxd.GetDateTimeStamp()));
    json["units"] = fxd.GetUnits();
    json["unitsCode"] = kUnitsTable.Code(fxd.GetUnits());
    json["actualWavelength"] = fxd.GetActualWavelength();
    json["acquisitionOffset"] = fxd.GetAcquisitionOffset();
    if constexpr (sr)
        json["acquisitionOffsetDistance"] = fxd.GetAcquisitionOffsetDistance();
    Json pulses = Json::array();
    for (int i = 0; i < fxd.GetPulseEntryCount(); ++i) {
        const CPulseWidthEntry& entry = fxd.GetPulseEntry(i);
        pulses.push_back({{"pulseWidth", entry.GetPulseWidth()},
                          {"dataSpacing", entry.GetDataSpacing()},
                          {"numberOfDataPoints", entry.GetNumberOfDataPoints()}});
    }
    json["pulseWidths"] = std::move(pulses);
    json["groupIndex"] = fxd.GetGroupIndex();
    json["backscatterCoefficient"] = Shortest(fxd.GetBackscatterCoefficient());
    json["numberOfAverages"] = fxd.GetNumberOfAverages();
    if constexpr (sr)
        json["averagingTime"] = fxd.GetAveragingTime();
    json["acquisitionRange"] = fxd.GetAcquisitionRange();
    json["rangeKm"] = fxd.RangeKm();
    if constexpr (sr)
        json["acquisitionRangeDistance"] = fxd.GetAcquisitionRangeDistance();
    json["frontPanelOffset"] = fxd.GetFrontPanelOffset();
    json["noiseFloorLevel"] = Shortest(fxd.GetNoiseFloorLevel());
    json["noiseFloorScaleFactor"] = Shortest(fxd.GetNoiseFloorScaleFactor());
    json["powerOffsetFirstPoint"] = Shortest(fxd.GetPowerOffsetFirstPoint());
    json["lossThreshold"] = Shortest(fxd.GetLossThreshold());
    json["reflectanceThreshold"] = Shortest(fxd.GetReflectanceThreshold());
    json["endOfFiberThreshold"] = Shortest(fxd.GetEndOfFiberThreshold());
    if constexpr (sr) {
        json["traceType"] = fxd.GetTraceType();
        json["traceTypeCode"] = kTraceTypeTable.Code(fxd.GetTraceType());
        Json window = Json::array();
        for (int i = 0; i < 4; ++i)
            window.push_back(fxd.GetWindowCoordinate(i));
        json["windowCoordinates"] = std::move(window);
    }
    return json;
}

Json TotalsJson(const CKeyEventTotals& totals) {
    return {{"endToEndLoss", totals.GetEndToEndLoss()},
            {"endToEndMarker1", totals.GetEndToEndMarker1()},
            {"endToEndMarker2", totals.GetEndToEndMarker2()},
            {"opticalReturnLoss", Shortest(totals.GetOpticalReturnLoss())},
            {"returnLossMarker1", totals.GetReturnLossMarker1()},
            {"returnLossMarker2", totals.GetReturnLossMarker2()}};
}

template <class File> void AddBellcoreBlocks(const File& file, Json& parameters) {
    parameters["GenParams"] = GenParamsJson(file.GetGenParams());
    parameters["SupParams"] = SupParamsJson(file.GetSupParams());
    parameters["FxdParams"] = FxdParamsJson(file.GetFxdParams());
    parameters["KeyEvents"] = TotalsJson(file.GetKeyEvents());
}

Json M600HeaderJson(const CM600File& file) {
    using Text600 = CM600File::Text;
    Json json;
    json["format"] = file.GetFormat();
    json["headerWord"] = file.GetHeaderWord();
    json["headerLong"] = file.GetHeaderLong();
    json["time"] = static_cast<std::int64_t>(file.GetTime());
    json["dateTime"] = IsoTime(file.GetTime());
    json["cableId"] = Text(file.GetText(Text600::CableId));
    json["cableCode"] = Text(file.GetText(Text600::CableCode));
    json["headerWord2"] = file.GetHeaderWord2();
    json["comment"] = Text(file.GetText(Text600::Comment));
    json["originatingLocation"] = Text(file.GetText(Text600::OriginatingLocation));
    json["terminatingLocation"] = Text(file.GetText(Text600::TerminatingLocation));
    json["operator"] = Text(file.GetText(Text600::Operator));
    json["mode1"] = file.GetMode1();
    json["mode2"] = file.GetMode2();
    json["distanceUnits"] = file.GetDistanceUnits();
    json["acquisitionOffset"] = file.GetAcquisitionOffset();
    json["firstPulsePoints"] = file.GetFirstPulsePoints();
    json["groupIndex"] = file.GetGroupIndex();
    json["groupIndexStored"] = file.GetGroupIndexStored();
    json["averages"] = file.GetAverages();
    json["range"] = file.GetRangeStored();
    json["rangeKm"] = file.GetRangeKm();
    json["frontPanelOffset"] = file.GetFrontPanelOffset();
    json["wavelength"] = file.GetWavelength();
    json["pulseWidths"] = file.GetPulseWidths();
    json["backscatter"] = file.GetBackscatter();
    json["noiseFloor"] = file.GetNoiseFloor();
    json["powerOffset"] = file.GetPowerOffset();
    json["lossThreshold"] = file.GetLossThreshold();
    json["reflectanceThreshold"] = file.GetReflectanceThreshold();
    json["endThreshold"] = file.GetEndThreshold();
    Json trailer = Json::array();
    for (int i = 0; i < 5; ++i)
        trailer.push_back(file.GetTrailerLong(i));
    json["trailerLongs"] = std::move(trailer);
    json["trailerWord"] = file.GetTrailerWord();
    json["closingLongs"] = {file.GetClosingLong(0), file.GetClosingLong(1)};
    return json;
}

Json ParametersJson(const CSignal& signal) {
    Json lines = Json::array();
    for (const auto& [label, value] : DescriptionLines(signal))
        lines.push_back({{"label", label}, {"value", value}});
    Json parameters;
    parameters["lines"] = std::move(lines);
    if (const auto* gr = dynamic_cast<const CGR196Signal*>(&signal))
        AddBellcoreBlocks(gr->GetFile(), parameters);
    else if (const auto* sr = dynamic_cast<const CSR4731Signal*>(&signal))
        AddBellcoreBlocks(sr->GetFile(), parameters);
    else if (const auto* m600 = dynamic_cast<const CM600Signal*>(&signal))
        parameters["header"] = M600HeaderJson(m600->GetFile());
    return parameters;
}

Json EventJson(const CKeyEvent& event) {
    Json json;
    json["fileIndex"] = event.GetFileIndex();
    json["type"] = event.GetType();
    json["typeName"] = event.GetTypeName();
    json["marker"] = event.GetMarker();
    json["method"] = event.GetMethod();
    json["flag"] = event.GetFlag();
    json["position"] = Shortest(event.GetPosition());
    json["loss"] = Shortest(event.GetLoss());
    json["reflectance"] = event.GetReflectance();
    json["attenuation"] = Shortest(event.GetAttenuation());
    json["comment"] = event.GetComment();
    return json;
}

} // namespace

std::string KindName(SignalKind kind) {
    switch (kind) {
    case CGR196Signal::kKind:
        return "Bellcore GR-196-CORE";
    case CSR4731Signal::kKind:
        return "Bellcore SR-4731";
    case CM600Signal::kKind:
        return "Noyes M600";
    default:
        return "unknown";
    }
}

void AppendInfo(const CSignal& signal, const std::string& path, std::string& text) {
    // Labels in the chosen language; the JSON keeps the source texts whatever the language.
    std::vector<std::pair<std::string, std::string>> rows = DescriptionLines(signal);
    for (auto& row : rows)
        row.first = TranslateLabel(row.first);
    rows.insert(rows.begin(), {"Kind:", std::to_string(KindNumber(signal.GetKind())) + ", " +
                                            KindName(signal.GetKind())});
    const std::size_t points = signal.GetPointCount();
    rows.emplace_back("Points:", std::to_string(points));
    std::string range = Printf("%.3f", signal.GetStartDistance()) + " .. " +
                        Printf("%.3f km", signal.GetEndDistance());
    if (points > 0)
        range += Printf(", %.3f m a sample", SampleSpacing(signal) * 1000.0);
    rows.emplace_back("Range:", range);
    const std::string warning = signal.GetLoadWarning();
    rows.emplace_back("Checksum:", warning.empty() ? "ok" : Translate(warning));
    if (BellcoreFileOf(signal)) {
        std::string names;
        for (const std::string& name : ProprietaryNames(signal))
            names += (names.empty() ? "" : ", ") + name;
        rows.emplace_back("Proprietary blocks:", names.empty() ? "none" : names);
    }
    rows.emplace_back("Events:", std::to_string(signal.GetEventCount()));

    std::size_t labelWidth = 0;
    for (const auto& row : rows)
        labelWidth = std::max(labelWidth, Width(row.first));
    text += path + "\n";
    for (const auto& [label, value] : rows) {
        text += "  ";
        AppendPadded(text, label, labelWidth + 1);
        text += value + "\n";
    }
    if (signal.GetEventCount() == 0)
        return;

    // The event list's columns and texts.
    std::vector<std::array<std::string, 7>> table;
    table.push_back(
        {QT_TRANSLATE_NOOP("core", "Номер"), QT_TRANSLATE_NOOP("core", "Тип события"),
         QT_TRANSLATE_NOOP("core", "Расстояние (km)"), QT_TRANSLATE_NOOP("core", "Потери (dB)"),
         QT_TRANSLATE_NOOP("core", "Отражение (dB)"),
         QT_TRANSLATE_NOOP("core", "Ослабление (dB/km)"), QT_TRANSLATE_NOOP("core", "Описание")});
    for (std::string& header : table.back())
        header = Translate(header);
    for (int i = 0; i < signal.GetEventCount(); ++i) {
        const CKeyEvent event = signal.GetEvent(i);
        table.push_back({std::to_string(i + 1), Translate(event.GetTypeName()),
                         event.GetPositionText(), event.GetLossText(), event.GetReflectanceText(),
                         event.GetAttenuationText(), event.GetComment()});
    }
    std::array<std::size_t, 7> widths{};
    for (const auto& row : table)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], Width(row[c]));
    for (const auto& row : table) {
        text += "    ";
        for (std::size_t c = 0; c + 1 < row.size(); ++c)
            AppendPadded(text, row[c], widths[c] + 2);
        text += row.back();
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        text += "\n";
    }
}

void AppendCsv(const CSignal& signal, std::string& text, const TextFlush& flush) {
    const std::vector<float>& levels = signal.GetLevels();
    // Floats at their own precision: 12.345f is written 12.345, not 12.345000267028809.
    CFloatTexts levelTexts(CFloatTexts::Style::kShortest);
    if (!flush)
        text.reserve(text.size() + 24 * levels.size() + 64);
    text += "distance_km,level_db\n";
    CPieces pieces(text, flush);
    // The distances as GetSampleDistance gives them, without a call a sample.
    const double start = signal.GetStartDistance();
    const double spacing = signal.GetSampleSpacing();
    // Held here: the characters written could alias the vector, so its fields would be read
    // again for every line.
    const float* level = levels.data();
    const std::size_t count = levels.size();
    const CFloatTexts::CRun texts(levelTexts);
    CFixed6Run distances;
    const auto line = [texts, &distances](char* end, double km, float stored) {
        end = distances.Write(end, km);
        *end++ = ',';
        end = texts.Write(end, -stored);
        *end++ = '\n';
        return end;
    };
    // The last of several samples lies on the end itself, not a rounding step off it.
    const std::size_t spaced = count > 1 ? count - 1 : count;
    // Lines go out in runs that have room in the piece, checked once a run.
    for (std::size_t i = 0; i < spaced;) {
        char* end = pieces.Line();
        for (const std::size_t stop = std::min(spaced, i + pieces.LinesWithRoom()); i < stop; ++i) {
            texts.Prefetch(-level[std::min(i + kLookAhead, count - 1)]);
            end = line(end, start + static_cast<double>(i) * spacing, level[i]);
        }
        pieces.Done(end);
    }
    if (count > 1)
        pieces.Done(line(pieces.Line(), signal.GetEndDistance(), level[count - 1]));
}

void AppendJson(const CSignal& signal, const std::string& path, std::string& text,
                const TextFlush& flush) {
    Json json;
    json["file"] = path;
    json["kind"] = KindNumber(signal.GetKind());
    json["format"] = KindName(signal.GetKind());
    json["parameters"] = ParametersJson(signal);
    {
        // The source text, as every value of the JSON is, whatever the language.
        const TextLookup lookup = SetTextLookup({});
        json["loadWarning"] = signal.GetLoadWarning();
        SetTextLookup(lookup);
    }
    json["proprietaryBlocks"] = ProprietaryNames(signal);
    json["pointCount"] = signal.GetPointCount();
    json["startDistance"] = Shortest(signal.GetStartDistance());
    json["endDistance"] = Shortest(signal.GetEndDistance());
    Json events = Json::array();
    for (int i = 0; i < signal.GetEventCount(); ++i)
        events.push_back(EventJson(signal.GetEvent(i)));
    json["events"] = std::move(events);
    // A path is the file system's bytes and need not be UTF-8; it must not stop the output.
    std::string head = json.dump(-1, ' ', false, Json::error_handler_t::replace);
    // The samples close the object; written here, each as the library writes Shortest(level).
    head.pop_back();
    text += head;
    text += ",\"samples\":[";
    const std::vector<float>& levels = signal.GetLevels();
    CFloatTexts sampleTexts(CFloatTexts::Style::kJson);
    if (!flush)
        text.reserve(text.size() + 12 * levels.size() + 64);
    {
        CPieces pieces(text, flush);
        const float* level = levels.data();
        const std::size_t count = levels.size();
        const CFloatTexts::CRun texts(sampleTexts);
        if (count != 0)
            pieces.Done(texts.Write(pieces.Line(), level[0]));
        // Samples go out in runs that have room in the piece, checked once a run.
        for (std::size_t i = 1; i < count;) {
            char* end = pieces.Line();
            for (const std::size_t stop = std::min(count, i + pieces.LinesWithRoom()); i < stop;
                 ++i) {
                texts.Prefetch(level[std::min(i + kLookAhead, count - 1)]);
                *end++ = ',';
                end = texts.Write(end, level[i]);
            }
            pieces.Done(end);
        }
    }
    text += "]}\n";
}

nlohmann::ordered_json EventsJson(const CSignal& signal) {
    Json events = Json::array();
    for (int i = 0; i < signal.GetEventCount(); ++i)
        events.push_back(EventJson(signal.GetEvent(i)));
    return events;
}
