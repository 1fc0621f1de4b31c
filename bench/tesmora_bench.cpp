// Benchmarks of the path from files to picture, on one flow at three grid sizes. Work counts
// (streamlines, points, integration steps, separation tests, allocations) are reported beside
// the times, and the size-independence targets are checked from the same run at the end.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/alloc_counter.h"
#include "bench/bench_data.h"
#include "render/offscreen_context.h"
#include "render/view_projection.h"
#include "scene/flow_scene.h"

namespace {

constexpr std::uint32_t kSeed = 20261208;
const int kDSeps[] = {5, 10, 20};
const char* const kMethods[] = {"euler", "rk2", "rk4"};

class FailingReporter : public Reporter {
public:
    void Report(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        failed = true;
    }
    bool failed = false;
};

struct SceneHolder {
    SeparationGrid grid;
    FailingReporter reporter;
    FlowScene scene{grid, &reporter};
};

std::unique_ptr<SceneHolder> NewScene() {
    auto holder = std::make_unique<SceneHolder>();
    holder->scene.SetFixedSeed(kSeed);
    return holder;
}

// One opened scene per grid, shared by the benchmarks that only read or re-place.
FlowScene& Opened(int g) {
    static std::unique_ptr<SceneHolder> cache[kBenchGridCount];
    if (!cache[g]) {
        cache[g] = NewScene();
        cache[g]->scene.OpenDataSet(BenchDataSet(g));
    }
    return cache[g]->scene;
}

double Nodes(int g) {
    return static_cast<double>(kBenchGrids[g].ni) * kBenchGrids[g].nj;
}

void BM_ReadWhole(benchmark::State& state, int g) {
    const std::string geometry = BenchDataSet(g);
    const std::string solution = FlowScene::SolutionPathFor(geometry);
    for (auto _ : state) {
        // Into fresh memory each time, as a load must put its data somewhere new.
        for (const std::string& path : {geometry, solution}) {
            std::ifstream in(path, std::ios::binary | std::ios::ate);
            const auto size = static_cast<std::size_t>(in.tellg());
            in.seekg(0);
            auto buffer = std::make_unique_for_overwrite<char[]>(size);
            in.read(buffer.get(), static_cast<std::streamsize>(size));
            benchmark::DoNotOptimize(buffer.get());
        }
    }
    state.counters["nodes"] = Nodes(g);
}

void BM_Load(benchmark::State& state, int g) {
    auto holder = NewScene();
    const std::string& path = BenchDataSet(g);
    for (auto _ : state) {
        holder->scene.ReleaseDataSet();
        if (!holder->scene.LoadDataSet(path)) state.SkipWithError("load failed");
    }
    state.counters["nodes"] = Nodes(g);
}

// Heap held after opening, and the peak during the open, against 24 bytes per node + 8 MiB.
void BM_Memory(benchmark::State& state, int g) {
    const std::string& path = BenchDataSet(g);
    for (auto _ : state) {
        auto holder = NewScene();
        const std::int64_t before = alloccount::Now().bytes;
        alloccount::ResetPeak();
        holder->scene.OpenDataSet(path);
        const alloccount::Snapshot after = alloccount::Now();
        state.counters["held_bytes"] = static_cast<double>(after.bytes - before);
        state.counters["peak_bytes"] = static_cast<double>(after.peakBytes - before);
        state.counters["limit_bytes"] = 24.0 * Nodes(g) + 8.0 * 1024 * 1024;
    }
    state.counters["nodes"] = Nodes(g);
}

void BM_BuildRasters(benchmark::State& state, int g) {
    FlowScene& scene = Opened(g);
    for (auto _ : state) scene.BuildRasters();
    state.counters["nodes"] = Nodes(g);
}

// The real fields of tests/data/realdata, each opened once with the given step.
const char* const kRealSets[] = {"flatplate_graded", "cavity_graded", "karman_piv", "soapfilm_piv"};
FlowScene& OpenedReal(const std::string& name) {
    static std::map<std::string, std::unique_ptr<SceneHolder>> cache;
    std::unique_ptr<SceneHolder>& holder = cache[name];
    if (!holder) {
        holder = NewScene();
        holder->scene.OpenDataSet(std::string(TESMORA_REALDATA_DIR) + "/" + name + ".gri");
    }
    return holder->scene;
}

// The placement alone, again and again on an opened scene, with d_sep, method and step.
void Place(benchmark::State& state, FlowScene& scene, int dsep, int method, float stepPixels) {
    scene.m_nDSep = dsep;
    UpdateDTest(scene);
    scene.m_nMethod = method;
    scene.m_fStepPixels = stepPixels;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        scene.ResetForDraw();
        const std::uint64_t before = alloccount::Now().allocations;
        scene.PlaceStreamlines();
        allocations = alloccount::Now().allocations - before;
    }
    const PlacementStats& stats = scene.Stats();
    state.counters["streamlines"] = static_cast<double>(stats.streamlines);
    state.counters["points"] = static_cast<double>(stats.points);
    state.counters["steps"] = static_cast<double>(stats.steps);
    state.counters["sep_tests"] = static_cast<double>(stats.separationTests);
    state.counters["allocs"] = static_cast<double>(allocations);
    state.counters["allocs_per_step"] =
        stats.steps ? static_cast<double>(allocations) / static_cast<double>(stats.steps) : 0.0;
    // Leave the scene as Draw would: an image and the default settings.
    scene.m_nDSep = 10;
    UpdateDTest(scene);
    scene.m_nMethod = 1;
    scene.m_fStepPixels = 0.0f;
    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    scene.ColourBackground();
    scene.ResetForDraw();
    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    scene.ColourBackground();
    scene.PlaceStreamlines();
}

void BM_Place(benchmark::State& state, int g, int dsep, int method, float stepPixels) {
    Place(state, Opened(g), dsep, method, stepPixels);
}

void BM_PlaceReal(benchmark::State& state, std::string name, int method, float stepPixels) {
    FlowScene& scene = OpenedReal(name);
    if (!scene.HasDataSet()) {
        state.SkipWithError("the real field did not open");
        return;
    }
    Place(state, scene, 10, method, stepPixels);
}

void BM_Open(benchmark::State& state, int g) {
    auto holder = NewScene();
    const std::string& path = BenchDataSet(g);
    for (auto _ : state) {
        holder->scene.OpenDataSet(path);
        if (!holder->scene.HasDataSet()) state.SkipWithError("open failed");
    }
    state.counters["nodes"] = Nodes(g);
    state.counters["streamlines"] = static_cast<double>(holder->scene.GetStreamlineCount());
}

OffscreenContext* Context() {
    static std::unique_ptr<OffscreenContext> context = [] {
        std::string error;
        auto made = OffscreenContext::Create(700, 630, &error);
        if (!made)
            std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
        else
            SetViewProjection(700, 630);
        return made;
    }();
    return context.get();
}

void BM_Draw(benchmark::State& state, int g, bool hedgehog) {
    if (!Context()) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    auto holder = NewScene();
    FlowScene& scene = holder->scene;
    scene.m_nDSep = 5;
    UpdateDTest(scene);
    scene.OpenDataSet(BenchDataSet(g));
    scene.m_bHedgehog = hedgehog;
    for (auto _ : state) PaintFrame(scene);
    state.counters["streamlines"] = static_cast<double>(scene.GetStreamlineCount());
}

void BM_SampleVelocity(benchmark::State& state, int g) {
    FlowScene& scene = Opened(g);
    std::mt19937 random(kSeed);
    std::uniform_real_distribution<float> fx(0.0f, 1.0f);
    std::vector<GridNode> points(4096);
    for (GridNode& p : points)
        p = {scene.m_pNodes[0].x + fx(random) * scene.m_fExtentX,
             scene.m_pNodes[0].y + fx(random) * scene.m_fExtentY};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.SampleVelocity(points[i].x, points[i].y));
        i = (i + 1) % points.size();
    }
    state.counters["nodes"] = Nodes(g);
}

// Keeps every run's time and counters for the target check after the run.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    struct Result {
        double seconds;
        std::map<std::string, double> counters;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Result result{run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit), {}};
            for (const auto& [name, counter] : run.counters) result.counters[name] = counter.value;
            results[run.benchmark_name()] = result;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Result> results;
};

std::string Label(int g) {
    return kBenchGrids[g].label;
}

void Register() {
    for (int g = 0; g < kBenchGridCount; ++g) {
        const std::string l = Label(g);
        benchmark::RegisterBenchmark(("ReadWhole/" + l).c_str(), BM_ReadWhole, g)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Load/" + l).c_str(), BM_Load, g)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Memory/" + l).c_str(), BM_Memory, g)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BuildRasters/" + l).c_str(), BM_BuildRasters, g)
            ->Unit(benchmark::kMillisecond);
        for (int dsep : kDSeps)
            for (int m = 0; m < 3; ++m)
                benchmark::RegisterBenchmark(
                    ("Place/" + l + "/dsep" + std::to_string(dsep) + "/" + kMethods[m]).c_str(), BM_Place, g,
                    dsep, m, 0.0f)
                    ->Unit(benchmark::kMillisecond);
        // The pixel step beside the time step, on the same field and d_sep.
        for (int m = 1; m < 3; ++m)
            benchmark::RegisterBenchmark(("Place/" + l + "/dsep10/" + kMethods[m] + "/px1").c_str(), BM_Place,
                                         g, 10, m, 1.0f)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Open/" + l).c_str(), BM_Open, g)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Draw/" + l + "/streamlines-dsep5").c_str(), BM_Draw, g, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Draw/" + l + "/hedgehog").c_str(), BM_Draw, g, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("SampleVelocity/" + l).c_str(), BM_SampleVelocity, g);
    }
    for (const char* name : kRealSets)
        for (int m = 1; m < 3; ++m)
            for (const auto& [suffix, step] : {std::pair{"", 0.0f}, std::pair{"/px1", 1.0f}})
                benchmark::RegisterBenchmark(
                    ("PlaceReal/" + std::string(name) + "/dsep10/" + kMethods[m] + suffix).c_str(),
                    BM_PlaceReal, std::string(name), m, step)
                    ->Unit(benchmark::kMillisecond);
}

// The targets, each a measured value against its limit, from this run only.
QJsonArray CheckTargets(const std::map<std::string, CollectingReporter::Result>& r) {
    QJsonArray targets;
    auto add = [&](const std::string& name, double value, double limit, const char* unit) {
        const bool pass = value <= limit;
        std::printf("%-52s %12.3f %10.3f %-6s %s\n", name.c_str(), value, limit, unit,
                    pass ? "ok" : "MISSED");
        targets.append(QJsonObject{{"target", QString::fromStdString(name)},
                                   {"value", value},
                                   {"limit", limit},
                                   {"unit", unit},
                                   {"pass", pass}});
    };
    auto has = [&](const std::string& name) { return r.count(name) != 0; };
    const std::string small = Label(0), large = Label(kBenchGridCount - 1);
    std::printf("\n%-52s %12s %10s %-6s %s\n", "target", "measured", "limit", "unit", "");
    for (int dsep : kDSeps)
        for (const char* method : kMethods) {
            const std::string tail = "/dsep" + std::to_string(dsep) + "/" + method;
            if (has("Place/" + small + tail) && has("Place/" + large + tail))
                add("Place" + tail + " largest/smallest",
                    r.at("Place/" + large + tail).seconds / r.at("Place/" + small + tail).seconds, 1.5,
                    "ratio");
            if (has("Place/" + large + tail)) {
                const auto& c = r.at("Place/" + large + tail).counters;
                add("Place" + tail + " allocations per step", c.at("allocs_per_step"), 0.01, "ratio");
            }
        }
    // The pixel step against the time step on the same field and d_sep. On the analytic grids
    // both place a full picture and their times compare as they are. On the real fields the
    // time step places a few streamlines or fragments (on the OpenFOAM fields one of one or two
    // points), so there the time per streamline point drawn is compared.
    auto pixelStep = [&](const std::string& base, bool perPoint) {
        for (const char* method : {"rk2", "rk4"}) {
            const std::string time = base + "/dsep10/" + method, pixels = time + "/px1";
            if (!has(time) || !has(pixels)) continue;
            const auto cost = [&](const std::string& name) {
                const auto& run = r.at(name);
                return perPoint ? run.seconds / std::max(1.0, run.counters.at("points")) : run.seconds;
            };
            add(pixels + (perPoint ? " / time step, per point" : " / time step"), cost(pixels) / cost(time),
                2.0, "ratio");
        }
    };
    for (int g = 0; g < kBenchGridCount; ++g) pixelStep("Place/" + Label(g), false);
    for (const char* name : kRealSets) pixelStep("PlaceReal/" + std::string(name), true);
    if (has("Load/" + large) && has("ReadWhole/" + large))
        add("Load largest / reading both files whole",
            r.at("Load/" + large).seconds / r.at("ReadWhole/" + large).seconds, 1.5, "ratio");
    for (int g = 0; g < kBenchGridCount; ++g) {
        // A benchmark with a fixed iteration count carries it in its name.
        const std::string name = "Memory/" + Label(g);
        const std::string run = name + "/iterations:1";
        if (!has(run)) continue;
        const auto& c = r.at(run).counters;
        add(name + " held after open", c.at("held_bytes") / 1048576.0, c.at("limit_bytes") / 1048576.0,
            "MiB");
        add(name + " peak during open", c.at("peak_bytes") / 1048576.0, 1.1 * c.at("held_bytes") / 1048576.0,
            "MiB");
    }
    return targets;
}

}  // namespace

int main(int argc, char** argv) {
    std::string targetsPath;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--targets_out=", 0) == 0)
            targetsPath = arg.substr(14);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    Register();
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const QJsonArray targets = CheckTargets(reporter.results);
    if (!targetsPath.empty()) {
        QFile file(QString::fromStdString(targetsPath));
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(targets).toJson()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", targetsPath.c_str());
            return 1;
        }
    }
    benchmark::Shutdown();
    return 0;
}
