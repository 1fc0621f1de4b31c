#include "tests/fuzz/reader_fuzz_case.h"

#include "base/data_set.h"
#include "formats/read_error.h"
#include "scene/flow_scene.h"

namespace {

class SilentReporter : public Reporter {
public:
    void Report(const std::string& text, const std::string&) override { last = text; }
    std::string last;
};

}  // namespace

ReaderOutcome RunReader(ReaderFunction reader, std::string_view bytes, const std::string& name) {
    ReaderOutcome outcome;
    DataSetArrays data;
    try {
        reader(bytes, name, data);
    } catch (const formats::ReadError& e) {
        outcome.message = e.GetMessage().english;
        outcome.consistent = !data.nodes && !data.u && !data.v && !data.p && !data.w &&
                             !e.GetMessage().german.empty() && !e.GetMessage().english.empty();
        return outcome;
    }
    outcome.consistent =
        data.nodes && data.u && data.v && data.p && data.w && CountsUsable(data.ni, data.nj, data.nk);
    SilentReporter reporter;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    outcome.read = scene.AdoptDataSet(std::move(data), name);
    if (!outcome.read) outcome.message = reporter.last;
    outcome.consistent = outcome.consistent && (scene.m_pNodes != nullptr) == outcome.read;
    return outcome;
}
