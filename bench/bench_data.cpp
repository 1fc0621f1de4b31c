#include "bench/bench_data.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <utility>

#include "formats/gri_writer.h"
#include "scene/flow_scene.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

std::filesystem::path DataFolder() {
    if (const char* env = std::getenv("TESMORA_BENCH_DATA"); env && *env) return env;
    return TESMORA_BENCH_DATA_DIR;
}

bool Complete(const std::string& geometry, long long nodes) {
    std::error_code ec;
    const auto g = std::filesystem::file_size(geometry, ec);
    if (ec || static_cast<long long>(g) != 40 + 12 * nodes) return false;
    const auto s = std::filesystem::file_size(FlowScene::SolutionPathFor(geometry), ec);
    return !ec && static_cast<long long>(s) == 20 * nodes;
}

}  // namespace

const std::string& BenchDataSet(int flow, int g) {
    static std::map<std::pair<int, int>, std::string> paths;
    if (auto it = paths.find({flow, g}); it != paths.end()) return it->second;
    const BenchGrid& grid = kBenchGrids[g];
    const std::filesystem::path folder = DataFolder();
    std::filesystem::create_directories(folder);
    const std::string name = kBenchFlows[flow];
    const std::string path = (folder / (name + "-" + grid.label + ".gri")).string();
    if (!Complete(path, static_cast<long long>(grid.ni) * grid.nj)) {
        std::string error;
        if (!formats::WriteGriPair(path, MakeFlow(name, grid.ni, grid.nj, 1, 0.0f), &error))
            throw std::runtime_error(error);
    }
    return paths[{flow, g}] = path;
}
