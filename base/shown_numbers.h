#pragma once

// Numbers as the user reads them back: in the tools' JSON and in what the Python module hands
// over, written so that a reader gets back what the program used.

// The shortest decimal that reads back as F, so that the float 0.1 is written 0.1 and not as
// the double nearest to it.
double ShortestDecimal(float f);

// A grid coordinate as the user's file has it: the loader's SHIFT added back in double, or,
// on a grid that was not shifted, the coordinate itself as its shortest decimal.
double ShownCoordinate(float gridValue, double shift);

// A point in the data's own coordinates, as ShownCoordinate gives each of them.
struct ShownPoint {
    double x = 0.0;
    double y = 0.0;
};
