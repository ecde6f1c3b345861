#include "analysis/SignalAnalysis.h"
#include "core/CGR196Signal.h"
#include "core/CM600Signal.h"
#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "formats/m600/M600Conversions.h"
#include "support/TestSupport.h"
#include "tools/SorRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Json = nlohmann::json;

TEST(SorAnalyze, FindsTheEventsAgainInExportsFormAndWritesThemBack) {
    CScratchDir dir;
    std::string out, err;
    for (const char* name : {"a.sor", "a.tra", "a.m600"}) {
        SCOPED_TRACE(name);
        const std::string trace = dir.Path(name);
        ASSERT_EQ(Sor({"synth", trace, "--points", "12000", "--seed", "5"}, out, err), 0) << err;
        const std::unique_ptr<CSignal> stored(OpenSignal(trace));

        ASSERT_EQ(Sor({"export", trace, "--format", "json"}, out, err), 0) << err;
        const Json exported = Json::parse(out);
        ASSERT_EQ(Sor({"analyze", trace, "--format", "json"}, out, err), 0) << err;
        const Json analysed = Json::parse(out);
        EXPECT_EQ(analysed["file"], trace);
        EXPECT_GT(analysed["endToEndLoss"].get<double>(), 0.0);
        EXPECT_TRUE(analysed["opticalReturnLoss"].is_number());
        const Json& events = analysed["events"];
        ASSERT_GE(events.size(), 2u);
        // Every field export writes, and nothing else.
        for (const Json& event : events) {
            ASSERT_EQ(event.size(), exported["events"][0].size());
            for (const auto& [key, value] : exported["events"][0].items())
                EXPECT_TRUE(event.contains(key)) << key;
            EXPECT_FALSE(event["flag"].get<bool>());
        }
        // The synthesizer's connectors and fibre end are found where it put them.
        const double tolerance = 0.05;
        for (int i = 1; i < stored->GetEventCount(); ++i) {
            const CKeyEvent truth = stored->GetEvent(i);
            if (truth.GetType() != 1 && truth.GetMarker() != 2)
                continue;
            bool found = false;
            for (const Json& event : events)
                found = found ||
                        std::abs(event["position"].get<double>() - truth.GetPosition()) < tolerance;
            EXPECT_TRUE(found) << truth.GetPosition();
        }
        EXPECT_EQ(events.back()["marker"], 2);
        EXPECT_NEAR(events.back()["position"].get<double>(),
                    stored->GetEvent(stored->GetEventCount() - 1).GetPosition(), tolerance);

        // The text form shows the event list as info does, and the link totals.
        ASSERT_EQ(Sor({"analyze", trace, "--splice-threshold", "5"}, out, err), 0) << err;
        EXPECT_NE(out.find("Расстояние (km)"), std::string::npos);
        EXPECT_NE(out.find("End-to-end loss:"), std::string::npos);

        // --write saves the new table in the trace's own format, or in the one OUT names.
        const std::string own = dir.Path(std::string("own-") + name);
        const std::string other = dir.Path(std::string("other-") + name + ".sor");
        ASSERT_EQ(Sor({"analyze", trace, "--write", own}, out, err), 0) << err;
        ASSERT_EQ(Sor({"analyze", trace, "--write", other}, out, err), 0) << err;
        const std::unique_ptr<CSignal> written(OpenSignal(own));
        ASSERT_TRUE(written);
        EXPECT_EQ(written->GetKind(), stored->GetKind());
        ASSERT_EQ(static_cast<std::size_t>(written->GetEventCount()), events.size());
        for (int i = 0; i < written->GetEventCount(); ++i)
            EXPECT_NEAR(written->GetEvent(i).GetPosition(),
                        events[static_cast<std::size_t>(i)]["position"].get<double>(), 0.002);
        const std::unique_ptr<CSignal> converted(OpenSignal(other));
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->GetKind(), CGR196Signal::kKind);
        const auto& records = static_cast<CGR196Signal&>(*converted).GetFile().GetKeyEvents();
        ASSERT_EQ(static_cast<std::size_t>(records.GetEventCount()), events.size());
        // Found by software: "F", the end "E".
        for (int i = 0; i + 1 < records.GetEventCount(); ++i)
            EXPECT_EQ(records.GetEvent(i).GetEventOrigin(), kOriginFound);
        // A Bellcore trace's link totals follow the new table (an M600 file has none to carry).
        if (stored->GetKind() != CM600Signal::kKind) {
            EXPECT_NEAR(records.GetEndToEndLoss(), analysed["endToEndLoss"].get<double>(), 0.001);
            EXPECT_NEAR(records.GetOpticalReturnLoss(), analysed["opticalReturnLoss"].get<double>(),
                        0.001);
            EXPECT_EQ(records.GetEndToEndMarker2(),
                      records.GetEvent(records.GetEventCount() - 1).GetPropagationTime());
        }
    }
    // Several files: the text reports stand apart as info's do, JSON is one object a line.
    const std::string sor = dir.Path("a.sor"), tra = dir.Path("a.tra");
    ASSERT_EQ(Sor({"analyze", sor, tra}, out, err), 0) << err;
    EXPECT_EQ(out.rfind(sor + "\n", 0), 0u);
    EXPECT_NE(out.find("\n\n" + tra + "\n"), std::string::npos);
    ASSERT_EQ(Sor({"analyze", sor, tra, "--format", "json"}, out, err), 0) << err;
    std::istringstream lines(out);
    std::vector<std::string> files;
    for (std::string line; std::getline(lines, line);)
        files.push_back(Json::parse(line)["file"].get<std::string>());
    EXPECT_EQ(files, (std::vector<std::string>{sor, tra}));

    // A file that is not a trace fails alone; thresholds are checked.
    EXPECT_EQ(Sor({"analyze", dir.Path("missing.sor")}, out, err), 1);
    // A threshold out of range or not a number (NaN too, which no range refuses) is a usage
    // error naming the option, not the file's own threshold used in silence.
    const std::vector<std::pair<std::string, std::string>> badThresholds = {
        {"--end-threshold", "-1"},        {"--end-threshold", "nan"},
        {"--splice-threshold", "NaN"},    {"--splice-threshold", "abc"},
        {"--reflectance-threshold", "5"}, {"--reflectance-threshold", "inf"}};
    for (const auto& [option, value] : badThresholds) {
        SCOPED_TRACE(option + " " + value);
        EXPECT_EQ(Sor({"analyze", dir.Path("a.sor"), option, value}, out, err), 2);
        EXPECT_NE(err.find(option + ": "), std::string::npos) << err;
        EXPECT_TRUE(out.empty());
    }
}

// The thresholds the instrument stored are the defaults; unset ones fall back.
TEST(SorAnalyze, ThresholdsComeFromTheFileWhereSet) {
    CGR196Signal signal;
    CFxdParams& fxd = signal.GetFile().GetFxdParams();
    fxd.SetLossThreshold(0.2f);
    fxd.SetReflectanceThreshold(-40.0f);
    fxd.SetEndOfFiberThreshold(0.0f);
    const CAnalysisThresholds set = StoredThresholds(signal);
    EXPECT_FLOAT_EQ(static_cast<float>(set.spliceLoss), 0.2f);
    EXPECT_EQ(set.reflectance, -40.0);
    EXPECT_EQ(set.endOfFibre, 3.0);
    fxd.SetLossThreshold(0.0f);
    fxd.SetReflectanceThreshold(0.0f);
    const CAnalysisThresholds unset = StoredThresholds(signal);
    EXPECT_EQ(unset.spliceLoss, 0.05);
    EXPECT_EQ(unset.reflectance, -65.0);
}

} // namespace
