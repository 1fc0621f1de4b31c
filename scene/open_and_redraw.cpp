#include <chrono>

#include "scene/flow_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

void FlowScene::OpenDataSet(const std::string& path) {
    m_openTimings = {};
    const auto start = Clock::now();
    ReleaseDataSet();
    if (!LoadDataSet(path)) return;
    const auto loaded = Clock::now();
    // The loader leaves the classic picture; any other the settings ask for is set up here.
    if (ViewChanged()) ApplyView();
    ResetForDraw();
    BuildRasters();
    const auto rastered = Clock::now();
    // Placed even in hedgehog mode, so that switching back shows them without a Draw.
    PlaceStreamlines();
    m_openTimings = {true, Milliseconds(start, loaded), Milliseconds(loaded, rastered),
                     Milliseconds(rastered, Clock::now())};
}

void FlowScene::RedrawScene() {
    if (!m_pImage) return;
    if (ViewChanged()) {
        // Another size, window or proportions move every sampling position, so the rasters
        // are made anew.
        ApplyView();
        ResetForDraw();
        BuildRasters();
        if (!m_bHedgehog) PlaceStreamlines();
        return;
    }
    ResetForDraw();
    m_pImage = std::make_unique<std::uint8_t[]>(3 * m_raster.Pixels());
    ColourBackground();
    if (!m_bHedgehog) PlaceStreamlines();
}
