#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/data_set.h"
#include "formats/sample_set.h"

namespace formats {

// How a file marks a vector as not measured.
enum class Validity {
    ZeroIsValid,      // mask, flags: anything but 0 is invalid
    PositiveIsValid,  // TSI Insight's CHC: 0 and below are rejected or replaced vectors
    NonzeroIsValid,   // isValid (DaVis), vtkValidPointMask (ParaView): 0 is invalid
};

struct ValidityColumn {
    int column = -1;
    Validity rule = Validity::ZeroIsValid;
};

// Which column holds what; -1 where the file has none.
struct FieldRoles {
    int x = -1, y = -1, z = -1;
    int u = -1, v = -1;
    int p = -1;
    int w = -1;
    std::vector<ValidityColumn> validity;
};

// What a column's name says, once units, quotes and case are set aside.
// Ignored: a name this reader knows and uses for nothing (node numbers, another field's
// components), which keeps it from being read by its first word or taken as a vector.
enum class Role { None, X, Y, Z, U, V, VelocityZ, Pressure, Vorticity, Validity, Ignored };
struct NameMeaning {
    Role role = Role::None;
    Validity validity = Validity::ZeroIsValid;
    // The name of the vector the column is a component of ("U:0" -> "u"), for the first-vector
    // rule; empty for a plain scalar.
    std::string vector;
    int component = -1;
};
NameMeaning InterpretName(std::string_view name);

// A column's name as the file wrote it, without quotes, and its unit: in brackets ("x [m]",
// "U (m/s)") or, as InterpretName reads it, the words after a first word that names a field
// where the whole name names none ("U m/s"). A name without a unit keeps all its words.
FieldLabel SplitUnit(std::string_view name);

// Picks the columns by their names: coordinates x, y, z (only where WITH_COORDINATES, the text
// formats; VTK's come from the grid), velocity (u/v, U, Vx/Vy, velocity, ... or else the file's
// active vector, or else its first vector), pressure, vorticity (or the z component of a
// vorticity vector) and the columns that mark invalid vectors. Where no column has a name this
// knows and none has a name at all, the columns are x y u v, then p and w, by position. Missing
// roles stay -1.
FieldRoles AssignRoles(const SampleSet& samples, bool withCoordinates);

}  // namespace formats
