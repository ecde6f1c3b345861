// analysis-score: how well the automatic analysis finds the events a trace's own table holds.
// Real files are scored against the events their instrument stored; synthesized traces
// against the events the synthesizer placed. Events match within max(25 m, 1.5 pulse
// lengths, 3 sample spacings); the start event is left out, and so is any event found at a
// start the file places on a connector after a launch cable. A stored reflection's kind counts
// only where the analysis may call it reflective: with a reflectance, and not below the
// threshold it is given.

#include "analysis/SignalAnalysis.h"
#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "platform/CPrompts.h"
#include "tools/synth/SynthAnalysisTrace.h"

#include "platform/CException.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double kLightKmPerNs = 299792.458e-9;

struct CTruth {
    double position = 0.0; // km
    bool reflective = false;
    bool end = false;
    bool edited = false; // placed or moved by hand
    double reflectance = 0.0;
    bool optional = false; // below the loss threshold: neither found nor missed counts
    // A reflection stored without a reflectance, or weaker than the threshold the analysis is
    // given: the analysis may not call it reflective, so its kind is not scored.
    bool unclassed = false;
    // A start placed away from the trace's, on the connector after a launch cable: a found
    // event there is neither matched nor extra. Matched last, so that it takes no other's.
    bool start = false;
    double loss = 0.0;
};

struct CScore {
    int files = 0;
    int skipped = 0;
    int truth = 0;
    int found = 0;
    int matched = 0;
    int reflective = 0;
    int reflectiveFound = 0;
    int unclassed = 0;
    int endsBefore = 0; // end markers with events after them, scored as events
    int ends = 0;
    int endsFound = 0;
    int editedMisses = 0;
    int lossesAsReflections = 0;    // non-reflective true events found as reflections
    std::vector<double> endErrors;  // m
    std::vector<double> endPulses;  // the same in pulse lengths
    std::vector<double> lossErrors; // dB
};

double Median(std::vector<double> values) {
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

// Pairs truth and found events within tolerance (km), the nearest pairs first, so that an
// event is not taken by a neighbour of the one it is.
void Score(const std::string& name, const std::vector<CTruth>& truth,
           const std::vector<CKeyEvent>& found, double tolerance, double pulseKm, bool verbose,
           CScore& score) {
    ++score.files;
    std::vector<int> owner(found.size(), -1);
    std::vector<int> match(truth.size(), -1);
    int matched = 0;
    int counted = 0;
    int missed = 0;
    // The end first, and to the found end where that is near: an event beside the end
    // must not take the end's match.
    const auto pair = [&](int pass, bool anyEnd) {
        std::vector<std::tuple<double, std::size_t, std::size_t>> pairs;
        for (std::size_t t = 0; t < truth.size(); ++t) {
            const CTruth& event = truth[t];
            if ((event.end ? 0 : event.start ? 2 : 1) != pass || match[t] >= 0)
                continue;
            for (std::size_t f = 0; f < found.size(); ++f) {
                if (owner[f] >= 0 || found[f].GetMarker() == 1 ||
                    (event.end && !anyEnd && found[f].GetMarker() != 2))
                    continue;
                const double distance = std::abs(found[f].GetPosition() - event.position);
                if (distance <= tolerance)
                    pairs.emplace_back(distance, t, f);
            }
        }
        std::sort(pairs.begin(), pairs.end());
        for (const auto& [distance, t, f] : pairs)
            if (match[t] < 0 && owner[f] < 0) {
                match[t] = static_cast<int>(f);
                owner[f] = static_cast<int>(t);
            }
    };
    pair(0, false);
    pair(0, true);
    pair(1, false);
    pair(2, false);
    for (std::size_t t = 0; t < truth.size(); ++t) {
        const CTruth& event = truth[t];
        const int best = match[t];
        if (event.optional)
            continue;
        ++counted;
        const CKeyEvent* hit = best >= 0 ? &found[static_cast<std::size_t>(best)] : nullptr;
        if (hit) {
            ++matched;
            if (!event.reflective && !event.end && hit->GetType() == 0 && hit->GetMarker() == 0)
                score.lossErrors.push_back(std::abs(hit->GetLoss() - event.loss));
            if (!event.reflective && !event.end && hit->GetType() == 1 && hit->GetMarker() == 0) {
                ++score.lossesAsReflections;
                if (verbose)
                    std::printf("  %s: loss at %.4f km (%.3f dB) found as a reflection\n",
                                name.c_str(), event.position, event.loss);
            }
        } else {
            ++missed;
            if (event.edited)
                ++score.editedMisses;
            if (verbose)
                std::printf("  %s: missed %s at %.4f km (loss %.3f)%s\n", name.c_str(),
                            event.end ? "end" : (event.reflective ? "reflection" : "event"),
                            event.position, event.loss, event.edited ? ", edited" : "");
        }
        if (event.reflective && !event.end && event.unclassed) {
            ++score.unclassed;
        } else if (event.reflective && !event.end) {
            ++score.reflective;
            score.reflectiveFound += hit && hit->GetType() == 1;
            if (verbose && hit && hit->GetType() != 1)
                std::printf("  %s: reflection at %.4f km (%.1f dB) found as a loss\n", name.c_str(),
                            event.position, event.reflectance);
        }
        if (event.end) {
            ++score.ends;
            score.endsFound += hit && hit->GetMarker() == 2;
            if (verbose && hit && hit->GetMarker() != 2)
                std::printf("  %s: end at %.4f km found as an event\n", name.c_str(),
                            event.position);
        }
    }
    // The found end against the true one, matched or not.
    const CTruth* trueEnd = nullptr;
    for (const CTruth& event : truth)
        if (event.end)
            trueEnd = &event;
    double endError = std::nan("");
    if (trueEnd && !found.empty() && found.back().GetMarker() == 2) {
        endError = 1000.0 * std::abs(found.back().GetPosition() - trueEnd->position);
        score.endErrors.push_back(endError);
        if (pulseKm > 0.0)
            score.endPulses.push_back(endError / (1000.0 * pulseKm));
    }

    int extra = 0;
    for (std::size_t f = 0; f < found.size(); ++f) {
        if (found[f].GetMarker() == 1)
            continue;
        const bool optional = owner[f] >= 0 && truth[static_cast<std::size_t>(owner[f])].optional;
        if (optional)
            continue;
        ++score.found;
        if (owner[f] < 0) {
            ++extra;
            if (verbose)
                std::printf("  %s: extra %s at %.4f km (loss %.3f)\n", name.c_str(),
                            found[f].GetMarker() == 2
                                ? "end"
                                : (found[f].GetType() ? "reflection" : "event"),
                            found[f].GetPosition(), found[f].GetLoss());
        }
    }
    score.truth += counted;
    score.matched += matched;
    if (verbose)
        std::printf("%s: truth %d, found %d, matched %d, end error %.1f m\n", name.c_str(), counted,
                    matched + extra, matched, endError);
}

double PulseKm(const CAnalysisTrace& trace) {
    const double groupIndex = trace.groupIndex >= 1.0 ? trace.groupIndex : 1.468;
    return trace.pulseWidthNs * kLightKmPerNs / (2.0 * groupIndex);
}

double Tolerance(const CAnalysisTrace& trace) {
    return std::max({0.025, 1.5 * PulseKm(trace), 3.0 * trace.spacingKm});
}

// Prints the figures; returns F1.
double Print(const char* title, const CScore& score) {
    const double precision = score.found ? double(score.matched) / score.found : 0.0;
    const double recall = score.truth ? double(score.matched) / score.truth : 0.0;
    const double f1 =
        precision + recall > 0.0 ? 2.0 * precision * recall / (precision + recall) : 0.0;
    std::printf("%s: %d traces scored, %d without events skipped\n", title, score.files,
                score.skipped);
    std::printf("  events: %d true, %d found, %d matched; precision %.3f, recall %.3f, F1 %.3f\n",
                score.truth, score.found, score.matched, precision, recall, f1);
    std::printf("  reflective recall %.3f (%d of %d), end recall %.3f (%d of %d)\n",
                score.reflective ? double(score.reflectiveFound) / score.reflective : 1.0,
                score.reflectiveFound, score.reflective,
                score.ends ? double(score.endsFound) / score.ends : 1.0, score.endsFound,
                score.ends);
    if (score.endsBefore)
        std::printf("  end markers with events after them, scored as events: %d\n",
                    score.endsBefore);
    if (score.unclassed)
        std::printf("  reflections stored without a reflectance or below the threshold, kind not "
                    "scored: %d\n",
                    score.unclassed);
    std::printf(
        "  median end error %.2f m (%.2f pulse lengths), median splice loss error %.3f dB\n",
        Median(score.endErrors), Median(score.endPulses), Median(score.lossErrors));
    std::printf("  losses found as reflections: %d\n", score.lossesAsReflections);
    std::printf("  misses the instrument's table marks as edited by hand: %d\n",
                score.editedMisses);
    return f1;
}

void ScoreFile(const std::string& path, bool verbose, CScore& score) {
    std::unique_ptr<CSignal> signal(OpenSignal(path));
    if (!signal || signal->GetEventCount() < 2 || signal->GetPointCount() < 2) {
        ++score.skipped;
        return;
    }
    const CAnalysisTrace trace = AnalysisTraceOf(*signal);
    const CAnalysisThresholds thresholds = StoredThresholds(*signal);
    const CAnalysisResult result = AnalyzeTrace(trace, thresholds);
    std::vector<CTruth> truth;
    for (int i = 0; i < signal->GetEventCount(); ++i) {
        const CKeyEvent event = signal->GetEvent(i);
        if (event.GetMarker() == 1) {
            const double from = result.events.front().GetPosition();
            if (std::abs(event.GetPosition() - from) > Tolerance(trace) &&
                event.GetPosition() > from &&
                event.GetPosition() <
                    trace.startKm + static_cast<double>(trace.count) * trace.spacingKm) {
                CTruth t;
                t.position = event.GetPosition();
                t.start = t.optional = true;
                truth.push_back(t);
            }
            continue;
        }
        CTruth t;
        t.position = event.GetPosition();
        // 2: a reflection that saturated the receiver.
        t.reflective = event.GetType() == 1 || event.GetType() == 2;
        t.end = event.GetMarker() == 2;
        t.edited = event.GetFlag();
        t.loss = event.GetLoss();
        t.reflectance = event.GetReflectance();
        // Instruments store 0 for a reflectance they could not measure (a saturated peak, one
        // past the trace's last sample).
        t.unclassed = t.reflective && (event.GetReflectance() == 0.0 ||
                                       event.GetReflectance() < thresholds.reflectance);
        truth.push_back(t);
    }
    // An end marker with stored events beyond it (on a launch cable's end, or before a stretch
    // the instrument blanked) is not where the fibre ends: the analysis reports nothing past
    // its end.
    for (CTruth& t : truth)
        if (t.end && std::any_of(truth.begin(), truth.end(), [&](const CTruth& other) {
                return !other.start && other.position > t.position + Tolerance(trace);
            })) {
            t.end = false;
            ++score.endsBefore;
        }
    const std::size_t slash = path.find_last_of('/');
    Score(slash == std::string::npos ? path : path.substr(slash + 1), truth, result.events,
          Tolerance(trace), PulseKm(trace), verbose, score);
}

// The score's synthesized set.
// reflectance: the threshold the analysis is given; above the synthesizer's connectors, it
// scores how the reflections it must not call reflective are still found.
void ScoreSynth(int count, double reflectance, bool verbose, CScore& score) {
    for (int k = 0; k < count; ++k) {
        const CSynthOptions options = ScoredSynthOptions(k);
        const CTraceSynthesizer synth(options);
        const CAnalysisTrace trace = AnalysisTraceOf(synth);
        CAnalysisThresholds thresholds;
        thresholds.reflectance = reflectance;
        std::vector<CTruth> truth;
        for (const CSynthEvent& event : synth.GetEvents()) {
            if (event.start)
                continue;
            CTruth t;
            t.position = event.position;
            t.reflective = event.reflective;
            t.end = event.end;
            t.loss = event.loss;
            t.reflectance = event.reflectance;
            t.unclassed = t.reflective && event.reflectance < thresholds.reflectance;
            t.optional = !event.reflective && !event.end &&
                         std::abs(event.loss) < 1.5 * thresholds.spliceLoss;
            truth.push_back(t);
        }
        Score("synth seed " + std::to_string(options.seed), truth,
              AnalyzeTrace(trace, thresholds).events, Tolerance(trace), PulseKm(trace), verbose,
              score);
    }
}

} // namespace

int main(int argc, char** argv) {
    CStderrPrompts prompts;
    CPromptsScope promptsScope(prompts);
    bool verbose = false;
    int synth = 0;
    double floor = 0.0;
    double reflectance = CAnalysisThresholds().reflectance;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--verbose")
            verbose = true;
        else if (arg == "--synth" && i + 1 < argc)
            synth = std::atoi(argv[++i]);
        else if (arg == "--synth-reflectance" && i + 1 < argc)
            reflectance = std::atof(argv[++i]);
        else if (arg == "--min-f1" && i + 1 < argc)
            floor = std::atof(argv[++i]);
        else
            files.push_back(arg);
    }
    bool below = false;
    if (!files.empty()) {
        CScore score;
        for (const std::string& path : files)
            try {
                ScoreFile(path, verbose, score);
            } catch (const CException& error) {
                // An unreadable file is not scored, and the others still are.
                std::fprintf(stderr, "%s: %s\n", path.c_str(), error.GetErrorMessage().c_str());
                ++score.skipped;
            }
        below = Print("files", score) < floor;
    }
    if (synth > 0) {
        CScore score;
        ScoreSynth(synth, reflectance, verbose, score);
        below = Print("synthesized", score) < floor || below;
    }
    if (below)
        std::printf("F1 below the floor %.3f\n", floor);
    return below ? 1 : 0;
}
