#pragma once

#include "base/draw_settings.h"
#include "tools/cli/command_line.h"

// The words for the settings' choices on every command line, in the order help texts list them.
namespace cli {

inline constexpr NamedValue kMethods[] = {
    {"euler", kMethodEuler},
    {"rk2", kMethodRK2},
    {"rk4", kMethodRK4},
};
inline constexpr NamedValue kBackgrounds[] = {
    {"speed", kBackgroundSpeed},
    {"pressure", kBackgroundPressure},
    {"vorticity", kBackgroundVorticity},
};
inline constexpr NamedValue kColourMaps[] = {
    {"design", kColourMapDesign},
    {"viridis", kColourMapViridis},
    {"cividis", kColourMapCividis},
    {"coolwarm", kColourMapCoolwarm},
};
inline constexpr NamedValue kAspects[] = {
    {"design", kAspectDesign},
    {"equal", kAspectEqual},
};
inline constexpr NamedValue kPlacements[] = {
    {"design", kPlacementDesign},
    {"fine", kPlacementFine},
};

}  // namespace cli
