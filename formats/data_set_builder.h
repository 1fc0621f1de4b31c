#pragma once

#include <string>

#include "base/data_set.h"
#include "formats/field_roles.h"
#include "formats/lattice.h"
#include "formats/mesh_resampler.h"
#include "formats/sample_set.h"

namespace formats {

// Fills OUT from the samples on their lattice: nodes from the lattice's axes, u and v from the
// velocity (0 where the vector is not a finite number or a validity column marks it), pressure
// (0 everywhere when the file has none) and vorticity (computed when the file has none), and
// the notes, FORMAT naming the file's kind. Throws a ReadError naming FILE when the lattice
// cannot be a data set of the scene or the file has no velocity.
void BuildDataSet(const SampleSet& samples, const FieldRoles& roles, const Lattice& lattice,
                  const std::string& file, const std::string& format, DataSetArrays& out);

// Fills OUT from a mesh's samples, one value per point of MESH in each column ROLES uses,
// sampled onto a lattice of SIZE (0 by 0: the default size) at height Z, as BuildDataSet fills it
// from a lattice; outside the mesh the vectors are invalid and pressure and vorticity 0. The
// notes count the file's POINTS and CELLS. MESH and the columns' values are taken.
void BuildResampledDataSet(PlaneMesh&& mesh, SampleSet& samples, const FieldRoles& roles, double z,
                           LatticeSize size, std::int64_t points, std::int64_t cells, const std::string& file,
                           const std::string& format, DataSetArrays& out);

// Frees the values of every column ROLES does not use, so that a file's other arrays are not
// held while its data set is made; the columns keep their names and places.
void ReleaseUnusedColumns(SampleSet& samples, const FieldRoles& roles);

// The absence of velocity or of coordinates as the readers report it, listing the names the
// file has.
[[noreturn]] void FailNoVelocity(const SampleSet& samples, const std::string& file, const Place& where);
[[noreturn]] void FailNoCoordinates(const SampleSet& samples, const std::string& file, const Place& where);

}  // namespace formats
