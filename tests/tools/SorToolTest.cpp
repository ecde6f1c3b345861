#include "tools/lumetra-sor/SorTool.h"
#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "formats/bellcore/CBellcoreFile.h"
#include "support/TestSupport.h"
#include "tools/SorRun.h"
#include "tools/synth/CTraceSynthesizer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using Json = nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Contents(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    return {bytes.begin(), bytes.end()};
}

std::unique_ptr<CSignal> Load(const std::string& path) {
    return std::unique_ptr<CSignal>(OpenSignal(path));
}

class SorToolTest : public ::testing::Test {
protected:
    // A synthesized trace of the kind the extension names.
    std::string Synth(const std::string& name, const std::vector<std::string>& options = {}) {
        std::vector<std::string> args = {"synth", dir_.Path(name), "--points", "6000"};
        args.insert(args.end(), options.begin(), options.end());
        const CSorResult result = Sor(args);
        EXPECT_EQ(result.status, 0) << result.err;
        return dir_.Path(name);
    }
    std::string Junk(const std::string& name) {
        // Long enough for every layout test to look at it and refuse it.
        const std::string text = "This is not a trace file.";
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        bytes.resize(256, 0);
        WriteAll(dir_.Path(name), bytes);
        return dir_.Path(name);
    }

    CScratchDir dir_;
};

TEST_F(SorToolTest, UsageErrorsExitWithTwoAndDoNothing) {
    const std::string trace = Synth("a.sor");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"info"},
             {"export", trace},
             {"export", trace, "--format", "xml"},
             {"convert", trace, "--to", "sor"},
             {"convert", trace, dir_.Path("b.tra"), "--to", "pdf"},
             {"synth", dir_.Path("c.sor"), "--points", "0"},
             {"synth", dir_.Path("c.sor"), "--spacing", "-1"},
             {"synth", dir_.Path("c.m600"), "--points", "70000"},
             {"synth", dir_.Path("c.sor"), "--points", "1000000", "--spacing", "100000"}}) {
        const CSorResult result = Sor(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("b.tra")));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("c.sor")));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("c.m600")));
    EXPECT_EQ(Sor({"--help"}).status, 0);
}

TEST_F(SorToolTest, OneFailingFileAmongGoodOnesIsOneLineAndTheRestIsDone) {
    const std::string good = Synth("good.sor");
    const std::string junk = Junk("junk.sor");
    const std::string missing = dir_.Path("missing.sor");
    // A GR-196-CORE file cut short inside its blocks.
    std::vector<std::uint8_t> bytes = ReadAll(good);
    bytes.resize(bytes.size() / 2);
    WriteAll(dir_.Path("cut.sor"), bytes);

    const CSorResult info = Sor({"info", good, junk, missing, dir_.Path("cut.sor"), good});
    EXPECT_EQ(info.status, 1);
    const std::vector<std::string> errors = Lines(info.err);
    ASSERT_EQ(errors.size(), 3u) << info.err;
    EXPECT_EQ(errors[0], junk + ": Неправильный тип файла");
    EXPECT_EQ(errors[1].rfind(missing + ": ", 0), 0u);
    EXPECT_EQ(errors[2].rfind(dir_.Path("cut.sor") + ": ", 0), 0u);
    EXPECT_GT(errors[2].size(), dir_.Path("cut.sor").size() + 2);
    // Both good files were described.
    std::size_t described = 0;
    for (const std::string& line : Lines(info.out))
        described += line == good;
    EXPECT_EQ(described, 2u);

    const CSorResult convert = Sor({"convert", good, junk, dir_.Path("out"), "--to", "tra"});
    EXPECT_EQ(convert.status, 1);
    EXPECT_EQ(Lines(convert.err).size(), 1u);
    EXPECT_TRUE(IsSR4731File(dir_.Path("out/good.tra")));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("out/junk.tra")));

    EXPECT_EQ(Sor({"info", good, good}).status, 0);

    // Output that cannot be written (a full disk, a closed pipe) is no success.
    std::ostringstream full, err;
    full.setstate(std::ios::badbit);
    const std::vector<std::string> args = {"lumetra-sor", "export", good, "--format", "csv"};
    EXPECT_EQ(RunSorTool(args, full, err), 1);
    EXPECT_EQ(Lines(err.str()).size(), 1u);
}

TEST_F(SorToolTest, AnExportTheDiskCannotTakeFailsAloneAndKeepsTheOldOutput) {
    namespace fs = std::filesystem;
    // Long enough for many pieces to be written while the next ones are made.
    const std::string big = dir_.Path("big.tra");
    ASSERT_EQ(Sor({"synth", big, "--points", "200000"}).status, 0);
    const std::string small = Synth("small.sor");
    for (const std::string format : {"csv", "json"}) {
        const std::string whole = Sor({"export", big, "--format", format}).out;
        const std::string smallWhole = Sor({"export", small, "--format", format}).out;
        const std::string out = dir_.Path("out-" + format);
        fs::create_directory(out);
        const std::string target = out + "/big.tra." + format;
        // A file-size limit fills the disk for the big trace at its first piece, midway, and
        // at its last byte, which only the end of the export finds; the small one fits.
        for (const std::size_t limit : {smallWhole.size(), whole.size() / 3, whole.size() - 1}) {
            SCOPED_TRACE(format + " limit " + std::to_string(limit));
            WriteAll(target, {'o', 'l', 'd'});
            const std::optional<std::string> report = RunInChild(
                [&] {
                    std::signal(SIGXFSZ, SIG_IGN);
                    const rlimit fileSize{limit, limit};
                    ::setrlimit(RLIMIT_FSIZE, &fileSize);
                    const CSorResult result =
                        Sor({"export", big, small, "--format", format, "-o", out});
                    return std::to_string(result.status) + " " + result.err;
                },
                false);
            ASSERT_TRUE(report);
            EXPECT_EQ(*report, "1 " + big + ": " + std::strerror(EFBIG) + ": " + target + "\n");
            EXPECT_EQ(Contents(target), "old");
            // The small trace's output was made whole, and nothing else is left.
            EXPECT_EQ(Contents(out + "/small.sor." + format), smallWhole);
            EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2);
        }
    }
}

TEST_F(SorToolTest, InfoShowsParametersChecksumAndEventList) {
    const std::string trace = Synth("a.tra", {"--wavelength", "1550"});
    const CSorResult result = Sor({"info", trace});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* text : {"2, Bellcore SR-4731", "Диапазон:", "Длина Импульса:", "Длина Волны:",
                             "1550 nm", "Показатель преломления:", "Коэф. Обр. Рассеяния:", "6000",
                             "Checksum:", "ok", "Тип события", "Начало", "Конец", "Конец волокна"})
        EXPECT_NE(result.out.find(text), std::string::npos) << text;
    // The demo trace starts a fraction of a metre before zero: no "-0.000".
    const std::string demo = Sor({"info", LUMETRA_DEMO_TRACE}).out;
    EXPECT_NE(demo.find(" 0.000 .. 63.996 km"), std::string::npos) << demo;

    // A stored checksum that does not match is reported, and the file still reads.
    std::vector<std::uint8_t> bytes = ReadAll(trace);
    bytes.back() ^= 0x55;
    WriteAll(trace, bytes);
    const CSorResult damaged = Sor({"info", trace});
    EXPECT_EQ(damaged.status, 0);
    EXPECT_NE(damaged.out.find("Контрольная сумма файла не совпадает"), std::string::npos);
}

TEST_F(SorToolTest, LabelsFollowTheLanguageWhileExportsAndStoredTextsDoNot) {
    const std::string trace = Synth("a.tra");
    const std::string junk = Junk("junk.sor");
    const CSorResult russian = Sor({"info", "--lang", "ru", trace});
    const CSorResult english = Sor({"--lang", "en", "info", trace});
    ASSERT_EQ(english.status, 0) << english.err;
    const struct {
        const char* russian;
        const char* english;
    } labels[] = {{"Диапазон:", "Distance range:"},
                  {"Длина Импульса:", "Pulse width:"},
                  {"Показатель преломления:", "Group index:"},
                  {"Коэф. Обр. Рассеяния:", "Backscatter coefficient:"},
                  {"Тип события", "Event type"},
                  {"Ослабление (dB/km)", "Attenuation (dB/km)"},
                  {"Начало", "Fibre start"}};
    for (const auto& label : labels) {
        EXPECT_NE(russian.out.find(label.russian), std::string::npos) << label.russian;
        EXPECT_EQ(russian.out.find(label.english), std::string::npos) << label.english;
        EXPECT_NE(english.out.find(label.english), std::string::npos) << label.english;
        EXPECT_EQ(english.out.find(label.russian), std::string::npos) << label.russian;
    }
    // The events' comments are the file's own.
    EXPECT_NE(english.out.find("Конец волокна"), std::string::npos);
    EXPECT_EQ(Sor({"info", "--lang", "en", junk}).err, junk + ": Wrong file type\n");
    EXPECT_EQ(Sor({"info", "--lang", "de", trace}).status, kExitUsage);

    // Without --lang the locale decides.
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", "en_GB.UTF-8", 1);
    EXPECT_EQ(Sor({"info", trace}).out, english.out);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    EXPECT_EQ(Sor({"info", trace}).out, russian.out);
    old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");

    for (const char* format : {"json", "csv"}) {
        const CSorResult ru = Sor({"export", "--lang", "ru", trace, "--format", format});
        const CSorResult en = Sor({"export", "--lang", "en", trace, "--format", format});
        EXPECT_EQ(ru.status, 0);
        EXPECT_EQ(en.out, ru.out) << format;
    }
}

TEST_F(SorToolTest, CsvHasOneLineASampleWithDistanceAndDisplayedLevel) {
    const std::string trace = Synth("a.sor");
    const CSorResult result = Sor({"export", trace, "--format", "csv"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 6001u);
    EXPECT_EQ(lines[0], "distance_km,level_db");
    const std::unique_ptr<CSignal> signal = Load(trace);
    // As drawn: the first sample at the start, the last at the end.
    const double spacing = signal->GetRange() / 5999.0;
    for (std::size_t i : {std::size_t{0}, std::size_t{1234}, std::size_t{5999}}) {
        const std::string& line = lines[i + 1];
        const std::size_t comma = line.find(',');
        EXPECT_NEAR(std::stod(line.substr(0, comma)),
                    signal->GetStartDistance() + static_cast<double>(i) * spacing, 1e-6);
        EXPECT_EQ(std::stof(line.substr(comma + 1)), -signal->GetLevels()[i]);
    }

    // To a file, and for several inputs one file each in a folder.
    EXPECT_EQ(Sor({"export", trace, "--format", "csv", "-o", dir_.Path("a.csv")}).status, 0);
    EXPECT_EQ(Lines(Contents(dir_.Path("a.csv"))).size(), 6001u);
    const std::string other = Synth("b.tra");
    EXPECT_EQ(Sor({"export", trace, other, "--format", "json", "-o", dir_.Path("out")}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("out/a.sor.json")));
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("out/b.tra.json")));
}

TEST_F(SorToolTest, JsonHoldsParametersEventsAndSamplesForEveryKind) {
    for (const char* name : {"a.sor", "a.tra", "a.m600"}) {
        SCOPED_TRACE(name);
        const std::string trace = Synth(name);
        const CSorResult result = Sor({"export", trace, "--format", "json"});
        ASSERT_EQ(result.status, 0) << result.err;
        const Json json = Json::parse(result.out);
        const std::unique_ptr<CSignal> signal = Load(trace);

        EXPECT_EQ(json["file"], trace);
        EXPECT_EQ(json["kind"], signal->GetKind());
        const Json& lines = json["parameters"]["lines"];
        ASSERT_EQ(lines.size(), 5u);
        std::string label, value;
        ASSERT_TRUE(signal->GetDescription(1, label, value));
        EXPECT_EQ(lines[1]["label"], label);
        EXPECT_EQ(lines[1]["value"], value);
        if (signal->GetKind() == SignalKind::M600) {
            EXPECT_EQ(json["parameters"]["header"]["wavelength"], 1310);
        } else {
            const Json& fxd = json["parameters"]["FxdParams"];
            EXPECT_EQ(fxd["actualWavelength"], 1310);
            EXPECT_EQ(fxd["pulseWidths"][0]["numberOfDataPoints"], 6000);
            EXPECT_DOUBLE_EQ(fxd["groupIndex"].get<double>(), signal->GetGroupIndex());
            EXPECT_EQ(json["parameters"]["SupParams"]["supplierName"], "Lumetra View");
            EXPECT_EQ(json["parameters"]["GenParams"]["originatingLocation"], "Узел А");
            EXPECT_EQ(json["parameters"]["GenParams"].contains("fiberType"),
                      signal->GetKind() == SignalKind::SR4731);
        }
        EXPECT_EQ(json["pointCount"], 6000);
        EXPECT_FLOAT_EQ(json["endDistance"].get<float>(), signal->GetEndDistance());

        ASSERT_EQ(json["events"].size(), static_cast<std::size_t>(signal->GetEventCount()));
        for (int i = 0; i < signal->GetEventCount(); ++i) {
            const Json& event = json["events"][static_cast<std::size_t>(i)];
            const CKeyEvent expected = signal->GetEvent(i);
            EXPECT_EQ(event["fileIndex"], expected.GetFileIndex());
            EXPECT_EQ(event["type"], expected.GetType());
            EXPECT_EQ(event["marker"], expected.GetMarker());
            EXPECT_EQ(event["method"], expected.GetMethod());
            EXPECT_EQ(event["flag"], expected.GetFlag());
            EXPECT_EQ(event["position"].get<float>(), expected.GetPosition());
            EXPECT_EQ(event["loss"].get<float>(), expected.GetLoss());
            EXPECT_EQ(event["reflectance"].get<double>(), expected.GetReflectance());
            EXPECT_EQ(event["attenuation"].get<float>(), expected.GetAttenuation());
            EXPECT_EQ(event["comment"], expected.GetComment());
        }
        // The stored levels exactly, in file order.
        const std::vector<float> samples = json["samples"].get<std::vector<float>>();
        EXPECT_EQ(samples, signal->GetLevels());
    }
}

TEST_F(SorToolTest, ConvertRoundTripsAmongTheThreeKinds) {
    const std::string start = Synth("start.sor");
    const std::unique_ptr<CSignal> original = Load(start);
    const std::vector<std::pair<std::string, SignalKind>> kinds = {
        {"sor", SignalKind::GR196}, {"tra", SignalKind::SR4731}, {"m600", SignalKind::M600}};
    for (const auto& [to, kind] : kinds)
        for (const auto& [back, backKind] : kinds) {
            SCOPED_TRACE(to + " and back to " + back);
            const std::string there = dir_.Path("there." + to);
            const std::string home = dir_.Path("home." + back);
            ASSERT_EQ(Sor({"convert", start, there, "--to", to}).status, 0);
            const CSorResult result = Sor({"convert", there, home, "--to", back});
            ASSERT_EQ(result.status, 0) << result.err;
            const std::unique_ptr<CSignal> signal = Load(home);
            ASSERT_TRUE(signal);
            EXPECT_EQ(signal->GetKind(), backKind);
            ASSERT_EQ(signal->GetPointCount(), original->GetPointCount());
            for (std::size_t i = 0; i < original->GetPointCount(); i += 97)
                ASSERT_NEAR(signal->GetLevels()[i], original->GetLevels()[i], 0.0011);
            ASSERT_EQ(signal->GetEventCount(), original->GetEventCount());
            // M600 positions are kept in its own, coarse time unit.
            const bool viaM600 = kind == SignalKind::M600 || backKind == SignalKind::M600;
            for (int i = 0; i < signal->GetEventCount(); ++i)
                EXPECT_NEAR(signal->GetEvent(i).GetPosition(), original->GetEvent(i).GetPosition(),
                            viaM600 ? 1.1 : 1e-4);
        }
}

TEST_F(SorToolTest, ConvertingAFileOntoItselfRewritesIt) {
    // The converted signal keeps the old name; a save to that name must still write.
    const std::string trace = Synth("a.sor");
    const CSorResult result = Sor({"convert", trace, trace, "--to", "tra"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(IsSR4731File(trace));
    EXPECT_EQ(Load(trace)->GetPointCount(), 6000u);
}

TEST_F(SorToolTest, ConvertIntoAFolderNeverOverwritesAnOutputOfTheSameRun) {
    // Two inputs of one name in different folders, and a third of the same stem.
    std::filesystem::create_directories(dir_.Path("x"));
    std::filesystem::create_directories(dir_.Path("y"));
    const std::string first = Synth("x/t.sor", {"--spacing", "2"});
    const std::string second = Synth("y/t.sor", {"--spacing", "4"});
    const std::string third = Synth("t.tra", {"--spacing", "8"});
    const std::string other = Synth("u.sor");
    const CSorResult result =
        Sor({"convert", first, second, other, third, dir_.Path("out"), "--to", "m600"});
    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> lines = Lines(result.err);
    ASSERT_EQ(lines.size(), 2u) << result.err;
    EXPECT_EQ(lines[0].rfind(second + ": not converted: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(first), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind(third + ": not converted: ", 0), 0u) << lines[1];
    // The output is the first input's (its range), and the other name was still converted.
    const std::unique_ptr<CSignal> written = Load(dir_.Path("out/t.m600"));
    ASSERT_TRUE(written);
    EXPECT_NEAR(written->GetEndDistance(), Load(first)->GetEndDistance(), 0.01);
    EXPECT_TRUE(Load(dir_.Path("out/u.m600")));

    // Exports and analyses into a folder keep the same rule.
    for (const auto& [args, refusal] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"export", first, second, "--format", "csv", "-o", dir_.Path("csv")}, "not exported"},
             {{"analyze", first, second, "--write", dir_.Path("analysed")}, "not analysed"}}) {
        const CSorResult again = Sor(args);
        EXPECT_EQ(again.status, 1) << args[0];
        const std::vector<std::string> refused = Lines(again.err);
        ASSERT_EQ(refused.size(), 1u) << again.err;
        EXPECT_EQ(refused[0].rfind(second + ": " + refusal + ": ", 0), 0u) << refused[0];
    }
    EXPECT_NEAR(Load(dir_.Path("analysed/t.sor"))->GetEndDistance(), Load(first)->GetEndDistance(),
                0.01);
}

TEST_F(SorToolTest, SynthLoadsInAllThreeFormatsWithItsEvents) {
    CSynthOptions options;
    options.pointCount = 6000;
    const CTraceSynthesizer expected(options);
    for (const char* name : {"s.sor", "s.tra", "s.m600"}) {
        SCOPED_TRACE(name);
        const std::unique_ptr<CSignal> signal = Load(Synth(name));
        ASSERT_TRUE(signal);
        EXPECT_EQ(signal->GetPointCount(), 6000u);
        // The last sample: one data spacing short of the range in Bellcore, which stores the
        // spacing; at the range in M600, which spreads the samples over it.
        EXPECT_NEAR(signal->GetEndDistance(), expected.GetRangeKm() - 0.002, 0.0021);
        const auto& events = expected.GetEvents();
        ASSERT_EQ(signal->GetEventCount(), static_cast<int>(events.size()));
        const double tolerance = signal->GetKind() == SignalKind::M600 ? 0.52 : 1e-4;
        for (int i = 0; i < signal->GetEventCount(); ++i) {
            const CKeyEvent event = signal->GetEvent(i);
            const CSynthEvent& synthesized = events[static_cast<std::size_t>(i)];
            EXPECT_NEAR(event.GetPosition(), synthesized.position, tolerance);
            EXPECT_EQ(event.GetMarker(), synthesized.start ? 1 : synthesized.end ? 2 : 0);
            if (!synthesized.start && !synthesized.end) {
                EXPECT_EQ(event.GetType(), synthesized.reflective ? 1 : 0);
            }
            EXPECT_EQ(event.GetComment(), synthesized.comment);
        }
        std::string label, value;
        ASSERT_TRUE(signal->GetDescription(1, label, value));
        EXPECT_EQ(value, std::to_string(expected.GetPulseWidth()) + " ns");
        EXPECT_EQ(signal->GetLoadWarning(), "");
    }
    // Same seed, same bytes; the bundled demo is the default trace.
    EXPECT_EQ(ReadAll(Synth("x.tra", {"--seed", "5"})), ReadAll(Synth("y.tra", {"--seed", "5"})));
    EXPECT_EQ(Sor({"synth", dir_.Path("demo.sor")}).status, 0);
    EXPECT_EQ(ReadAll(dir_.Path("demo.sor")), ReadAll(LUMETRA_DEMO_TRACE));
}

TEST_F(SorToolTest, EverySampleFileReadsExportsAndConvertsBothWays) {
    const auto samples = SampleFiles({".sor", ".tra"});
    if (samples.empty())
        GTEST_SKIP() << "no sample files";
    const char* names[] = {"", "sor", "tra", "m600"};
    for (const auto& sample : samples) {
        const std::string path = sample.string();
        SCOPED_TRACE(path);
        const std::unique_ptr<CSignal> original = Load(path);
        ASSERT_TRUE(original);
        EXPECT_EQ(Sor({"info", path}).status, 0);
        const CSorResult json = Sor({"export", path, "--format", "json"});
        ASSERT_EQ(json.status, 0) << json.err;
        EXPECT_EQ(Json::parse(json.out)["samples"].size(), original->GetPointCount());
        const CSorResult csv = Sor({"export", path, "--format", "csv"});
        ASSERT_EQ(csv.status, 0) << csv.err;
        const std::vector<std::string> lines = Lines(csv.out);
        EXPECT_EQ(lines.size(), original->GetPointCount() + 1);
        // The samples span the JSON's start and end distances, as the view draws them.
        const Json parsed = Json::parse(json.out);
        ASSERT_GE(lines.size(), 3u);
        // The JSON holds them as single-precision numbers, the CSV with six decimals.
        EXPECT_NEAR(std::stod(lines[1]), parsed["startDistance"].get<double>(), 2e-5);
        EXPECT_NEAR(std::stod(lines.back()), parsed["endDistance"].get<double>(), 2e-5);

        const int kind = KindNumber(original->GetKind());
        for (int other = 1; other <= 3; ++other) {
            if (other == kind)
                continue;
            const std::string there = dir_.Path("there");
            const std::string back = dir_.Path("back");
            const CSorResult to = Sor({"convert", path, there, "--to", names[other]});
            ASSERT_EQ(to.status, 0) << names[other] << ": " << to.err;
            const CSorResult from = Sor({"convert", there, back, "--to", names[kind]});
            ASSERT_EQ(from.status, 0) << names[other] << ": " << from.err;
            const std::unique_ptr<CSignal> signal = Load(back);
            ASSERT_TRUE(signal);
            EXPECT_EQ(KindNumber(signal->GetKind()), kind);
            EXPECT_EQ(signal->GetPointCount(), original->GetPointCount());
            EXPECT_EQ(signal->GetEventCount(), original->GetEventCount());
            // The samples keep their place against the events (within a metre of rounding).
            EXPECT_NEAR(signal->GetStartDistance(), original->GetStartDistance(), 1e-3)
                << names[other];
            EXPECT_NEAR(signal->GetEndDistance(), original->GetEndDistance(), 1e-3) << names[other];
        }
    }
}

// The built program, as scripts run it.
int RunBinary(const std::string& arguments, const std::string& out, const std::string& err) {
    const std::string command = std::string("'") + LUMETRA_SOR_BINARY + "' " + arguments + " >'" +
                                out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SorToolTest, TheProgramReportsThroughItsExitStatusAndStreams) {
    const std::string out = dir_.Path("out.txt"), err = dir_.Path("err.txt");
    const std::string trace = dir_.Path("p.tra");
    ASSERT_EQ(RunBinary("synth '" + trace + "' --points 3000 --seed 3", out, err), 0)
        << Contents(err);
    ASSERT_EQ(RunBinary("export '" + trace + "' --format json", out, err), 0) << Contents(err);
    const Json json = Json::parse(Contents(out));
    EXPECT_EQ(json["kind"], 2);
    EXPECT_EQ(json["samples"].size(), 3000u);

    const std::string junk = Junk("junk.tra");
    EXPECT_EQ(RunBinary("info '" + trace + "' '" + junk + "'", out, err), 1);
    EXPECT_EQ(Contents(err), junk + ": Неправильный тип файла\n");
    EXPECT_NE(Contents(out).find("Bellcore SR-4731"), std::string::npos);
    EXPECT_EQ(RunBinary("info", out, err), 2);
}

TEST_F(SorToolTest, PathsItCannotCheckDevicesAndHugeFilesFailTheirOwnFile) {
    namespace fs = std::filesystem;
    const std::string good = Synth("good.sor");
    const std::string out = dir_.Path("out.txt"), err = dir_.Path("err.txt");
    const std::string loop = dir_.Path("loop.sor");
    fs::create_symlink("loop.sor", loop);
    const std::string fifo = dir_.Path("fifo.sor");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto quoted = [](const std::string& path) { return " '" + path + "'"; };

    // The real program: none of these may end it by an exception.
    EXPECT_EQ(RunBinary("convert" + quoted(good) + quoted(loop) + " --to sor", out, err), 1);
    EXPECT_EQ(Contents(err), good + ": Не могу сохранить файл в формате Bellcore : " +
                                 std::strerror(ELOOP) + ": " + loop + "\n");
    EXPECT_EQ(RunBinary("info" + quoted(fifo) + quoted("/dev/null") + quoted(good), out, err), 1);
    EXPECT_EQ(
        Lines(Contents(err)),
        (std::vector<std::string>{
            fifo + ": Не могу загрузить файл в формате Bellcore : Not a regular file: " + fifo,
            "/dev/null: Не могу загрузить файл в формате Bellcore : Not a regular file: "
            "/dev/null"}));
    const std::string huge = dir_.Path("huge.sor");
    if (MakeSparseFile(huge, ReadAll(good), std::uint64_t{40} << 30)) {
        EXPECT_EQ(RunBinary("info" + quoted(huge), out, err), 1);
        EXPECT_EQ(Contents(err), huge + ": Не могу загрузить файл в формате Bellcore : " +
                                     std::strerror(EFBIG) + ": " + huge + "\n");
    }

    // Outputs in a folder the user may not search.
    const std::string closed = dir_.Path("closed");
    fs::create_directory(closed);
    ::chmod(closed.c_str(), 0);
    const std::optional<std::string> report = RunInChild(
        [&] {
            const CSorResult convert = Sor({"convert", good, closed + "/x.sor", "--to", "sor"});
            const CSorResult exported =
                Sor({"export", good, "--format", "csv", "-o", closed + "/x"});
            return std::to_string(convert.status) + convert.err + std::to_string(exported.status) +
                   exported.err;
        },
        true);
    ::chmod(closed.c_str(), 0755);
    if (!report)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    const std::string denied = std::strerror(EACCES);
    EXPECT_EQ(*report, "1" + good + ": Не могу сохранить файл в формате Bellcore : " + denied +
                           ": " + closed + "/x.sor\n1" + good + ": " + denied + ": " + closed +
                           "/x\n");
}

} // namespace
