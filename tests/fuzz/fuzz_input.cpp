#include "tests/fuzz/fuzz_input.h"

#include <cstdio>
#include <fstream>

#include "scene/flow_scene.h"

namespace {

class SilentReporter : public Reporter {
public:
    void Report(const std::string&, const std::string&) override {}
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

FuzzCase DecodeFuzzInput(const std::uint8_t* data, std::size_t size) {
    FuzzCase c;
    std::uint8_t settings[12] = {};
    const std::size_t head = size < sizeof settings ? size : sizeof settings;
    for (std::size_t i = 0; i < head; ++i) settings[i] = data[i];
    c.settings.dsep = kDSepMin + settings[0] % (kDSepMax - kDSepMin + 1);
    c.settings.dtestPercent = 10 * (1 + settings[1] % 9);
    c.settings.method = settings[2] % 4;  // 3 is not a method: it must integrate like RK2
    c.settings.background = settings[3] % 4;
    c.settings.hedgehog = settings[4] & 1;
    c.settings.arrowsBySpeed = settings[4] & 2;
    c.clickX = 1 + (settings[5] | ((settings[7] & 0x0f) << 8)) % 349;
    c.clickY = 1 + (settings[6] | ((settings[7] >> 4) << 8)) % 559;
    const std::size_t rest = size - head;
    const std::uint32_t split = static_cast<std::uint32_t>(settings[8]) | (settings[9] << 8) |
                                (settings[10] << 16) | (static_cast<std::uint32_t>(settings[11]) << 24);
    const std::size_t geometryBytes = rest == 0 ? 0 : split % (rest + 1);
    const char* bytes = reinterpret_cast<const char*>(data) + head;
    c.geometry.assign(bytes, geometryBytes);
    c.solution.assign(bytes + geometryBytes, rest - geometryBytes);
    return c;
}

std::string EncodeFuzzInput(const FuzzCase& c) {
    std::string out(12, '\0');
    out[0] = static_cast<char>(c.settings.dsep - kDSepMin);
    out[1] = static_cast<char>(c.settings.dtestPercent / 10 - 1);
    out[2] = static_cast<char>(c.settings.method);
    out[3] = static_cast<char>(c.settings.background);
    out[4] = static_cast<char>((c.settings.hedgehog ? 1 : 0) | (c.settings.arrowsBySpeed ? 2 : 0));
    out[5] = static_cast<char>((c.clickX - 1) & 0xff);
    out[6] = static_cast<char>((c.clickY - 1) & 0xff);
    out[7] = static_cast<char>(((c.clickX - 1) >> 8) | (((c.clickY - 1) >> 8) << 4));
    const auto split = static_cast<std::uint32_t>(c.geometry.size());
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(8 + i)] = static_cast<char>(split >> (8 * i));
    return out + c.geometry + c.solution;
}

FuzzOutcome RunFuzzCase(const FuzzCase& c, const std::string& dir) {
    const std::string geometry = dir + "/case.gri";
    WriteFile(geometry, c.geometry);
    WriteFile(FlowScene::SolutionPathFor(geometry), c.solution);

    SilentReporter reporter;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    scene.SetFixedSeed(12345);
    scene.OpenDataSet(geometry);

    ApplyDrawSettings(scene, c.settings);
    scene.RedrawScene();
    FuzzOutcome outcome;
    if (scene.HasDataSet()) {
        const Streamline* click = scene.AddClickStreamline(c.clickX, c.clickY);
        outcome.clickPoints = click ? click->GetCount() : 0;
    }
    outcome.loaded = scene.HasDataSet();
    const bool arrays = scene.m_pNodes && scene.m_pU && scene.m_pV && scene.m_pP && scene.m_pW &&
                        scene.m_pRasterU && scene.m_pRasterV && scene.m_pRasterSpeed && scene.m_pRasterP &&
                        scene.m_pRasterW;
    const bool none = !scene.m_pNodes && !scene.m_pU && !scene.m_pRasterU;
    outcome.consistent = outcome.loaded ? arrays : none;
    outcome.streamlines = scene.GetStreamlineCount();
    return outcome;
}
