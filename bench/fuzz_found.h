#pragma once

// What the fuzz campaigns found of the Python module's arrays (tests/fuzz/minimised), each a
// benchmark FuzzFound/python_arrays/NAME: the slowest is the placement's bound on what a hostile
// input can cost. Registered only where the fuzz cases are built.
void RegisterFuzzFound();
