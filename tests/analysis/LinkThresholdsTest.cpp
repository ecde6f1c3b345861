#include "analysis/LinkThresholds.h"
#include "analysis/ThresholdsFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

CKeyEvent Event(int marker, int type, float km, float loss, double reflectance, float attenuation) {
    CKeyEvent event;
    event.SetMarker(marker);
    event.SetType(type);
    event.SetPosition(km);
    event.SetLoss(loss);
    event.SetReflectance(reflectance);
    event.SetAttenuation(attenuation);
    return event;
}

// A launch, a splice, a connector, a gain, an "other" without reflectance, the fibre end.
CLinkFacts Link() {
    const double none = -std::numeric_limits<float>::max(); // the files' "no value"
    CLinkFacts facts;
    facts.events = {
        Event(1, 1, 0.0f, 0.9f, -20.0, 0.0f),   // launch: never checked as an event
        Event(0, 0, 2.0f, 0.12f, none, 0.34f),  // splice
        Event(0, 1, 5.0f, 0.45f, -42.0, 0.36f), // connector
        Event(0, 0, 6.0f, -0.2f, none, 0.33f),  // gain: passes any loss limit
        Event(0, 2, 8.0f, 0.30f, none, 0.30f),  // other, no reflectance: a splice
        Event(2, 1, 10.0f, 9.0f, -14.0, 0.41f), // open end: only its section counts
    };
    facts.endToEndLoss = 4.5;
    facts.returnLoss = 31.0;
    return facts;
}

using E = EThreshold;

TEST(LinkThresholdsTest, ChecksEachEventAgainstItsKindOfLimit) {
    struct Case {
        const char* what;
        CLinkThresholds limits;
        std::vector<CThresholdBreach> expected;
    };
    const auto set = [](auto member, double value) {
        CLinkThresholds t;
        t.*member = value;
        return t;
    };
    const std::vector<Case> cases = {
        {"all off", {}, {}},
        {"splices above 0.1",
         set(&CLinkThresholds::spliceLoss, 0.1),
         {{1, E::SpliceLoss, 0.12f, 0.1}, {4, E::SpliceLoss, 0.30f, 0.1}}},
        {"a loss at the limit passes", set(&CLinkThresholds::spliceLoss, 0.30f), {}},
        {"connectors above 0.4",
         set(&CLinkThresholds::connectorLoss, 0.4),
         {{2, E::ConnectorLoss, 0.45f, 0.4}}},
        {"reflectance above -45, end and launch left out",
         set(&CLinkThresholds::reflectance, -45),
         {{2, E::Reflectance, -42.0, -45}}},
        {"sections above 0.35, the end's too",
         set(&CLinkThresholds::sectionAttenuation, 0.35),
         {{2, E::SectionAttenuation, 0.36f, 0.35}, {5, E::SectionAttenuation, 0.41f, 0.35}}},
        {"end-to-end above 4",
         set(&CLinkThresholds::endToEndLoss, 4.0),
         {{-1, E::EndToEndLoss, 4.5, 4.0}}},
        {"return loss below 35",
         set(&CLinkThresholds::minReturnLoss, 35.0),
         {{-1, E::MinReturnLoss, 31.0, 35.0}}},
        {"return loss above its minimum", set(&CLinkThresholds::minReturnLoss, 30.0), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CLinkVerdict verdict = CheckLink(Link(), c.limits);
        EXPECT_EQ(verdict.checked, c.limits.AnyOn());
        EXPECT_EQ(verdict.breaches, c.expected);
        EXPECT_EQ(verdict.Passed(), c.expected.empty());
    }

    // Unknown totals never fail; every breach of one event is found by its index.
    CLinkFacts unknown = Link();
    unknown.endToEndLoss.reset();
    unknown.returnLoss.reset();
    CLinkThresholds all{"", 0.1, 0.4, -45.0, 0.35, 1.0, 50.0};
    const CLinkVerdict verdict = CheckLink(unknown, all);
    EXPECT_TRUE(verdict.Of(-1).empty());
    EXPECT_EQ(verdict.Of(2).size(), 3u);
    EXPECT_EQ(verdict.breaches.size(), 6u);
}

TEST(LinkThresholdsTest, EndToEndLossOfTheEventsAddsSectionsAndInnerLosses) {
    const CLinkFacts link = Link();
    // Sections 2·0.34 + 3·0.36 + 1·0.33 + 2·0.30 + 2·0.41, losses 0.12 + 0.45 - 0.2 + 0.30.
    const double expected = 0.68 + 1.08 + 0.33 + 0.60 + 0.82 + 0.67;
    ASSERT_TRUE(EventsEndToEndLoss(link.events));
    EXPECT_NEAR(*EventsEndToEndLoss(link.events), expected, 1e-5);
    // Without a marked end the last event ends the link; one event is no link.
    std::vector<CKeyEvent> unmarked(link.events.begin(), link.events.end() - 1);
    EXPECT_NEAR(*EventsEndToEndLoss(unmarked), expected - 0.82 - 0.30, 1e-5);
    EXPECT_FALSE(EventsEndToEndLoss({link.events[0]}));
}

TEST(LinkThresholdsTest, FileRoundTripsAndRefusesWhatIsNotASet) {
    CScratchDir dir;
    CLinkThresholds set{"Заказчик «Север»", 0.1, std::nullopt, -45.5, 0.35, std::nullopt, 32.0};
    const std::string path = dir.Path("set.json");
    WriteThresholdsFile(path, set);
    const CThresholdsOrError back = ReadThresholdsFile(path);
    ASSERT_TRUE(std::holds_alternative<CLinkThresholds>(back)) << std::get<std::string>(back);
    EXPECT_EQ(std::get<CLinkThresholds>(back), set);

    const std::string deep = std::string(20000, '[') + std::string(20000, ']');
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"not JSON", R"({"format": "lumetra-thresholds", "version": 1, )"},
        {"not ours", R"({"version": 1, "spliceLoss": 0.1})"},
        {"a later version", R"({"format": "lumetra-thresholds", "version": 2})"},
        {"a text for a number",
         R"({"format": "lumetra-thresholds", "version": 1, "spliceLoss": "0.1"})"},
        {"out of range", R"({"format": "lumetra-thresholds", "version": 1, "reflectance": 12})"},
        {"an array", "[1, 2]"},
        {"empty", ""},
    };
    for (const auto& [what, text] : bad) {
        SCOPED_TRACE(what);
        const std::string file = dir.Path("bad.json");
        WriteAll(file, std::vector<std::uint8_t>(text.begin(), text.end()));
        const CThresholdsOrError result = ReadThresholdsFile(file);
        ASSERT_TRUE(std::holds_alternative<std::string>(result));
        EXPECT_NE(std::get<std::string>(result).find(file), std::string::npos);
    }
    // Keys of a later writer are ignored, however deep; a missing threshold is off.
    const CThresholdsOrError lenient = ParseThresholds(
        R"({"format": "lumetra-thresholds", "version": 1, "colour": [1, {"a": 2}], "x": )" + deep +
            R"(, "connectorLoss": 0.5})",
        "x.json");
    ASSERT_TRUE(std::holds_alternative<CLinkThresholds>(lenient));
    EXPECT_EQ(std::get<CLinkThresholds>(lenient).connectorLoss, 0.5);
    EXPECT_FALSE(std::get<CLinkThresholds>(lenient).spliceLoss);
    // A missing file names itself too.
    const CThresholdsOrError missing = ReadThresholdsFile(dir.Path("none.json"));
    ASSERT_TRUE(std::holds_alternative<std::string>(missing));
    EXPECT_NE(std::get<std::string>(missing).find("none.json"), std::string::npos);
}

} // namespace
