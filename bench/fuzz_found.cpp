#include "bench/fuzz_found.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/python_arrays_case.h"

namespace {

void BM_FuzzFound(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    for (auto _ : state) {
        const ArraysOutcome out = RunArraysCase(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(out.lines);
    }
}

}  // namespace

void RegisterFuzzFound() {
    const std::filesystem::path folder = std::filesystem::path(TESMORA_FUZZ_MINIMISED) / "python_arrays";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        benchmark::RegisterBenchmark(("FuzzFound/python_arrays/" + entry.path().filename().string()).c_str(),
                                     BM_FuzzFound, bytes)
            ->Unit(benchmark::kMillisecond);
    }
}
