#include "formats/field_roles.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace formats {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The component a bracket glued to a name stands for, as STAR-CCM+ writes "Velocity[i]"; -1
// where the bracket holds a unit ("x [m]", "T[K]").
int GluedComponent(std::string_view name, std::size_t open) {
    if (open == 0 || open + 2 >= name.size() || name[open] != '[' || name[open + 2] != ']' ||
        IsBlank(name[open - 1]))
        return -1;
    // Lower case only: "T[K]" is a temperature in kelvin.
    switch (name[open + 1]) {
        case 'i':
            return 0;
        case 'j':
            return 1;
        case 'k':
            return 2;
        default:
            return -1;
    }
}

// Lower case, without quotes, without units in brackets, blanks collapsed to one; a component
// in brackets glued to its name becomes ":N" ("Velocity[j]" is "velocity:1").
std::string Simplify(std::string_view name) {
    std::string out;
    int depth = 0;
    for (std::size_t at = 0; at < name.size(); ++at) {
        const char c = name[at];
        if (depth == 0) {
            if (const int component = GluedComponent(name, at); component >= 0) {
                out += ':' + std::to_string(component);
                at += 2;
                continue;
            }
        }
        if (c == '"' || c == '\'') continue;
        if (c == '[' || c == '(' || c == '{') {
            ++depth;
            continue;
        }
        if (c == ']' || c == ')' || c == '}') {
            if (depth > 0) --depth;
            out += ' ';
            continue;
        }
        if (depth > 0) continue;
        if (IsBlank(c)) {
            if (!out.empty() && out.back() != ' ') out += ' ';
            continue;
        }
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

template <std::size_t N>
bool OneOf(std::string_view s, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), s) != names.end();
}

constexpr std::array<std::string_view, 8> kPointVectors{"points", "point", "coordinates", "coordinate",
                                                        "coords", "coord", "position",    "pos"};
constexpr std::array<std::string_view, 5> kVelocityVectors{"velocity", "vel", "u", "v", "velocities"};
constexpr std::array<std::string_view, 5> kVorticityVectors{"vorticity", "vort", "omega", "w", "curl"};
constexpr std::array<std::string_view, 5> kPressure{"p", "pressure", "pres", "static pressure",
                                                    "static-pressure"};
// Columns that number the points, as Fluent's "nodenumber", and OpenPIV's mask, whose vectors
// hold interpolated replacements that are the flow as well as anything there is.
constexpr std::array<std::string_view, 6> kIgnored{"nodenumber",  "node number", "cellnumber",
                                                   "cell number", "mask",        "masked"};
constexpr std::array<std::string_view, 4> kVorticity{"w", "vorticity", "omega", "vort"};

int ComponentOf(char c) {
    switch (c) {
        case 'x':
        case '0':
            return 0;
        case 'y':
        case '1':
            return 1;
        case 'z':
        case '2':
            return 2;
        default:
            return -1;
    }
}

NameMeaning Meaning(Role role, Validity validity = Validity::ZeroIsValid) {
    NameMeaning m;
    m.role = role;
    m.validity = validity;
    return m;
}

NameMeaning Scalar(std::string_view s) {
    if (s == "x") return Meaning(Role::X);
    if (s == "y") return Meaning(Role::Y);
    if (s == "z") return Meaning(Role::Z);
    if (s == "u") return Meaning(Role::U);
    if (s == "v") return Meaning(Role::V);
    if (OneOf(s, kPressure)) return Meaning(Role::Pressure);
    if (OneOf(s, kVorticity)) return Meaning(Role::Vorticity);
    if (OneOf(s, kIgnored)) return Meaning(Role::Ignored);
    // PIVlab's isNaN: 1 where the vector was rejected.
    if (s == "flags" || s == "flag" || s == "isnan") return Meaning(Role::Validity, Validity::ZeroIsValid);
    if (s == "chc") return Meaning(Role::Validity, Validity::PositiveIsValid);
    if (s == "isvalid" || s == "valid" || s == "vtkvalidpointmask" || s == "vector type" || s == "typevector")
        return Meaning(Role::Validity, Validity::NonzeroIsValid);
    return {};
}

NameMeaning Component(std::string_view base, int component) {
    NameMeaning m;
    if (OneOf(base, kPointVectors)) {
        m.role = component == 0 ? Role::X : component == 1 ? Role::Y : Role::Z;
    } else if (OneOf(base, kVelocityVectors)) {
        m.role = component == 0 ? Role::U : component == 1 ? Role::V : Role::VelocityZ;
    } else if (OneOf(base, kVorticityVectors)) {
        // Only the component normal to the plane is the vorticity shown; the others are no
        // velocity either, so they take no part in the first-vector rule.
        if (component == 2) m.role = Role::Vorticity;
    } else {
        m.vector = std::string(base);
        m.component = component;
    }
    return m;
}

// A component written after the vector's name: "u:0", "vel_x", "velocity x", "vx".
bool SplitComponent(std::string_view s, std::string_view& base, int& component) {
    const std::size_t colon = s.rfind(':');
    if (colon != std::string_view::npos && colon + 1 < s.size()) {
        const std::string_view digits = s.substr(colon + 1);
        if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            base = s.substr(0, colon);
            while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
            component = digits.size() > 2 ? 99 : std::stoi(std::string(digits));
            return !base.empty();
        }
    }
    if (s.size() >= 3 && (s[s.size() - 2] == '_' || s[s.size() - 2] == ' ' || s[s.size() - 2] == '-')) {
        base = s.substr(0, s.size() - 2);
        component = ComponentOf(s.back());
        // "Velocity u", "velocity v": the velocity's components by their own letters.
        if (component < 0 && OneOf(base, kVelocityVectors))
            component = s.back() == 'u' ? 0 : s.back() == 'v' ? 1 : -1;
        if (component >= 0) return true;
    }
    // Glued only to a velocity or vorticity name, so that words ending in x, y or z stay whole.
    if (s.size() >= 2 && s.back() >= 'x' && s.back() <= 'z') {
        const std::string_view stem = s.substr(0, s.size() - 1);
        if (OneOf(stem, kVelocityVectors) || OneOf(stem, kVorticityVectors)) {
            base = stem;
            component = ComponentOf(s.back());
            return true;
        }
    }
    return false;
}

// A component written before the vector's name, as CFD codes do: "x velocity", "x-velocity",
// "x-coordinate", "z-vorticity", "u-velocity".
bool LeadingComponent(std::string_view s, NameMeaning& m) {
    if (s.size() < 3 || (s[1] != ' ' && s[1] != '-' && s[1] != '_')) return false;
    const std::string_view base = s.substr(2);
    int component = s[0] == 'x' ? 0 : s[0] == 'y' ? 1 : s[0] == 'z' ? 2 : -1;
    if (OneOf(base, kVelocityVectors) && (s[0] == 'u' || s[0] == 'v')) component = s[0] == 'u' ? 0 : 1;
    if (component < 0) return false;
    if (OneOf(base, kPointVectors) || OneOf(base, kVelocityVectors) || OneOf(base, kVorticityVectors)) {
        m = Component(base, component);
        return true;
    }
    // "x-wall-shear", "x-face-area": a field of its own, never the x axis by its first word, nor
    // a velocity by the first-vector rule. "X mm" stays the x axis in millimetres.
    if (s[1] == ' ') return false;
    m = Meaning(Role::Ignored);
    return true;
}

NameMeaning Interpret(std::string_view s) {
    if (s.empty()) return {};
    NameMeaning m = Scalar(s);
    if (m.role != Role::None) return m;
    if (LeadingComponent(s, m)) return m;
    std::string_view base;
    int component = -1;
    if (SplitComponent(s, base, component)) return Component(base, component);
    return {};
}

}  // namespace

NameMeaning InterpretName(std::string_view name) {
    const std::string full = Simplify(name);
    NameMeaning m = Interpret(full);
    if (m.role != Role::None || !m.vector.empty()) return m;
    // "X mm", "U m/s": the first word names the column, the rest is its unit.
    const std::size_t blank = full.find(' ');
    if (blank == std::string::npos) return m;
    return Interpret(std::string_view(full).substr(0, blank));
}

FieldLabel SplitUnit(std::string_view name) {
    std::string text;
    for (char c : name)
        if (c != '"' && c != '\'') text += c;
    const auto trimmed = [](const std::string& t) {
        const std::size_t first = t.find_first_not_of(" \t\r\n");
        if (first == std::string::npos) return std::string();
        return t.substr(first, t.find_last_not_of(" \t\r\n") - first + 1);
    };
    std::size_t open = text.find_first_of("[({");
    while (open != std::string::npos && GluedComponent(text, open) >= 0)
        open = text.find_first_of("[({", open + 3);
    if (open != std::string::npos) {
        const char close = text[open] == '[' ? ']' : text[open] == '(' ? ')' : '}';
        const std::size_t end = text.find(close, open + 1);
        const std::string unit =
            text.substr(open + 1, end == std::string::npos ? std::string::npos : end - open - 1);
        std::string label = trimmed(text.substr(0, open));
        // A VTK component follows the unit of its array: "velocity [m/s]:0".
        const std::string rest = end == std::string::npos ? std::string() : trimmed(text.substr(end + 1));
        if (!rest.empty()) label += (rest.front() == ':' || label.empty() ? "" : " ") + rest;
        return {label, trimmed(unit)};
    }
    text = trimmed(text);
    // "U m/s" as InterpretName reads it: the first word names the column only where the whole
    // name means nothing known and the first word does; "velocity magnitude" stays whole.
    const std::size_t blank = text.find_first_of(" \t");
    const auto known = [](const NameMeaning& m) { return m.role != Role::None || !m.vector.empty(); };
    if (blank == std::string::npos || known(Interpret(Simplify(text))) ||
        !known(Interpret(Simplify(text.substr(0, blank)))))
        return {text, {}};
    return {text.substr(0, blank), trimmed(text.substr(blank + 1))};
}

FieldRoles AssignRoles(const SampleSet& samples, bool withCoordinates) {
    FieldRoles r;
    std::vector<NameMeaning> meanings;
    for (const Column& c : samples.columns) meanings.push_back(InterpretName(c.name));
    const int count = static_cast<int>(samples.columns.size());
    auto take = [](int& slot, int column) {
        if (slot < 0) slot = column;
    };
    for (int c = 0; c < count; ++c) {
        const NameMeaning& m = meanings[static_cast<std::size_t>(c)];
        switch (m.role) {
            case Role::X:
                if (withCoordinates) take(r.x, c);
                break;
            case Role::Y:
                if (withCoordinates) take(r.y, c);
                break;
            case Role::Z:
                if (withCoordinates) take(r.z, c);
                break;
            case Role::U:
                take(r.u, c);
                break;
            case Role::V:
                take(r.v, c);
                break;
            case Role::Pressure:
                take(r.p, c);
                break;
            case Role::Vorticity:
                take(r.w, c);
                break;
            case Role::Validity:
                r.validity.push_back({c, m.validity});
                break;
            case Role::VelocityZ:
            case Role::Ignored:
            case Role::None:
                break;
        }
    }
    if (r.u < 0 || r.v < 0) {
        // The active vector, else the first vector the file holds.
        // Of each vector in the order the file holds them, its components 0 and 1.
        auto vectorNamed = [&](const std::string& wanted) {
            for (int c = 0; c < count; ++c) {
                const NameMeaning& m = meanings[static_cast<std::size_t>(c)];
                if (m.vector.empty() || m.component != 0 || (!wanted.empty() && m.vector != wanted)) continue;
                for (int d = 0; d < count; ++d) {
                    const NameMeaning& n = meanings[static_cast<std::size_t>(d)];
                    if (n.component == 1 && n.vector == m.vector) {
                        r.u = c;
                        r.v = d;
                        return true;
                    }
                }
            }
            return false;
        };
        const bool found = (!samples.activeVector.empty() && vectorNamed(Simplify(samples.activeVector))) ||
                           vectorNamed(std::string());
        // Columns by position only where the file names none: names this reader does not know
        // are refused with the list of them, never taken by their places.
        const bool unnamed = std::all_of(samples.columns.begin(), samples.columns.end(), [](const Column& c) {
            return c.name.find_first_not_of(" \t") == std::string::npos;
        });
        if (!found && unnamed && withCoordinates && count >= 4) {
            r = {};
            r.x = 0;
            r.y = 1;
            r.u = 2;
            r.v = 3;
            if (count > 4) r.p = 4;
            if (count > 5) r.w = 5;
        }
    }
    return r;
}

}  // namespace formats
