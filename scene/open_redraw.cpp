#include "scene/flow_scene.h"

void FlowScene::OpenDataSet(const std::string& path) {
    ReleaseDataSet();
    if (!LoadDataSet(path)) return;
    ResetForDraw();
    BuildRasters();
    // Placed even in hedgehog mode, so that switching back shows them without a Draw.
    PlaceStreamlines();
}

void FlowScene::RedrawScene() {
    if (!m_pImage) return;
    ResetForDraw();
    m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    ColourBackground();
    if (!m_bHedgehog) PlaceStreamlines();
}
