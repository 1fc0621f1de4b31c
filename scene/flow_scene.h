#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/colour_scale.h"
#include "base/data_set.h"
#include "base/draw_settings.h"
#include "base/grid_node.h"
#include "base/raster_geometry.h"
#include "base/reporter.h"
#include "base/shown_numbers.h"
#include "base/work_counters.h"
#include "base/world_origin.h"
#include "sampling/cell_search.h"
#include "sampling/grid_shape.h"
#include "scene/frame_list.h"
#include "scene/scene_settings.h"
#include "streamlines/fine_placement.h"
#include "streamlines/pixel_mapping.h"
#include "streamlines/random_source.h"
#include "streamlines/seed_offsets.h"
#include "streamlines/seed_queue.h"
#include "streamlines/separation_grid.h"
#include "streamlines/streamline.h"

// What reading a frame takes from the settings: the lattice a mesh is sampled onto and the plane
// kept of a 3-D file. A frame read with other ones than the scene's now is not the frame the
// scene would read.
struct FrameReading {
    LatticeSize lattice;
    std::int32_t plane = 0;

    friend bool operator==(const FrameReading& a, const FrameReading& b) {
        return a.lattice.ni == b.lattice.ni && a.lattice.nj == b.lattice.nj && a.plane == b.plane;
    }
};

// Reads FRAME with READER where READER takes its file, or else as a .gri pair with the frame's
// solution file, and keeps the plane HOW names: the one choice of reader for a data set and each
// of its frames. PLANE, when given, gets the shape of plane 0 where the reader judged it. On
// failure reports through REPORTER, with nothing held in DATA. Touches nothing but its
// arguments, so that a frame read on another thread, with a reader and a reporter of its own,
// is the frame the scene reads.
bool ReadFrameWith(const Frame& frame, DataSetReader* reader, const FrameReading& how, Reporter& reporter,
                   DataSetArrays& data, std::optional<GridShape>* plane = nullptr);

// Everything the viewer knows: the data set, its rasters and image, the user's settings, the
// world-to-pixel scales, the placed streamlines and the seed queue. The program has exactly
// one; tests build their own, each with its own separation grid.
//
// Empty: m_pImage is null. Loaded: all eleven arrays are present and filled.
class FlowScene {
public:
    explicit FlowScene(SeparationGrid& grid, Reporter* reporter = nullptr);
    virtual ~FlowScene();
    FlowScene(const FlowScene&) = delete;
    FlowScene& operator=(const FlowScene&) = delete;

    // --- data set and state: scene/flow_scene.cpp ------------------------------------------
    void ReleaseDataSet();
    bool HasDataSet() const { return m_pImage != nullptr; }
    // m_ni * m_nj * m_nk, formed in 64 bits.
    std::int64_t NodeCount() const;

    // --- data sets from every reader: scene/data_loader.cpp ---------------------------------
    // Reads PATH with the reader set for it, or else as a geometry file and its solution file
    // (PATH less its last three characters + "00000.dat"). Precondition: the scene is Empty.
    // On failure reports through the reporter and leaves nothing of the new files in the scene.
    bool LoadDataSet(const std::string& path);
    // Takes a data set that a reader made, after the checks every data set meets (counts,
    // extents, corners); PATH names the file in messages. PLANE is the shape of plane 0 where
    // the reader judged it while storing the nodes; without it, it is judged here. The scene
    // must be Empty.
    bool AdoptDataSet(DataSetArrays&& data, const std::string& path, std::optional<GridShape> plane = {});
    // Whether u and v are zero at every node of the plane shown: a picture of nothing moving,
    // which a 3-D file's plane 0 often is; the tools and the viewer say so.
    bool FlowIsZero() const;
    // ReadFrameWith the reader, the reading settings and the reporter of this scene.
    bool ReadFrameArrays(const Frame& frame, DataSetArrays& data, std::optional<GridShape>* plane = nullptr);
    // How this scene's settings have a frame read.
    FrameReading CurrentFrameReading() const {
        return {LatticeSize{m_modes.resample.ni, m_modes.resample.nj}, m_modes.plane};
    }
    // Hands the nodes and fields over in the file's own coordinates (the shift added back),
    // with the reader's notes, and leaves the scene Empty: for writing them elsewhere.
    DataSetArrays TakeDataSet();
    // Files that READER accepts are read by it instead of as a .gri pair; none by default.
    void SetDataSetReader(DataSetReader* reader) { m_pReader = reader; }
    // What the reader of the loaded data set found out about its file; empty notes for a
    // .gri pair and without a data set.
    const DataSetNotes& Notes() const { return m_notes; }
    // What the loaded grid was shifted by to keep single precision (zero for almost every
    // grid); positions shown to the user add it back.
    const WorldOrigin& Origin() const { return m_origin; }
    void ComputeExtents();
    static std::string SolutionPathFor(const std::string& geometryPath);

    // --- frames of a time series: scene/frames.cpp -------------------------------------------
    // Replaces the fields of the loaded data set with those of FRAME, read as LoadDataSet reads
    // a file, when its grid is the loaded one to the bit; the rasters and lines are then renewed
    // as by RedrawScene. Anything else is reported, naming the frame, and leaves the scene as it
    // was.
    bool ShowFrame(const Frame& frame);
    // ShowFrame with FRAME's arrays read already (by ReadFrameArrays, or by ReadFrameWith as
    // CurrentFrameReading says on another thread), with the same checks and picture. With
    // m_modes.coherent the placement starts from the seeds of the lines shown until then.
    bool ShowFrameArrays(const Frame& frame, DataSetArrays&& data);
    // Reads every frame of FRAMES and spans the colour maps, and so the legend, over their
    // values together from the next colouring on, so that colours keep their meaning from
    // frame to frame. A frame that cannot be read or lies on another grid is reported by name;
    // false then, and each frame keeps its own range.
    bool MeasureSequenceRanges(const std::vector<Frame>& frames);
    // Back to each frame's own range; also what every load does.
    void ForgetSequenceRanges() { m_sequenceRanges.reset(); }
    bool HasSequenceRanges() const { return m_sequenceRanges.has_value(); }

    // --- opening and redrawing: scene/open_and_redraw.cpp ---------------------------------------
    // The whole of File > Open once a path is chosen; the scene ends Loaded or Empty.
    void OpenDataSet(const std::string& path);
    // The Draw button: re-colour and re-place with the current settings; nothing when Empty.
    void RedrawScene();

    // --- cell location (plane 0): sampling/cell_location.cpp; the velocity at a point:
    // sampling/interpolation.cpp -------------------------------------------------------------
    bool IsInDomain(float x, float y) const;
    int FindCell(float x, float y, int start) const;
    GridNode SampleVelocity(float x, float y) const;
    // Asks the processor to fetch the velocity values around (x, y), for a point that will be
    // sampled soon; changes nothing and has no effect on any result.
    void PrefetchVelocity(float x, float y) const;
    // Whether fetching ahead pays: the velocities are larger than a processor's cache.
    bool PrefetchPays() const;
    // True when the grid is rectilinear and increasing, decided once per load; FindCell then
    // searches the axes instead of scanning.
    bool IsRectilinear() const { return m_bRectilinear; }

    // --- rasters: sampling/background_raster.cpp; colour maps: sampling/colour_map.cpp -----
    void BuildRasters();
    // The rasters the placement reads and no more: u, v and speed, without pressure,
    // vorticity or the coloured picture, for a caller that wants the lines alone and draws
    // nothing; the lines are those BuildRasters gives.
    void BuildFlowRasters();
    float* ResampleField(const float* F, float* out, float& min, float& max) const;
    // The same walk for any other view, for the first FIELDS of u, v, p and w at once, each
    // pixel's point and cell found once for all of them: pixel (c, r) samples
    // PixelToWorld(c, r), and pixels whose point lies outside the grid are not numbers. LOW and
    // HIGH cover the numbers only.
    void ResampleFieldsAtPixels(float* const out[4], float low[4], float high[4], int fields) const;
    // The same, for u, v, p and w at once on a rectilinear grid, where each column and each row
    // is worked out once: OUT, LOW and HIGH in that order; the first FIELDS of them alone; no
    // ranges where LOW or HIGH is null.
    void ResampleViewOfAxes(float* const out[4], float low[4], float high[4], int fields = 4) const;
    // The first FIELDS of u, v, p and w into OUT, LOW and HIGH, each the way the view and the
    // grid call for: the classic walk, or the view's pixels, over the axes where it can. Without
    // RANGES, LOW and HIGH may be left as they were.
    void ResampleFields(float* const out[4], float low[4], float high[4], int fields,
                        bool ranges = true) const;
    // A raster of the picture's size: HELD where it already has that size, written over, else
    // a new one.
    std::unique_ptr<float[]> TakeRaster(std::unique_ptr<float[]>& held) const;
    void ColourImage(const float* r, float scale);
    // Colours with one of the 256-entry maps: LOW and HIGH are the raster values of the first
    // and the last colour; values that are not numbers stay black.
    void ColourImageWithMap(const float* r, double low, double high, int map);
    // Colours the image and sets the image's and the lines' scales.
    void ColourBackground();
    const ColourScale& ImageScale() const { return m_imageScale; }
    // How FIELD reads through MAP as ColourBackground would colour the image with it: the ramp
    // from the largest raster value, the other maps over the nodes' range. Needs the rasters.
    ColourScale ScaleOf(std::int32_t field, std::int32_t map) const;
    // The scale the streamlines are coloured by when m_modes.lineColour names a field, as the
    // last colouring left it; not coloured otherwise.
    const ColourScale& LineScale() const { return m_lineScale; }
    // FIELD's value at raster pixel (x, y) in its own values; NaN outside the picture.
    double RasterValue(std::int32_t field, int x, int y) const;
    // Measures the fields' ranges over the nodes for the 256-entry maps; once per load.
    void MeasureNodeRanges();
    const NodeRanges& FieldRanges() const { return m_nodeRanges; }

    // --- separation test: inline below, and streamlines/closeness_by_points.cpp ------------------
    // Inline, so that tracing and placement each have their own copy of its branches.
    bool IsFarEnough(int x, int y, float dist);

    // --- integrators: streamlines/integrators.cpp; world and pixel: streamlines/pixel_mapping.cpp
    // A failed second- or fourth-order step returns (0, 0) and sets *failed when given.
    GridNode Integrate(int method, GridNode p, float h, int direction, bool* failed = nullptr) const;
    GridNode IntegrateEuler(GridNode p, float h, int direction) const;
    GridNode IntegrateRK2(GridNode p, float h, int direction, bool* failed = nullptr) const;
    GridNode IntegrateRK4(GridNode p, float h, int direction, bool* failed = nullptr) const;
    // The same schemes over the flow's direction v / |S v|, S = diag(m_fScaleX, m_fScaleY),
    // with the step LENGTHPIXELS: each stage advances that many raster pixels along the local
    // flow. A stage where the flow does not move, or is not finite, fails the step.
    GridNode IntegratePixels(int method, GridNode p, float lengthPixels, int direction,
                             bool* failed = nullptr) const;
    // v / |S v| at (x, y); false where |S v| is zero or not finite.
    bool FlowDirection(float x, float y, GridNode& direction) const;
    // One step as the settings ask: the time step, or m_modes.stepPixels pixels when that is positive.
    GridNode Step(int method, GridNode p, int direction, bool* failed) const;
    // A length that is not positive, or not a number, keeps the time step.
    bool PixelStepOn() const { return m_modes.stepPixels > 0.0f; }
    // Inline below: tracing maps every step.
    PixelPoint WorldToPixel(GridNode w) const;
    GridNode PixelToWorld(int px, int py) const;
    // PixelToWorld as the user's file has the coordinates (base/shown_numbers.h): the point a
    // streamline's pixel stands for wherever lines leave the program in the data's coordinates.
    ShownPoint PixelToShown(int px, int py) const;
    // Sets the raster's size, the scales and the offsets for the picture the settings ask for
    // (m_modes.size, m_modes.window, m_modes.aspect); from then on that view is the one in
    // force (m_raster, m_nMappedAspect, MappedView). The classic view is the one
    // ComputeExtents sets.
    void ApplyView();
    // Whether the settings ask for another picture than the one in force.
    bool ViewChanged() const;
    // The size and window the mapping was made for.
    const PictureSize& MappedSize() const { return m_mappedSize; }
    const WorldWindow& MappedWindow() const { return m_mappedWindow; }
    // The classic picture: 350 x 560 pixels over the whole grid, each axis stretched to it.
    bool IsDesignView() const { return m_bDesignView; }
    // The raster in force and whether pixel (x, y) lies in it.
    RasterSize Raster() const { return m_raster; }
    bool IsInPicture(int x, int y) const { return m_raster.Contains(x, y); }
    // Whether streamlines end at the picture's edge: where it shows less than the grid, or more
    // pixels than the classic. In the classic picture the grid is the picture.
    bool EndsAtPicture() const { return !m_bDesignView; }
    // The pixel of the picture nearest to P.
    PixelPoint NearestInPicture(PixelPoint p) const {
        return {std::clamp(p.x, 0, m_raster.width - 1), std::clamp(p.y, 0, m_raster.height - 1)};
    }
    // Whether raster pixel (x, y) shows the data: every raster pixel of the classic picture;
    // in any other, those whose world point lies in the grid (within half a pixel of it, but
    // for the classic raster with equal scales, which takes the grid as it is).
    bool IsPixelInData(int x, int y) const;
    // PixelToWorld, moved into the grid when it lies within half a pixel of it: the point
    // that pixel shows. False for a pixel that shows no data.
    bool PixelInData(int x, int y, GridNode& world) const;
    // One coordinate of PixelInData: whether V, along x or y, shows the grid, moved onto it
    // where it lies within half a pixel beside it. Needs the nodes.
    bool ShownAlong(float& v, bool alongX) const;

    // --- streamline tracing: streamlines/tracing.cpp, with the tracer of streamlines/tracer.h -
    // A click streamline (CLICK) is traced without separation tests, is not stored in the grid
    // and offers no seeds.
    std::unique_ptr<Streamline> CreateStreamline(GridNode seed, int method, bool click);
    // One direction from P0 as CreateStreamline traces it, added at the growing end of S.
    void TraceDirection(Streamline& s, GridNode p0, int method, int direction, bool click);
    void InsertIntoGrid(const Streamline& s);
    void AddSeedCandidates(const Streamline& s);
    void PushSeed(int x, int y);
    // Every direction traced from now on is appended to LOG; none (the default) keeps nothing.
    void SetTraceLog(std::vector<TracedDirection>* log) { m_pTraceLog = log; }

    // --- evenly spaced placement: streamlines/placement.cpp ---------------------------------
    // CARRIED, seeds of the lines of another frame, are tried first and in order (see
    // CarriedSeedStarts), each one kept whose line the placement's rules keep; the placement
    // then fills the rest as it would have, and needs no first seed of its own where a line is
    // kept. None by default: the placement as it always was.
    void PlaceStreamlines(std::span<const GridNode> carried = {});
    // Whether a carried seed may start a line in the field now held: its pixel is in the
    // picture and shows the data, and the flow moves at the seed (has a direction under the
    // pixel step). Its distance to the lines is the placement's to test.
    bool CarriedSeedStarts(GridNode seed) const;
    // Where carried SEED starts its line: itself where it starts one and lies DIST or more from
    // every line placed; else the nearest point within about DIST along its streamline in the
    // field now held that does, since the lines beside it move too and a seed a pixel too close
    // would otherwise lose a line that still runs there. None where no such point is.
    std::optional<GridNode> CarriedSeedAt(GridNode seed, float dist);
    // The seeds of the placed streamlines, in placement order.
    std::vector<GridNode> LineSeeds() const;
    // A random point of the grid's rectangle where the flow moves; none after the bounded
    // number of draws. Under the time step the flow moves where |u| or |v| is 0.0001 or more,
    // under the pixel step where it has a direction.
    std::optional<GridNode> PickFirstSeed();
    // Whether a seed that passed its test starts a streamline: always under the time step;
    // under the pixel step only where the flow has a direction, since a seed without one
    // would stay a single point and, stored, keep streamlines away from a body at rest.
    bool SeedMoves(GridNode w) const;
    // Whether both directions of a streamline from SEED take their whole step limit without
    // leaving SEED's pixel by more than one, proven without tracing: under the time step, on
    // a rectilinear grid, where the fastest finite nodes within 0.9 pixels of SEED carry no
    // point that far in all the steps, with their rounding. Such a line keeps no second point.
    bool DirectionsStayAt(GridNode seed) const;
    PixelPoint GetSeed(std::size_t i) const;
    void PopSeed();
    std::size_t GetSeedCount() const { return m_seedQueue.Size(); }
    void AddStreamline(std::unique_ptr<Streamline> s);
    Streamline GetStreamline(std::size_t i) const;
    // Read access without a copy, for drawing and export; same bounds rule as GetStreamline.
    const Streamline& StreamlineAt(std::size_t i) const;
    std::size_t GetStreamlineCount() const { return m_streamlines.size(); }
    void ResetForDraw();

    // --- fine placement: streamlines/fine_placement.cpp -------------------------------------
    // Placed instead of the standard placement when m_modes.placement is kPlacementFine. Needs no
    // random first seed: it starts at the pixel deepest inside the moving flow, so the same
    // field and settings always give the same streamlines.
    void PlaceFineStreamlines(std::span<const GridNode> carried = {});
    // Off, the fine placement renews its distances by transforms of the whole raster only,
    // which must place the same lines: for comparison.
    void RenewFineDistancesAroundNewLines(bool on) { m_fineBuffers.renewAroundNewLines = on; }

    // The placement's working memory: the rasters of u, v and speed and the fine placement's
    // buffers. A caller that places one data set after another, each in a scene of its own,
    // hands it from one scene to the next, so that every placement does not fault in fresh
    // pages again (the Python module). Only the memory carries over: a scene given it places
    // what a new scene places.
    struct WorkMemory {
        std::unique_ptr<float[]> u, v, speed;
        std::size_t pixels = 0;
        FinePlacementBuffers fine;
    };
    WorkMemory TakeWorkMemory();
    // Before the rasters are built, to a scene that holds none.
    void LendWorkMemory(WorkMemory&& memory);

    // --- click streamline: streamlines/click_streamline.cpp ---------------------------------
    // Traces from raster pixel (x, y) without separation tests and keeps it in
    // m_pClickStreamline (replacing the previous one); the caller draws it.
    const Streamline* AddClickStreamline(int x, int y);

    // --- first seed's generator: streamlines/placement.cpp ----------------------------------
    // With a fixed seed every placement draws the same first seed; without, each placement
    // seeds from the current time in whole seconds.
    void SetFixedSeed(std::optional<std::uint32_t> seed) { m_fixedSeed = seed; }
    std::optional<std::uint32_t> FixedSeed() const { return m_fixedSeed; }
    std::uint32_t LastSeed() const { return m_nLastSeed; }

    SeparationGrid& Grid() { return *m_pGrid; }
    const SeparationGrid& Grid() const { return *m_pGrid; }
    const PlacementStats& Stats() const { return m_stats; }
    const OpenTimings& LastOpenTimings() const { return m_openTimings; }

    // --- fields ------------------------------------------------------------------------------
    std::unique_ptr<GridNode[]> m_pNodes;
    std::unique_ptr<std::uint8_t[]> m_pImage;
    std::unique_ptr<float[]> m_pU;
    std::unique_ptr<float[]> m_pV;
    std::unique_ptr<float[]> m_pP;
    std::unique_ptr<float[]> m_pW;
    std::unique_ptr<float[]> m_pRasterU;
    std::unique_ptr<float[]> m_pRasterV;
    std::unique_ptr<float[]> m_pRasterSpeed;
    std::unique_ptr<float[]> m_pRasterP;
    std::unique_ptr<float[]> m_pRasterW;
    float m_fExtentX = 0.0f;
    float m_fExtentY = 0.0f;
    // The settings start as DrawSettings{} has them.
    std::int32_t m_nDSep = DrawSettings{}.dsep;
    float m_fDTest = TestDistance(DrawSettings{}.dsep, static_cast<float>(DrawSettings{}.dtestPercent));
    float m_fDTestPercent = static_cast<float>(DrawSettings{}.dtestPercent);
    std::int32_t m_nMethod = DrawSettings{}.method;
    std::int32_t m_nBackground = DrawSettings{}.background;
    bool m_bHedgehog = DrawSettings{}.hedgehog;
    bool m_bHedgehogBySpeed = DrawSettings{}.arrowsBySpeed;
    // The settings added beside the control bar's: step, colour map, aspect, legend, placement.
    DrawModes m_modes;
    // The aspect that the scales, the offsets and the rasters were made for; m_modes.aspect takes
    // over at the next open or Draw.
    std::int32_t m_nMappedAspect = kAspectStretch;
    float m_fScaleX = 0.0f;
    float m_fScaleY = 0.0f;
    float m_fInvScaleX = 0.0f;
    float m_fInvScaleY = 0.0f;
    // Raster coordinate of the first grid node: (0, 0) in the classic picture, the data
    // centred with equal scales (whole pixels), wherever a window puts it otherwise.
    double m_dOffsetX = 0.0;
    double m_dOffsetY = 0.0;
    // The raster the rasters, the image, the mapping and the separation grid are made for.
    RasterSize m_raster;
    // The smallest and largest raster values of pressure and vorticity before the shift.
    float m_fRasterMinP = 0.0f;
    float m_fRasterMaxP = 0.0f;
    float m_fRasterMinW = 0.0f;
    float m_fRasterMaxW = 0.0f;
    NeighbourSlots m_aCellNbr{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::unique_ptr<Streamline> m_pClickStreamline;
    std::vector<std::unique_ptr<Streamline>> m_streamlines;
    SeedQueue m_seedQueue;
    std::int16_t m_ni = 0;
    std::int16_t m_nj = 0;
    std::int16_t m_nk = 0;

private:
    // ColourBackground's image and m_imageScale, which is ScaleOf the field shown.
    void PaintBackground();
    // The last steps of every load: the shift of a grid far from the origin, the extents and
    // scales, and how cells are found.
    void FinishGrid(GridShape shape);
    // Whether DATA, FRAME's arrays, lies on the loaded grid to the bit (shifted as it was);
    // reported by the frame's name when not.
    bool FrameOnLoadedGrid(const Frame& frame, DataSetArrays& data);
    void DecideRectilinear(const GridShape& shape);
    bool SearchesAxes() const;
    bool ScanCanSkipAhead() const;
    int FindColumn(float x) const;
    int FindRow(float y, int column) const;

    SeparationGrid* m_pGrid;
    StderrReporter m_stderrReporter;
    Reporter* m_pReporter;
    DataSetReader* m_pReader = nullptr;
    DataSetNotes m_notes;
    WorldOrigin m_origin;
    bool m_bRectilinear = false;
    CellSearch m_cellSearch;
    // The corners of the cell last sampled on a grid that is not rectilinear, and the inverse
    // lengths of its sides: samples along a line mostly stay in one cell, and the divisions
    // cost as much as the rest of a sample.
    struct CellInverse {
        // At first a cell no grid is likely to have, with the inverses it would have.
        GridNode ll{std::numeric_limits<float>::quiet_NaN(), 0.0f};
        GridNode ur{};
        double width = std::numeric_limits<double>::quiet_NaN();
        double height = std::numeric_limits<double>::infinity();
    };
    mutable CellInverse m_lastCell;
    RandomSource m_random;
    std::optional<std::uint32_t> m_fixedSeed;
    std::uint32_t m_nLastSeed = 0;
    PlacementStats m_stats;
    OpenTimings m_openTimings;
    PictureSize m_mappedSize;
    WorldWindow m_mappedWindow;
    bool m_bDesignView = true;
    // Reused between streamlines so that tracing allocates once per streamline, not per step.
    // PlaceFineStreamlines lends it, with m_stats, m_fineBuffers and the trace log, to the fine
    // placement for the length of one placement.
    Streamline m_scratch;
    ColourScale m_imageScale;
    ColourScale m_lineScale;
    NodeRanges m_nodeRanges;
    bool m_bNodeRangesMeasured = false;  // for the data set held
    // Over every frame of a sequence, when its frames share one colour scale.
    std::optional<NodeRanges> m_sequenceRanges;
    std::size_t m_nRasterPixels = 0;  // of the rasters held
    // The seed candidates' offsets by segment direction, for the current d_sep.
    SeedOffsets m_seedOffsets;
    // While a placement runs, the separation grid's current cell is kept here alone and the
    // slots are written when it ends (or when the points are read through them): WriteDeferredSlots.
    class DeferredSlots;
    void WriteDeferredSlots();
    // The separation test read off the points through the slots, where the grid's bitmaps do
    // not answer.
    bool IsFarEnoughByPoints(int x, int y, float dist);
    bool m_bSlotsDeferred = false;
    bool m_bSlotsOwed = false;
    std::int32_t m_nCurrentCell = -1;
    std::vector<TracedDirection>* m_pTraceLog = nullptr;
    FinePlacementBuffers m_fineBuffers;
};

inline PixelPoint FlowScene::WorldToPixel(GridNode w) const {
    const GridNode origin = m_pNodes ? m_pNodes[0] : GridNode{};
    // An offset of zero, the classic picture, adds nothing to the product's rounding.
    const float a = static_cast<float>((static_cast<double>(w.x) - origin.x) * m_fScaleX + m_dOffsetX);
    const float b = static_cast<float>((static_cast<double>(w.y) - origin.y) * m_fScaleY + m_dOffsetY);
    return {PixelIndexOf(a), PixelIndexOf(b)};
}

inline bool FlowScene::IsFarEnough(int x, int y, float dist) {
    ++m_stats.separationTests;
    SeparationGrid& grid = Grid();
    if (grid.CellCount() == 0) return true;  // nothing can be stored in a grid without cells
    std::optional<bool> closer;
    if (m_bSlotsDeferred) {
        m_bSlotsOwed |= grid.LocateCurrent(x, y, m_nCurrentCell);
        closer = grid.FindCloser(x, y, dist);
    } else {
        closer = grid.LocateAndFindCloser(x, y, dist, m_aCellNbr);
    }
    return closer ? !*closer : IsFarEnoughByPoints(x, y, dist);
}
