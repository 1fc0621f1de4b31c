#include "tests/fuzz/seed_corpus.h"

#include <cmath>
#include <limits>
#include <string>

#include "scene/flow_scene.h"
#include "scene/gri_format.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

std::string Floats(std::initializer_list<float> values) {
    std::string out;
    for (float v : values) out.append(reinterpret_cast<const char*>(&v), sizeof v);
    return out;
}

// The two files' bytes of DATA, with HEADER in place of the one its counts would give.
FuzzCase Files(const DataSetArrays& data, std::string header = {}) {
    FuzzCase c;
    c.geometry = header.empty() ? gri::WriteHeader(data.ni, data.nj, data.nk) : header;
    c.geometry.resize(40, '\0');
    const auto count = static_cast<std::size_t>(data.NodeCount());
    for (std::size_t n = 0; n < count; ++n) c.geometry += Floats({data.nodes[n].x, data.nodes[n].y, 0.0f});
    for (std::size_t n = 0; n < count; ++n)
        c.solution += Floats({data.u[n], data.v[n], 0.0f, data.p[n], data.w[n]});
    return c;
}

DataSetArrays Grid(int ni, int nj, float vx, float vy) {
    DataSetArrays d = DataSetArrays::Zeroed(ni, nj, 1);
    for (int j = 0; j < nj; ++j)
        for (int i = 0; i < ni; ++i) {
            const std::size_t n = d.Index(i, j);
            d.nodes[n] = {static_cast<float>(i), static_cast<float>(j) * 1.6f};
            d.u[n] = vx;
            d.v[n] = vy;
            d.p[n] = static_cast<float>(i * j);
            d.w[n] = static_cast<float>(i - j);
        }
    return d;
}

FuzzCase With(FuzzCase c, int method, int background, bool hedgehog) {
    c.settings.method = method;
    c.settings.background = background;
    c.settings.hedgehog = hedgehog;
    return c;
}

}  // namespace

std::vector<SeedCase> SeedCorpus() {
    std::vector<SeedCase> corpus;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    corpus.push_back({"uniform", With(Files(Grid(4, 3, 2.0f, 1.0f)), 0, 0, false), true});
    corpus.push_back({"at_rest", With(Files(Grid(5, 4, 0.0f, 0.0f)), 1, 1, false), true});
    corpus.push_back({"lower_left", With(Files(Grid(5, 4, -3.0f, -2.0f)), 2, 2, false), true});
    corpus.push_back({"hedgehog", With(Files(Grid(6, 6, 1.0f, -1.0f)), 3, 1, true), true});
    corpus.push_back({"rotation", With(Files(MakeFlow("rotation", 12, 18, 1, 0.0f)), 2, 0, false), true});
    corpus.push_back(
        {"stretched_saddle", With(Files(MakeFlow("saddle", 9, 14, 1, 1.5f)), 1, 2, false), true});
    corpus.push_back({"two_planes", With(Files(MakeFlow("double-gyre", 6, 9, 2, 0.0f)), 0, 1, false), true});

    DataSetArrays nanValues = Grid(4, 4, 1.0f, 1.0f);
    nanValues.u[5] = nan;
    nanValues.p[6] = inf;
    corpus.push_back({"nan_values", Files(nanValues), true});
    FuzzCase nanPixelStep = With(Files(nanValues), 2, 0, false);
    nanPixelStep.settings.stepPixels = kStepPixelsOn;
    corpus.push_back({"nan_values_pixel_step", nanPixelStep, true});
    FuzzCase restPixelStep = With(Files(Grid(5, 4, 0.0f, 0.0f)), 1, 0, true);
    restPixelStep.settings.stepPixels = kStepPixelsOn;
    restPixelStep.settings.arrowsBySpeed = true;
    corpus.push_back({"at_rest_pixel_step", restPixelStep, true});
    DataSetArrays bent = Grid(4, 4, 1.0f, 0.5f);
    bent.nodes[6].x = 10.0f;  // not rectilinear
    corpus.push_back({"not_rectilinear", Files(bent), true});
    DataSetArrays inner = Grid(4, 4, 1.0f, 0.5f);
    inner.nodes[5] = {nan, inf};
    corpus.push_back({"nan_inner_node", Files(inner), true});

    const DataSetArrays good = Grid(4, 3, 1.0f, 1.0f);
    corpus.push_back({"wrong_magic", Files(good, "SN4DX 4 3 1 0 0 0.0"), false});
    corpus.push_back({"lower_case_magic", Files(good, "sn4db 4 3 1 0 0 0.0"), false});
    corpus.push_back({"one_column", Files(good, "SN4DB 1 12 1"), false});
    corpus.push_back({"no_planes", Files(good, "SN4DB 4 3 0"), false});
    corpus.push_back({"too_many", Files(good, "SN4DB 40000 3 1"), false});
    corpus.push_back({"huge_counts_short", Files(good, "SN4DB 32767 32767 32767"), false});
    FuzzCase shortHeader = Files(good);
    shortHeader.geometry.resize(20);
    corpus.push_back({"short_header", shortHeader, false});
    FuzzCase shortNodes = Files(good);
    shortNodes.geometry.pop_back();
    corpus.push_back({"short_nodes", shortNodes, false});
    FuzzCase shortSolution = Files(good);
    shortSolution.solution.resize(shortSolution.solution.size() - 7);
    corpus.push_back({"short_solution", shortSolution, false});
    FuzzCase noSolution = Files(good);
    noSolution.solution.clear();
    corpus.push_back({"empty_solution", noSolution, false});
    DataSetArrays flat = good.Copy();
    flat.nodes[3].x = flat.nodes[0].x;
    corpus.push_back({"zero_extent", Files(flat), false});
    DataSetArrays decreasing = good.Copy();
    for (std::size_t n = 0; n < 12; ++n) decreasing.nodes[n].y = -decreasing.nodes[n].y;
    corpus.push_back({"decreasing", Files(decreasing), false});
    DataSetArrays nanOrigin = good.Copy();
    nanOrigin.nodes[0].x = nan;
    corpus.push_back({"nan_origin", Files(nanOrigin), false});
    return corpus;
}
