#include "scene/scene_settings.h"

#include <cstdint>

#include "scene/flow_scene.h"

void UpdateDTest(FlowScene& scene) {
    scene.m_fDTest = TestDistance(scene.m_nDSep, scene.m_fDTestPercent);
}

bool ChangeDSep(FlowScene& scene, int iDelta) {
    // The up arrow reports -1; widened so that no delta can overflow.
    const std::int64_t next = std::int64_t{scene.m_nDSep} - iDelta;
    if (next < kDSepMin || next > kDSepMax) return false;
    scene.m_nDSep = static_cast<std::int32_t>(next);
    // The test distance follows the distance, so it always matches the percentage shown.
    UpdateDTest(scene);
    return true;
}

bool ChangeDTestPercent(FlowScene& scene, int iDelta) {
    const float next = scene.m_fDTestPercent - 10.0f * static_cast<float>(iDelta);
    if (!(next >= static_cast<float>(kDTestPercentMin) && next <= static_cast<float>(kDTestPercentMax)))
        return false;
    scene.m_fDTestPercent = next;
    UpdateDTest(scene);
    return true;
}

void ApplyDrawSettings(FlowScene& scene, const DrawSettings& settings) {
    scene.m_nDSep = settings.dsep;
    scene.m_fDTestPercent = static_cast<float>(settings.dtestPercent);
    UpdateDTest(scene);
    scene.m_nMethod = settings.method;
    scene.m_nBackground = settings.background;
    scene.m_bHedgehog = settings.hedgehog;
    scene.m_bHedgehogBySpeed = settings.arrowsBySpeed;
    scene.m_modes = settings;  // the modes part of the value
}

DrawSettings CurrentDrawSettings(const FlowScene& scene) {
    DrawSettings s;
    static_cast<DrawModes&>(s) = scene.m_modes;
    s.dsep = scene.m_nDSep;
    s.dtestPercent = static_cast<int>(scene.m_fDTestPercent);
    s.method = scene.m_nMethod;
    s.background = scene.m_nBackground;
    s.hedgehog = scene.m_bHedgehog;
    s.arrowsBySpeed = scene.m_bHedgehogBySpeed;
    return s;
}
