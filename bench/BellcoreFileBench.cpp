// Load and save of a million-point SR-4731 file on disk, against reading the same number of
// bytes with a plain read().

#include "formats/bellcore/CSR4731File.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPoints = 1000000;

const std::string& TracePath() {
    static const std::string path = [] {
        std::string p = "/tmp/lumetra-bench-" + std::to_string(::getpid()) + ".tra";
        CSR4731File file;
        file.GetFxdParams().AddPulseEntry(CPulseWidthEntry());
        std::vector<float> levels(kPoints);
        for (int i = 0; i < kPoints; ++i)
            levels[static_cast<std::size_t>(i)] = 3.0f + static_cast<float>(i % 20000) * 0.0031f;
        file.GetDataPts().SetLevels(kPoints, levels.data());
        for (int i = 0; i < 20; ++i)
            file.GetKeyEvents().AppendEventRecord();
        file.Save(p);
        std::atexit([] { std::remove(TracePath().c_str()); });
        return p;
    }();
    return path;
}

void Load(benchmark::State& state) {
    const std::string& path = TracePath();
    for (auto _ : state) {
        CSR4731File file;
        file.Load(path);
        benchmark::DoNotOptimize(file.GetDataPts().GetLevels().data());
    }
}
BENCHMARK(Load)->Unit(benchmark::kMillisecond);

void Save(benchmark::State& state) {
    CSR4731File file;
    file.Load(TracePath());
    const std::string out = TracePath() + ".out";
    for (auto _ : state)
        file.Save(out);
    std::remove(out.c_str());
}
BENCHMARK(Save)->Unit(benchmark::kMillisecond);

// The floor: the file's bytes into memory and nothing else.
void PlainRead(benchmark::State& state) {
    const std::string& path = TracePath();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        std::vector<char> bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)));
        ::lseek(fd, 0, SEEK_SET);
        benchmark::DoNotOptimize(::read(fd, bytes.data(), bytes.size()));
        ::close(fd);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
