// libFuzzer entry for the Python module's input without Python: numpy arrays as any buffer,
// shape, strides and element type, keyword options of any Python type, checked, converted and,
// for a small data set in a small picture, placed (tests/fuzz/python_arrays_case.h). Whatever
// the input, a failure is raised with a message and a placed line stays in its picture.
#include "tests/fuzz/python_arrays_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!RunArraysCase(data, size).consistent) __builtin_trap();
    return 0;
}
