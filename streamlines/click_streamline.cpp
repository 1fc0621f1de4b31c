#include "scene/flow_scene.h"

const Streamline* FlowScene::AddClickStreamline(int x, int y) {
    if (!m_pNodes || !m_pU || !m_pV) return nullptr;
    if (m_nMappedAspect == kAspectEqual && !IsPixelInData(x, y)) {
        // Beside the data (equal proportions): nothing to trace, and nothing left to draw.
        m_pClickStreamline.reset();
        return nullptr;
    }
    // Assigning releases the previous click streamline: nothing draws it again.
    m_pClickStreamline = CreateStreamline(PixelToWorld(x, y), m_nMethod, true);
    return m_pClickStreamline.get();
}
