#include "scene/flow_scene.h"

const Streamline* FlowScene::AddClickStreamline(int x, int y) {
    if (!m_pNodes || !m_pU || !m_pV) return nullptr;
    GridNode world;
    if (!PixelInData(x, y, world)) {
        // Beside the data (equal proportions, or a window reaching past it): nothing to trace,
        // and nothing left to draw.
        m_pClickStreamline.reset();
        return nullptr;
    }
    // Assigning releases the previous click streamline: nothing draws it again.
    m_pClickStreamline = CreateStreamline(world, m_nMethod, true);
    return m_pClickStreamline.get();
}
