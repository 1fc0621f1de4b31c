#include "tools/info/data_set_summary.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "sampling/grid_shape.h"
#include "scene/flow_scene.h"

namespace {

// The shortest text that reads back as the same float.
std::string Num(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// A coordinate as the file has it: the grid's value plus what the loader shifted it by. An
// unshifted grid shows its floats exactly as before.
std::string Shown(float gridValue, double shift) {
    if (shift == 0.0) return Num(gridValue);
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, shift + gridValue);
    return std::string(text, result.ptr);
}

// Three significant digits, whole pixels from 1000 on.
std::string Pixels(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value >= 1000.0 ? "%.0f" : "%.3g", value);
    return text;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string RangeLine(const std::string& name, const FieldRange& r, double shift = 0.0) {
    std::string line = Padded(name, 12);
    if (r.finite == 0) {
        line += Padded("-", 16) + Padded("-", 16);
    } else {
        line += Padded(Shown(r.min, shift), 16) + Padded(Shown(r.max, shift), 16);
    }
    return line + std::to_string(r.nonFinite) + "\n";
}

// The fields whose column the file named, each with its role's word: the units where any
// are given and the names beside them; nothing for a file without units, as before.
std::string DescribeLabels(const DataSetNotes& notes) {
    if (!LabelsHaveUnits(notes)) return {};
    std::string units, names;
    for (const NamedLabel& l : RoleLabels(notes)) {
        if (!l.label->unit.empty())
            units += (units.empty() ? "" : ", ") + std::string(l.role) + " " + l.label->unit;
        if (!l.label->name.empty())
            names += (names.empty() ? "" : ", ") + std::string(l.role) + " \"" + l.label->name + "\"";
    }
    return "units       " + units + "\n" + (names.empty() ? "" : "names       " + names + "\n");
}

}  // namespace

bool LabelsHaveUnits(const DataSetNotes& notes) {
    for (const NamedLabel& l : RoleLabels(notes))
        if (!l.label->unit.empty()) return true;
    return false;
}

std::vector<NamedLabel> RoleLabels(const DataSetNotes& notes) {
    return {{"x", &notes.x}, {"y", &notes.y},        {"u", &notes.u},
            {"v", &notes.v}, {"pressure", &notes.p}, {"vorticity", &notes.w}};
}

void FieldRange::Add(float value) {
    if (!std::isfinite(value)) {
        ++nonFinite;
        return;
    }
    if (finite == 0 || value < min) min = value;
    if (finite == 0 || value > max) max = value;
    ++finite;
}

FieldRanges MeasureFieldRanges(const FlowScene& s) {
    // Minimum and maximum over the finite values.
    FieldRanges r;
    for (std::size_t i = 0; i < static_cast<std::size_t>(s.NodeCount()); ++i) {
        r.x.Add(s.m_pNodes[i].x);
        r.y.Add(s.m_pNodes[i].y);
        r.u.Add(s.m_pU[i]);
        r.v.Add(s.m_pV[i]);
        // In double, so that large components do not overflow on the way.
        const double du = s.m_pU[i], dv = s.m_pV[i];
        r.speed.Add(static_cast<float>(std::sqrt(du * du + dv * dv)));
        r.pressure.Add(s.m_pP[i]);
        r.vorticity.Add(s.m_pW[i]);
    }
    return r;
}

std::string DescribeDataSet(const FlowScene& s, const std::string& geometryPath) {
    const std::int64_t count = s.NodeCount();
    const std::int64_t plane = std::int64_t{s.m_ni} * s.m_nj;
    const GridNode& first = s.m_pNodes[0];
    const GridNode& last = s.m_pNodes[static_cast<std::size_t>(plane - 1)];

    std::string out;
    const DataSetNotes& notes = s.Notes();
    if (notes.format.empty()) {
        out += "geometry    " + geometryPath + "\n";
        out += "solution    " + FlowScene::SolutionPathFor(geometryPath) + "\n";
    } else {
        out += "file        " + geometryPath + "\n";
        out += "format      " + notes.format + "\n";
    }
    out += "counts      ni " + std::to_string(s.m_ni) + ", nj " + std::to_string(s.m_nj) + ", nk " +
           std::to_string(s.m_nk) + "\n";
    if (notes.planes > 0)
        out += "plane       " + std::to_string(notes.plane) + " of the file's planes 0 to " +
               std::to_string(notes.planes - 1) + ", read alone\n";
    out += "nodes       " + std::to_string(count) + " (" + std::to_string(plane) + " per plane)\n";
    out += "extent      x " + Num(s.m_fExtentX) + ", y " + Num(s.m_fExtentY) + "\n";
    out += "scale       x " + Num(s.m_fScaleX) + ", y " + Num(s.m_fScaleY) + " pixels per unit\n";
    out += "inv. scale  x " + Num(s.m_fInvScaleX) + ", y " + Num(s.m_fInvScaleY) + " units per pixel\n";
    const WorldOrigin& origin = s.Origin();
    out += "world       x " + Shown(first.x, origin.x) + " .. " + Shown(last.x, origin.x) + ", y " +
           Shown(first.y, origin.y) + " .. " + Shown(last.y, origin.y) + "\n";
    if (origin.Shifted())
        out += "shifted     by (" + Shown(0.0f, origin.x) + ", " + Shown(0.0f, origin.y) +
               ") on loading, as single precision cannot resolve a pixel so far from the origin\n";
    // The sampling treats the grid as rectilinear and increasing; a grid that is not is still
    // shown, with wrong cells, so the user should know before opening it.
    out +=
        "grid        " + DescribeGridShape(CheckGridShape(s.m_pNodes.get(), s.m_ni, s.m_nj)) + " (plane 0)\n";
    // What the reader of another program's file made of it.
    if (!notes.format.empty()) {
        out += "invalid     " + std::to_string(notes.invalidNodes) +
               (notes.invalidNodes == 1 ? " node" : " nodes") +
               " marked invalid in the file, read as u = v = 0\n";
        if (notes.meshPoints > 0)
            out += "resampled   from " + std::to_string(notes.meshPoints) + " points and " +
                   std::to_string(notes.meshCells) + " cells onto the lattice of " + std::to_string(s.m_ni) +
                   " x " + std::to_string(s.m_nj) + " nodes, " + std::to_string(notes.nodesOutsideMesh) +
                   (notes.nodesOutsideMesh == 1 ? " node" : " nodes") +
                   " outside the mesh among the invalid\n";
        if (notes.pressureMissing) out += "pressure    no pressure in this file, read as 0\n";
        if (notes.vorticityComputed) out += "vorticity   none in this file, derived from u and v\n";
        out += DescribeLabels(notes);
    }

    const FieldRanges r = MeasureFieldRanges(s);
    out += '\n';
    out += Padded("field", 12) + Padded("minimum", 16) + Padded("maximum", 16) + "non-finite\n";
    out += RangeLine("x", r.x, origin.x);
    out += RangeLine("y", r.y, origin.y);
    out += RangeLine("u", r.u);
    out += RangeLine("v", r.v);
    out += RangeLine("speed", r.speed);
    out += RangeLine("pressure", r.pressure);
    out += RangeLine("vorticity", r.vorticity);
    out += '\n' + DescribeTimeStep(MeasureTimeStepAdvance(s));
    return out;
}

std::string DescribeTimeStep(const StepAdvance& a) {
    const std::string step = Num(kTimeStep);
    if (a.movingPixels == 0) return "time step   " + step + ": the flow moves at no pixel of the raster\n";
    std::string out = "time step   " + step + " moves " + Pixels(a.median) + " px at the median speed, " +
                      Pixels(a.percentile95) + " px at the 95th percentile,\n            over the " +
                      std::to_string(a.movingPixels) + " raster pixels where the flow moves\n";
    if (!TimeStepFits(a))
        out += "            not within " + Num(static_cast<float>(kTimeStepAdvanceMin)) + " to " +
               Num(static_cast<float>(kTimeStepAdvanceMax)) +
               " px: tesmora-render --step-px 1 steps one pixel along the flow instead\n";
    return out;
}
