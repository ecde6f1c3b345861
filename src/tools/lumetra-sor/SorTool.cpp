#include "tools/lumetra-sor/SorTool.h"

#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSR4731Signal.h"
#include "core/SignalFactory.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "tools/lumetra-sor/CCommandPrompts.h"
#include "tools/lumetra-sor/SorReport.h"
#include "tools/synth/CTraceSynthesizer.h"
#include "tools/synth/SynthFiles.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = "lumetra-sor";
constexpr int kMaxSynthPoints = 100'000'000;
constexpr int kMaxM600Points = 65535;

// The formats a trace can be written in, by the name --to takes.
struct CTarget {
    const char* name;
    int kind;
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

struct CRequest {
    std::vector<std::string> files;
    std::string format;
    std::string output;
    std::string to;
    std::string synthOutput;
    CSynthOptions synth;
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
        err_ << path << ": " << message << "\n";
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
void Emit(std::ostream& out, const std::string& text) {
    out << text << std::flush;
    if (!out)
        throw CAbortException("the output could not be written");
}

// Replaces the file only once all of it is written.
void WriteFile(const std::string& path, const std::string& text) {
    CBinaryFile file;
    file.OpenForWrite(path);
    file.Write(text.data(), text.size());
    file.Close();
}

// A folder for outputs, made when missing; false after the reason was reported.
bool PrepareFolder(const std::string& folder, std::ostream& err) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
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

int RunExport(const CRequest& request, CFileRun& run, std::ostream& out, std::ostream& err) {
    const bool toStandardOutput = request.output.empty() || request.output == "-";
    // Several inputs, or an existing folder, put one output per input into the folder.
    const bool toFolder =
        !toStandardOutput && (request.files.size() > 1 || fs::is_directory(request.output));
    if (toFolder && !PrepareFolder(request.output, err))
        return kExitFileFailed;
    for (const std::string& path : request.files)
        run.Each(path, [&] {
            std::unique_ptr<CSignal> signal = run.Open(path);
            if (!signal)
                return;
            std::string text;
            if (request.format == "json")
                AppendJson(*signal, path, text);
            else
                AppendCsv(*signal, text);
            if (toStandardOutput) {
                Emit(out, text);
                return;
            }
            const std::string target =
                toFolder ? (fs::path(request.output) /
                            (fs::path(path).filename().string() + "." + request.format))
                               .string()
                         : request.output;
            WriteFile(target, text);
        });
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
    if (files.size() == 2 && !fs::is_directory(files[1])) {
        run.Each(files[0], [&] { ConvertOne(run, files[0], files[1], target); });
        return run.Status();
    }
    const std::string& folder = files.back();
    if (!PrepareFolder(folder, err))
        return kExitFileFailed;
    // Inputs of one name in different folders (x/t.sor, y/t.sor) would share an output: the
    // later one fails instead of overwriting what this run has just written.
    std::map<std::string, std::string> writtenFrom;
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        const std::string name = fs::path(files[i]).stem().string() + target.extension;
        const std::string output = (fs::path(folder) / name).string();
        if (const auto earlier = writtenFrom.find(name); earlier != writtenFrom.end()) {
            run.Fail(files[i], "not converted: " + output + " is the output of " + earlier->second +
                                   " in this run");
            continue;
        }
        writtenFrom.emplace(name, files[i]);
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
    run.Each(output, [&] { WriteSynthTrace(*trace, target.kind, output); });
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
    const std::vector<std::string> targetNames = {"sor", "tra", "m600"};

    CLI::App* info = app.add_subcommand(
        "info", "Kind, parameters, points, range, checksum, proprietary blocks and events");
    info->add_option("FILE", request.files, "Trace files")->required();

    CLI::App* exporter =
        app.add_subcommand("export", "Samples as CSV, or everything as one JSON object a file");
    exporter->add_option("FILE", request.files, "Trace files")->required();
    exporter->add_option("--format", request.format, "csv or json")
        ->required()
        ->check(CLI::IsMember({"csv", "json"}));
    exporter->add_option("-o,--output", request.output,
                         "Output file; a folder for several files (standard output without)");

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

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? kExitDone : kExitUsage;
    }
    if (converter->parsed() && request.files.size() < 2) {
        err << kProgram << " convert: needs IN OUT, or IN... FOLDER\n";
        return kExitUsage;
    }

    CCommandPrompts prompts;
    CPromptsScope scope(prompts);
    CFileRun run(prompts, err);
    if (info->parsed())
        return RunInfo(request, run, out);
    if (exporter->parsed())
        return RunExport(request, run, out, err);
    if (converter->parsed())
        return RunConvert(request, run, err);
    return RunSynth(request, run, err);
}

int RunSorTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    return RunSorTool(static_cast<int>(args.size()), argv.data(), out, err);
}
