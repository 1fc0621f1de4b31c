#pragma once

#include <string>

// The three grid sizes every benchmark runs on, all of the same analytic flow, so that a
// difference between them is the grid's size and nothing else.
struct BenchGrid {
    int ni;
    int nj;
    const char* label;
};
inline constexpr BenchGrid kBenchGrids[] = {
    {64, 102, "64x102"}, {512, 820, "512x820"}, {2048, 3277, "2048x3277"}};
inline constexpr int kBenchGridCount = 3;
inline constexpr const char* kBenchFlow = "cylinder";

// The geometry file of grid G, written on first use into the benchmark data folder
// ($TESMORA_BENCH_DATA, else the build's bench-data folder) and reused by later runs.
const std::string& BenchDataSet(int g);
