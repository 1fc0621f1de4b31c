#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_set.h"

namespace formats {

// Whether BYTES begin as a Tecplot ASCII file does: with a TITLE, VARIABLES, ZONE, FILETYPE or
// DATASETAUXDATA record, after blank lines and # comments.
bool LooksLikeTecplot(std::string_view bytes);

// Reads zone ZONE (from 0) of BYTES, the whole of a Tecplot ASCII file named FILE, into OUT: an
// ordered zone (I, J, K) or a finite-element zone of triangles or quadrilaterals (ZONETYPE =
// FETRIANGLE or FEQUADRILATERAL with NODES and ELEMENTS, or the older F = FEPOINT, ET =
// TRIANGLE), of POINT or BLOCK data, the variables named by VARIABLES; auxiliary data and the
// title are passed over. A finite-element zone's nodes, followed by its elements' node numbers
// (from 1), are sampled onto a lattice of SIZE (0 by 0: the default size) as ResampleMesh
// samples. Throws a ReadError naming the line when the file cannot be a data set. The zones
// before ZONE are passed over unread.
void ReadTecplotZone(std::string_view bytes, const std::string& file, DataSetArrays& out, std::size_t zone,
                     LatticeSize size = {});
// The first zone, as a file of one zone is read.
void ReadTecplot(std::string_view bytes, const std::string& file, DataSetArrays& out);

// A zone as a quick pass over the file finds it: where it starts and the time it is given.
struct TecplotZone {
    std::int64_t line = 0;
    std::optional<double> solutionTime;  // SOLUTIONTIME, when given and a number
    bool ordered = true;                 // I, J, K rather than finite elements
};
// The zones of BYTES, a Tecplot ASCII file, in their order, their data passed over: a file of
// several zones is a time series, one zone a frame, unless its first zone is of finite elements:
// the zones of such a file are most often parts of one mesh, and the file is read from its first.
std::vector<TecplotZone> ScanTecplotZones(std::string_view bytes);

}  // namespace formats
