// tesmora-flowgen FLOW OUTPUT.gri [options]: writes a sample data set of an analytic flow.
#include <QCoreApplication>
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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
    // Frame 0 is the pair's own solution file; the others are numbered on from it.
    std::vector<std::string> outputs{request.output, FlowScene::SolutionPathFor(request.output)};
    const std::string stem = outputs[1].substr(0, outputs[1].size() - std::string("00000.dat").size());
    for (int frame = 1; frame < request.frames; ++frame) {
        char number[16];
        std::snprintf(number, sizeof number, "%05d.dat", frame);
        outputs.push_back(stem + number);
    }
    if (const std::optional<int> end = cli::CheckOutputs("tesmora-flowgen", outputs, {})) return *end;

    const AnalyticFlow& flow = *FindFlow(request.flow);
    for (int frame = 0; frame < request.frames; ++frame) {
        const double time = flow.period * frame / request.frames;
        DataSetArrays data;
        try {
            data = MakeFlow(request.flow, request.ni, request.nj, request.nk, request.stretch, request.units,
                            time);
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "tesmora-flowgen: not enough memory for %lld nodes\n",
                         static_cast<long long>(request.ni) * request.nj * request.nk);
            return kExitWriteFailed;
        } catch (const std::invalid_argument& e) {
            std::fprintf(stderr, "tesmora-flowgen: %s\n", e.what());
            return cli::kExitBadUsage;
        }
        std::string error;
        const bool written = frame == 0 ? formats::WriteGriPair(request.output, data, &error)
                                        : formats::WriteGriSolution(
                                              outputs[static_cast<std::size_t>(frame) + 1], data, &error);
        if (!written) {
            std::fprintf(stderr, "tesmora-flowgen: %s\n", error.c_str());
            return kExitWriteFailed;
        }
    }
    const std::string frames =
        request.frames > 1 ? " (" + std::to_string(request.frames) + " frames, up to " + outputs.back() + ")"
                           : "";
    cli::PrintOut("tesmora-flowgen: " + request.flow + ", " + std::to_string(request.ni) + " x " +
                  std::to_string(request.nj) + " x " + std::to_string(request.nk) + " nodes, written to " +
                  request.output + " and " + outputs[1] + frames + "\n");
    return kExitWritten;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::FinishStandardOutput("tesmora-flowgen", Run(argc, argv));
}
