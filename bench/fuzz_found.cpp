#include "bench/fuzz_found.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
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
    const std::pair<const char*, const char*> sources[] = {{"FuzzFound/", TESMORA_FUZZ_MINIMISED},
                                                           {"SlowInput/", TESMORA_SLOW_INPUTS}};
    for (const auto& [prefix, root] : sources) {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(root) / "python_arrays", error)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
            const std::string name =
                std::string(prefix) + "python_arrays/" + entry.path().filename().string();
            benchmark::RegisterBenchmark(name.c_str(), BM_FuzzFound, bytes)->Unit(benchmark::kMillisecond);
        }
    }
}
