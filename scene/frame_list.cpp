#include "scene/frame_list.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "base/reporter.h"
#include "scene/data_set_checks.h"
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

bool FramesOf(std::vector<std::string> paths, DataSetReader* reader, Reporter& reporter,
              std::vector<Frame>& frames) {
    frames.clear();
    const auto takes = [reader](const std::string& path) { return reader && reader->Accepts(path); };
    if (paths.size() == 1 && !takes(paths[0])) {
        for (std::string& solution : NumberedSolutions(paths[0]))
            frames.emplace_back(paths[0], std::move(solution));
        if (frames.empty()) frames.emplace_back(paths[0]);
        return true;
    }
    std::stable_sort(paths.begin(), paths.end(), NaturalLess);
    std::vector<Frame> inFile;
    for (std::string& path : paths) {
        if (takes(path)) {
            if (!reader->FramesIn(path, inFile, reporter)) {
                frames.clear();
                return false;
            }
            if (!inFile.empty()) {
                frames.insert(frames.end(), std::make_move_iterator(inFile.begin()),
                              std::make_move_iterator(inFile.end()));
                continue;
            }
        }
        frames.emplace_back(std::move(path));
    }
    return true;
}

FrameName NameOf(const Frame& frame) {
    const std::string& file = frame.solution.empty() ? frame.path : frame.solution;
    FrameName name{loading::QuotedDe(file), loading::QuotedEn(file)};
    if (frame.part > 0) {
        const std::string zone = std::to_string(frame.part + 1);
        name.de += ", Zone " + zone + ",";
        name.en += " (zone " + zone + ")";
    }
    return name;
}
