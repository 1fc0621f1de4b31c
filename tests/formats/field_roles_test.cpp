#include "formats/field_roles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using formats::AssignRoles;
using formats::FieldRoles;
using formats::InterpretName;
using formats::Role;
using formats::SampleSet;
using formats::Validity;

TEST(FieldRoles, NamesAreReadWithoutUnitsQuotesOrCase) {
    struct Case {
        const char* name;
        Role role;
    };
    const std::vector<Case> cases{
        {"x", Role::X},
        {"X mm", Role::X},
        {"x [m]", Role::X},
        {"\"Y (px)\"", Role::Y},
        {"Points:2", Role::Z},
        {"z", Role::Z},
        {"u", Role::U},
        {"U m/s", Role::U},
        {"U:0", Role::U},
        {"Vx", Role::U},
        {"velocity_x", Role::U},
        {"Velocity u [m/s]", Role::U},
        {"v [px/frame]", Role::V},
        {"Vy", Role::V},
        {"U:1", Role::V},
        {"vel y", Role::V},
        {"U:2", Role::VelocityZ},
        {"p", Role::Pressure},
        {"Pressure [Pa]", Role::Pressure},
        {"w", Role::Vorticity},
        {"vorticity [1/s]", Role::Vorticity},
        {"Omega", Role::Vorticity},
        {"vort", Role::Vorticity},
        {"Vorticity:2", Role::Vorticity},
        {"wz", Role::Vorticity},
        {"Vorticity:0", Role::None},
        {"magnitude [m/s]", Role::None},
        {"velocity magnitude", Role::None},
        {"s2n", Role::None},
        {"", Role::None},
        {"xx", Role::None},
        {"index", Role::None},
        // As CFD codes write them: component first, with blanks or hyphens (Tecplot, Fluent),
        // in brackets (STAR-CCM+), after a colon (ParaView) or glued (OpenFOAM).
        {"X Velocity", Role::U},
        {"Y Velocity [m/s]", Role::V},
        {"Z Velocity", Role::VelocityZ},
        {"x-velocity", Role::U},
        {"y-velocity", Role::V},
        {"U-Velocity", Role::U},
        {"x-coordinate", Role::X},
        {"Y-Coordinate (m)", Role::Y},
        {"z-coordinate", Role::Z},
        {"z-vorticity", Role::Vorticity},
        {"Velocity[i] (m/s)", Role::U},
        {"Velocity[j]", Role::V},
        {"Velocity[k]", Role::VelocityZ},
        {"Vorticity[k] (/s)", Role::Vorticity},
        {"velocity:0", Role::U},
        {"velocity-y", Role::V},
        {"Ux", Role::U},
        {"Uy", Role::V},
        {"static-pressure", Role::Pressure},
        {"nodenumber", Role::Ignored},
        {"x-wall-shear", Role::Ignored},
        {"velocity-magnitude", Role::None},
        {"T[K]", Role::None},
        {"Velocity[I]", Role::None},
        {"X m", Role::X},
    };
    for (const Case& c : cases) EXPECT_EQ(InterpretName(c.name).role, c.role) << c.name;

    // OpenPIV's mask marks vectors that hold its interpolated replacements: kept as they are.
    EXPECT_EQ(InterpretName("mask").role, Role::Ignored);
    EXPECT_EQ(InterpretName("flags").validity, Validity::ZeroIsValid);
    EXPECT_EQ(InterpretName("isNaN").role, Role::Validity);
    EXPECT_EQ(InterpretName("isNaN").validity, Validity::ZeroIsValid);
    EXPECT_EQ(InterpretName("typevector").validity, Validity::NonzeroIsValid);
    EXPECT_EQ(InterpretName("CHC").validity, Validity::PositiveIsValid);
    EXPECT_EQ(InterpretName("isValid").validity, Validity::NonzeroIsValid);
    EXPECT_EQ(InterpretName("vtkValidPointMask").validity, Validity::NonzeroIsValid);
    EXPECT_EQ(InterpretName("Vector type [-]").role, Role::Validity);
    const formats::NameMeaning other = InterpretName("Displacement:1");
    EXPECT_EQ(other.vector, "displacement");
    EXPECT_EQ(other.component, 1);
}

// What the readers keep of a column's name, for the reports and the Python module: the unit
// comes apart from the name only where InterpretName would read it as one.
TEST(FieldRoles, ALabelKeepsTheFilesNameAndTakesItsUnitApart) {
    struct Case {
        const char* column;
        const char* name;
        const char* unit;
    };
    const std::vector<Case> cases{
        {"x", "x", ""},
        {"X mm", "X", "mm"},
        {"x [m]", "x", "m"},
        {"\"Y (px)\"", "Y", "px"},
        {"U m/s", "U", "m/s"},
        {"Velocity u [m/s]", "Velocity u", "m/s"},
        {"velocity [m/s]:0", "velocity:0", "m/s"},
        {"vorticity {1/s} ", "vorticity", "1/s"},
        {"p [Pa", "p", "Pa"},
        {"[m] x", "x", "m"},
        {"Vector type [-]", "Vector type", "-"},
        {"velocity magnitude", "velocity magnitude", ""},
        {"speed m/s", "speed m/s", ""},
        {"Velocity u", "Velocity u", ""},
        {"U:0", "U:0", ""},
        {"Velocity[i] (m/s)", "Velocity[i]", "m/s"},
        {"X Velocity [m/s]", "X Velocity", "m/s"},
        {"  x\t", "x", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const FieldLabel label = formats::SplitUnit(c.column);
        EXPECT_EQ(label.name, c.name) << c.column;
        EXPECT_EQ(label.unit, c.unit) << c.column;
    }
}

SampleSet Named(const std::vector<std::string>& names) {
    SampleSet s;
    for (const std::string& n : names) s.columns.push_back({n, {}});
    return s;
}

TEST(FieldRoles, ColumnsByNameThenActiveOrFirstVectorThenByPosition) {
    const FieldRoles piv = AssignRoles(Named({"x", "y", "u", "v", "flags", "mask"}), true);
    EXPECT_EQ(piv.x, 0);
    EXPECT_EQ(piv.y, 1);
    EXPECT_EQ(piv.u, 2);
    EXPECT_EQ(piv.v, 3);
    EXPECT_EQ(piv.p, -1);
    ASSERT_EQ(piv.validity.size(), 1u);
    EXPECT_EQ(piv.validity[0].column, 4);

    // Fluent writes the velocity before the coordinates: found by name, not by place.
    const FieldRoles fluent = AssignRoles(
        Named({"nodenumber", "x-velocity", "y-velocity", "x-coordinate", "y-coordinate", "pressure"}), true);
    EXPECT_EQ(fluent.x, 3);
    EXPECT_EQ(fluent.y, 4);
    EXPECT_EQ(fluent.u, 1);
    EXPECT_EQ(fluent.v, 2);
    EXPECT_EQ(fluent.p, 5);

    // ParaView's text export; VTK's coordinates come from the grid, not from columns.
    const FieldRoles pv =
        AssignRoles(Named({"U:0", "U:1", "U:2", "p", "Points:0", "Points:1", "Points:2"}), false);
    EXPECT_EQ(pv.u, 0);
    EXPECT_EQ(pv.v, 1);
    EXPECT_EQ(pv.p, 3);
    EXPECT_EQ(pv.x, -1);

    SampleSet vectors =
        Named({"Vorticity:0", "Vorticity:1", "Vorticity:2", "a:0", "a:1", "b:0", "b:1", "b:2"});
    const FieldRoles first = AssignRoles(vectors, false);
    EXPECT_EQ(first.u, 3);
    EXPECT_EQ(first.v, 4);
    EXPECT_EQ(first.w, 2);
    vectors.activeVector = "B";
    const FieldRoles active = AssignRoles(vectors, false);
    EXPECT_EQ(active.u, 5);
    EXPECT_EQ(active.v, 6);

    const FieldRoles bare = AssignRoles(Named({"", "", "", "", "", ""}), true);
    EXPECT_EQ(bare.u, 2);
    EXPECT_EQ(bare.v, 3);
    EXPECT_EQ(bare.p, 4);
    EXPECT_EQ(bare.w, 5);
    EXPECT_EQ(AssignRoles(Named({"", "", ""}), true).u, -1);
    EXPECT_EQ(AssignRoles(Named({"x", "y", "speed", "angle"}), true).u, -1);
    // Names, none known: never the columns by their places.
    const FieldRoles unknown = AssignRoles(Named({"a", "b", "c", "d", ""}), true);
    EXPECT_EQ(unknown.x, -1);
    EXPECT_EQ(unknown.u, -1);
}

}  // namespace
