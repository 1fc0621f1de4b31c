#pragma once

#include <QString>

class FlowScene;

// The status bar's word on the open data set: empty unless the time step is in force and moves
// the median raster point by more than 5 or less than 0.2 pixels, where it names the "1 px"
// step. German, with decimal commas.
QString TimeStepHint(const FlowScene& scene);
