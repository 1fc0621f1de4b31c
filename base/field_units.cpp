#include "base/field_units.h"

#include <array>

#include "base/draw_settings.h"

namespace {

constexpr std::array<std::string_view, 6> kRoles{"x", "y", "u", "v", "p", "w"};

// Calls TAKE(role index, unit) for every entry of TEXT, which UnitsReadable has passed.
template <typename Take>
bool Entries(std::string_view text, std::string& why, Take take) {
    bool seen[kRoles.size()] = {};
    if (text.empty()) return true;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        const std::size_t equals = entry.find('=');
        std::size_t role = kRoles.size();
        if (equals != std::string_view::npos)
            for (std::size_t r = 0; r < kRoles.size(); ++r)
                if (entry.substr(0, equals) == kRoles[r]) role = r;
        if (role == kRoles.size() || equals + 1 == entry.size()) {
            why = "takes ROLE=UNIT pairs separated by commas, ROLE one of x, y, u, v, p, w (x=mm,u=m/s)";
            return false;
        }
        if (seen[role]) {
            why = "names the unit of " + std::string(kRoles[role]) + " twice";
            return false;
        }
        seen[role] = true;
        take(role, entry.substr(equals + 1));
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace

bool UnitsReadable(std::string_view text, std::string& why) {
    if (text.size() > kUnitsBytesMax) {
        why = "takes at most " + std::to_string(kUnitsBytesMax) + " bytes";
        return false;
    }
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
            why = "takes units without spaces or control characters";
            return false;
        }
    return Entries(text, why, [](std::size_t, std::string_view) {});
}

ShownUnits UnitsShown(const DataSetNotes& notes, std::string_view overrides) {
    std::array<std::string, kRoles.size()> unit{notes.x.unit, notes.y.unit, notes.u.unit,
                                                notes.v.unit, notes.p.unit, notes.w.unit};
    std::string why;
    if (UnitsReadable(overrides, why))
        Entries(overrides, why, [&unit](std::size_t role, std::string_view u) { unit[role] = u; });
    const auto& [x, y, u, v, p, w] = unit;
    ShownUnits shown;
    shown.x = x;
    shown.y = y.empty() ? x : y;
    shown.speed = u.empty() ? v : u;
    shown.pressure = p;
    shown.vorticity = !w.empty() ? w : !x.empty() && shown.speed == x + "/s" ? "1/s" : "";
    return shown;
}

const std::string& FieldUnit(const ShownUnits& units, int field) {
    switch (field) {
        case kBackgroundSpeed:
            return units.speed;
        case kBackgroundPressure:
            return units.pressure;
        default:
            return units.vorticity;
    }
}
