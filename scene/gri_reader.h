#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/data_set.h"
#include "sampling/grid_shape.h"

// The scene's own files, the geometry file NAME.gri and its solution file (scene/gri_format.h).
// Standard library only, so that the numeric core reads them without the libraries that the
// readers of other kinds need.
//
// Every size is formed in 64 bits and each file's length is checked against what its header
// promises before anything is allocated, so no header can make the program take more memory
// than the files hold.
class GriReader final : public DataSetReader {
public:
    // A pair of fewer nodes is read on the calling thread; a larger one in parts of at least
    // as many nodes, each on its own thread.
    static constexpr std::int64_t kLeastNodesOfAPart = std::int64_t{1} << 18;

    // The pair is what a file is taken for when no other reader knows it: every path.
    bool Accepts(const std::string& path) const override;
    // The geometry is checked before the solution file is opened, so that a broken geometry
    // file is reported as such whatever its solution file holds.
    bool Read(const std::string& path, DataSetArrays& out, Reporter& reporter) override;
    // How plane 0 of the data set last read is shaped, judged while its nodes were read, so
    // that a large grid needs no second pass.
    const GridShape& PlaneShape() const { return m_planeShape; }
    // The solution file read with the next geometry file, for one frame of a numbered series;
    // empty (the default) for the pair's own, NAME.00000.dat.
    void SetSolutionPath(std::string path) { m_solutionPath = std::move(path); }

private:
    bool ReadPair(const std::string& path, DataSetArrays& out, Reporter& reporter);

    GridShape m_planeShape;
    std::string m_solutionPath;
};
