#pragma once

#include <string>

// The three grid sizes every benchmark runs on, so that a difference between them is the
// grid's size and nothing else.
struct BenchGrid {
    int ni;
    int nj;
    const char* label;
};
inline constexpr BenchGrid kBenchGrids[] = {
    {64, 102, "64x102"}, {512, 820, "512x820"}, {2048, 3277, "2048x3277"}};
inline constexpr int kBenchGridCount = 3;

// The analytic flows the placement runs on, every one of tesmora-flowgen's: a uniform stream
// that passes, a street of vortices with closed lines around each core, two gyres, a saddle and
// a solid-body rotation whose every line is closed. The first is the flow of the benchmarks
// that measure loading and drawing.
inline constexpr const char* kBenchFlows[] = {"cylinder", "vortex-street", "double-gyre", "saddle",
                                              "rotation"};
inline constexpr int kBenchFlowCount = 5;

// The geometry file of FLOW on grid G, written on first use into the benchmark data folder
// ($TESMORA_BENCH_DATA, else the build's bench-data folder) and reused by later runs.
const std::string& BenchDataSet(int flow, int g);
