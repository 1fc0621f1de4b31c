#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_set.h"

class Reporter;

namespace formats {

// The files PIV and CFD programs write, for the scene: column text (.txt, .csv, .tsv, .dat),
// Tecplot ASCII (.dat, .tec, .plt, TSI Insight's .vec), VTK legacy (.vtk), VTK XML (.vti,
// .vtr, and .vts, .vtu, .vtp, whose grids are sampled onto a lattice), PIVlab's MATLAB results
// (.mat) and netCDF (.nc, .cdf, .nc4). The extension says whether a file is one of these; its
// first bytes say which. MATLAB and netCDF files are read by their name through matio and the
// netCDF library, never whole into memory.
//
// A Tecplot file of several zones is a series, a zone a frame; a ParaView collection (.pvd) is
// the series of its data sets, and read alone, its first.
class FormatReader final : public DataSetReader {
public:
    bool Accepts(const std::string& path) const override;
    bool Read(const std::string& path, DataSetArrays& out, Reporter& reporter) override;
    bool FramesIn(const std::string& path, std::vector<Frame>& frames, Reporter& reporter) override;
    bool ReadFrame(const Frame& frame, LatticeSize lattice, DataSetArrays& out, Reporter& reporter) override;
};

// The patterns of every name FormatReader accepts ("*.txt", ...), for file dialogs.
const std::vector<std::string>& AcceptedPatterns();

// The files a data set named PATH is read from: PATH itself, and for a .gri pair (every file
// FormatReader does not take) its solution file too.
std::vector<std::string> FilesReadFor(const std::string& path);
// The same for one frame of a series: a .gri pair's frame is read from its own solution file.
std::vector<std::string> FilesReadFor(const Frame& frame);

// Reads BYTES, the whole of a file named FILE, with the reader its content asks for. Throws a
// ReadError when the file cannot be a data set; OUT then holds nothing.
// PART is the field within the file, a Tecplot file's zone; other kinds hold only part 0. A mesh
// is sampled onto a lattice of LATTICE (0 by 0: the default size).
void ReadDataSetBytes(std::string_view bytes, const std::string& file, DataSetArrays& out,
                      std::size_t part = 0, LatticeSize lattice = {});

}  // namespace formats
