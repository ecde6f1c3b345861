#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "support/TestSupport.h"
#include "tools/SorRun.h"
#include "tools/synth/CTraceSynthesizer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <set>
#include <sstream>

namespace {

using Json = nlohmann::json;

std::string Km(double km) {
    std::ostringstream text;
    text.precision(17);
    text << km;
    return text.str();
}

// Each mode through the command line over a written trace: the keys the mode gives and no
// other, the two-point numbers the markers pane shows, a splice's loss as synthesized, and
// null with a reason for what cannot be measured.
TEST(SorMeasure, EachModeGivesItsQuantitiesOrNullWithAReason) {
    CScratchDir dir;
    std::string out, err;
    const std::string trace = dir.Path("t.sor");
    ASSERT_EQ(Sor({"synth", trace, "--points", "12000", "--seed", "5"}, out, err), 0) << err;
    const std::unique_ptr<CSignal> signal(OpenSignal(trace));
    ASSERT_TRUE(signal);
    CSynthOptions options;
    options.pointCount = 12000;
    options.seed = 5;
    const CTraceSynthesizer synth(options);
    const double w = synth.GetEventWidth();
    const CSynthEvent* splice = nullptr;
    for (const CSynthEvent& e : synth.GetEvents())
        if (!splice && !e.reflective && !e.start && !e.end)
            splice = &e;
    ASSERT_NE(splice, nullptr);
    const double a = splice->position - w, b = splice->position + 2 * w;
    const std::vector<std::string> markers = {"--a",       Km(a),  "--b",       Km(b),      "--a1",
                                              Km(a - 0.5), "--b1", Km(b + 0.5), "--format", "json"};

    struct CCase {
        const char* mode;
        std::set<std::string> readings;
    };
    const CCase cases[] = {{"two-point", {"loss", "attenuation"}},
                           {"lsa", {"loss", "attenuation", "deviation"}},
                           {"splice", {"loss"}},
                           {"reflectance", {"reflectance"}},
                           {"orl", {"orl"}}};
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.mode);
        std::vector<std::string> args = {"measure", trace, "--mode", c.mode};
        args.insert(args.end(), markers.begin(), markers.end());
        ASSERT_EQ(Sor(args, out, err), 0) << err;
        const Json json = Json::parse(out);
        std::set<std::string> keys;
        for (const auto& [key, value] : json.items())
            keys.insert(key);
        std::set<std::string> expected = {"mode", "a", "b", "a1", "b1"};
        expected.insert(c.readings.begin(), c.readings.end());
        if (json.contains("reason"))
            expected.insert("reason");
        EXPECT_EQ(keys, expected);
        EXPECT_EQ(json["mode"], c.mode);
        EXPECT_DOUBLE_EQ(json["a1"].get<double>(), a - 0.5);
        // Only the reflectance has nothing to read here: a splice has no peak.
        EXPECT_EQ(json.contains("reason"), std::string(c.mode) == "reflectance");
        if (std::string(c.mode) == "two-point") {
            const float loss = static_cast<float>(signal->GetLevelAt(static_cast<float>(b))) -
                               static_cast<float>(signal->GetLevelAt(static_cast<float>(a)));
            EXPECT_EQ(json["loss"].get<double>(), static_cast<double>(loss));
        }
        if (std::string(c.mode) == "splice") {
            EXPECT_NEAR(json["loss"].get<double>(), splice->loss, 0.02);
        }
    }
    ASSERT_EQ(Sor({"measure", trace, "--mode", "reflectance", "--a", Km(a), "--b", Km(b),
                   "--format", "json"},
                  out, err),
              0);
    EXPECT_TRUE(Json::parse(out)["reflectance"].is_null());
    EXPECT_EQ(Json::parse(out)["reason"], "no peak between A and B");

    // Markers off the trace: null and why; the sub-markers default outside A and B.
    ASSERT_EQ(Sor({"measure", trace, "--mode", "lsa", "--a", "1", "--b", "900", "--format", "json"},
                  out, err),
              0);
    const Json outside = Json::parse(out);
    EXPECT_TRUE(outside["attenuation"].is_null());
    EXPECT_EQ(outside["reason"], "a marker lies outside the trace");
    EXPECT_LT(outside["a1"].get<double>(), 1.0);
    EXPECT_GT(outside["b1"].get<double>(), 900.0);

    ASSERT_EQ(Sor({"measure", trace, "--mode", "splice", "--a", Km(a), "--b", Km(b)}, out, err), 0);
    EXPECT_NE(out.find("Loss: "), std::string::npos) << out;
    EXPECT_EQ(Sor({"measure", trace, "--a", "1"}, out, err), 2);
    EXPECT_EQ(Sor({"measure", trace, "--a", "1", "--b", "2", "--mode", "x"}, out, err), 2);
}

} // namespace
