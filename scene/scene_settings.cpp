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
    scene.m_fStepPixels = settings.stepPixels;
    scene.m_nColourMap = settings.colourMap;
    scene.m_nAspect = settings.aspect;
    scene.m_bLegend = settings.legend;
    scene.m_nPlacement = settings.placement;
}

DrawSettings CurrentDrawSettings(const FlowScene& scene) {
    return {.dsep = scene.m_nDSep,
            .dtestPercent = static_cast<int>(scene.m_fDTestPercent),
            .method = scene.m_nMethod,
            .background = scene.m_nBackground,
            .hedgehog = scene.m_bHedgehog,
            .arrowsBySpeed = scene.m_bHedgehogBySpeed,
            .stepPixels = scene.m_fStepPixels,
            .colourMap = scene.m_nColourMap,
            .aspect = scene.m_nAspect,
            .legend = scene.m_bLegend,
            .placement = scene.m_nPlacement};
}
