#include "streamlines/fine_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "scene/flow_scene.h"
#include "streamlines/pixel_bitmap.h"
#include "streamlines/pixel_mapping.h"
#include "streamlines/tracer.h"

namespace {

// A line meets itself when it comes this close to its own earlier points; below two pixels the
// rounding of its points alone could make it miss.
constexpr double kMinClosingRadius = 2.0;
constexpr double kPi = 3.14159265358979323846;
constexpr DistanceField::Squared kFar = DistanceField::kNoFeature;
// A transform costs about this many times a pixel's distance from one point.
constexpr std::uint64_t kTransformCostPerPixel = 8;
// The steps that farthest pixels giving no line may cost a placement, per raster pixel.
constexpr std::uint64_t kFruitlessStepsPerPixel = 4;
// The samples of the flow all its lines may cost a placement, per raster pixel: a PIV field
// drawn with a time step that moves a fifteenth of a pixel takes up to 45 with RK4 and d_sep 5;
// a flow that nearly stands still everywhere would take thousands, each seed's line tracing its
// whole step limit for a pixel or two.
constexpr std::uint64_t kSamplesPerPixel = 64;

// Squared distance of pixel P from the segment A..B.
double SegmentDistance2(PixelPoint p, PixelPoint a, PixelPoint b) {
    const double abx = b.x - a.x, aby = b.y - a.y;
    const double apx = p.x - a.x, apy = p.y - a.y;
    const double len2 = abx * abx + aby * aby;
    const double t = len2 > 0.0 ? std::clamp((apx * abx + apy * aby) / len2, 0.0, 1.0) : 0.0;
    const double dx = apx - t * abx, dy = apy - t * aby;
    return dx * dx + dy * dy;
}

double PolylineLength(const Streamline& s) {
    double length = 0.0;
    const PixelPoint* p = s.Data();
    for (std::size_t i = 1; i < s.GetCount(); ++i)
        length += PixelDistance(p[i - 1].x, p[i - 1].y, p[i].x, p[i].y);
    return length;
}

// The pixel nearest to P + N that lies at least D from P: N rounded to the nearest pixel, or,
// where that falls short of D, rounded away from zero in both components.
PixelPoint OffsetAtLeast(PixelPoint p, double nx, double ny, double d) {
    double tx = std::round(nx), ty = std::round(ny);
    if (tx * tx + ty * ty < d * d) {
        tx = nx > 0.0 ? std::ceil(nx) : std::floor(nx);
        ty = ny > 0.0 ? std::ceil(ny) : std::floor(ny);
    }
    // Offsets are at most d_sep + 1 long: no overflow for any point near the raster, the only
    // ones asked for.
    return {p.x + static_cast<int>(tx), p.y + static_cast<int>(ty)};
}

// The part of the scene a fine placement works on, and all it may use of it: the settings it
// reads, the flow to map, sample and trace, the separation test, the seed queue, the placed
// lines, the work counters, the line it traces into and its buffers.
class FineSite {
public:
    FineSite(FlowScene& scene, PlacementStats& stats, Streamline& scratch, FinePlacementBuffers& buffers,
             std::vector<TracedDirection>* log)
        : m_scene(scene), m_stats(stats), m_scratch(scratch), m_buffers(buffers), m_log(log) {}

    int DSep() const { return std::max(m_scene.m_nDSep, 1); }
    // The samples of the flow one integration step takes.
    std::uint64_t SamplesPerStep() const {
        return m_scene.m_nMethod == kMethodRK4 ? 4 : m_scene.m_nMethod == kMethodRK2 ? 2 : 1;
    }
    float DTest() const { return m_scene.m_fDTest; }
    // The speed at every raster pixel; null before the rasters are made.
    const float* SpeedRaster() const { return m_scene.m_pRasterSpeed.get(); }

    RasterSize Raster() const { return m_scene.Raster(); }
    GridNode PixelToWorld(int x, int y) const { return m_scene.PixelToWorld(x, y); }
    // The point pixel (x, y) shows; false where it shows no data.
    bool PixelInData(int x, int y, GridNode& w) const { return m_scene.PixelInData(x, y, w); }
    bool IsInDomain(float x, float y) const { return m_scene.IsInDomain(x, y); }
    GridNode SampleVelocity(float x, float y) const { return m_scene.SampleVelocity(x, y); }
    bool SeedMoves(GridNode w) const { return m_scene.SeedMoves(w); }
    PixelPoint WorldToPixel(GridNode w) const { return m_scene.WorldToPixel(w); }
    std::optional<GridNode> CarriedSeedAt(GridNode w, float dist) { return m_scene.CarriedSeedAt(w, dist); }
    // Where the step from FROM (inside) to TO (outside) crosses the edge of the domain.
    GridNode DomainExit(GridNode from, GridNode to) const;
    // Traces both ways from W with the scene's integrator into Scratch(), its steps counted
    // and logged like those of every traced line.
    template <class Policy>
    void Trace(GridNode w, Policy& policy) {
        Tracer(m_scene, m_stats, m_log).BothWays(m_scratch, w, m_scene.m_nMethod, policy);
    }
    // Where the flow about W is too slow to carry a point out of its pixel, what tracing from W
    // would leave, without its steps: both directions counted and logged at their step limit,
    // and no line. False, and nothing counted, where that cannot be shown without tracing.
    bool StaysAt(GridNode w) {
        if (!m_scene.DirectionsStayAt(w)) return false;
        for (const int direction : {+1, -1}) {
            constexpr auto kSteps = static_cast<std::uint32_t>(kMaxStepsPerDirection);
            m_stats.steps += kSteps;
            if (m_log) m_log->push_back({w, m_scene.m_nMethod, direction, kSteps});
        }
        return true;
    }
    bool IsFarEnough(int x, int y, float dist) { return m_scene.IsFarEnough(x, y, dist); }
    // The pixels closer than DIST to a point of a kept line; null where the separation grid
    // cannot tell for every pixel.
    const PixelBitmap* PixelsCloserThan(float dist) { return m_scene.Grid().PixelsCloserThan(dist); }

    bool HasSeeds() const { return m_scene.GetSeedCount() != 0; }
    // The seed at the front of the queue, taken off it.
    PixelPoint TakeSeed() {
        const PixelPoint p = m_scene.GetSeed(0);
        m_scene.PopSeed();
        return p;
    }
    void PushSeed(PixelPoint p) { m_scene.PushSeed(p.x, p.y); }

    std::size_t LineCount() const { return m_scene.GetStreamlineCount(); }
    const Streamline& Line(std::size_t i) const { return m_scene.StreamlineAt(i); }
    // Stores LINE in the separation grid and adds it to the placed lines.
    void Keep(std::unique_ptr<Streamline> line) {
        m_scene.InsertIntoGrid(*line);
        m_scene.AddStreamline(std::move(line));
    }

    PlacementStats& Stats() { return m_stats; }
    Streamline& Scratch() { return m_scratch; }
    FinePlacementBuffers& Buffers() { return m_buffers; }

private:
    FlowScene& m_scene;
    PlacementStats& m_stats;
    Streamline& m_scratch;
    FinePlacementBuffers& m_buffers;
    std::vector<TracedDirection>* m_log;
};

GridNode FineSite::DomainExit(GridNode from, GridNode to) const {
    const GridNode& lo = m_scene.m_pNodes[0];
    const GridNode& hi =
        m_scene.m_pNodes[static_cast<std::size_t>(m_scene.m_ni) * static_cast<std::size_t>(m_scene.m_nj) - 1];
    // The share of the step that stays inside, on the axis that leaves first.
    double t = 1.0;
    const auto limit = [&](double a, double b, double low, double high) {
        if (b < low) t = std::min(t, (low - a) / (b - a));
        if (b > high) t = std::min(t, (high - a) / (b - a));
    };
    limit(from.x, to.x, lo.x, hi.x);
    limit(from.y, to.y, lo.y, hi.y);
    // A step that is not a number, or lands on a point that is not one (flow that is not a number
    // under a stage) or at infinity (flow beyond single precision), leaves the domain nowhere
    // that can be told: the line ends where it was.
    if (!(t >= 0.0) || !std::isfinite(to.x) || !std::isfinite(to.y)) return from;
    const auto at = [&](double a, double b, double low, double high) {
        return static_cast<float>(std::clamp(a + t * (b - a), low, high));
    };
    return {at(from.x, to.x, lo.x, hi.x), at(from.y, to.y, lo.y, hi.y)};
}

// The fine placement's lines also end where they come back to themselves, and a line that
// leaves the flow reaches its edge where the spacing allows: beside the domain's edge, and in
// corners, that may be all a line has.
//
// A direction ends where the step to its next pixel passes within the closing radius r of a point
// of its own line more than an arc A behind it along the line: A is 2 d_sep, or half a turn of a
// circle of radius r where that is less, so that loops smaller than 2 d_sep across close too. The
// backward direction measures its arc through the seed, so it ends where it meets the forward
// part: a closed streamline is drawn once whatever the step limit covers of it, and so whatever
// the units of the data. A spiral whose turns move apart by more than r goes on.
class FinePolicy : public TracePolicy {
public:
    static constexpr bool kEndsAtEdge = true;

    FinePolicy(FineSite& site, double closing)
        : m_site(site),
          m_dtest(site.DTest()),
          m_closing2(closing * closing),
          m_behind(std::min(2.0 * site.DSep(), kPi * closing)),
          m_cells(site.Buffers().own),
          m_raster(site.Raster()) {
        OwnLineCells& c = m_cells;
        const int side = std::max(static_cast<int>(std::ceil(closing)), 1);
        const int columns = m_raster.width / side + 1, rows = m_raster.height / side + 1;
        if (c.side != side || c.columns != columns || c.rows != rows) {
            c.side = side, c.columns = columns, c.rows = rows;
            c.stamp.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
            c.head.resize(c.stamp.size());
            c.line = 0;
        }
        if (++c.line == 0) {
            std::fill(c.stamp.begin(), c.stamp.end(), 0);
            c.line = 1;
        }
        c.points.clear();
    }

    void Begin(PixelPoint seed) {
        // Every point of the forward direction is behind every backward one by its arc plus theirs.
        for (; m_indexed < m_cells.points.size(); ++m_indexed) Index(m_indexed);
        m_forward = m_cells.points.empty();
        m_arc = 0.0;
        if (m_forward) Record(seed);
    }
    PixelVerdict Judge(PixelPoint q, PixelPoint last) {
        const double step = PixelDistance(last.x, last.y, q.x, q.y);
        const double arc = m_forward ? m_arc + step : m_arc - step;
        if (const OwnLineCells::Point* met = Meets(last, q, m_arc)) {
            // Counted in either direction: a backward one meets what the forward one traced.
            ++m_site.Stats().closedLoops;
            m_join = {met->x, met->y};
            // Back at the seed's own stretch of line, the backward direction would meet this
            // one at once: it is not traced.
            return m_forward && met->arc <= m_behind ? PixelVerdict::kCloseLoop : PixelVerdict::kJoinItself;
        }
        if (!m_site.IsFarEnough(q.x, q.y, m_dtest)) return PixelVerdict::kStop;
        m_arc = arc;
        Record(q);
        return PixelVerdict::kKeep;
    }
    PixelPoint JoinPoint(PixelPoint) const { return m_join; }
    GridNode EdgeEnd(GridNode cur, GridNode next, bool failed) const {
        return failed ? cur : m_site.DomainExit(cur, next);
    }
    bool AdmitsEnd(PixelPoint end) { return m_site.IsFarEnough(end.x, end.y, m_dtest); }

private:
    // A point of this direction joins the cells once the line is more than A past it; until
    // then no later point of the same direction could meet it.
    void Record(PixelPoint p) {
        m_cells.points.push_back({p.x, p.y, m_arc, -1});
        while (m_indexed < m_cells.points.size() &&
               std::abs(m_arc - m_cells.points[m_indexed].arc) > m_behind)
            Index(m_indexed++);
    }
    void Index(std::size_t i) {
        OwnLineCells::Point& p = m_cells.points[i];
        if (!m_raster.Contains(p.x, p.y)) return;
        const std::size_t cell = Cell(p.x / m_cells.side, p.y / m_cells.side);
        if (m_cells.stamp[cell] != m_cells.line) {
            m_cells.stamp[cell] = m_cells.line;
            m_cells.head[cell] = -1;
        }
        p.next = m_cells.head[cell];
        m_cells.head[cell] = static_cast<std::int32_t>(i);
    }
    std::size_t Cell(int cx, int cy) const {
        return static_cast<std::size_t>(cy) * static_cast<std::size_t>(m_cells.columns) +
               static_cast<std::size_t>(cx);
    }
    // The nearest indexed point within the closing radius of the step from LAST to Q and more
    // than A behind LAST, whose arc is ARC. The step, not only Q: where a time step moves many
    // pixels, a loop would otherwise pass its own line between two points. Behind LAST, not Q:
    // a step longer than A starts at LAST itself.
    const OwnLineCells::Point* Meets(PixelPoint last, PixelPoint q, double arc) const {
        if (!m_raster.Contains(q.x, q.y)) return nullptr;
        const int side = m_cells.side;
        const auto cell = [&](int v, int count) { return std::clamp(v / side, 0, count - 1); };
        const int x0 = cell(std::max(std::min(last.x, q.x), 0), m_cells.columns) - 1;
        const int x1 = cell(std::max(last.x, q.x), m_cells.columns) + 1;
        const int y0 = cell(std::max(std::min(last.y, q.y), 0), m_cells.rows) - 1;
        const int y1 = cell(std::max(last.y, q.y), m_cells.rows) + 1;
        const OwnLineCells::Point* best = nullptr;
        double nearest = m_closing2;
        for (int y = std::max(y0, 0); y <= std::min(y1, m_cells.rows - 1); ++y)
            for (int x = std::max(x0, 0); x <= std::min(x1, m_cells.columns - 1); ++x) {
                const std::size_t c = Cell(x, y);
                if (m_cells.stamp[c] != m_cells.line) continue;
                for (std::int32_t i = m_cells.head[c]; i >= 0;) {
                    const OwnLineCells::Point& p = m_cells.points[static_cast<std::size_t>(i)];
                    const double d2 = SegmentDistance2({p.x, p.y}, last, q);
                    if (d2 < nearest && std::abs(arc - p.arc) > m_behind) {
                        nearest = d2;
                        best = &p;
                    }
                    i = p.next;
                }
            }
        return best;
    }

    FineSite& m_site;
    const float m_dtest;
    const double m_closing2;  // the closing radius r, squared
    const double m_behind;    // the arc A
    OwnLineCells& m_cells;
    const RasterSize m_raster;
    std::size_t m_indexed = 0;  // the points before this one are in the cells
    bool m_forward = true;
    double m_arc = 0.0;  // arc length from the seed along the points kept, signed
    PixelPoint m_join{};
};

// One fine placement: the candidates of every point of each line, then, when they are used up,
// the pixel farthest from all lines, until no pixel where the flow moves is more than d_sep
// from a line.
class FinePlacement {
public:
    explicit FinePlacement(FineSite& site)
        : m_site(site),
          m_dsep(site.DSep()),
          m_closing(std::max(static_cast<double>(site.DTest()), kMinClosingRadius)),
          m_open(site.Buffers().open),
          m_moving(site.Buffers().moving),
          m_dropped(site.Buffers().dropped),
          m_distance(site.Buffers().distance),
          m_local(site.Buffers().local),
          m_order(site.Buffers().order),
          m_rows(site.Buffers().rows),
          m_field(site.Buffers().field),
          m_raster(site.Raster()),
          m_pixels(m_raster.Pixels()),
          m_linesMeasured(m_pixels + 1),
          m_stepBudget(kSamplesPerPixel * m_pixels / site.SamplesPerStep()) {
        if (m_distance.size() != m_pixels) {
            m_open.assign(m_pixels, 0);
            m_moving.assign(m_pixels, 0);
            m_dropped.assign(m_pixels, 0);
            m_distance.assign(m_pixels, kFar);
            m_field = DistanceField(m_raster.width, m_raster.height);
        }
    }

    // CARRIED: seeds of another frame's lines, tried before the deepest pixel.
    void Run(std::span<const GridNode> carried);

private:
    void TryCarriedSeeds(std::span<const GridNode> carried);
    void FindMovingPixels();
    // The first seed: the moving pixel farthest from the raster's edge and from the flow at rest.
    std::optional<std::size_t> DeepestMovingPixel();
    // Traces from a pixel the farthest-pixel rule chose.
    void Seed(std::size_t pixel);
    void DrainQueue();
    // Traces from W and keeps the line when it is at least MIN_LENGTH pixels long; false when
    // dropped.
    bool TryStreamline(GridNode w, double minLength);
    void AddCandidates(const Streamline& line);
    // False when every open pixel lies closer than d_sep to a line, so that none may seed;
    // true when some may, or the separation grid cannot tell.
    bool SomePixelMaySeed();
    // The separation grid's bitmap of the pixels closer than d_sep to a line, where it has one
    // for the whole raster.
    const PixelBitmap* PixelsNearLines();
    // The distances, and the order in which pixels are tried from them.
    void ComputeDistances();
    void Transform();
    // Where the flow rests somewhere: the pixel ComputeDistances and FarthestOpenPixel would
    // choose before the first line, with the distances measured only in the rows that can hold
    // it. The distances are left incomplete, and are computed anew before they are read again.
    std::optional<std::size_t> DeepestBesideRest();
    // Renews the distances of the pixels that may seed from the lines kept since the last
    // transform, where that is cheaper than a transform of the whole raster; false when not.
    bool UpdateAroundNewLines();
    // The pixels within REACH of a line's points on the raster, and how many points those are.
    struct LineBox {
        int x0, y0, x1, y1;
        std::uint64_t points;
        std::uint64_t Area() const {
            return static_cast<std::uint64_t>(x1 - x0 + 1) * static_cast<std::uint64_t>(y1 - y0 + 1);
        }
    };
    LineBox BoxAround(const Streamline& line, int reach) const;
    std::vector<LineBox> m_boxes;  // of the lines being brought in
    // The distances from LINE's points, to the pixels within REACH of each.
    void BringInPoints(const Streamline& line, int reach);
    // The same through a transform of BOX, for the rows in it that hold a pixel that may seed.
    void BringInByTransform(const Streamline& line, const LineBox& box);
    // The open pixel farthest from every line (the deepest inside the moving flow before the
    // first line), of those more than d_sep away once there are lines; the lowest row, then
    // the lowest column, among equals.
    std::optional<std::size_t> FarthestOpenPixel();

    FineSite& m_site;
    const int m_dsep;
    const double m_closing;
    std::vector<std::uint8_t>& m_open;
    std::vector<std::uint8_t>& m_moving;
    // A line from a seed beside other lines only gets shorter as lines are added: once dropped,
    // tracing it again would drop it again.
    std::vector<std::uint8_t>& m_dropped;
    std::vector<DistanceField::Squared>& m_distance;
    // Taken only once distances are renewed around new lines: a placement that never does so
    // pays for no pages of it.
    std::vector<DistanceField::Squared>& m_local;
    // The pixels that may seed, as a heap with the farthest on top. Renewed distances are not
    // carried into it: a pixel whose key has fallen behind its distance goes back in with that
    // distance when it comes to the top, so that the pixels still leave it farthest first.
    FarthestHeap& m_order;
    std::vector<std::uint8_t>& m_rows;
    void PushCandidate(std::size_t pixel) {
        m_order.Add({m_distance[pixel], static_cast<std::uint32_t>(pixel)});
    }
    DistanceField& m_field;
    const RasterSize m_raster;
    const std::size_t m_pixels;
    std::size_t m_linesMeasured;      // line count the distances were computed for
    bool m_distancesToLines = false;  // the distances are to lines, not to the rest
    // Before the first line: whether the pixels have been looked through once for the deepest,
    // and whether, that having given no line, they are in m_order as a heap.
    bool m_restScanned = false;
    bool m_restHeap = false;
    // Steps traced from farthest pixels that gave no line.
    std::uint64_t m_fruitlessSteps = 0;
    const std::uint64_t m_stepBudget;  // the steps of all lines
    bool WithinBudget() const { return m_site.Stats().steps <= m_stepBudget; }
};

void FinePlacement::FindMovingPixels() {
    if (const float* speed = m_site.SpeedRaster()) {
        // One pass over the raster's speeds, with no branch: a positive speed that is not
        // infinite, and NaN fails both tests.
        std::uint8_t* moving = m_moving.data();
        for (std::size_t i = 0; i < m_pixels; ++i)
            moving[i] = static_cast<std::uint8_t>(speed[i] > 0.0f) &
                        static_cast<std::uint8_t>(speed[i] <= std::numeric_limits<float>::max());
    } else {
        for (int y = 0; y < m_raster.height; ++y)
            for (int x = 0; x < m_raster.width; ++x) {
                // A scene placed before its rasters exist: ask the flow itself.
                bool moves = false;
                const GridNode w = m_site.PixelToWorld(x, y);
                if (m_site.IsInDomain(w.x, w.y)) {
                    const GridNode v = m_site.SampleVelocity(w.x, w.y);
                    const double sp = std::hypot(static_cast<double>(v.x), static_cast<double>(v.y));
                    moves = sp > 0.0 && std::isfinite(sp);
                }
                m_moving[m_raster.Index(x, y)] = moves ? 1 : 0;
            }
    }
    std::copy(m_moving.begin(), m_moving.end(), m_open.begin());
    std::fill(m_dropped.begin(), m_dropped.end(), 0);
}

std::optional<std::size_t> FinePlacement::DeepestMovingPixel() {
    FinePlacementBuffers& b = m_site.Buffers();
    if (b.deepestFor == m_moving) return b.deepest;
    std::optional<std::size_t> deepest;
    if (m_pixels != 0 && std::find(m_moving.begin(), m_moving.end(), 0) == m_moving.end()) {
        // Where the flow moves at every pixel the depth is the distance to the raster's edge,
        // deepest first at (m - 1, m - 1) for m the half of the shorter side, rounded up: the
        // first row and column that deep, as the scan would find it, without a pass over the
        // raster. The distances follow only if this seed gives no line.
        const int m = std::min((m_raster.width + 1) / 2, (m_raster.height + 1) / 2);
        deepest = m_raster.Index(m - 1, m - 1);
    } else {
        deepest = DeepestBesideRest();
    }
    if (deepest) {
        b.deepestFor = m_moving;
        b.deepest = *deepest;
    }
    return deepest;
}

std::optional<std::size_t> FinePlacement::DeepestBesideRest() {
    ++m_site.Stats().distanceTransforms;
    // As ComputeDistances and then FarthestOpenPixel leave the placement.
    m_linesMeasured = m_site.LineCount();
    m_distancesToLines = false;
    m_order.Clear();
    m_restHeap = false;
    m_restScanned = true;
    for (std::size_t i = 0; i < m_pixels; ++i) m_distance[i] = m_moving[i] ? kFar : 0;
    return m_field.DeepestOpenPixel(m_distance, m_raster.width, m_raster.height, m_open.data());
}

void FinePlacement::Run(std::span<const GridNode> carried) {
    FindMovingPixels();
    TryCarriedSeeds(carried);
    if (m_site.LineCount() == 0)
        if (const std::optional<std::size_t> first = DeepestMovingPixel()) Seed(*first);
    // Without a line yet, the next seed is the next deepest pixel, from the distances to where
    // the flow stops.
    if (m_site.LineCount() == 0) m_linesMeasured = m_pixels + 1;
    // Every pass seeds one pixel and either keeps a line or closes pixels for good, so the
    // loop ends after at most one pass per raster pixel. Where the flow barely moves, a seed
    // may trace its step limit each way without leaving its pixel, and the next pixel the
    // same: the placement ends once such seeds have cost a few steps per raster pixel, some
    // tens of milliseconds. A moving flow's spend a few hundred steps in all; a PIV field
    // drawn with a time step that moves a twentieth of a pixel up to four and a half per
    // pixel at d_sep 5, where the bound leaves out a few of its last, smallest gaps. The lines
    // kept, and those from candidates, are bounded with all others by the samples per pixel.
    for (std::size_t pass = 0;
         pass <= m_pixels && m_fruitlessSteps <= kFruitlessStepsPerPixel * m_pixels && WithinBudget();
         ++pass) {
        DrainQueue();
        if (!WithinBudget()) break;
        if (m_linesMeasured != m_site.LineCount()) {
            // Most placements end here: the lines from the candidates leave no pixel that may
            // seed, and the separation grid already knows every pixel near them.
            if (m_site.LineCount() != 0 && !SomePixelMaySeed()) break;
            ComputeDistances();
        }
        const std::optional<std::size_t> best = FarthestOpenPixel();
        if (!best) break;
        Seed(*best);
    }
}

void FinePlacement::TryCarriedSeeds(std::span<const GridNode> carried) {
    const float dist = static_cast<float>(m_dsep);
    for (const GridNode seed : carried) {
        const std::optional<GridNode> w = m_site.CarriedSeedAt(seed, dist);
        if (!w) continue;
        const PixelPoint at = m_site.WorldToPixel(*w);
        const std::size_t pixel = m_raster.Index(at.x, at.y);
        if (!m_moving[pixel]) continue;
        // At least d_sep from every line, as a farthest pixel is, it keeps whatever line fits
        // there as that one does: on a field that has not changed, each line comes back as it was.
        if (TryStreamline(*w, 0.0))
            ++m_site.Stats().carriedLines;
        else
            m_dropped[pixel] = 1;
    }
}

void FinePlacement::Seed(std::size_t pixel) {
    const auto width = static_cast<std::size_t>(m_raster.width);
    const PixelPoint p{static_cast<int>(pixel % width), static_cast<int>(pixel / width)};
    m_open[pixel] = 0;
    ++m_site.Stats().farthestSeeds;
    // This pixel lies more than d_sep from every line, so whatever line fits here is kept, even
    // one shorter than d_sep: in a corner, on the raster's edge or beside a body the flow leaves
    // room for no longer one, and without it the gap would stay.
    GridNode w;
    // A line of fewer than two points here is one of fewer than two points from any later seed
    // here: as a candidate too, the pixel is not tried again.
    const std::uint64_t before = m_site.Stats().steps;
    if (m_site.PixelInData(p.x, p.y, w) && m_site.SeedMoves(w) && !TryStreamline(w, 0.0)) {
        m_dropped[pixel] = 1;
        m_fruitlessSteps += m_site.Stats().steps - before;
    }
}

void FinePlacement::DrainQueue() {
    const float dist = static_cast<float>(m_dsep);
    while (m_site.HasSeeds() && WithinBudget()) {
        const PixelPoint p = m_site.TakeSeed();
        ++m_site.Stats().seedsExamined;
        const std::size_t pixel = m_raster.Index(p.x, p.y);
        if (m_dropped[pixel] || !m_site.IsFarEnough(p.x, p.y, dist)) continue;
        GridNode w;
        if (m_site.PixelInData(p.x, p.y, w) && m_site.SeedMoves(w) &&
            !TryStreamline(w, static_cast<double>(m_dsep)))
            m_dropped[pixel] = 1;
    }
}

bool FinePlacement::TryStreamline(GridNode w, double minLength) {
    // Such a line would hold its seed alone, and be dropped as short as any.
    if (m_site.StaysAt(w)) {
        ++m_site.Stats().droppedShort;
        return false;
    }
    Streamline& line = m_site.Scratch();
    FinePolicy policy(m_site, m_closing);
    m_site.Trace(w, policy);
    if (line.GetCount() < 2 || PolylineLength(line) < minLength) {
        ++m_site.Stats().droppedShort;
        line.RemoveAll();
        return false;
    }
    auto kept = std::make_unique<Streamline>(line);
    line.RemoveAll();
    AddCandidates(*kept);
    m_site.Keep(std::move(kept));
    return true;
}

void FinePlacement::AddCandidates(const Streamline& line) {
    const double d = m_dsep;
    const PixelPoint* p = line.Data();
    const std::size_t n = line.GetCount();
    PixelPoint previous[2] = {{-1, -1}, {-1, -1}};
    // A line's last point may lie far off the raster, where it left the data (its pixel then
    // saturates at the integers' ends): no candidate of it can lie inside.
    const int reach = m_dsep + 2;
    const auto nearRaster = [&](PixelPoint q) {
        return q.x >= -reach && q.y >= -reach && q.x < m_raster.width + reach &&
               q.y < m_raster.height + reach;
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (!nearRaster(p[i])) continue;
        // The tangent across the point, so that the normal is the line's at the point itself; in
        // doubles, as a neighbour may be such a far point.
        const PixelPoint a = p[i == 0 ? 0 : i - 1];
        const PixelPoint b = p[i + 1 < n ? i + 1 : n - 1];
        const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
        const double len = std::sqrt(dx * dx + dy * dy);
        if (!(len > 0.0)) continue;
        const double nx = -dy / len * d, ny = dx / len * d;
        const PixelPoint sides[2] = {OffsetAtLeast(p[i], nx, ny, d), OffsetAtLeast(p[i], -nx, -ny, d)};
        for (int k = 0; k < 2; ++k) {
            const PixelPoint c = sides[k];
            // Neighbouring points often give the same candidate; it would fail its test again.
            if (c.x == previous[k].x && c.y == previous[k].y) continue;
            previous[k] = c;
            if (m_raster.Contains(c.x, c.y) && m_moving[m_raster.Index(c.x, c.y)]) m_site.PushSeed(c);
        }
    }
}

const PixelBitmap* FinePlacement::PixelsNearLines() {
    const PixelBitmap* near = m_site.PixelsCloserThan(static_cast<float>(m_dsep));
    if (!near || near->Size().width != m_raster.width || near->Size().height != m_raster.height)
        return nullptr;
    return near;
}

bool FinePlacement::SomePixelMaySeed() {
    const PixelBitmap* near = PixelsNearLines();
    if (!near) return true;
    return near->AnyClear([&](int x, int y) { return m_open[m_raster.Index(x, y)] != 0; });
}

void FinePlacement::ComputeDistances() {
    if (m_distancesToLines && m_site.LineCount() != 0 && m_site.Buffers().renewAroundNewLines &&
        UpdateAroundNewLines()) {
        m_linesMeasured = m_site.LineCount();
        return;
    }
    ++m_site.Stats().distanceTransforms;
    m_linesMeasured = m_site.LineCount();
    m_distancesToLines = m_site.LineCount() != 0;
    Transform();
    m_order.Clear();
    m_restScanned = m_restHeap = false;
    // Before the first line every moving pixel may seed, but only the deepest is wanted: it is
    // found by a scan instead of a heap of the whole raster.
    if (m_site.LineCount() == 0) return;
    const DistanceField::Squared least = m_dsep * m_dsep;
    m_order.AddOpenFarther(m_distance.data(), m_open.data(), m_pixels, least);
    // A heap, not a sort: most placements take one or two pixels before the next transform.
    m_order.Order();
}

bool FinePlacement::UpdateAroundNewLines() {
    // New lines only bring pixels nearer: with no pixel left that may seed, none will be.
    if (m_order.Empty()) return true;
    // No pixel that may seed lies farther than the heap's top key from the lines; a new point
    // farther than that from a pixel cannot change what it may do.
    const int reach = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(m_order.Top().key))));
    const std::size_t disc =
        (2 * static_cast<std::size_t>(reach) + 1) * (2 * static_cast<std::size_t>(reach) + 1);
    // Each line is brought in on its own, around it: a few far-apart points (a time step that
    // moves many pixels) by the disc of each, a dense line by a transform of the box around it.
    // Where all of that would cost more than half a transform of the raster, the raster's it is.
    std::uint64_t cost = 0;
    m_boxes.clear();
    for (std::size_t k = m_linesMeasured; k < m_site.LineCount(); ++k) {
        const LineBox box = BoxAround(m_site.Line(k), reach);
        m_boxes.push_back(box);
        if (box.points != 0) cost += std::min(box.points * disc, kTransformCostPerPixel * box.Area());
    }
    if (2 * cost > kTransformCostPerPixel * m_pixels) return false;
    ++m_site.Stats().distanceUpdates;
    for (std::size_t k = m_linesMeasured; k < m_site.LineCount(); ++k) {
        const LineBox& box = m_boxes[k - m_linesMeasured];
        if (box.points == 0) continue;
        if (box.points * disc <= kTransformCostPerPixel * box.Area())
            BringInPoints(m_site.Line(k), reach);
        else
            BringInByTransform(m_site.Line(k), box);
    }
    return true;
}

FinePlacement::LineBox FinePlacement::BoxAround(const Streamline& line, int reach) const {
    LineBox b{m_raster.width, m_raster.height, -1, -1, 0};
    for (std::size_t i = 0; i < line.GetCount(); ++i) {
        const PixelPoint p = line.Data()[i];
        if (!m_raster.Contains(p.x, p.y)) continue;
        b.x0 = std::min(b.x0, p.x), b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x), b.y1 = std::max(b.y1, p.y);
        ++b.points;
    }
    if (b.points == 0) return b;
    b.x0 = std::max(b.x0 - reach, 0), b.y0 = std::max(b.y0 - reach, 0);
    b.x1 = std::min(b.x1 + reach, m_raster.width - 1), b.y1 = std::min(b.y1 + reach, m_raster.height - 1);
    return b;
}

void FinePlacement::BringInPoints(const Streamline& line, int reach) {
    const DistanceField::Squared reach2 = reach * reach;
    for (std::size_t i = 0; i < line.GetCount(); ++i) {
        const PixelPoint p = line.Data()[i];
        if (!m_raster.Contains(p.x, p.y)) continue;
        const int y0 = std::max(p.y - reach, 0), y1 = std::min(p.y + reach, m_raster.height - 1);
        for (int y = y0; y <= y1; ++y) {
            const DistanceField::Squared dy2 = (y - p.y) * (y - p.y);
            // Farther than the reach no pixel that may seed can be brought nearer.
            const int half = static_cast<int>(std::sqrt(static_cast<double>(reach2 - dy2)));
            const int x0 = std::max(p.x - half, 0), x1 = std::min(p.x + half, m_raster.width - 1);
            DistanceField::Squared* row = m_distance.data() + m_raster.Index(0, y);
            for (int x = x0; x <= x1; ++x) row[x] = std::min(row[x], (x - p.x) * (x - p.x) + dy2);
        }
    }
}

void FinePlacement::BringInByTransform(const Streamline& line, const LineBox& box) {
    const int w = box.x1 - box.x0 + 1, h = box.y1 - box.y0 + 1;
    const auto local = [&](int x, int y) -> DistanceField::Squared& {
        return m_local[static_cast<std::size_t>(y - box.y0) * static_cast<std::size_t>(w) +
                       static_cast<std::size_t>(x - box.x0)];
    };
    const std::size_t size = box.Area();
    if (m_local.size() < size) m_local.resize(size);
    std::fill(m_local.begin(), m_local.begin() + static_cast<std::ptrdiff_t>(size), kFar);
    // Only the pixels that may seed need their distance: the rows without one are left out of
    // the transform's costly pass.
    const DistanceField::Squared least = m_dsep * m_dsep;
    m_rows.assign(static_cast<std::size_t>(h), 0);
    for (int y = box.y0; y <= box.y1; ++y)
        for (int x = box.x0; x <= box.x1; ++x) {
            const std::size_t i = m_raster.Index(x, y);
            if (m_open[i] && m_distance[i] > least) {
                m_rows[static_cast<std::size_t>(y - box.y0)] = 1;
                break;
            }
        }
    for (std::size_t i = 0; i < line.GetCount(); ++i) {
        const PixelPoint p = line.Data()[i];
        if (m_raster.Contains(p.x, p.y)) local(p.x, p.y) = 0;
    }
    m_field.SquaredDistances(m_local, w, h, m_rows.data());
    for (int y = box.y0; y <= box.y1; ++y) {
        if (!m_rows[static_cast<std::size_t>(y - box.y0)]) continue;
        for (int x = box.x0; x <= box.x1; ++x) {
            DistanceField::Squared& d = m_distance[m_raster.Index(x, y)];
            d = std::min(d, local(x, y));
        }
    }
}

void FinePlacement::Transform() {
    if (m_site.LineCount() == 0) {
        // Before the first line the distance is to where the flow stops: the edge of the
        // raster and every pixel at rest, so that the first line starts deepest in the flow.
        // Where the flow moves at every pixel, the edge is all there is.
        const bool rests = std::find(m_moving.begin(), m_moving.end(), 0) != m_moving.end();
        if (rests) {
            for (std::size_t i = 0; i < m_pixels; ++i) m_distance[i] = m_moving[i] ? kFar : 0;
            m_field.SquaredDistances(m_distance);
        }
        for (int y = 0; y < m_raster.height; ++y)
            for (int x = 0; x < m_raster.width; ++x) {
                const int edge = std::min({x + 1, m_raster.width - x, y + 1, m_raster.height - y});
                DistanceField::Squared& v = m_distance[m_raster.Index(x, y)];
                v = rests ? std::min(v, edge * edge) : edge * edge;
            }
        return;
    }
    std::fill(m_distance.begin(), m_distance.end(), kFar);
    for (std::size_t k = 0; k < m_site.LineCount(); ++k) {
        const Streamline& s = m_site.Line(k);
        const PixelPoint* p = s.Data();
        for (std::size_t i = 0; i < s.GetCount(); ++i)
            if (m_raster.Contains(p[i].x, p[i].y)) m_distance[m_raster.Index(p[i].x, p[i].y)] = 0;
    }
    // Only open pixels farther than d_sep may seed, so nearer ones need no exact distance: a
    // row where the separation grid shows every open pixel closer than d_sep to a line is left
    // out of the transform's costly pass.
    const std::uint8_t* rows = nullptr;
    if (const PixelBitmap* near = PixelsNearLines()) {
        m_rows.resize(static_cast<std::size_t>(m_raster.height));
        for (int y = 0; y < m_raster.height; ++y)
            m_rows[static_cast<std::size_t>(y)] =
                near->AnyClearInRow(y, [&](int x, int row) { return m_open[m_raster.Index(x, row)] != 0; });
        rows = m_rows.data();
    }
    m_field.SquaredDistances(m_distance, m_raster.width, m_raster.height, rows);
}

std::optional<std::size_t> FinePlacement::FarthestOpenPixel() {
    if (m_site.LineCount() == 0 && !m_restHeap) {
        if (m_restScanned) {
            // The deepest pixel gave no line: from now on one pixel after the other, in the same
            // order a scan would find them, through a heap instead of a scan for each.
            for (std::size_t i = 0; i < m_pixels; ++i)
                if (m_open[i]) PushCandidate(i);
            m_order.Order();
            m_restHeap = true;
        } else {
            m_restScanned = true;
            std::optional<std::size_t> best;
            for (std::size_t i = 0; i < m_pixels; ++i)
                if (m_open[i] && (!best || m_distance[i] > m_distance[*best])) best = i;
            return best;
        }
    }
    const DistanceField::Squared least = m_dsep * m_dsep;
    while (!m_order.Empty()) {
        const FarthestHeap::Entry c = m_order.Top();
        const DistanceField::Squared now = m_distance[c.pixel];
        if (m_open[c.pixel] && now == c.key) {
            m_order.Pop();
            return c.pixel;
        }
        // Brought nearer since it went in: it goes back in at its distance while that lets it seed.
        if (m_open[c.pixel] && (!m_distancesToLines || now > least))
            m_order.ReplaceTop({now, c.pixel});
        else
            m_order.Pop();
    }
    return std::nullopt;
}

}  // namespace

void FlowScene::PlaceFineStreamlines(std::span<const GridNode> carried) {
    m_stats = PlacementStats{};
    m_seedQueue.Clear();
    if (!m_pNodes || !m_pU || !m_pV) return;
    if (Grid().CellCount() == 0) {
        Grid().Build(std::max(m_nDSep, 1), m_raster);
        Grid().ResetNeighbours(m_aCellNbr);
    }
    FineSite site(*this, m_stats, m_scratch, m_fineBuffers, m_pTraceLog);
    FinePlacement(site).Run(carried);
    // A placement stopped by its bound on passes may leave candidates queued.
    m_seedQueue.Clear();
}
