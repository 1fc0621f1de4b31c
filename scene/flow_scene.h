#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scene/data_set.h"
#include "scene/grid_node.h"
#include "scene/raster_geometry.h"
#include "scene/reporter.h"
#include "streamlines/random_source.h"
#include "streamlines/seed_queue.h"
#include "streamlines/separation_grid.h"
#include "streamlines/streamline.h"

// Work counters of the last placement, so that a change of work is not mistaken for a change
// of speed in benchmarks and statistics.
struct PlacementStats {
    std::uint64_t streamlines = 0;
    std::uint64_t points = 0;
    std::uint64_t steps = 0;            // integration steps
    std::uint64_t separationTests = 0;  // IsFarEnough calls
    std::uint64_t seedsExamined = 0;
    std::uint64_t firstSeedDraws = 0;
};

// Wall-clock milliseconds of the steps of the last OpenDataSet, for the tools' statistics;
// measured stays false until an OpenDataSet has timed its steps.
struct OpenTimings {
    bool measured = false;
    double loadMs = 0.0;
    double rastersMs = 0.0;
    double placementMs = 0.0;
};

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

    // --- data set and state --------------------------------------------------------------
    void ReleaseDataSet();
    bool HasDataSet() const { return m_pImage != nullptr; }
    // m_ni * m_nj * m_nk, formed in 64 bits.
    std::int64_t NodeCount() const;

    // --- geometry and solution files -------------------------------------------------------
    // Reads PATH and its solution file (PATH less its last three characters + "00000.dat").
    // Precondition: the scene is Empty. On failure reports through the reporter and leaves
    // nothing of the new files in the scene.
    bool LoadDataSet(const std::string& path);
    // Takes a data set that a reader made, after the checks the loader makes of its own files
    // (counts, extents); PATH names the file in messages. The scene must be Empty.
    bool AdoptDataSet(DataSetArrays&& data, const std::string& path);
    // Files that READER accepts are read by it instead of the loader; none by default.
    void SetDataSetReader(DataSetReader* reader) { m_pReader = reader; }
    // What the reader of the loaded data set found out about its file; empty notes for a
    // .gri pair and without a data set.
    const DataSetNotes& Notes() const { return m_notes; }
    void ComputeExtents();
    static std::string SolutionPathFor(const std::string& geometryPath);

    // --- opening and redrawing -------------------------------------------------------------
    // The whole of File > Open once a path is chosen; the scene ends Loaded or Empty.
    void OpenDataSet(const std::string& path);
    // The Draw button: re-colour and re-place with the current settings; nothing when Empty.
    void RedrawScene();

    // --- cell location and interpolation (plane 0) ------------------------------------------
    bool IsInDomain(float x, float y) const;
    int FindCell(float x, float y, int start) const;
    GridNode SampleVelocity(float x, float y) const;
    // Asks the processor to fetch the velocity values around (x, y), for a point that will be
    // sampled soon; changes nothing and has no effect on any result.
    void PrefetchVelocity(float x, float y) const;
    // True when the grid is rectilinear and increasing, decided once per load; FindCell then
    // searches by bisection instead of scanning.
    bool IsRectilinear() const { return m_bRectilinear; }

    // --- rasters and colour maps --------------------------------------------------------
    void BuildRasters();
    float* ResampleField(const float* F, float* out, float& min, float& max) const;
    void ColourImage(const float* r, float scale);
    void ColourBackground();

    // --- separation test --------------------------------------------------------------------
    bool IsFarEnough(int x, int y, float dist);

    // --- integrators and pixel mapping ------------------------------------------------------
    // A failed second- or fourth-order step returns (0, 0) and sets *failed when given.
    GridNode Integrate(int method, GridNode p, float h, int direction, bool* failed = nullptr) const;
    GridNode IntegrateEuler(GridNode p, float h, int direction) const;
    GridNode IntegrateRK2(GridNode p, float h, int direction, bool* failed = nullptr) const;
    GridNode IntegrateRK4(GridNode p, float h, int direction, bool* failed = nullptr) const;
    PixelPoint WorldToPixel(GridNode w) const;
    GridNode PixelToWorld(int px, int py) const;

    // --- streamline tracing -----------------------------------------------------------------
    std::unique_ptr<Streamline> CreateStreamline(GridNode seed, int method, bool click);
    void TraceDirection(Streamline& s, GridNode p0, int method, int direction, bool click);
    void InsertIntoGrid(const Streamline& s);
    void AddSeedCandidates(const Streamline& s);
    void PushSeed(int x, int y);

    // --- evenly spaced placement ------------------------------------------------------------
    void PlaceStreamlines();
    // A random point of the grid's rectangle where the flow moves; none after the bounded
    // number of draws.
    std::optional<GridNode> PickFirstSeed();
    PixelPoint GetSeed(std::size_t i) const;
    void PopSeed();
    std::size_t GetSeedCount() const { return m_seedQueue.Size(); }
    void AddStreamline(std::unique_ptr<Streamline> s);
    Streamline GetStreamline(std::size_t i) const;
    // Read access without a copy, for drawing and export; same bounds rule as GetStreamline.
    const Streamline& StreamlineAt(std::size_t i) const;
    std::size_t GetStreamlineCount() const { return m_streamlines.size(); }
    void ResetForDraw();

    // --- click streamline -------------------------------------------------------------------
    // Traces from raster pixel (x, y) without separation tests and keeps it in
    // m_pClickStreamline (replacing the previous one); the caller draws it.
    const Streamline* AddClickStreamline(int x, int y);

    // --- first seed's generator -------------------------------------------------------------
    // With a fixed seed every placement draws the same first seed; without, each placement
    // seeds from the current time in whole seconds.
    void SetFixedSeed(std::optional<std::uint32_t> seed) { m_fixedSeed = seed; }
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
    std::int32_t m_nDSep = 10;
    float m_fDTest = 5.0f;
    float m_fDTestPercent = 50.0f;
    std::int32_t m_nMethod = 1;
    std::int32_t m_nBackground = 0;
    bool m_bHedgehog = false;
    bool m_bHedgehogBySpeed = false;
    float m_fScaleX = 0.0f;
    float m_fScaleY = 0.0f;
    float m_fInvScaleX = 0.0f;
    float m_fInvScaleY = 0.0f;
    NeighbourSlots m_aCellNbr{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::unique_ptr<Streamline> m_pClickStreamline;
    std::vector<std::unique_ptr<Streamline>> m_streamlines;
    SeedQueue m_seedQueue;
    std::int16_t m_ni = 0;
    std::int16_t m_nj = 0;
    std::int16_t m_nk = 0;

private:
    // NODES_ON_AXES: every node of plane 0 has the first row's x of its column and the first
    // column's y of its row, which the loader finds out while it reads the nodes.
    void DecideRectilinear(bool nodesOnAxes);
    int FindColumn(float x) const;
    int FindRow(float y, int column) const;
    // On a rectilinear grid: the column and row of FindCell's cell for (x, y), trying the
    // previous answer's column and row first, since successive samples along a streamline
    // nearly always stay there. Returns false on any other grid.
    bool LocateOnAxes(float x, float y, int& column, int& row) const;

    SeparationGrid* m_pGrid;
    StderrReporter m_stderrReporter;
    Reporter* m_pReporter;
    DataSetReader* m_pReader = nullptr;
    DataSetNotes m_notes;
    bool m_bRectilinear = false;
    // The first row's x and the first column's y side by side, so that the bisection reads a
    // few cache lines instead of one node per probe; filled when m_bRectilinear is set.
    std::vector<float> m_axisX;
    std::vector<float> m_axisY;
    // Uniform bins over each axis, each naming the first interval that reaches into it, so
    // that finding an interval costs a few comparisons whatever the axis's length.
    std::vector<std::int32_t> m_binsX;
    std::vector<std::int32_t> m_binsY;
    double m_binScaleX = 0.0;
    double m_binScaleY = 0.0;
    mutable int m_hintColumn = 0;
    mutable int m_hintRow = 0;
    RandomSource m_random;
    std::optional<std::uint32_t> m_fixedSeed;
    std::uint32_t m_nLastSeed = 0;
    PlacementStats m_stats;
    OpenTimings m_openTimings;
    // Reused between streamlines so that tracing allocates once per streamline, not per step.
    Streamline m_scratch;
};

// Free functions of their arguments.
double Bilinear(float s, float t, float c00, float c10, float c01, float c11);
double InterpolateInCell(float x, float y, float x0, float y0, float x1, float y1, float c00, float c10,
                         float c01, float c11);
float* ComputeSpeed(const float* u, const float* v, float* speed, int width, int height);
double RasterMax(const float* r, int width, int height);
float* AddConstant(float* r, float c, int width, int height);
double RoundHalfAway(float v);
double PixelDistance(int x1, int y1, int x2, int y2);
bool IsInRaster(int x, int y);

// The control bar's rules for the two distances, shared by the viewer and the command line.
// Each returns false and changes nothing when the result would leave its range.
inline constexpr int kDSepMin = 5;
inline constexpr int kDSepMax = 20;
inline constexpr int kDTestPercentMin = 10;
inline constexpr int kDTestPercentMax = 90;
bool ChangeDSep(FlowScene& scene, int iDelta);
bool ChangeDTestPercent(FlowScene& scene, int iDelta);
// m_fDTest from the current distance and percentage: d_sep * percent * 0.01 in float.
void UpdateDTest(FlowScene& scene);

// All of the control bar's settings as one value, for the front ends that set them at once.
struct DrawSettings {
    int dsep = 10;
    int dtestPercent = 50;
    int method = 1;      // 0 Euler, 1 second-order, 2 fourth-order Runge-Kutta
    int background = 0;  // 0 speed, 1 pressure, 2 vorticity
    bool hedgehog = false;
    bool arrowsBySpeed = false;
};
// Stores them as the control bar leaves them, the test distance following the distance and
// the percentage. The values are taken as they are; range checks are the caller's.
void ApplyDrawSettings(FlowScene& scene, const DrawSettings& settings);
