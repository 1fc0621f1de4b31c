#include "scene/frame_list.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "scene/gri_format.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    // Numbers of one value spelled with different zeros are told apart only when all else is equal.
    int zeros = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t endA = i, endB = j;
            while (endA < a.size() && IsDigit(a[endA])) ++endA;
            while (endB < b.size() && IsDigit(b[endB])) ++endB;
            // Leading zeros do not count towards the value; a longer significant run is larger.
            std::size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == '0') ++startA;
            while (startB + 1 < endB && b[startB] == '0') ++startB;
            const std::string_view digitsA(a.data() + startA, endA - startA);
            const std::string_view digitsB(b.data() + startB, endB - startB);
            if (digitsA.size() != digitsB.size()) return digitsA.size() < digitsB.size();
            if (digitsA != digitsB) return digitsA < digitsB;
            if (zeros == 0 && endA - i != endB - j) zeros = endA - i < endB - j ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return a.size() - i < b.size() - j;
    return zeros != 0 ? zeros < 0 : a < b;
}

std::vector<std::string> NumberedSolutions(const std::string& geometryPath, std::size_t maxFrames) {
    // The first is the pair's own solution file; the rest differ from it in the number only.
    const std::string first = gri::SolutionPathFor(geometryPath);
    const std::string stem = first.substr(0, first.size() - std::string_view("00000.dat").size());
    std::vector<std::string> found;
    for (std::size_t n = 0; n < maxFrames && n <= 99999; ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "%05zu.dat", n);
        std::string path = stem + number;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) break;
        found.push_back(std::move(path));
    }
    return found;
}
