#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/grid_node.h"

class Reporter;

// How many nodes a data set may have along each axis, as the .gri header and the scene hold
// them in 16 bits: ni and nj from kMinAxisCount, so that there is a cell, nk from 1.
inline constexpr std::int64_t kMaxAxisCount = 32767;
inline constexpr std::int64_t kMinAxisCount = 2;

inline bool CountsUsable(std::int64_t ni, std::int64_t nj, std::int64_t nk) {
    return ni >= kMinAxisCount && nj >= kMinAxisCount && nk >= 1 && ni <= kMaxAxisCount &&
           nj <= kMaxAxisCount && nk <= kMaxAxisCount;
}

// The name a file gave a field's column and the unit written with it ("U [m/s]" is U in m/s),
// both empty where the file names none.
struct FieldLabel {
    std::string name;
    std::string unit;
};

// What a reader learnt of its file beyond the arrays, for the tools' reports.
struct DataSetNotes {
    std::string format;              // the file's kind as its reader names it; empty for the .gri pair
    std::int64_t invalidNodes = 0;   // vectors the file marks invalid, read as u = v = 0
    bool pressureMissing = false;    // the file has no pressure: 0 everywhere
    bool vorticityComputed = false;  // derived from u and v, as the file has none
    bool binary = false;             // the values were stored as binary numbers, in a byte order
    // The columns the fields were read from: coordinates only where the file has them as
    // columns, nothing for a .gri pair.
    FieldLabel x, y, u, v, p, w;
    // Where the file's grid was no rectilinear lattice and was sampled onto one: the points and
    // cells of the file's grid, and the nodes no cell covers (invalid, and counted among
    // invalidNodes); all 0 for a file whose grid was the lattice.
    std::int64_t meshPoints = 0;
    std::int64_t meshCells = 0;
    std::int64_t nodesOutsideMesh = 0;
    // One byte per node, 1 where the vector was invalid; empty when none was, so that a file
    // without invalid vectors costs nothing more.
    std::vector<std::uint8_t> invalid;
    // Where one plane was taken from a 3-D file: its index and how many planes the file has;
    // 0 planes where the file was taken whole.
    std::int64_t plane = 0;
    std::int64_t planes = 0;
};

// A data set in memory, as a reader hands it to the scene, a generator makes it and the
// writer stores it: the node counts, the nodes and the four per-node fields, node (i, j, k) at
// index (k * nj + j) * ni + i, the order of the .gri pair.
struct DataSetArrays {
    std::int64_t ni = 0;
    std::int64_t nj = 0;
    std::int64_t nk = 0;
    std::unique_ptr<GridNode[]> nodes;
    std::unique_ptr<float[]> u;
    std::unique_ptr<float[]> v;
    std::unique_ptr<float[]> p;
    std::unique_ptr<float[]> w;
    DataSetNotes notes;

    std::int64_t NodeCount() const { return ni * nj * nk; }
    std::size_t Index(std::int64_t i, std::int64_t j, std::int64_t k = 0) const {
        return static_cast<std::size_t>((k * nj + j) * ni + i);
    }
    // Takes all five arrays for NI * NJ * NK nodes, their values left unset. False, with
    // nothing held, when the counts are out of range or the memory cannot be had, which is
    // asked of the system before anything is taken.
    bool Allocate(std::int64_t ni, std::int64_t nj, std::int64_t nk);
    // All five arrays with every value zero, for data sets made in memory, whose sizes their
    // makers have bounded; throws std::bad_alloc when the memory cannot be had.
    static DataSetArrays Zeroed(std::int64_t ni, std::int64_t nj, std::int64_t nk);
    // A copy with arrays of its own. Data sets can be large: nothing copies one but this.
    DataSetArrays Copy() const;
    // Keeps plane K alone, in arrays of its own size, its invalid vectors counted again. False,
    // with the data set as it was, when the memory cannot be had. Precondition: 0 <= K < nk.
    bool TakePlane(std::int64_t k);
    void Release();
};

// One field of a time series: a file as a single data set would be opened, and where it holds
// several fields, which of them. A series' frames all lie on one grid.
struct Frame {
    Frame(std::string file = {}, std::string solutionFile = {}, std::size_t partOfFile = 0,
          std::optional<double> timeOfFrame = std::nullopt)
        : path(std::move(file)), solution(std::move(solutionFile)), part(partOfFile), time(timeOfFrame) {}

    std::string path;
    // For a .gri pair: the solution file of this frame (NAME.00001.dat, ...); else empty.
    std::string solution;
    // The field within PATH, from 0: the zone of a Tecplot file of several. 0 for a file of one.
    std::size_t part = 0;
    // The time the file gives this frame (a zone's SOLUTIONTIME, a collection's timestep).
    std::optional<double> time;
};

// The lattice a file whose grid is none (an unstructured mesh, a curvilinear grid) is sampled
// onto as it is read: NI by NJ nodes; 0 by 0 leaves the size to the reader.
struct LatticeSize {
    std::int64_t ni = 0;
    std::int64_t nj = 0;
};

// Reads a kind of file into a data set for the scene. The numeric core reads the .gri pair
// with a reader of its own (scene/gri_reader.h); the front ends hand the scene readers of
// other kinds, so that the core stays free of the libraries such readers need.
class DataSetReader {
public:
    virtual ~DataSetReader() = default;
    // Whether PATH is a file of this reader's kinds (by its name, and where that is not
    // enough, by its first bytes). A reader handed to the scene never takes a .gri file.
    virtual bool Accepts(const std::string& path) const = 0;
    // Reads PATH into OUT. On failure tells REPORTER what is wrong and where in the file, and
    // returns false with nothing held in OUT.
    virtual bool Read(const std::string& path, DataSetArrays& out, Reporter& reporter) = 0;
    // The frames of PATH when the file is a series by itself (several zones of one lattice, a
    // collection naming other files), in their order; none for a file of one field. False, told
    // to REPORTER, when the file cannot be listed.
    virtual bool FramesIn(const std::string& path, std::vector<Frame>& frames, Reporter& reporter) {
        (void)path, (void)reporter;
        frames.clear();
        return true;
    }
    // Reads FRAME, one that FramesIn listed or a whole file (part 0), as Read reads a file; a
    // mesh onto a lattice of LATTICE. The size comes with each read rather than living in the
    // reader, as frames may be read on other threads.
    virtual bool ReadFrame(const Frame& frame, LatticeSize lattice, DataSetArrays& out, Reporter& reporter) {
        (void)lattice;
        return Read(frame.path, out, reporter);
    }
};
