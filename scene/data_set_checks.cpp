#include "scene/data_set_checks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <vector>

#include "base/parallel_parts.h"
#include "base/raster_geometry.h"

namespace loading {

namespace {

// The extents must be finite, positive and leave a finite scale.
bool UsableExtent(float extent, float pixels) {
    return std::isfinite(extent) && extent > 0.0f && std::isfinite(pixels / extent);
}

Message NotIncreasing(const std::string& path, float extentX, float extentY) {
    const bool badX = !UsableExtent(extentX, kRasterSpanX);
    const std::string extent = std::to_string(badX ? extentX : extentY);
    return {messages::kLoadingErrorCaption,
            "Die Geometriedatei " + QuotedDe(path) + " beschreibt kein aufsteigendes Gitter: die " +
                (badX ? "erste Zeile hat in x" : "erste Spalte hat in y") + " die Ausdehnung " + extent +
                "; sie muss endlich und gr\u00F6\u00DFer als 0 sein.",
            QuotedEn(path) + " does not describe an increasing grid: its first " +
                (badX ? "row spans " + extent + " in x" : "column spans " + extent + " in y") +
                ", which must be finite and greater than 0"};
}

// A corner that is not a finite number would make every domain test fail and silently remove
// every streamline.
bool FiniteCorners(const GridNode* nodes, std::int64_t ni, std::int64_t nj) {
    for (const std::int64_t corner : {std::int64_t{0}, ni - 1, ni * (nj - 1), ni * nj - 1})
        if (!std::isfinite(nodes[corner].x) || !std::isfinite(nodes[corner].y)) return false;
    return true;
}

Message CornerNotFinite(const std::string& path) {
    return {messages::kLoadingErrorCaption,
            "Die Geometriedatei " + QuotedDe(path) +
                " hat eine Ecke ohne endliche Koordinaten; das Gitter l\u00E4sst sich nicht abtasten.",
            QuotedEn(path) +
                " has a corner node whose coordinates are not finite numbers, so its grid cannot be "
                "sampled"};
}

// Whether the speeds of the nodes may span 30 orders of magnitude, from the greatest and least
// of max(|u|, |v|) over the nodes whose squared speed is positive and finite: that is exactly
// the nodes whose components are finite and not both zero, and each such speed lies within
// a factor of sqrt(2) of its max(|u|, |v|). All in float, without a branch, so that the pass
// runs at the speed of memory; only a file it cannot clear pays for the exact pass in double.
bool SpeedsMaySpanTooMuch(const float* u, const float* v, std::int64_t n) {
    constexpr int kLanes = 8;
    struct Extremes {
        float least = HUGE_VALF, most = 0.0f;
    };
    const auto bounds = PartBounds(0, n, std::int64_t{1} << 20);
    std::vector<Extremes> ofPart(bounds.size() - 1);
    RunParts(bounds, [&](std::size_t part, std::int64_t first, std::int64_t end) {
        float least[kLanes], most[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) least[lane] = HUGE_VALF, most[lane] = 0.0f;
        auto take = [&](std::int64_t i, int lane) {
            const float a = std::fabs(u[i]), b = std::fabs(v[i]), larger = a > b ? a : b;
            const bool counts = a <= FLT_MAX && b <= FLT_MAX && larger > 0.0f;
            const float low = counts ? larger : HUGE_VALF, high = counts ? larger : 0.0f;
            least[lane] = low < least[lane] ? low : least[lane];
            most[lane] = high > most[lane] ? high : most[lane];
        };
        std::int64_t i = first;
        for (; i + kLanes <= end; i += kLanes)
            for (int lane = 0; lane < kLanes; ++lane) take(i + lane, lane);
        for (; i < end; ++i) take(i, 0);
        for (int lane = 0; lane < kLanes; ++lane) {
            ofPart[part].least = std::min(ofPart[part].least, least[lane]);
            ofPart[part].most = std::max(ofPart[part].most, most[lane]);
        }
    });
    float least = HUGE_VALF, most = 0.0f;
    for (const Extremes& part : ofPart) {
        least = std::min(least, part.least);
        most = std::max(most, part.most);
    }
    if (!(most > 0.0f)) return false;
    // More than 30 orders means a ratio of squares of at least 10^62; the squares' ratio is at
    // most 2 (most / least)^2, and 10^61 leaves room for the rounding of either side.
    const double ratio = static_cast<double>(most) / least;
    return 2.0 * ratio * ratio >= 1e61;
}

}  // namespace

std::optional<Message> ImplausibleSpeeds(const float* u, const float* v, std::int64_t n,
                                         const std::string& path) {
    if (!SpeedsMaySpanTooMuch(u, v, n)) return std::nullopt;
    // Squares in double: a float's square may overflow a float, not a double. Four running
    // extremes per part, so that the loop is not one chain of dependent comparisons, and parts
    // on their own threads for a large grid: the least and the greatest of positive finite
    // numbers are the same in whatever order they are taken.
    constexpr int kLanes = 4;
    struct Extremes {
        double least = HUGE_VAL, most = 0.0;
    };
    const auto bounds = PartBounds(0, n, std::int64_t{1} << 20);
    std::vector<Extremes> ofPart(bounds.size() - 1);
    RunParts(bounds, [&](std::size_t part, std::int64_t first, std::int64_t end) {
        Extremes lanes[kLanes];
        auto take = [&](std::int64_t i, int lane) {
            const double x = u[i], y = v[i], squared = x * x + y * y;
            if (!(squared > 0.0) || !std::isfinite(squared)) return;
            lanes[lane].least = std::min(lanes[lane].least, squared);
            lanes[lane].most = std::max(lanes[lane].most, squared);
        };
        std::int64_t i = first;
        for (; i + kLanes <= end; i += kLanes)
            for (int lane = 0; lane < kLanes; ++lane) take(i + lane, lane);
        for (; i < end; ++i) take(i, 0);
        for (const Extremes& lane : lanes) {
            ofPart[part].least = std::min(ofPart[part].least, lane.least);
            ofPart[part].most = std::max(ofPart[part].most, lane.most);
        }
    });
    double least = HUGE_VAL, most = 0.0;
    for (const Extremes& part : ofPart) {
        least = std::min(least, part.least);
        most = std::max(most, part.most);
    }
    if (!(most > 0.0)) return std::nullopt;
    const double orders = std::floor(0.5 * std::log10(most / least));
    if (!(orders > 30.0)) return std::nullopt;
    auto shown = [](double squared, char point) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2g", std::sqrt(squared));
        std::string s = text;
        for (char& c : s)
            if (c == '.') c = point;
        return s;
    };
    const std::string count = std::to_string(static_cast<int>(orders));
    return Message{messages::kAppCaption,
                   "Warnung: Die Geschwindigkeiten in " + QuotedDe(path) + " reichen über " + count +
                       " Größenordnungen, von " + shown(least, ',') + " bis " + shown(most, ',') +
                       ": falsche Bytereihenfolge?",
                   "warning: the speeds of " + QuotedEn(path) + " span " + count +
                       " orders of magnitude, from " + shown(least, '.') + " to " + shown(most, '.') +
                       ": wrong byte order?"};
}

std::string QuotedDe(const std::string& path) {
    return "\u201E" + path + "\u201C";
}
std::string QuotedEn(const std::string& path) {
    return "'" + path + "'";
}

Message Unreadable(const std::string& path, const Why& why) {
    return {messages::kAppCaption,
            "Die Datei " + QuotedDe(path) + " kann nicht gelesen werden: " + why.german,
            "cannot read " + QuotedEn(path) + ": " + why.english};
}

Why StillFlow(const DataSetNotes& notes, std::int64_t nk) {
    const std::int64_t planes = notes.planes > 0 ? notes.planes : nk;
    if (planes <= 1)
        return {"Die Str\u00F6mung ist \u00FCberall null; das Bild zeigt nichts, was sich bewegt.",
                "the flow is zero everywhere; the picture shows nothing moving"};
    const std::string k = std::to_string(notes.planes > 0 ? notes.plane : 0),
                      last = std::to_string(planes - 1);
    return {"Die Str\u00F6mung ist in der gezeigten Ebene " + k +
                " \u00FCberall null; die Datei hat die Ebenen 0 bis " + last + ".",
            "the flow is zero everywhere in plane " + k + ", the one shown; the file has planes 0 to " +
                last + ", another is chosen with --plane K"};
}

Message NoSuchPlane(const std::string& path, std::int64_t plane, std::int64_t planes) {
    const std::string k = std::to_string(plane), last = std::to_string(planes - 1);
    return {
        messages::kLoadingErrorCaption,
        "Die Datei " + QuotedDe(path) + " hat keine Ebene " + k + "; ihre Ebenen sind 0 bis " + last + ".",
        QuotedEn(path) + " has no plane " + k + "; its planes are 0 to " + last};
}

Message UnusableCounts(const std::string& path, const std::string& ni, const std::string& nj,
                       const std::string& nk) {
    const std::string counts = "ni = " + ni + ", nj = " + nj + ", nk = " + nk;
    return {messages::kLoadingErrorCaption,
            "Die Datei " + QuotedDe(path) + " hat unbrauchbare Knotenzahlen: " + counts +
                ". Erlaubt sind ni und nj von 2 bis 32767 und nk von 1 bis 32767.",
            QuotedEn(path) + " has unusable node counts: " + counts +
                "; ni and nj must be 2 to 32767 and nk 1 to 32767"};
}

std::optional<Message> CheckPlaneGeometry(const GridNode* nodes, std::int64_t ni, std::int64_t nj,
                                          const std::string& path) {
    const float extentX = nodes[ni - 1].x - nodes[0].x;
    const float extentY = nodes[ni * (nj - 1)].y - nodes[0].y;
    if (!UsableExtent(extentX, kRasterSpanX) || !UsableExtent(extentY, kRasterSpanY))
        return NotIncreasing(path, extentX, extentY);
    if (!FiniteCorners(nodes, ni, nj)) return CornerNotFinite(path);
    return std::nullopt;
}

}  // namespace loading
