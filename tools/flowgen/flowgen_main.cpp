// tesmora-flowgen FLOW OUTPUT.gri [options]: writes a sample data set of an analytic flow.
#include <QCoreApplication>
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/native_names.h"
#include "formats/gri_writer.h"
#include "scene/flow_scene.h"
#include "tools/flowgen/analytic_flows.h"
#include "tools/flowgen/flowgen_options.h"

namespace {
constexpr int kExitWritten = 0;
constexpr int kExitWriteFailed = 1;
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const FlowgenRequest request = ParseFlowgenArguments(common::NativeArguments(argc, argv));
    if (const std::optional<int> end = cli::EndEarly(request.outcome)) return *end;

    DataSetArrays data;
    try {
        data = MakeFlow(request.flow, request.ni, request.nj, request.nk, request.stretch, request.units);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tesmora-flowgen: not enough memory for %lld nodes\n",
                     static_cast<long long>(request.ni) * request.nj * request.nk);
        return kExitWriteFailed;
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "tesmora-flowgen: %s\n", e.what());
        return cli::kExitBadUsage;
    }

    std::string error;
    if (!formats::WriteGriPair(request.output, data, &error)) {
        std::fprintf(stderr, "tesmora-flowgen: %s\n", error.c_str());
        return kExitWriteFailed;
    }
    std::printf("tesmora-flowgen: %s, %d x %d x %d nodes, written to %s and %s\n", request.flow.c_str(),
                request.ni, request.nj, request.nk, request.output.c_str(),
                FlowScene::SolutionPathFor(request.output).c_str());
    return kExitWritten;
}
