#include <algorithm>
#include <cmath>
#include <ctime>
#include <stdexcept>

#include "scene/flow_scene.h"
#include "streamlines/tracer.h"

namespace {

// Draws of the first seed before the placement gives up: in a field at rest, or where the
// flow is not a number, no point would ever be accepted.
constexpr int kMaxFirstSeedDraws = 10000;
// Slowest flow, in either component, at which a first seed is accepted.
constexpr float kMinSeedSpeed = 0.0001f;

}  // namespace

// For the length of a placement the scene keeps only the current cell of the separation grid
// and writes the nine slots once, at the end: nothing else reads them meanwhile.
class FlowScene::DeferredSlots {
public:
    explicit DeferredSlots(FlowScene& scene) : m_scene(scene) {
        m_scene.m_bSlotsDeferred = m_scene.Grid().SlotsListBlock(m_scene.m_aCellNbr);
        m_scene.m_nCurrentCell = m_scene.m_aCellNbr[0];
        m_scene.m_bSlotsOwed = false;
    }
    ~DeferredSlots() {
        m_scene.WriteDeferredSlots();
        m_scene.m_bSlotsDeferred = false;
    }
    DeferredSlots(const DeferredSlots&) = delete;
    DeferredSlots& operator=(const DeferredSlots&) = delete;

private:
    FlowScene& m_scene;
};

void FlowScene::PlaceStreamlines(std::span<const GridNode> carried) {
    if (m_modes.placement == kPlacementFine) {
        PlaceFineStreamlines(carried);
        return;
    }
    m_stats = PlacementStats{};
    if (!m_pNodes || !m_pU || !m_pV) return;
    const int dsep = std::max(m_nDSep, 1);
    if (Grid().CellCount() == 0) {
        // Placing without the reset before it would have nowhere to store the points.
        Grid().Build(dsep, m_raster);
        Grid().ResetNeighbours(m_aCellNbr);
    }
    const DeferredSlots deferred(*this);
    const float dist = static_cast<float>(dsep);

    // A carried seed is held to the test every seed from the queue meets, and its line is kept
    // as theirs are: on a field that has not changed, each line is traced again as it was.
    for (const GridNode seed : carried) {
        const std::optional<GridNode> w = CarriedSeedAt(seed, dist);
        if (!w) continue;
        AddStreamline(CreateStreamline(*w, m_nMethod, false));
        ++m_stats.carriedLines;
    }
    if (m_streamlines.empty()) {
        const std::optional<GridNode> first = PickFirstSeed();
        if (!first) {
            m_seedQueue.Clear();
            return;
        }
        AddStreamline(CreateStreamline(*first, m_nMethod, false));
    }

    // Each candidate is looked at once, when it reaches the front, against every streamline
    // placed by then; the streamlines traced from it queue their own candidates at the back.
    while (!m_seedQueue.Empty()) {
        const PixelPoint p = GetSeed(0);
        ++m_stats.seedsExamined;
        const bool ok = IsFarEnough(p.x, p.y, dist);
        PopSeed();
        if (!ok) continue;
        GridNode w;
        if (PixelInData(p.x, p.y, w) && SeedMoves(w)) AddStreamline(CreateStreamline(w, m_nMethod, false));
    }
}

std::optional<GridNode> FlowScene::PickFirstSeed() {
    const std::uint32_t seed = m_fixedSeed ? *m_fixedSeed : static_cast<std::uint32_t>(std::time(nullptr));
    m_nLastSeed = seed;
    m_random.Seed(seed);
    m_random.Next();  // the first value after seeding is discarded

    if (!m_pNodes) return std::nullopt;
    // 1/32767 in single precision; the generator's values 0..32767 then span the extents,
    // or those of the part of the grid a window shows.
    const float k = 1.0f / 32767.0f;
    GridNode origin = m_pNodes[0];
    float extentX = m_fExtentX, extentY = m_fExtentY;
    if (m_mappedWindow.IsSet()) {
        const GridNode shownLow = PixelToWorld(0, 0),
                       shownHigh = PixelToWorld(m_raster.width - 1, m_raster.height - 1);
        const float x1 = std::min(origin.x + m_fExtentX, shownHigh.x),
                    y1 = std::min(origin.y + m_fExtentY, shownHigh.y);
        origin = {std::max(origin.x, shownLow.x), std::max(origin.y, shownLow.y)};
        // A window beside the grid shows nothing to seed.
        if (!(x1 > origin.x && y1 > origin.y)) return std::nullopt;
        extentX = x1 - origin.x;
        extentY = y1 - origin.y;
    }
    const float cx = extentX * k;
    const float cy = extentY * k;
    // The rule is signed: a component of at least kMinSeedSpeed towards +x or +y. A flow that
    // runs towards the lower left everywhere never passes it, so the first draw that moves in
    // any direction is kept and taken when the draws are used up, instead of placing nothing.
    std::optional<GridNode> moving;
    for (int draw = 0; draw < kMaxFirstSeedDraws; ++draw) {
        ++m_stats.firstSeedDraws;
        const int r1 = m_random.Next();
        const int r2 = m_random.Next();
        const float x = static_cast<float>(origin.x + static_cast<double>(r1) * cx);
        const float y = static_cast<float>(origin.y + static_cast<double>(r2) * cy);
        if (PixelStepOn()) {
            // A speed limit in the data's units would be as bound to them as the time step.
            if (SeedMoves({x, y})) return GridNode{x, y};
            continue;
        }
        const GridNode v = SampleVelocity(x, y);
        // A value that is not a number fails both tests.
        if (v.x >= kMinSeedSpeed || v.y >= kMinSeedSpeed) return GridNode{x, y};
        if (!moving && (std::fabs(v.x) >= kMinSeedSpeed || std::fabs(v.y) >= kMinSeedSpeed))
            moving = GridNode{x, y};
    }
    return moving;
}

bool FlowScene::CarriedSeedStarts(GridNode seed) const {
    const PixelPoint p = WorldToPixel(seed);
    GridNode shown;
    if (!IsInPicture(p.x, p.y) || !PixelInData(p.x, p.y, shown) || !IsInDomain(seed.x, seed.y)) return false;
    if (PixelStepOn()) return SeedMoves(seed);
    // Where the flow has come to rest the line would be its seed alone.
    const GridNode v = SampleVelocity(seed.x, seed.y);
    return std::isfinite(v.x) && std::isfinite(v.y) && (v.x != 0.0f || v.y != 0.0f);
}

namespace {

// Keeps the first COUNT points of each direction, whatever lies near them.
struct FirstPoints : TracePolicy {
    int count = 0;
    int left = 0;
    void Begin(PixelPoint) { left = count; }
    PixelVerdict Judge(PixelPoint, PixelPoint) {
        return left-- > 0 ? PixelVerdict::kKeep : PixelVerdict::kStop;
    }
};

}  // namespace

std::optional<GridNode> FlowScene::CarriedSeedAt(GridNode seed, float dist) {
    if (!CarriedSeedStarts(seed)) return std::nullopt;
    const PixelPoint p = WorldToPixel(seed);
    if (IsFarEnough(p.x, p.y, dist)) return seed;
    // Points are more than 1.5 pixels apart: half as many as DIST reach about DIST either way.
    FirstPoints policy;
    policy.count = std::max(static_cast<int>(dist) / 2, 1);
    Tracer(*this, m_stats, m_pTraceLog).BothWays(m_scratch, seed, m_nMethod, policy);
    // Read in place: the tests below trace nothing, and the scratch line is emptied on the way out.
    const Streamline& along = m_scratch;
    const std::size_t middle = along.SeedIndex();
    std::optional<GridNode> found;
    // Outwards from the seed, the nearer point first and of two alike the one downstream.
    for (std::size_t k = 1; k < along.GetCount() && !found; ++k)
        for (const std::size_t i : {middle + k, middle - k}) {
            if (i >= along.GetCount()) continue;  // past either end, MIDDLE - K wrapped round
            const PixelPoint q = along.Data()[i];
            GridNode w;
            if (IsInPicture(q.x, q.y) && PixelInData(q.x, q.y, w) && CarriedSeedStarts(w) &&
                IsFarEnough(q.x, q.y, dist)) {
                found = w;
                break;
            }
        }
    m_scratch.RemoveAll();
    return found;
}

std::vector<GridNode> FlowScene::LineSeeds() const {
    std::vector<GridNode> seeds;
    seeds.reserve(m_streamlines.size());
    for (const auto& line : m_streamlines) seeds.push_back(line->Seed());
    return seeds;
}

bool FlowScene::SeedMoves(GridNode w) const {
    if (!PixelStepOn()) return true;
    GridNode direction;
    return FlowDirection(w.x, w.y, direction);
}

PixelPoint FlowScene::GetSeed(std::size_t i) const {
    return m_seedQueue.Get(i);
}

void FlowScene::PopSeed() {
    m_seedQueue.Pop();
}

void FlowScene::AddStreamline(std::unique_ptr<Streamline> s) {
    if (!s) return;
    ++m_stats.streamlines;
    m_stats.points += s->GetCount();
    m_streamlines.push_back(std::move(s));
}

Streamline FlowScene::GetStreamline(std::size_t i) const {
    return StreamlineAt(i);
}

const Streamline& FlowScene::StreamlineAt(std::size_t i) const {
    if (i >= m_streamlines.size()) throw std::out_of_range("invalid vector<T> subscript");
    return *m_streamlines[i];
}

void FlowScene::ResetForDraw() {
    m_pImage.reset();
    m_pClickStreamline.reset();
    Grid().DestroyCells();
    Grid().Build(m_nDSep, m_raster);
    Grid().ResetNeighbours(m_aCellNbr);
    // clear() keeps the list's storage for the next placement.
    m_streamlines.clear();
}
