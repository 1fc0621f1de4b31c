#pragma once

#include "base/draw_settings.h"

class FlowScene;

// Stores SETTINGS in the scene as the control bar leaves them, the test distance following
// distance and percentage. The values are taken as they are; range checks are the caller's.
void ApplyDrawSettings(FlowScene& scene, const DrawSettings& settings);
// The scene's settings as one value; the percentage truncated towards zero as shown.
DrawSettings CurrentDrawSettings(const FlowScene& scene);

// The spin buttons' rules, shared by the viewer and the command line. Each returns false and
// changes nothing when the result would leave its range.
bool ChangeDSep(FlowScene& scene, int iDelta);
bool ChangeDTestPercent(FlowScene& scene, int iDelta);
// m_fDTest from the current distance and percentage.
void UpdateDTest(FlowScene& scene);
