// The exports write their numbers with their own fast writers; these hold them to the library
// calls that wrote them before, digit for digit, and the whole outputs to recorded digests.

#include "formats/bellcore/CDataPts.h"
#include "support/TestSupport.h"
#include "tools/lumetra-sor/NumberText.h"
#include "tools/lumetra-sor/SorTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Fixed6(double value) {
    char text[kMaxNumberText];
    return {text, WriteFixed6(text, value)};
}

std::string LibraryFixed6(double value) {
    char text[kMaxNumberText];
    return {text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr};
}

// What the CSV wrote before: the shortest float text, 0 for -0.
std::string LibraryShortest(float value) {
    char text[64];
    return {text, std::to_chars(text, text + sizeof text, value == 0.0f ? 0.0f : value).ptr};
}

// What the JSON wrote before: the library's text of the double the shortest text reads as.
std::string LibraryJson(float value) {
    char text[64];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    double parsed = value;
    std::from_chars(text, end, parsed);
    return nlohmann::json(parsed).dump();
}

// Floats of every kind: random bit patterns (NaNs, infinities, subnormals, both zeros) and
// levels as traces hold them, each twice so the remembered texts are read back too.
std::vector<float> SomeFloats() {
    std::mt19937 random(23);
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 48.65259f,
                                 1e-5f,
                                 1e15f,
                                 1e16f,
                                 123456790.0f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
    // Where the JSON reads a shortest text with one exact operation, and just beyond.
    values.insert(values.end(), {1e22f, 1e-22f, 1e23f, 4e-23f, -9.999999e21f, 1.0000001e15f});
    // Consecutive floats around each power of ten where the JSON finds shortest texts itself,
    // and integers ending in zeros, which it leaves to the library.
    for (float decade = 1e-4f; decade < 1e8f; decade *= 10.0f)
        for (std::uint32_t bits = std::bit_cast<std::uint32_t>(decade) - 1000;
             bits < std::bit_cast<std::uint32_t>(decade) + 1000; ++bits)
            values.push_back(std::bit_cast<float>(bits));
    values.insert(values.end(), {50.0f, -1234560.0f, 8388609.0f, 9999999.0f, 0.5f, 65.535f});
    // Where decimals of up to seven places are found directly: a sweep, and its upper end.
    for (std::uint32_t bits = std::bit_cast<std::uint32_t>(0.001f);
         bits < std::bit_cast<std::uint32_t>(4000.0f); bits += 997)
        values.push_back(std::bit_cast<float>(bits) * (bits % 2 == 0 ? 1.0f : -1.0f));
    for (std::uint32_t bits = std::bit_cast<std::uint32_t>(4000.0f) - 300;
         bits < std::bit_cast<std::uint32_t>(4000.0f) + 300; ++bits)
        values.push_back(std::bit_cast<float>(bits));
    for (int i = 0; i < 100000; ++i)
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    std::uniform_int_distribution<int> raw(0, 65535);
    for (int i = 0; i < 100000; ++i)
        values.push_back(static_cast<float>(raw(random) * 0.001 * (i % 3 == 0 ? 10 : 1)));
    const std::size_t once = values.size();
    for (std::size_t i = 0; i < once; ++i)
        values.push_back(values[i]);
    return values;
}

TEST(ExportNumbers, FixedSixWritesWhatTheLibraryWrites) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1e9,
                                  999999999.9999995,
                                  -1.5,
                                  -0.0000001,
                                  1e300,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    // Exact ties at the sixth decimal (m / 128 with 15625 dividing m) and their neighbours.
    for (int m = 1; m < 2000; m += 2) {
        const double tie = m * 15625.0 / (1 << 20);
        values.insert(values.end(), {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e9)});
    }
    std::mt19937_64 random(16);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        // Distances as the export makes them, and values of every size.
        const double spacing = unit(random) * 0.01;
        values.push_back(unit(random) * 10.0 + static_cast<double>(i) * spacing);
        values.push_back(std::ldexp(unit(random), static_cast<int>(random() % 80) - 50));
        values.push_back(std::bit_cast<double>(random()));
    }
    for (const double value : values)
        ASSERT_EQ(Fixed6(value), LibraryFixed6(value)) << std::hexfloat << value;
}

// Distances one after the other, as the CSV writes them: from either side of zero, up and
// down, through whole kilometres, ties and the end of the fast range, then values that are no
// distances at all.
TEST(ExportNumbers, DistanceRunsWriteWhatTheLibraryWrites) {
    std::mt19937_64 random(23);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<std::vector<double>> runs;
    for (int r = 0; r < 120; ++r) {
        const double start = r % 4 == 0 ? 0.0 : (unit(random) - 0.3) * std::ldexp(1.0, r % 13);
        const double spacing =
            (r % 5 == 0 ? -1.0 : 1.0) * std::ldexp(unit(random), -static_cast<int>(r % 23));
        std::vector<double>& run = runs.emplace_back();
        for (int i = 0; i < 4000; ++i)
            run.push_back(start + static_cast<double>(i) * spacing);
    }
    std::vector<double>& edges = runs.emplace_back();
    for (int m = 1; m < 4000; m += 2) // exact ties at the sixth decimal, ascending
        edges.push_back(m * 15625.0 / (1 << 20));
    for (double km = 3999.999; km < 4000.001; km += 0.0000003)
        edges.push_back(km);
    edges.insert(edges.end(), {0.0, -0.0, 1.0, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(), 1e300, 0.5, -0.0});
    char text[kMaxNumberText];
    for (const std::vector<double>& run : runs) {
        CFixed6Run distances;
        for (const double km : run)
            ASSERT_EQ(std::string(text, distances.Write(text, km)), LibraryFixed6(km))
                << std::hexfloat << km;
    }
}

TEST(ExportNumbers, FloatTextsWriteWhatTheLibraryWrote) {
    CFloatTexts shortest(CFloatTexts::Style::kShortest);
    CFloatTexts json(CFloatTexts::Style::kJson);
    char text[kMaxNumberText];
    for (const float value : SomeFloats()) {
        ASSERT_EQ(std::string(text, shortest.Write(text, value)), LibraryShortest(value))
            << std::hexfloat << value;
        ASSERT_EQ(std::string(text, json.Write(text, value)), LibraryJson(value))
            << std::hexfloat << value;
    }
}

// Every level a file can hold: each raw value at each scale the groups are written with, read
// as the reader reads them.
TEST(ExportNumbers, EveryStoredLevelIsWrittenAsTheLibraryWrote) {
    CFloatTexts shortest(CFloatTexts::Style::kShortest);
    CFloatTexts json(CFloatTexts::Style::kJson);
    char text[kMaxNumberText];
    for (const std::uint16_t factor : {1, 10, 100, 1000, 10000}) {
        CScaleGroup group;
        group.SetScaleFactor(factor);
        std::vector<std::uint16_t> raw(65536);
        for (std::size_t i = 0; i < raw.size(); ++i)
            raw[i] = static_cast<std::uint16_t>(i);
        group.SetPoints(std::move(raw));
        CDataPts points;
        points.SetScaleGroups({group});
        for (const float level : points.GetLevels()) {
            ASSERT_EQ(std::string(text, shortest.Write(text, -level)), LibraryShortest(-level))
                << std::hexfloat << level;
            ASSERT_EQ(std::string(text, json.Write(text, level)), LibraryJson(level))
                << std::hexfloat << level;
        }
    }
}

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : text)
        hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

struct CDigests {
    const char* name;
    std::uint64_t info, json, csv;
};

// info, export json and export csv of each file, recorded with the name as the path.
void ExpectDigests(const std::string& folder, const CDigests& expected) {
    const std::string path = folder + "/" + expected.name;
    SCOPED_TRACE(path);
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "lumetra-sor");
        std::ostringstream out, err;
        EXPECT_EQ(RunSorTool(args, out, err), 0) << err.str();
        std::string text = out.str();
        for (std::size_t at; (at = text.find(path)) != std::string::npos;)
            text.replace(at, path.size(), expected.name);
        return text;
    };
    EXPECT_EQ(Fnv1a(run({"info", path})), expected.info);
    const std::string json = run({"export", path, "--format", "json"});
    EXPECT_EQ(Fnv1a(json), expected.json);
    EXPECT_EQ(Fnv1a(run({"export", path, "--format", "csv"})), expected.csv);
    // A file gets the same bytes as standard output.
    CScratchDir dir;
    run({"export", path, "--format", "json", "-o", dir.Path("out.json")});
    const std::vector<std::uint8_t> written = ReadAll(dir.Path("out.json"));
    std::string text(written.begin(), written.end());
    for (std::size_t at; (at = text.find(path)) != std::string::npos;)
        text.replace(at, path.size(), expected.name);
    EXPECT_EQ(text, json);
}

TEST(ExportOutput, SynthesizedTracesGiveTheRecordedBytes) {
    const CDigests expected[] = {
        {"s.tra", 0xd73bf75e95d3f0cfull, 0x914fc0a970155436ull, 0xa3bf12366b57d32bull},
        {"s.sor", 0x75d84696f9a652aeull, 0xb3fc63eb3e7bd376ull, 0xa3bf12366b57d32bull},
        {"s.m600", 0xd6c6b2fd3e4ecf95ull, 0x6957f6bd125f66e6ull, 0x98fbfc0d4b842af6ull},
    };
    CScratchDir dir;
    for (const CDigests& trace : expected) {
        std::ostringstream out, err;
        ASSERT_EQ(RunSorTool({"lumetra-sor", "synth", dir.Path(trace.name), "--points", "20000",
                              "--seed", "11"},
                             out, err),
                  0)
            << err.str();
        ExpectDigests(dir.Root().string(), trace);
    }
}

TEST(ExportOutput, SampleFilesGiveTheRecordedBytes) {
    if (SamplesDir().empty())
        GTEST_SKIP() << "no sample files";
    const CDigests expected[] = {
        {"DASDAE+test_data__ofl100_1.sor", 0x82d44f16baa37d63ull, 0xf07934c45560e6a2ull,
         0xfb69f82cdce01311ull},
        {"Hanya-Faiz+otdr-simulator__yokogawa.sor", 0xa1ef2c7d8f8ed422ull, 0x740fe71f0cc112a5ull,
         0x0432ea3c1beaef0cull},
        {"JamesHarrison+otdrs__example1-noyes-ofl280-fastreporter-save.sor", 0x4e6da01a0a457f21ull,
         0x6e6ed7c1612e16c9ull, 0x6fe8019d8ea4367dull},
        {"RemiDesgrange+pyotdr-next__demo_ab.sor", 0x849dcce0780899ddull, 0x861b97544471d7a6ull,
         0x4289eaa63b47f69dull},
        {"fabry44+otdr-parser__example6-viavi-smartotdr-1310nm.sor", 0xb2c80c070d77dd47ull,
         0xd1c9667485409de2ull, 0x2ec3480b3cb32781ull},
        {"fabry44+otdr-parser__output.sor", 0xd8797a4c338e7068ull, 0x6a49b9cd681ecd74ull,
         0x0c486e7cf4e08c8eull},
        {"groupfusion+j-otdr__test.sor", 0x432bcb36f325bf47ull, 0xa4a059d2989672d1ull,
         0x5cde4012121b20e8ull},
        {"lakeosoyoos+otdr-suite__DNN1DNN20001.sor", 0x7732b010cb09c91eull, 0xa5064b90408a2c90ull,
         0xdd1fd5f45f888a83ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0004_1550.sor", 0xfc77f85eb7e4b765ull,
         0xa0d1aa7fa5467490ull, 0x38caa63157dd7037ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0013_1550.sor", 0xf8dedbde9786a917ull,
         0x248acd85da0f415dull, 0x30c7d32ba097a71cull},
        {"lakeosoyoos+otdr-suite__ELMMIL0017_1550.sor", 0x9bfa39ff2b55c3dbull,
         0x32f41c59b695c27aull, 0xa5f8fcc11a5ef817ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0020_1550.sor", 0xc6511a717229b86dull,
         0x98d0b9bbc3e89507ull, 0x9415bae2a44ecd88ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0023_1550.sor", 0xf1261fde2fbd5003ull,
         0x8480c0f4dc9ca1f0ull, 0x33947f53bed023a3ull},
        {"lakeosoyoos+otdr-suite__FTHNTXAD01_FTHNTXAD06_001.sor", 0xe4d4442e1e76af7bull,
         0x8ddbb8015fe2bbd7ull, 0x203d195f88af5e8eull},
        {"lakeosoyoos+otdr-suite__LAGDUR0036.sor", 0x48e9828cc971f5adull, 0xb4db0586548c0810ull,
         0x7aec0b1062c9828aull},
        {"lakeosoyoos+otdr-suite__MILELM0002_1550.sor", 0x2143dfc08592c6a4ull,
         0xa9ab3a4952db6c91ull, 0x1d8ad371cd7c48c4ull},
        {"lakeosoyoos+otdr-suite__MILELM0004_1550.sor", 0xb3bbb017f20e0db7ull,
         0x1561b2824febc165ull, 0x56473b5768d6d3ffull},
        {"lakeosoyoos+otdr-suite__MILELM0018_1550.sor", 0x2bb50d9b860a84a3ull,
         0x6aaca05959f18e1cull, 0x6dc5c19bb6919fabull},
        {"lakeosoyoos+otdr-suite__MILELM0024_1550.sor", 0x22d3deccefc7d771ull,
         0x0a6a18bd44bf900aull, 0x60e73f15e467d731ull},
        {"lakeosoyoos+otdr-suite__MILTOPls0388_1550.sor", 0x21e5e416f2de6b3dull,
         0x8be6e9ebe83f9185ull, 0xa6e099b84dd834fbull},
        {"lakeosoyoos+otdr-suite__WSC_SUIsh_0017.sor", 0x9d4298842873ec5dull, 0xd1ab33c5ff69a295ull,
         0xb43bf757268d63d4ull},
        {"lakeosoyoos+otdr-suite__WSC_SUIsh_0018.sor", 0x21dab080a5d63ba1ull, 0xc29ace267a41ac37ull,
         0x9c909d07fe48afb9ull},
        {"lakeosoyoos+otdr-suite__WSC_SUIsh_0020.sor", 0x0a00a8b9ffc90e9full, 0x4c592cfcfaa02e26ull,
         0xe25a9124fd435244ull},
        {"mjuenema+otdrparser__1310_0046.sor", 0x253b4d464ce044abull, 0x50414d2affccd6c1ull,
         0x3f66d02aa7826060ull},
        {"mjuenema+otdrparser__issue15a.sor", 0x077f1aec17388a17ull, 0xaefcd0752b50eb6aull,
         0x41a5e2b468045b12ull},
        {"mjuenema+otdrparser__otdr6.sor", 0xaf07f584845c2206ull, 0x2938174ddf66896full,
         0xd045770d681ce322ull},
        {"mjuenema+otdrparser__otdr7.sor", 0x8e0a5925661c5104ull, 0x2fe788de4e4facabull,
         0xb7aa6fa130f05092ull},
        {"naseriax+gotdr__3.sor", 0x0d0dd8edb4b27405ull, 0x95dad8031f4b64ccull,
         0x8d913e6dcc386dd1ull},
        {"naseriax+pySorReader__3.sor", 0x48106bd28ca13962ull, 0x3a659ef52b00b03aull,
         0x0caf73886c59c742ull},
    };
    for (const CDigests& sample : expected)
        ExpectDigests(SamplesDir().string(), sample);
}

// The program itself prepares its memory its own way; a trace of several megabytes of buffers
// gives the same bytes as the commands run in process.
TEST(ExportOutput, TheProgramWritesWhatTheCommandsWrite) {
    CScratchDir dir;
    const std::string trace = dir.Path("large.tra");
    const auto inProcess = [](std::vector<std::string> args) {
        args.insert(args.begin(), "lumetra-sor");
        std::ostringstream out, err;
        EXPECT_EQ(RunSorTool(args, out, err), 0) << err.str();
        return out.str();
    };
    inProcess({"synth", trace, "--points", "700000", "--seed", "5"});
    const auto program = [&](const std::string& arguments) {
        const std::string out = dir.Path("program.out");
        const std::string command =
            std::string("'") + LUMETRA_SOR_BINARY + "' " + arguments + " >'" + out + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << arguments;
        const std::vector<std::uint8_t> bytes = ReadAll(out);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(program("info '" + trace + "'"), inProcess({"info", trace}));
    for (const std::string format : {"json", "csv"}) {
        const std::string written = dir.Path("out." + format);
        program("export '" + trace + "' --format " + format + " -o '" + written + "'");
        const std::vector<std::uint8_t> bytes = ReadAll(written);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
                  inProcess({"export", trace, "--format", format}))
            << format;
    }
}

} // namespace
