// Benchmarks of the path from files to picture at three grid sizes, and of the placement on
// every analytic flow. Work counts (streamlines, points, integration steps, separation tests,
// allocations) are reported beside the times, each placement beside its floor (the same
// integration steps alone), and the targets are checked from the same run at the end.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/large_pages.h"
#include "base/memory_budget.h"
#include "bench/alloc_counter.h"
#include "bench/bench_data.h"
#include "bench/fuzz_found.h"
#include "formats/format_reader.h"
#include "formats/mesh_resampler.h"
#include "formats/read_error.h"
#include "render/offscreen_context.h"
#include "render/view_projection.h"
#include "scene/flow_scene.h"
#include "scene/frame_list.h"

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
    formats::FormatReader reader;  // for files in other programs' formats
};

std::unique_ptr<SceneHolder> NewScene() {
    auto holder = std::make_unique<SceneHolder>();
    holder->scene.SetFixedSeed(kSeed);
    return holder;
}

// One opened scene per flow and grid, shared by the benchmarks that only read or re-place.
FlowScene& Opened(int flow, int g) {
    static std::unique_ptr<SceneHolder> cache[kBenchFlowCount][kBenchGridCount];
    std::unique_ptr<SceneHolder>& held = cache[flow][g];
    if (!held) {
        held = NewScene();
        held->scene.OpenDataSet(BenchDataSet(flow, g));
    }
    return held->scene;
}

// The flow of the benchmarks that measure loading, sampling and painting.
constexpr int kCylinder = 0;

// Nanoseconds of processor time this thread has used: what a computation costs, whatever
// else the machine runs meanwhile.
double ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// A mesh of a million triangles (a jittered lattice of 708 x 708 points, each square split in
// two) sampled onto 1024 x 1024 nodes with u and v, as a .vtu of a CFD run is read.
void BM_ResampleMesh(benchmark::State& state) {
    constexpr std::int64_t n = 708;
    formats::PlaneMesh mesh;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    for (std::int64_t j = 0; j < n; ++j)
        for (std::int64_t i = 0; i < n; ++i) {
            const bool edge = i == 0 || j == 0 || i == n - 1 || j == n - 1;
            mesh.x.push_back(static_cast<double>(i) + (edge ? 0 : jitter(rng)));
            mesh.y.push_back(static_cast<double>(j) + (edge ? 0 : jitter(rng)));
        }
    mesh.offsets.reserve(static_cast<std::size_t>(2 * (n - 1) * (n - 1) + 1));
    for (std::int64_t j = 0; j + 1 < n; ++j)
        for (std::int64_t i = 0; i + 1 < n; ++i) {
            const std::int64_t a = j * n + i;
            for (const std::int64_t id : {a, a + 1, a + n + 1, a, a + n + 1, a + n})
                mesh.connectivity.push_back(id);
            mesh.offsets.push_back(static_cast<std::int64_t>(mesh.connectivity.size()) - 3);
            mesh.offsets.push_back(static_cast<std::int64_t>(mesh.connectivity.size()));
        }
    std::vector<double> u(mesh.x.size()), v(mesh.x.size());
    for (std::size_t p = 0; p < u.size(); ++p) {
        u[p] = std::sin(mesh.x[p] / 50) * mesh.y[p];
        v[p] = std::cos(mesh.y[p] / 50);
    }
    for (auto _ : state) {
        formats::ResampledMesh r = formats::ResampleMesh(mesh, {&u, &v}, {1024, 1024}, "bench.vtu");
        benchmark::DoNotOptimize(r.values[0].data());
    }
    state.counters["triangles"] = static_cast<double>(mesh.CellCount());
}
BENCHMARK(BM_ResampleMesh)->Unit(benchmark::kMillisecond);

double Nodes(int g) {
    return static_cast<double>(kBenchGrids[g].ni) * kBenchGrids[g].nj;
}

void BM_ReadWhole(benchmark::State& state, int g) {
    const std::string geometry = BenchDataSet(kCylinder, g);
    const std::string solution = FlowScene::SolutionPathFor(geometry);
    for (auto _ : state) {
        // Into fresh memory each time, as a load must put its data somewhere new, on the large
        // pages a load's arrays are asked for.
        for (const std::string& path : {geometry, solution}) {
            std::ifstream in(path, std::ios::binary | std::ios::ate);
            const auto size = static_cast<std::size_t>(in.tellg());
            in.seekg(0);
            auto buffer = std::make_unique_for_overwrite<char[]>(size);
            AdviseLargePages(buffer.get(), size);
            in.read(buffer.get(), static_cast<std::streamsize>(size));
            benchmark::DoNotOptimize(buffer.get());
        }
    }
    state.counters["nodes"] = Nodes(g);
}

void BM_Load(benchmark::State& state, int g) {
    auto holder = NewScene();
    const std::string& path = BenchDataSet(kCylinder, g);
    for (auto _ : state) {
        holder->scene.ReleaseDataSet();
        if (!holder->scene.LoadDataSet(path)) state.SkipWithError("load failed");
    }
    state.counters["nodes"] = Nodes(g);
}

// Heap held after opening, and the peak during the open, against 24 bytes per node + 8 MiB.
void BM_Memory(benchmark::State& state, int g) {
    const std::string& path = BenchDataSet(kCylinder, g);
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
    FlowScene& scene = Opened(kCylinder, g);
    for (auto _ : state) scene.BuildRasters();
    state.counters["nodes"] = Nodes(g);
}

// The real fields of tests/data/realdata, each opened once with the given step.
const char* const kRealSets[] = {"flatplate_graded", "cavity_graded", "karman_piv", "soapfilm_piv"};
// The file at PATH, in the program's format or another's, opened once.
FlowScene& OpenedFile(const std::string& path) {
    static std::map<std::string, std::unique_ptr<SceneHolder>> cache;
    std::unique_ptr<SceneHolder>& holder = cache[path];
    if (!holder) {
        holder = NewScene();
        holder->scene.SetDataSetReader(&holder->reader);
        holder->scene.OpenDataSet(path);
    }
    return holder->scene;
}

FlowScene& OpenedReal(const std::string& name) {
    return OpenedFile(std::string(TESMORA_REALDATA_DIR) + "/" + name + ".gri");
}

// The floor of a placement: its integration steps alone, each traced direction again from its
// start for as many steps as it took, every step from the point the one before reached.
GridNode IntegrateAlone(const FlowScene& scene, const std::vector<TracedDirection>& log) {
    GridNode reached{};
    for (const TracedDirection& d : log) {
        GridNode cur = d.start;
        bool failed = false;
        for (std::uint32_t k = 0; k < d.steps; ++k) cur = scene.Step(d.method, cur, d.direction, &failed);
        reached += cur;
    }
    return reached;
}

// The benchmarks' settings: the defaults but for what a benchmark varies, set as the control
// bar and the command line set them.
DrawSettings BenchSettings(int dsep, int method, float stepPixels, int placement = DrawSettings{}.placement) {
    DrawSettings s;
    s.dsep = dsep;
    s.method = method;
    s.stepPixels = stepPixels;
    s.placement = placement;
    return s;
}

// Leaves a shared scene as Draw would: an image, the default settings and their streamlines.
// The timed placements reset the scene without colouring it again, and Draw needs an image: it
// is made anew first.
void RestoreDefaults(FlowScene& scene) {
    ApplyDrawSettings(scene, DrawSettings{});
    if (!scene.HasDataSet()) scene.BuildRasters();
    scene.RedrawScene();
}

// PlaceStreamlines alone (the reset before it is not timed), and beside it, in the same
// iterations, the floor: the same integration steps without anything else.
void Place(benchmark::State& state, FlowScene& scene, int dsep, int method, float stepPixels,
           int placement = DrawSettings{}.placement) {
    ApplyDrawSettings(scene, BenchSettings(dsep, method, stepPixels, placement));
    std::vector<TracedDirection> log;
    scene.ResetForDraw();
    scene.SetTraceLog(&log);
    scene.PlaceStreamlines();
    scene.SetTraceLog(nullptr);

    std::uint64_t allocations = 0;
    double placeNs = 0.0, floorNs = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.ResetForDraw();
        state.ResumeTiming();
        const double t0 = ThreadCpuNs();
        const std::uint64_t before = alloccount::Now().allocations;
        scene.PlaceStreamlines();
        allocations = alloccount::Now().allocations - before;
        const double t1 = ThreadCpuNs();
        state.PauseTiming();
        benchmark::DoNotOptimize(IntegrateAlone(scene, log));
        const double t2 = ThreadCpuNs();
        state.ResumeTiming();
        placeNs += t1 - t0;
        floorNs += t2 - t1;
    }
    const PlacementStats& stats = scene.Stats();
    const double steps = static_cast<double>(stats.steps);
    const double runs = static_cast<double>(state.iterations());
    state.counters["streamlines"] = static_cast<double>(stats.streamlines);
    state.counters["points"] = static_cast<double>(stats.points);
    state.counters["steps"] = steps;
    state.counters["sep_tests"] = static_cast<double>(stats.separationTests);
    state.counters["allocs"] = static_cast<double>(allocations);
    state.counters["allocs_per_step"] = steps > 0 ? static_cast<double>(allocations) / steps : 0.0;
    state.counters["ns_per_step"] = steps > 0 ? placeNs / runs / steps : 0.0;
    state.counters["floor_ns_per_step"] = steps > 0 ? floorNs / runs / steps : 0.0;
    state.counters["floor_ratio"] = floorNs > 0 ? placeNs / floorNs : 0.0;
    if (placement == kPlacementFine) {
        // Its cost beyond the floor is mostly the distance transforms and the seeds they give.
        state.counters["seeds"] = static_cast<double>(stats.seedsExamined);
        state.counters["transforms"] = static_cast<double>(stats.distanceTransforms);
        state.counters["updates"] = static_cast<double>(stats.distanceUpdates);
        state.counters["farthest"] = static_cast<double>(stats.farthestSeeds);
        state.counters["dropped"] = static_cast<double>(stats.droppedShort);
        state.counters["loops"] = static_cast<double>(stats.closedLoops);
    }
    RestoreDefaults(scene);
}

// The Draw button on a scene already open: re-colouring and placement, each call timed, so
// that the slowest one is known and not only the mean.
void BM_Redraw(benchmark::State& state, int flow, int g, int dsep, int method) {
    FlowScene& scene = Opened(flow, g);
    ApplyDrawSettings(scene, BenchSettings(dsep, method, 0.0f));
    double slowestNs = 0.0, totalNs = 0.0;
    for (auto _ : state) {
        const double t0 = ThreadCpuNs();
        scene.RedrawScene();
        const double t = ThreadCpuNs() - t0;
        slowestNs = std::max(slowestNs, t);
        totalNs += t;
    }
    state.counters["streamlines"] = static_cast<double>(scene.GetStreamlineCount());
    state.counters["steps"] = static_cast<double>(scene.Stats().steps);
    state.counters["cpu_ms_mean"] = totalNs / static_cast<double>(state.iterations()) / 1e6;
    state.counters["cpu_ms_max"] = slowestNs / 1e6;
    RestoreDefaults(scene);
}

void BM_Place(benchmark::State& state, int flow, int g, int dsep, int method, float stepPixels,
              int placement) {
    Place(state, Opened(flow, g), dsep, method, stepPixels, placement);
}

void BM_PlaceReal(benchmark::State& state, std::string name, int method, float stepPixels, int placement) {
    FlowScene& scene = OpenedReal(name);
    if (!scene.HasDataSet()) {
        state.SkipWithError("the real field did not open");
        return;
    }
    Place(state, scene, 10, method, stepPixels, placement);
}

// Placement on a field from a file given in TESMORA_BENCH_FIELDS (paths separated by ':'), such
// as the peers' fields bench/peers.py writes, so that their placement can be profiled in a loop
// rather than in a fresh process.
void BM_PlaceFile(benchmark::State& state, std::string path, int dsep, int method, int placement) {
    FlowScene& scene = OpenedFile(path);
    if (!scene.HasDataSet()) {
        state.SkipWithError("the field did not open");
        return;
    }
    Place(state, scene, dsep, method, 1.0f, placement);
}

void BM_Open(benchmark::State& state, int g) {
    auto holder = NewScene();
    const std::string& path = BenchDataSet(kCylinder, g);
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

void BM_Paint(benchmark::State& state, int g, bool hedgehog) {
    if (!Context()) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    auto holder = NewScene();
    FlowScene& scene = holder->scene;
    DrawSettings settings = BenchSettings(5, DrawSettings{}.method, 0.0f);
    ApplyDrawSettings(scene, settings);
    scene.OpenDataSet(BenchDataSet(kCylinder, g));
    settings.hedgehog = hedgehog;
    ApplyDrawSettings(scene, settings);
    for (auto _ : state) PaintFrame(scene);
    state.counters["streamlines"] = static_cast<double>(scene.GetStreamlineCount());
}

void BM_SampleVelocity(benchmark::State& state, int g) {
    FlowScene& scene = Opened(kCylinder, g);
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

// The picture as a view: a scene with SIZE and the placement on a real field, the fields
// resampled, coloured and the lines placed, each timed. With ZOOM, each iteration is one step
// of a zoom (a window shrunk about the middle, then the whole data again), Draw's work for it.
struct ViewCase {
    std::string set;  // a real field, or an analytic flow on the middle grid
    int width;
    int height;
    int placement;
    bool zoom;
};

void BM_View(benchmark::State& state, ViewCase c) {
    auto holder = NewScene();
    FlowScene& scene = holder->scene;
    DrawSettings settings = BenchSettings(10, kMethodRK2, 1.0f, c.placement);
    settings.size = {c.width, c.height, 0};
    settings.aspect = kAspectEqual;
    ApplyDrawSettings(scene, settings);
    const bool real = std::find(std::begin(kRealSets), std::end(kRealSets), c.set) != std::end(kRealSets);
    int flow = 0;
    while (!real && flow < kBenchFlowCount && c.set != kBenchFlows[flow]) ++flow;
    scene.OpenDataSet(real ? std::string(TESMORA_REALDATA_DIR) + "/" + c.set + ".gri"
                           : BenchDataSet(flow, 1));
    if (!scene.HasDataSet()) {
        state.SkipWithError("the field did not open");
        return;
    }
    const GridNode low = scene.PixelToWorld(0, 0);
    const GridNode high = scene.PixelToWorld(c.width - 1, c.height - 1);
    const WorldWindow whole{};
    const double cx = scene.Origin().ShownX(0.5f * (low.x + high.x));
    const double cy = scene.Origin().ShownY(0.5f * (low.y + high.y));
    const double hw = 0.4 * (high.x - low.x), hh = 0.4 * (high.y - low.y);
    const WorldWindow zoomed{cx - hw, cx + hw, cy - hh, cy + hh};
    double rastersNs = 0.0, placeNs = 0.0, slowestNs = 0.0;
    bool in = false;
    for (auto _ : state) {
        const double t0 = ThreadCpuNs();
        if (c.zoom) {
            in = !in;
            settings.window = in ? zoomed : whole;
            ApplyDrawSettings(scene, settings);
            scene.ApplyView();
        }
        scene.ResetForDraw();
        scene.BuildRasters();
        const double t1 = ThreadCpuNs();
        scene.PlaceStreamlines();
        const double t2 = ThreadCpuNs();
        rastersNs += t1 - t0;
        placeNs += t2 - t1;
        slowestNs = std::max(slowestNs, t2 - t0);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["rasters_ms"] = rastersNs / runs / 1e6;
    state.counters["place_ms"] = placeNs / runs / 1e6;
    state.counters["cpu_ms_max"] = slowestNs / 1e6;
    state.counters["streamlines"] = static_cast<double>(scene.GetStreamlineCount());
}

std::string ViewName(const ViewCase& c) {
    return std::string(c.zoom ? "ZoomStep/" : "View/") + c.set + "/" + std::to_string(c.width) + "x" +
           std::to_string(c.height) + "/" + (c.placement == kPlacementFine ? "fine" : "standard");
}

// Resampling the largest grid into the largest view against the classic picture of it.
void BM_ResampleView(benchmark::State& state, int width, int height) {
    auto holder = NewScene();
    FlowScene& scene = holder->scene;
    DrawSettings settings = BenchSettings(10, kMethodRK2, 0.0f);
    settings.size = {width, height, 0};
    ApplyDrawSettings(scene, settings);
    scene.OpenDataSet(BenchDataSet(kCylinder, kBenchGridCount - 1));
    for (auto _ : state) scene.BuildRasters();
    state.counters["pixels"] = static_cast<double>(width) * height;
}

// The eleven OpenPIV frames of a Kármán wake, a folder per frame, as the viewer plays them:
// $TESMORA_BENCH_SEQUENCE, else the shared real data beside the source tree. They are not kept
// in the repository (3.1 MB each); without them the cases below are skipped.
std::filesystem::path SequenceFolder() {
    if (const char* env = std::getenv("TESMORA_BENCH_SEQUENCE"); env && *env) return env;
    return TESMORA_SEQUENCE_DIR;
}

// The series opened once at 350 x 560 pixels with the fine placement and the pixel step, its
// colours spanned over every frame as the viewer spans them, and every frame's arrays read
// already, as the read-ahead hands them over.
struct PlayedSeries {
    SceneHolder holder;
    std::vector<Frame> frames;
    std::vector<DataSetArrays> arrays;
    std::string error;
};

constexpr int kPlayWidth = 350, kPlayHeight = 560;

PlayedSeries& Series() {
    static std::unique_ptr<PlayedSeries> series;
    if (series) return *series;
    series = std::make_unique<PlayedSeries>();
    PlayedSeries& s = *series;
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(SequenceFolder(), ec))
        if (const auto file = entry.path() / "field_A000.txt"; std::filesystem::is_regular_file(file, ec))
            paths.push_back(file.string());
    if (paths.size() < 2) {
        s.error = "no series in " + SequenceFolder().string() + " (set TESMORA_BENCH_SEQUENCE)";
        return s;
    }
    FlowScene& scene = s.holder.scene;
    scene.SetDataSetReader(&s.holder.reader);
    if (!FramesOf(paths, &s.holder.reader, s.holder.reporter, s.frames)) {
        s.error = "the series' frames could not be listed";
        return s;
    }
    DrawSettings settings = BenchSettings(DrawSettings{}.dsep, kMethodRK2, 1.0f, kPlacementFine);
    settings.size = {kPlayWidth, kPlayHeight, 0};
    settings.aspect = kAspectEqual;
    ApplyDrawSettings(scene, settings);
    scene.OpenDataSet(s.frames.front().path);
    if (!scene.HasDataSet() || !scene.MeasureSequenceRanges(s.frames)) {
        s.error = "the series did not open";
        return s;
    }
    for (const Frame& frame : s.frames) {
        DataSetArrays data;
        if (!scene.ReadFrameArrays(frame, data)) {
            s.error = "a frame could not be read";
            return s;
        }
        s.arrays.push_back(std::move(data));
    }
    return s;
}

// What a played frame costs once it is read, frame after frame through the series: PART says
// which share is timed. Showing (the arrays swapped in, checked against the grid and the
// rasters built: ShowFrameArrays with arrows, which places nothing), placing (the fine
// placement with the pixel step on the frame shown) or both (ShowFrameArrays as the viewer
// calls it for a frame read ahead). The copy the read-ahead would have made is not timed.
enum class PlayPart { Show, Place, Both };

void BM_Play(benchmark::State& state, PlayPart part, bool coherent) {
    PlayedSeries& s = Series();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    FlowScene& scene = s.holder.scene;
    DrawSettings settings = CurrentDrawSettings(scene);
    settings.hedgehog = part == PlayPart::Show;
    settings.coherent = coherent;
    ApplyDrawSettings(scene, settings);
    std::size_t frame = 0;
    std::size_t streamlines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DataSetArrays data = s.arrays[frame].Copy();
        // The timed reset of a placement alone leaves the scene without its image, which the
        // next frame is drawn into: it is made again here, untimed.
        if (!scene.HasDataSet()) scene.BuildRasters();
        if (part == PlayPart::Place && !scene.ShowFrameArrays(s.frames[frame], std::move(data))) {
            state.SkipWithError("a frame was not shown");
            break;
        }
        state.ResumeTiming();
        if (part == PlayPart::Place) {
            scene.ResetForDraw();
            scene.PlaceStreamlines();
        } else if (!scene.ShowFrameArrays(s.frames[frame], std::move(data))) {
            state.SkipWithError("a frame was not shown");
            break;
        }
        streamlines += scene.GetStreamlineCount();
        frame = (frame + 1) % s.frames.size();
    }
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["streamlines"] =
        static_cast<double>(streamlines) / std::max<double>(1.0, static_cast<double>(state.iterations()));
    settings.hedgehog = false;
    settings.coherent = false;
    ApplyDrawSettings(scene, settings);
    if (!scene.HasDataSet()) scene.BuildRasters();
}

std::string PlayName(PlayPart part, bool coherent) {
    const char* what = part == PlayPart::Show ? "show" : part == PlayPart::Place ? "place" : "frame";
    return std::string("Play/karman_openpiv/") + std::to_string(kPlayWidth) + "x" +
           std::to_string(kPlayHeight) + "/fine/px1/" + what + (coherent ? "/coherent" : "");
}

// One OpenPIV text frame (3.1 MB of x y u v s2n mask) read by the reader alone: from the file
// as the read-ahead reads it, and from its bytes in memory, which is the parsing alone.
void BM_ReadOpenPiv(benchmark::State& state, bool fromMemory) {
    PlayedSeries& s = Series();
    if (s.frames.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    const std::string& path = s.frames.front().path;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    formats::FormatReader reader;
    FailingReporter reporter;
    std::int64_t nodes = 0;
    for (auto _ : state) {
        DataSetArrays data;
        if (fromMemory) {
            try {
                formats::ReadDataSetBytes(bytes, path, data);
            } catch (const formats::ReadError&) {
                state.SkipWithError("the frame could not be read");
                break;
            }
        } else if (!reader.Read(path, data, reporter))
            state.SkipWithError("the frame could not be read");
        benchmark::DoNotOptimize(data.u.get());
        nodes = data.NodeCount();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
    state.counters["nodes"] = static_cast<double>(nodes);
}

// Keeps every run's times and counters for the target check after the run.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    struct Result {
        double seconds;     // wall clock
        double cpuSeconds;  // this thread's processor time
        std::map<std::string, double> counters;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            Result result{run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit, {}};
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

std::string PlaceName(int flow, int g, int dsep, int method) {
    return std::string("Place/") + kBenchFlows[flow] + "/" + Label(g) + "/dsep" + std::to_string(dsep) + "/" +
           kMethods[method];
}

// The Draw target: the largest grid, the smallest distance and the dearest integrator.
constexpr int kRedrawDSep = 5;
constexpr int kRedrawMethod = 2;

std::string RedrawName(int flow) {
    return std::string("Redraw/") + kBenchFlows[flow] + "/" + Label(kBenchGridCount - 1) + "/dsep" +
           std::to_string(kRedrawDSep) + "/" + kMethods[kRedrawMethod];
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
        for (int flow = 0; flow < kBenchFlowCount; ++flow)
            for (int dsep : kDSeps)
                for (int m = 0; m < 3; ++m)
                    benchmark::RegisterBenchmark(PlaceName(flow, g, dsep, m).c_str(), BM_Place, flow, g, dsep,
                                                 m, 0.0f, kPlacementStandard)
                        ->Unit(benchmark::kMillisecond);
        // The fine placement beside the standard one, on the same field, d_sep and method.
        for (int flow = 0; flow < kBenchFlowCount; ++flow)
            for (int dsep : kDSeps)
                for (int m = 1; m < 3; ++m)
                    benchmark::RegisterBenchmark((PlaceName(flow, g, dsep, m) + "/fine").c_str(), BM_Place,
                                                 flow, g, dsep, m, 0.0f, kPlacementFine)
                        ->Unit(benchmark::kMillisecond);
        // The pixel step beside the time step, on the same field and d_sep.
        for (int m = 1; m < 3; ++m)
            benchmark::RegisterBenchmark((PlaceName(kCylinder, g, 10, m) + "/px1").c_str(), BM_Place,
                                         kCylinder, g, 10, m, 1.0f, kPlacementStandard)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Open/" + l).c_str(), BM_Open, g)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Paint/" + l + "/streamlines-dsep5").c_str(), BM_Paint, g, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Paint/" + l + "/hedgehog").c_str(), BM_Paint, g, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("SampleVelocity/" + l).c_str(), BM_SampleVelocity, g);
    }
    for (const char* name : kRealSets)
        for (int m = 1; m < 3; ++m)
            for (const auto& [suffix, step] : {std::pair{"", 0.0f}, std::pair{"/px1", 1.0f}})
                benchmark::RegisterBenchmark(
                    ("PlaceReal/" + std::string(name) + "/dsep10/" + kMethods[m] + suffix).c_str(),
                    BM_PlaceReal, std::string(name), m, step, kPlacementStandard)
                    ->Unit(benchmark::kMillisecond);
    for (const char* name : kRealSets)
        benchmark::RegisterBenchmark(("PlaceReal/" + std::string(name) + "/dsep10/rk2/px1/fine").c_str(),
                                     BM_PlaceReal, std::string(name), kMethodRK2, 1.0f, kPlacementFine)
            ->Unit(benchmark::kMillisecond);
    if (const char* fields = std::getenv("TESMORA_BENCH_FIELDS")) {
        std::stringstream list(fields);
        for (std::string path; std::getline(list, path, ':');) {
            if (path.empty()) continue;
            const std::string stem = std::filesystem::path(path).stem().string();
            for (int dsep : kDSeps)
                for (int m = 1; m < 3; ++m)
                    for (const int placement : {kPlacementStandard, kPlacementFine})
                        benchmark::RegisterBenchmark(
                            ("PlaceFile/" + stem + "/dsep" + std::to_string(dsep) + "/" + kMethods[m] +
                             (placement == kPlacementFine ? "/fine" : ""))
                                .c_str(),
                            BM_PlaceFile, path, dsep, m, placement)
                            ->Unit(benchmark::kMillisecond);
        }
    }
    for (int flow = 0; flow < kBenchFlowCount; ++flow)
        benchmark::RegisterBenchmark(RedrawName(flow).c_str(), BM_Redraw, flow, kBenchGridCount - 1,
                                     kRedrawDSep, kRedrawMethod)
            ->Unit(benchmark::kMillisecond);
    for (const char* name : kRealSets)
        for (const auto& [w, h] : {std::pair{350, 560}, std::pair{1600, 1000}, std::pair{3840, 2160}})
            for (const int placement : {kPlacementStandard, kPlacementFine}) {
                const ViewCase c{name, w, h, placement, false};
                benchmark::RegisterBenchmark(ViewName(c).c_str(), BM_View, c)->Unit(benchmark::kMillisecond);
            }
    std::vector<std::string> zoomed(std::begin(kRealSets), std::end(kRealSets));
    zoomed.insert(zoomed.end(), std::begin(kBenchFlows), std::end(kBenchFlows));
    for (const std::string& name : zoomed) {
        const ViewCase c{name, 1600, 1000, kPlacementFine, true};
        benchmark::RegisterBenchmark(ViewName(c).c_str(), BM_View, c)->Unit(benchmark::kMillisecond);
    }
    for (const PlayPart part : {PlayPart::Show, PlayPart::Place, PlayPart::Both})
        benchmark::RegisterBenchmark(PlayName(part, false).c_str(), BM_Play, part, false)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(PlayName(PlayPart::Both, true).c_str(), BM_Play, PlayPart::Both, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ReadOpenPIV/file", BM_ReadOpenPiv, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ReadOpenPIV/bytes", BM_ReadOpenPiv, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResampleView/350x560", BM_ResampleView, 350, 560)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResampleView/3840x2160", BM_ResampleView, 3840, 2160)
        ->Unit(benchmark::kMillisecond);
#ifdef TESMORA_BENCH_FUZZ_FOUND
    RegisterFuzzFound();
#endif
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
    const std::string large = Label(kBenchGridCount - 1);
    std::printf("\n%-52s %12s %10s %-6s %s\n", "target", "measured", "limit", "unit", "");
    // Placement against its size: the cylinder on the largest grid against the smallest.
    for (int dsep : kDSeps)
        for (int m = 0; m < 3; ++m) {
            const std::string tail = "/dsep" + std::to_string(dsep) + "/" + kMethods[m];
            const std::string smallRun = PlaceName(kCylinder, 0, dsep, m);
            const std::string largeRun = PlaceName(kCylinder, kBenchGridCount - 1, dsep, m);
            if (has(smallRun) && has(largeRun))
                add("Place" + tail + " largest/smallest",
                    r.at(largeRun).cpuSeconds / r.at(smallRun).cpuSeconds, 1.5, "ratio");
            if (has(largeRun))
                add("Place" + tail + " allocations per step", r.at(largeRun).counters.at("allocs_per_step"),
                    0.01, "ratio");
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
    for (int g = 0; g < kBenchGridCount; ++g)
        pixelStep(std::string("Place/") + kBenchFlows[kCylinder] + "/" + Label(g), false);
    for (const char* name : kRealSets) pixelStep("PlaceReal/" + std::string(name), true);
    // Placement against its floor, the largest ratio over every flow, grid, distance and method
    // of the time step; the pixel step is another placement, with its own floor. So is the fine
    // placement, whose distance transforms are a cost its floor does not contain: its limit is
    // the standard placement's limit times the fine placement's against the standard one.
    const auto floorRatioMax = [&](const char* target, const char* what, bool fine, double limit) {
        double largest = -1.0;
        std::string worst;
        for (const auto& [name, result] : r)
            if (name.rfind("Place/", 0) == 0 && !name.ends_with("/px1") && name.ends_with("/fine") == fine &&
                result.counters.count("floor_ratio") && result.counters.at("floor_ratio") > largest) {
                largest = result.counters.at("floor_ratio");
                worst = name;
            }
        if (largest < 0.0) return;
        std::printf("(largest %s / floor: %s)\n", what, worst.c_str());
        add(target, largest, limit, "ratio");
    };
    constexpr double kFloorRatioLimit = 1.5, kFineRatioLimit = 3.0;
    floorRatioMax("placement_floor_ratio_max", "placement", false, kFloorRatioLimit);
    floorRatioMax("fine_placement_floor_ratio_max", "fine placement", true,
                  kFloorRatioLimit * kFineRatioLimit);
    // The fine placement against the standard one on the same field, grid, d_sep and method.
    double fineRatioMax = -1.0;
    std::string fineRatioWorst;
    for (const auto& [name, result] : r) {
        if (!name.ends_with("/fine")) continue;
        const std::string standard = name.substr(0, name.size() - 5);
        if (!has(standard)) continue;
        const double ratio = result.cpuSeconds / r.at(standard).cpuSeconds;
        if (ratio > fineRatioMax) {
            fineRatioMax = ratio;
            fineRatioWorst = name;
        }
    }
    if (fineRatioMax >= 0.0) {
        std::printf("(largest fine / standard placement: %s)\n", fineRatioWorst.c_str());
        add("fine_placement_ratio_max", fineRatioMax, kFineRatioLimit, "ratio");
    }
    // The slowest Draw (re-colouring and placement) on the largest grid, of every flow.
    double drawMax = -1.0;
    for (int flow = 0; flow < kBenchFlowCount; ++flow)
        if (has(RedrawName(flow)))
            drawMax = std::max(drawMax, r.at(RedrawName(flow)).counters.at("cpu_ms_max"));
    if (drawMax >= 0.0) add("draw_ms_max", drawMax, 1000.0 / 60.0, "ms");
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
    // One zoom step at 1600 x 1000 with the fine placement, the slowest of every field.
    double zoomMax = -1.0;
    std::string zoomWorst;
    for (const auto& [name, result] : r)
        if (name.rfind("ZoomStep/", 0) == 0 && result.counters.at("cpu_ms_max") > zoomMax) {
            zoomMax = result.counters.at("cpu_ms_max");
            zoomWorst = name;
        }
    if (zoomMax >= 0.0) {
        std::printf("(slowest zoom step: %s)\n", zoomWorst.c_str());
        add("zoom_step_ms_max", zoomMax, 50.0, "ms");
    }
    // The slowest input of the Python module's arrays that the fuzz campaigns or a search for
    // slow ones found.
    double foundMax = -1.0;
    std::string foundWorst;
    for (const auto& [name, result] : r)
        if ((name.rfind("FuzzFound/", 0) == 0 || name.rfind("SlowInput/", 0) == 0) &&
            result.seconds * 1000.0 > foundMax) {
            foundMax = result.seconds * 1000.0;
            foundWorst = name;
        }
    if (foundMax >= 0.0) {
        std::printf("(slowest found input: %s)\n", foundWorst.c_str());
        add("fuzz_found_ms_max", foundMax, 50.0, "ms");
    }
    if (has("ResampleView/350x560") && has("ResampleView/3840x2160"))
        add("ResampleView 3840x2160 / 350x560 (pixels 42x)",
            r.at("ResampleView/3840x2160").cpuSeconds / r.at("ResampleView/350x560").cpuSeconds, 24.0,
            "ratio");
    // A played frame of the OpenPIV series once it is read, at 30 frames a second, and one of
    // its text files read at 100 MB/s.
    const std::string played = PlayName(PlayPart::Both, false);
    if (has(played)) add(played + " ms per frame", 1000.0 * r.at(played).seconds, 1000.0 / 30.0, "ms");
    if (has("ReadOpenPIV/file") && r.at("ReadOpenPIV/file").counters.count("bytes_per_second"))
        add("ReadOpenPIV/file ms per 100 MB", 1e11 / r.at("ReadOpenPIV/file").counters.at("bytes_per_second"),
            1000.0, "ms");
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
