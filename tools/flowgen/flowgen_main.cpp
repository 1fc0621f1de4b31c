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
#include "tools/cli/output_check.h"
#include "tools/cli/standard_output.h"
#include "tools/flowgen/analytic_flows.h"
#include "tools/flowgen/flowgen_options.h"

namespace {
constexpr int kExitWritten = 0;
constexpr int kExitWriteFailed = 1;

int Run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const FlowgenRequest request = ParseFlowgenArguments(common::NativeArguments(argc, argv));
    if (const std::optional<int> end = cli::EndEarly(request.outcome)) return *end;
    if (const std::optional<int> end = cli::CheckOutputs(
            "tesmora-flowgen", {request.output, FlowScene::SolutionPathFor(request.output)}, {}))
        return *end;

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
    cli::PrintOut("tesmora-flowgen: " + request.flow + ", " + std::to_string(request.ni) + " x " +
                  std::to_string(request.nj) + " x " + std::to_string(request.nk) + " nodes, written to " +
                  request.output + " and " + FlowScene::SolutionPathFor(request.output) + "\n");
    return kExitWritten;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::FinishStandardOutput("tesmora-flowgen", Run(argc, argv));
}
