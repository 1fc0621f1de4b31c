#pragma once

#include <string>

#include "base/data_set.h"
#include "formats/field_roles.h"
#include "formats/lattice.h"
#include "formats/sample_set.h"

namespace formats {

// Fills OUT from the samples on their lattice: nodes from the lattice's axes, u and v from the
// velocity (0 where the vector is not a finite number or a validity column marks it), pressure
// (0 everywhere when the file has none) and vorticity (computed when the file has none), and
// the notes, FORMAT naming the file's kind. Throws a ReadError naming FILE when the lattice
// cannot be a data set of the scene or the file has no velocity.
void BuildDataSet(const SampleSet& samples, const FieldRoles& roles, const Lattice& lattice,
                  const std::string& file, const std::string& format, DataSetArrays& out);

// Frees the values of every column ROLES does not use, so that a file's other arrays are not
// held while its data set is made; the columns keep their names and places.
void ReleaseUnusedColumns(SampleSet& samples, const FieldRoles& roles);

// The absence of velocity or of coordinates as the readers report it, listing the names the
// file has.
[[noreturn]] void FailNoVelocity(const SampleSet& samples, const std::string& file, const Place& where);
[[noreturn]] void FailNoCoordinates(const SampleSet& samples, const std::string& file, const Place& where);

}  // namespace formats
