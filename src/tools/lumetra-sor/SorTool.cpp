#include "tools/lumetra-sor/SorTool.h"

#include "analysis/EventTable.h"
#include "analysis/Measurements.h"
#include "analysis/SignalAnalysis.h"
#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "core/SignalFactory.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CWriteBehind.h"
#include "platform/Translation.h"
#include "tools/lumetra-sor/CCommandPrompts.h"
#include "tools/lumetra-sor/EnglishTexts.h"
#include "tools/lumetra-sor/SorReport.h"
#include "tools/synth/CTraceSynthesizer.h"
#include "tools/synth/SynthFiles.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = "lumetra-sor";
constexpr int kMaxSynthPoints = 100'000'000;
constexpr int kMaxM600Points = 65535;

// The formats a trace can be written in, by the name --to takes.
struct CTarget {
    const char* name;
    SignalKind kind;
    const char* extension;
};
constexpr CTarget kTargets[] = {{"sor", CGR196Signal::kKind, ".sor"},
                                {"tra", CSR4731Signal::kKind, ".tra"},
                                {"m600", CM600Signal::kKind, ".m600"}};

const CTarget& TargetNamed(const std::string& name) {
    for (const CTarget& target : kTargets)
        if (name == target.name)
            return target;
    return kTargets[0];
}

// --to left out: by the output's extension, GR-196-CORE for anything unknown.
const CTarget& TargetForPath(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const CTarget& target : kTargets)
        if (extension == target.extension)
            return target;
    return kTargets[0];
}

// A threshold in dB between low and high. Unlike CLI::Range it refuses NaN, which compares
// false with both bounds and would silently stand for "the file's own".
CLI::Validator ThresholdDb(double low, double high) {
    const std::string range = FormatText("%g", low) + " .. " + FormatText("%g", high) + " dB";
    return CLI::Validator(
        [low, high, range](std::string& text) -> std::string {
            double value = 0.0;
            if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value))
                return "'" + text + "' is not a number of dB";
            if (value < low || value > high)
                return text + " dB lies outside " + range;
            return {};
        },
        "DB in " + range);
}

struct CRequest {
    std::vector<std::string> files;
    std::string format;
    std::string output;
    // export: flush the output to the disk before it replaces the old file.
    bool sync = false;
    std::string to;
    std::string synthOutput;
    CSynthOptions synth;
    // analyze: thresholds given on the command line (NaN: the file's own).
    double spliceThreshold = std::nan("");
    double reflectanceThreshold = std::nan("");
    double endThreshold = std::nan("");
    std::string write;
    std::string language;
    // measure: marker positions (km; NaN sub-markers take their defaults) and the mode.
    CMarkerSet markers{std::nan(""), std::nan(""), std::nan(""), std::nan("")};
    std::string mode = "two-point";
};

// The labels and messages in the chosen language while a command runs.
class CLanguageScope {
public:
    explicit CLanguageScope(Language language) {
        TextLookup lookup;
        if (language == Language::English) {
            lookup = [](const char*, const char* text) {
                const char* english = EnglishText(text);
                return std::string(english ? english : "");
            };
        }
        previous_ = SetTextLookup(std::move(lookup));
    }
    ~CLanguageScope() { SetTextLookup(std::move(previous_)); }
    CLanguageScope(const CLanguageScope&) = delete;
    CLanguageScope& operator=(const CLanguageScope&) = delete;

private:
    TextLookup previous_;
};

// One command's work over its files. Each file is done by itself: a failure is one line on
// the error stream and the run goes on to the next file.
class CFileRun {
public:
    CFileRun(CCommandPrompts& prompts, std::ostream& err) : prompts_(prompts), err_(err) {}

    // Runs work for one file; an exception fails the file with its own message.
    void Each(const std::string& path, const std::function<void()>& work) {
        prompts_.Take();
        const int failuresBefore = failures_;
        try {
            work();
        } catch (const CException& e) {
            Fail(path, e.GetErrorMessage());
        } catch (const std::exception& e) {
            Fail(path, e.what());
        }
        // A failure is one line; otherwise what the models showed on the way is passed on.
        const std::vector<CCommandPrompts::Message> shown = prompts_.Take();
        if (failures_ == failuresBefore)
            for (const CCommandPrompts::Message& message : shown)
                err_ << path << ": " << message.text << "\n";
    }

    // The signal of a trace file; null after the failure has been reported.
    std::unique_ptr<CSignal> Open(const std::string& path) {
        std::unique_ptr<CSignal> signal(OpenSignal(path));
        if (!signal)
            FailWithShown(path, "the file could not be opened");
        return signal;
    }

    void Fail(const std::string& path, const std::string& message) {
        // The readers' messages are the marked texts, shown in the chosen language.
        err_ << path << ": " << Translate(message) << "\n";
        ++failures_;
    }

    // A model reported its error in a message box: that message is the failure's line.
    void FailWithShown(const std::string& path, const std::string& fallback) {
        std::vector<CCommandPrompts::Message> shown = prompts_.Take();
        Fail(path, shown.empty() ? fallback : shown.back().text);
    }

    CCommandPrompts& Prompts() { return prompts_; }
    int Status() const { return failures_ == 0 ? kExitDone : kExitFileFailed; }

private:
    CCommandPrompts& prompts_;
    std::ostream& err_;
    int failures_ = 0;
};

// A file's output on standard output; a stream that cannot take it fails the file.
void Emit(std::ostream& out, std::string_view text) {
    out << text << std::flush;
    if (!out)
        throw CAbortException("the output could not be written");
}

// An existing folder. A path that cannot be checked (a link loop, a folder we may not search)
// is none: the write to it then fails with the system's reason, for that file alone.
bool IsFolder(const std::string& path) {
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

// A folder for outputs, made when missing; false after the reason was reported.
bool PrepareFolder(const std::string& folder, std::ostream& err) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !IsFolder(folder)) {
        err << folder << ": " << (error ? error.message() : "not a folder") << "\n";
        return false;
    }
    return true;
}

int RunInfo(const CRequest& request, CFileRun& run, std::ostream& out) {
    bool first = true;
    for (const std::string& path : request.files)
        run.Each(path, [&] {
            std::unique_ptr<CSignal> signal = run.Open(path);
            if (!signal)
                return;
            std::string text = first ? "" : "\n";
            AppendInfo(*signal, path, text);
            Emit(out, text);
            first = false;
        });
    return run.Status();
}

// Outputs put into one folder by one run. Inputs of one name in different folders (x/t.sor,
// y/t.sor) would share an output: the later one fails instead of overwriting what this run
// has just written.
class COutputClaims {
public:
    bool Claim(CFileRun& run, const std::string& input, const std::string& output,
               const std::string& refusal) {
        if (const auto earlier = writtenFrom_.find(output); earlier != writtenFrom_.end()) {
            run.Fail(input, refusal + ": " + output + " is the output of " + earlier->second +
                                " in this run");
            return false;
        }
        writtenFrom_.emplace(output, input);
        return true;
    }

private:
    std::map<std::string, std::string> writtenFrom_;
};

int RunExport(const CRequest& request, CFileRun& run, std::ostream& out, std::ostream& err) {
    const bool toStandardOutput = request.output.empty() || request.output == "-";
    // Several inputs, or an existing folder, put one output per input into the folder.
    const bool toFolder =
        !toStandardOutput && (request.files.size() > 1 || IsFolder(request.output));
    if (toFolder && !PrepareFolder(request.output, err))
        return kExitFileFailed;
    COutputClaims claims;
    const bool events = request.format == "events-csv";
    const std::string extension = events ? ".events.csv" : "." + request.format;
    // Event tables on standard output make one table: the header comes once.
    bool headerWritten = false;
    for (const std::string& path : request.files) {
        const std::string target =
            toFolder ? (fs::path(request.output) / (fs::path(path).filename().string() + extension))
                           .string()
                     : request.output;
        if (toFolder && !claims.Claim(run, path, target, "not exported"))
            continue;
        run.Each(path, [&] {
            std::unique_ptr<CSignal> signal = run.Open(path);
            if (!signal)
                return;
            // The text goes out in pieces as it is made; a file is replaced once complete.
            std::string text;
            const auto write = [&](const TextFlush& flush) {
                if (events) {
                    if (!(toStandardOutput && headerWritten))
                        text += EventTableHeader(ETableStyle::Csv);
                    headerWritten = true;
                    text += EventTableRows(*signal, path, ETableStyle::Csv);
                } else if (request.format == "json")
                    AppendJson(*signal, path, text, flush);
                else
                    AppendCsv(*signal, text, flush);
                flush(text.data(), text.size());
            };
            if (toStandardOutput) {
                write([&](const char* data, std::size_t size) { Emit(out, {data, size}); });
                return;
            }
            CBinaryFile file;
            // An export is made again from its trace at will: atomic, durable only when asked.
            file.OpenForWrite(target, request.sync ? 0U : CBinaryFile::kNoDiskFlush);
            // Each piece is written while the next is made.
            CWriteBehind writer(file);
            write([&](const char* data, std::size_t size) { writer.Write(data, size); });
            writer.Finish();
            file.Close();
        });
    }
    return run.Status();
}

// Save As: a signal of the wanted kind (the same one when it already is), then Save.
void ConvertOne(CFileRun& run, const std::string& input, const std::string& output,
                const CTarget& target) {
    std::unique_ptr<CSignal> signal = run.Open(input);
    if (!signal)
        return;
    std::unique_ptr<CSignal> converted;
    CSignal* result = signal.get();
    if (signal->GetKind() != target.kind) {
        converted.reset(ConvertSignal(*signal, target.kind));
        if (!converted) {
            run.Fail(input, "cannot convert to " + KindName(target.kind));
            return;
        }
        result = converted.get();
    }
    if (!result->Save(output)) {
        run.FailWithShown(input, "the file could not be saved");
        return;
    }
    // Opened signals hold no edits, so Save has nothing to ask; if it did, the No that
    // answered it means nothing was written.
    if (run.Prompts().WasAsked())
        run.FailWithShown(input, "not written");
}

int RunConvert(const CRequest& request, CFileRun& run, std::ostream& err) {
    const CTarget& target = TargetNamed(request.to);
    const std::vector<std::string>& files = request.files;
    if (files.size() == 2 && !IsFolder(files[1])) {
        run.Each(files[0], [&] { ConvertOne(run, files[0], files[1], target); });
        return run.Status();
    }
    const std::string& folder = files.back();
    if (!PrepareFolder(folder, err))
        return kExitFileFailed;
    COutputClaims claims;
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        const std::string name = fs::path(files[i]).stem().string() + target.extension;
        const std::string output = (fs::path(folder) / name).string();
        if (!claims.Claim(run, files[i], output, "not converted"))
            continue;
        run.Each(files[i], [&] { ConvertOne(run, files[i], output, target); });
    }
    return run.Status();
}

int RunSynth(const CRequest& request, CFileRun& run, std::ostream& err) {
    const std::string& output = request.synthOutput;
    const CTarget& target = request.to.empty() ? TargetForPath(output) : TargetNamed(request.to);
    if (target.kind == CM600Signal::kKind && request.synth.pointCount > kMaxM600Points) {
        err << kProgram << ": a Noyes M600 file holds at most " << kMaxM600Points << " points\n";
        return kExitUsage;
    }
    std::unique_ptr<CTraceSynthesizer> trace;
    try {
        trace = std::make_unique<CTraceSynthesizer>(request.synth);
    } catch (const CException& e) {
        err << kProgram << ": " << e.GetErrorMessage() << "\n";
        return kExitUsage;
    }
    run.Each(output, [&] { WriteSynthTrace(*trace, KindNumber(target.kind), output); });
    return run.Status();
}

// Answers the save's question Yes: --write asked for the new events to be written.
class CWritePrompts : public CPrompts {
public:
    explicit CWritePrompts(CPrompts& shown) : shown_(shown) {}
    void Show(const std::string& text, const std::string& caption, Icon icon) override {
        shown_.Show(text, caption, icon);
    }
    bool AskYesNo(const std::string&, const std::string&, Icon) override { return true; }

private:
    CPrompts& shown_;
};

// Analyses one opened signal, puts the events found in place of its own and reports them.
// first: no file has been reported yet; false once this one is.
void AnalyzeOne(const CRequest& request, CFileRun& run, CSignal& signal, const std::string& path,
                const std::string& output, bool& first, std::ostream& out) {
    CAnalysisThresholds thresholds = StoredThresholds(signal);
    if (std::isfinite(request.spliceThreshold))
        thresholds.spliceLoss = request.spliceThreshold;
    if (std::isfinite(request.reflectanceThreshold))
        thresholds.reflectance = request.reflectanceThreshold;
    if (std::isfinite(request.endThreshold))
        thresholds.endOfFibre = request.endThreshold;
    const CAnalysisResult result = AnalyzeTrace(AnalysisTraceOf(signal), thresholds);
    ReplaceEvents(signal, result);

    const bool orl = std::isfinite(result.opticalReturnLoss);
    std::string text;
    if (request.format == "json") {
        nlohmann::ordered_json json;
        json["file"] = path;
        json["events"] = EventsJson(signal);
        json["endToEndLoss"] = result.endToEndLoss;
        json["opticalReturnLoss"] = orl ? nlohmann::ordered_json(result.opticalReturnLoss)
                                        : nlohmann::ordered_json(nullptr);
        text = json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    } else {
        // Files apart by a blank line, as info shows them.
        text = first ? "" : "\n";
        AppendInfo(signal, path, text);
        text += "  End-to-end loss: " + FormatText("%.3f dB", result.endToEndLoss) + "\n";
        text += "  Optical return loss: " +
                (orl ? FormatText("%.3f dB", result.opticalReturnLoss) : std::string("--")) + "\n";
    }
    Emit(out, text);
    first = false;
    if (output.empty())
        return;

    // In the format the output's extension names, else in the trace's own.
    std::string extension = fs::path(output).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    SignalKind kind = signal.GetKind();
    for (const CTarget& target : kTargets)
        if (extension == target.extension)
            kind = target.kind;
    std::unique_ptr<CSignal> converted;
    CSignal* target = &signal;
    if (kind != signal.GetKind()) {
        converted.reset(ConvertSignal(signal, kind));
        if (!converted) {
            run.Fail(path, "cannot convert to " + KindName(kind));
            return;
        }
        target = converted.get();
    }
    CWritePrompts prompts(run.Prompts());
    CPromptsScope scope(prompts);
    if (!target->Save(output))
        run.FailWithShown(path, "the file could not be saved");
}

int RunAnalyze(const CRequest& request, CFileRun& run, std::ostream& out, std::ostream& err) {
    // Several inputs, or an existing folder, write one trace per input into the folder.
    const bool toFolder =
        !request.write.empty() && (request.files.size() > 1 || IsFolder(request.write));
    if (toFolder && !PrepareFolder(request.write, err))
        return kExitFileFailed;
    COutputClaims claims;
    bool first = true;
    for (const std::string& path : request.files) {
        const std::string output =
            toFolder ? (fs::path(request.write) / fs::path(path).filename()).string()
                     : request.write;
        if (toFolder && !claims.Claim(run, path, output, "not analysed"))
            continue;
        run.Each(path, [&] {
            std::unique_ptr<CSignal> signal = run.Open(path);
            if (!signal)
                return;
            AnalyzeOne(request, run, *signal, path, output, first, out);
        });
    }
    return run.Status();
}

// Sub-markers left out lie a twentieth of the trace outside A and B, as the viewer places them
// on a whole-trace view.
constexpr double kSubMarkerFraction = 0.05;

void MeasureOne(const CRequest& request, const CSignal& signal, std::ostream& out) {
    EMeasureMode mode = EMeasureMode::TwoPoint;
    MeasureModeNamed(request.mode, mode);
    CMarkerSet markers = request.markers;
    CMarkerSet defaults = markers;
    const double length = static_cast<double>(signal.GetEndDistance()) - signal.GetStartDistance();
    PlaceSubMarkers(defaults, kSubMarkerFraction * length);
    if (!std::isfinite(markers.a1))
        markers.a1 = defaults.a1;
    if (!std::isfinite(markers.b1))
        markers.b1 = defaults.b1;
    const CMeasurement m = MeasureSignal(signal, mode, markers);

    struct CQuantity {
        bool given;
        const char* key;
        const char* label;
        const char* format;
        const CReading& reading;
    };
    const CQuantity quantities[] = {
        {m.givesLoss, "loss", "Loss", "%.4f dB", m.loss},
        {m.givesAttenuation, "attenuation", "Attenuation", "%.4g dB/km", m.attenuation},
        {m.givesReflectance, "reflectance", "Reflectance", "%.4f dB", m.reflectance},
        {m.givesOrl, "orl", "ORL", "%.4f dB", m.orl},
        {m.givesDeviation, "deviation", "Deviation", "%.4f dB", m.deviation},
    };
    std::string text;
    if (request.format == "json") {
        nlohmann::ordered_json json;
        json["mode"] = MeasureModeName(mode);
        json["a"] = markers.a;
        json["b"] = markers.b;
        json["a1"] = markers.a1;
        json["b1"] = markers.b1;
        const char* reason = nullptr;
        for (const CQuantity& q : quantities) {
            if (!q.given)
                continue;
            json[q.key] = q.reading.Ok() ? nlohmann::ordered_json(q.reading.value)
                                         : nlohmann::ordered_json(nullptr);
            if (!q.reading.Ok() && !reason)
                reason = MeasureFaultText(q.reading.fault);
        }
        if (reason)
            json["reason"] = reason;
        text = json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    } else {
        text += std::string("Mode: ") + MeasureModeName(mode) + "\n";
        text += "A: " + FormatText("%.4f km", markers.a) + "\n";
        text += "B: " + FormatText("%.4f km", markers.b) + "\n";
        if (mode != EMeasureMode::TwoPoint && mode != EMeasureMode::Lsa) {
            text += "a1: " + FormatText("%.4f km", markers.a1) + "\n";
            text += "b1: " + FormatText("%.4f km", markers.b1) + "\n";
        }
        for (const CQuantity& q : quantities)
            if (q.given)
                text += std::string(q.label) + ": " +
                        (q.reading.Ok()
                             ? FormatText(q.format, q.reading.value)
                             : std::string("-- (") + MeasureFaultText(q.reading.fault) + ")") +
                        "\n";
    }
    Emit(out, text);
}

int RunMeasure(const CRequest& request, CFileRun& run, std::ostream& out) {
    for (const std::string& path : request.files)
        run.Each(path, [&] {
            std::unique_ptr<CSignal> signal = run.Open(path);
            if (signal)
                MeasureOne(request, *signal, out);
        });
    return run.Status();
}

} // namespace

int RunSorTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CRequest request;
    CLI::App app{"Reads, exports, converts and synthesizes OTDR trace files: Bellcore "
                 "GR-196-CORE (.sor), Bellcore SR-4731 (.tra) and Noyes M600.",
                 kProgram};
    app.set_version_flag("--version", std::string(kProgram) + " " + LUMETRA_VERSION);
    app.require_subcommand(1, 1);
    // Given after the command as well; JSON keys and CSV headers do not change with it.
    app.fallthrough();
    app.add_option("--lang", request.language,
                   "Language of the labels and messages: ru or en (default: by the locale)")
        ->check(CLI::IsMember({"ru", "en"}));
    const std::vector<std::string> targetNames = {"sor", "tra", "m600"};

    CLI::App* info = app.add_subcommand(
        "info", "Kind, parameters, points, range, checksum, proprietary blocks and events");
    info->add_option("FILE", request.files, "Trace files")->required();

    CLI::App* exporter = app.add_subcommand(
        "export", "Samples as CSV, everything as one JSON object, or the events as CSV, a file");
    exporter->add_option("FILE", request.files, "Trace files")->required();
    exporter->add_option("--format", request.format, "csv, json or events-csv")
        ->required()
        ->check(CLI::IsMember({"csv", "json", "events-csv"}));
    exporter->add_option("-o,--output", request.output,
                         "Output file; a folder for several files (standard output without)");
    exporter->add_flag("--sync", request.sync,
                       "Write the output to the disk before it replaces an old file");

    CLI::App* converter =
        app.add_subcommand("convert", "Save As another format: IN OUT, or IN... FOLDER");
    converter->add_option("FILES", request.files, "IN OUT, or IN... FOLDER")->required();
    converter->add_option("--to", request.to, "sor, tra or m600")
        ->required()
        ->check(CLI::IsMember(targetNames));

    CLI::App* synth = app.add_subcommand("synth", "Write a synthesized trace");
    synth->add_option("OUT", request.synthOutput, "Output file")->required();
    synth->add_option("--points", request.synth.pointCount, "Samples")
        ->check(CLI::Range(1, kMaxSynthPoints))
        ->capture_default_str();
    synth->add_option("--to", request.to, "sor, tra or m600 (default: by OUT's extension)")
        ->check(CLI::IsMember(targetNames));
    synth->add_option("--spacing", request.synth.spacing, "Metres between samples")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    synth->add_option("--wavelength", request.synth.wavelength, "nm")
        ->check(CLI::Range(800, 1700))
        ->capture_default_str();
    synth->add_option("--seed", request.synth.seed, "Same seed, same trace")->capture_default_str();
    synth->add_option("--pulse", request.synth.pulseWidth, "Pulse width, ns (default: chosen)")
        ->check(CLI::Range(1, 65535));
    // The harder fibres the analysis score uses, so that any scored trace can be written out.
    synth->add_flag("--gainers", request.synth.gainers, "Some splices join fibre types (gains)");
    synth->add_flag("--bends", request.synth.bends, "Some splices are bends of 0.3-1.5 dB");
    synth->add_flag("--ghosts", request.synth.ghosts, "A strong connector and its echoes");
    synth->add_flag("--saturated-launch", request.synth.saturatedLaunch,
                    "The receiver stays saturated after the launch");
    synth
        ->add_option("--extra-noise", request.synth.extraNoise,
                     "dB of dynamic range lost to a noisier receiver")
        ->check(CLI::Range(0.0, 20.0));

    CLI::App* analyzer = app.add_subcommand(
        "analyze", "Find the key events anew, ignoring those stored in the file");
    analyzer->add_option("FILE", request.files, "Trace files")->required();
    request.format = "text";
    analyzer->add_option("--format", request.format, "text or json")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();
    analyzer
        ->add_option("--splice-threshold", request.spliceThreshold,
                     "Smallest splice loss reported, dB (default: the file's, else 0.05)")
        ->check(ThresholdDb(0.0, 10.0));
    analyzer
        ->add_option("--reflectance-threshold", request.reflectanceThreshold,
                     "Weakest reflectance reported, dB (default: the file's, else -65)")
        ->check(ThresholdDb(-100.0, 0.0));
    analyzer
        ->add_option("--end-threshold", request.endThreshold,
                     "Loss that ends the fibre, dB (default: the file's, else 3)")
        ->check(ThresholdDb(0.0, 60.0));
    analyzer->add_option("--write", request.write,
                         "Save the trace with the new events (a folder for several files)");

    CLI::App* measurer =
        app.add_subcommand("measure", "Marker measurements: two-point, least-squares "
                                      "attenuation, 4-point splice loss, reflectance, ORL");
    measurer->add_option("FILE", request.files, "Trace files")->required();
    measurer->add_option("--a", request.markers.a, "Marker A, km")->required();
    measurer->add_option("--b", request.markers.b, "Marker B, km")->required();
    measurer->add_option("--a1", request.markers.a1,
                         "Sub-marker before A, km (default: 5% of the trace before A)");
    measurer->add_option("--b1", request.markers.b1,
                         "Sub-marker after B, km (default: 5% of the trace after B)");
    measurer->add_option("--mode", request.mode, "two-point, lsa, splice, reflectance or orl")
        ->check(CLI::IsMember({"two-point", "lsa", "splice", "reflectance", "orl"}))
        ->capture_default_str();
    measurer->add_option("--format", request.format, "text or json")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? kExitDone : kExitUsage;
    }
    if (converter->parsed() && request.files.size() < 2) {
        err << kProgram << " convert: needs IN OUT, or IN... FOLDER\n";
        return kExitUsage;
    }

    CLanguageScope language(LanguageFromCode(request.language).value_or(LanguageFromEnvironment()));
    CCommandPrompts prompts;
    CPromptsScope scope(prompts);
    CFileRun run(prompts, err);
    if (info->parsed())
        return RunInfo(request, run, out);
    if (exporter->parsed())
        return RunExport(request, run, out, err);
    if (converter->parsed())
        return RunConvert(request, run, err);
    if (analyzer->parsed())
        return RunAnalyze(request, run, out, err);
    if (measurer->parsed())
        return RunMeasure(request, run, out);
    return RunSynth(request, run, err);
}

int RunSorTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    return RunSorTool(static_cast<int>(args.size()), argv.data(), out, err);
}
