// The exports write their numbers with their own fast writers; these hold them to the library
// calls that wrote them before, digit for digit, and the whole outputs to recorded digests.

#include "support/TestSupport.h"
#include "tools/lumetra-sor/NumberText.h"
#include "tools/lumetra-sor/SorTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <charconv>
#include <cmath>
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
        {"s.tra", 0x11ea333a2dfb6f5full, 0x2a9f6cf8b7d44b98ull, 0xb4161ce75cd02a76ull},
        {"s.sor", 0x580f4dee76d251faull, 0x47b5f37a30aee81aull, 0xb4161ce75cd02a76ull},
        {"s.m600", 0xd6c6b2fd3e4ecf95ull, 0xb313f53bce8f2c79ull, 0x7a4c726a16f93582ull},
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
        {"DASDAE+test_data__ofl100_1.sor", 0x61395076275facdcull, 0xaf3016853e2e2c22ull,
         0x4cd378680e0413dcull},
        {"Hanya-Faiz+otdr-simulator__yokogawa.sor", 0x2092c7c730754321ull, 0x44363d1d6438faf7ull,
         0x7eeffe9f456172b0ull},
        {"JamesHarrison+otdrs__example1-noyes-ofl280-fastreporter-save.sor", 0xe4c22c5843313d14ull,
         0xc33fe5cd0e977972ull, 0xbd30f12d33028dbcull},
        {"RemiDesgrange+pyotdr-next__demo_ab.sor", 0x0673e9ba96ad9286ull, 0x4ae7767cbd1d6ae3ull,
         0xa722730f8c1850a3ull},
        {"fabry44+otdr-parser__example6-viavi-smartotdr-1310nm.sor", 0x9d210c2a1db8eb09ull,
         0x284ace3d232598feull, 0xc5ad1b5aefa3a73full},
        {"fabry44+otdr-parser__output.sor", 0x03d4971611ff3c42ull, 0x01b53fef67bda3c2ull,
         0x6b3d501e70f70cd8ull},
        {"groupfusion+j-otdr__test.sor", 0xa23cd118a8b6f32aull, 0x0b6499f6542cfb10ull,
         0xe2f27daca6c6cd9eull},
        {"lakeosoyoos+otdr-suite__DNN1DNN20001.sor", 0x57ce809ca6849095ull, 0xac3cf6984850ea5aull,
         0xeef3e50cd0cfc90full},
        {"lakeosoyoos+otdr-suite__ELMMIL0004_1550.sor", 0xc6afcdc921f714b0ull,
         0xb3df8f474ffc228aull, 0x08a67588db151cbeull},
        {"lakeosoyoos+otdr-suite__ELMMIL0013_1550.sor", 0x1ee1c986d5aafd3cull,
         0xb746d5fa3a814a33ull, 0xbe6efce7ec7694d5ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0017_1550.sor", 0x0a37d7039660bc5eull,
         0xb445b25afdae0d64ull, 0xd81775b7e4fe01f6ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0020_1550.sor", 0xb904b73b80ac32d0ull,
         0xbb8f52e2535c1957ull, 0x48bb8c34ac67b9a3ull},
        {"lakeosoyoos+otdr-suite__ELMMIL0023_1550.sor", 0x7fc80baea8643c80ull,
         0x3ca399870080b558ull, 0x08045d0e1152d77cull},
        {"lakeosoyoos+otdr-suite__FTHNTXAD01_FTHNTXAD06_001.sor", 0xe291801bca6b566cull,
         0x6fb85bd5ab81e4f4ull, 0x04c1586ba5b6f91dull},
        {"lakeosoyoos+otdr-suite__LAGDUR0036.sor", 0x421c21847f826318ull, 0x987f6115bbd5543dull,
         0xd4ae46263993e13bull},
        {"lakeosoyoos+otdr-suite__MILELM0002_1550.sor", 0x03c5e54cb311d6a5ull,
         0xddf24a2d13ac492eull, 0xb95fbe9bee2af873ull},
        {"lakeosoyoos+otdr-suite__MILELM0004_1550.sor", 0x4887b2871044381aull,
         0x10573b83a95be4ceull, 0x3373fe0367b0e814ull},
        {"lakeosoyoos+otdr-suite__MILELM0018_1550.sor", 0x8e91cc49957f6604ull,
         0xd581b5487b19282bull, 0x3858bf53b3046440ull},
        {"lakeosoyoos+otdr-suite__MILELM0024_1550.sor", 0x33b1531d149d90c2ull,
         0x94cd94fa2023edc1ull, 0x6de41dcb81736838ull},
        {"lakeosoyoos+otdr-suite__MILTOPls0388_1550.sor", 0xe7f3d7833ce34f14ull,
         0x634f2a54eb596296ull, 0x1cd7edc4a5ffe755ull},
        {"lakeosoyoos+otdr-suite__WSC_SUIsh_0017.sor", 0x21d139b057691cefull, 0xb6a6dd910fce0893ull,
         0x37a9c9233d1f917aull},
        {"lakeosoyoos+otdr-suite__WSC_SUIsh_0018.sor", 0x1fa062dfb69d02ffull, 0x6233e96c229a2865ull,
         0x96e855915ca4a9c7ull},
        {"lakeosoyoos+otdr-suite__WSC_SUIsh_0020.sor", 0x27bc90a8b75d7b25ull, 0xe71de343d4117b7cull,
         0xe6e208f5bcd85182ull},
        {"mjuenema+otdrparser__1310_0046.sor", 0x27219ac8658eed25ull, 0x324a310826eda762ull,
         0x83a5ced845eadd7aull},
        {"mjuenema+otdrparser__issue15a.sor", 0xe9970923ae9680edull, 0x8d4f15e0eb192a9cull,
         0xf69024617ce3010bull},
        {"mjuenema+otdrparser__otdr6.sor", 0x0316b0e748403c0bull, 0xf4eee0cd1ea4bbbcull,
         0xeae7bdfb7b6f5938ull},
        {"mjuenema+otdrparser__otdr7.sor", 0xdc4c9ac0d076f851ull, 0xafb518223684e2c4ull,
         0x6d8611166169ac8cull},
        {"naseriax+gotdr__3.sor", 0x9f54d4935c269dbfull, 0x71995f241623f43cull,
         0x8d7d26d408c67282ull},
        {"naseriax+pySorReader__3.sor", 0xfc63ee73d151d32eull, 0xb85b0526166e4a34ull,
         0xe14ed02d92aaacb0ull},
    };
    for (const CDigests& sample : expected)
        ExpectDigests(SamplesDir().string(), sample);
}

} // namespace
