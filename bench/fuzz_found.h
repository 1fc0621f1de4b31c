#pragma once

// What the fuzz campaigns found of the Python module's arrays (tests/fuzz/minimised), each a
// benchmark FuzzFound/python_arrays/NAME, and the slowest inputs a search for them found
// (bench/slow_inputs, kept apart so that campaigns do not start from them and spend their time
// there), each SlowInput/python_arrays/NAME: the slowest is the placement's bound on what a
// hostile input can cost. Registered only where the fuzz cases are built.
void RegisterFuzzFound();
