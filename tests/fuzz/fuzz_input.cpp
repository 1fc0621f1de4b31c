#include "tests/fuzz/fuzz_input.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "base/data_set.h"
#include "base/picture_view.h"
#include "base/settings_table.h"
#include "scene/flow_scene.h"
#include "scene/header_parser.h"

namespace {

class SilentReporter : public Reporter {
public:
    void Report(const std::string&, const std::string&) override {}
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

namespace {

constexpr std::size_t kSettingsBytes = 6;  // bytes 0..5: the settings, as a stream of bits
constexpr int kDrawBit = 47;               // the last of them: the Draw button after opening
constexpr int kLengthSteps = 8;            // a length is off or one of these, lo to hi

// The picture's size is not one of the table's samples but a small view of its own, W x H or
// auto:N with every side kPictureSideMin .. kPictureSideMin + 63: a case then rasterises and
// places a few thousand pixels instead of the first settings' 350 x 560, which made each case
// cost a whole placement and the fuzzer run a dozen of them a second. Bits 0..5 of its state
// give W (or N), bits 6..11 H, bit 12 auto.
constexpr int kSideBits = 6;
constexpr std::uint32_t kSideStates = 1u << kSideBits;
constexpr std::uint32_t kAutoState = kSideStates * kSideStates;

bool IsSize(const settings::Row& row) {
    return std::string_view(row.name) == "size";
}

PictureSize SizeOfState(std::uint32_t state) {
    const int first = kPictureSideMin + static_cast<int>(state % kSideStates);
    const int second = kPictureSideMin + static_cast<int>(state / kSideStates % kSideStates);
    PictureSize size;
    if (state & kAutoState) {
        size.autoLongSide = first;
    } else {
        size.width = first;
        size.height = second;
    }
    return size;
}

std::uint32_t StateOfSize(const PictureSize& size) {
    const auto side = [](int v) {
        return static_cast<std::uint32_t>(
            std::clamp(v, kPictureSideMin, kPictureSideMin + static_cast<int>(kSideStates) - 1) -
            kPictureSideMin);
    };
    if (size.IsAuto()) return kAutoState | side(size.autoLongSide);
    return side(size.width) | side(size.height) << kSideBits;
}

// How many values the fuzzer gives a setting: every choice and one that none names (which
// must behave as the program's fallback for it), every whole number of the range, a length
// off or at one of a few steps, a switch off or on; a figure or reading setting only its default.
std::uint32_t StatesOf(const settings::Row& row) {
    if (IsSize(row)) return 2 * kAutoState;
    if (settings::ListedOnlyWhenSet(row)) return 1;
    switch (row.kind) {
        case settings::Kind::Choice:
            return static_cast<std::uint32_t>(row.choices.size()) + 1;
        case settings::Kind::Whole:
            return static_cast<std::uint32_t>(row.hi - row.lo) + 1;
        case settings::Kind::Length:
            return 1 + kLengthSteps;
        case settings::Kind::Switch:
            return 2;
        case settings::Kind::Text:
            return static_cast<std::uint32_t>(row.samples.size());
    }
    return 1;
}

int BitsFor(std::uint32_t states) {
    int bits = 0;
    while ((std::uint32_t{1} << bits) < states) ++bits;
    return bits;
}

double ValueOfState(const settings::Row& row, std::uint32_t state) {
    switch (row.kind) {
        case settings::Kind::Choice: {
            if (state < row.choices.size()) return row.choices[state].value;
            int unnamed = 0;
            for (const settings::Word& w : row.choices) unnamed = std::max(unnamed, w.value + 1);
            return unnamed;
        }
        case settings::Kind::Whole:
            return row.lo + state;
        case settings::Kind::Length:
            return state == 0 ? 0.0 : row.lo + (row.hi - row.lo) * (state - 1) / (kLengthSteps - 1);
        case settings::Kind::Switch:
        case settings::Kind::Text:
            return state;
    }
    return 0.0;
}

// Sets the row's value in S to the one of STATE.
void SetState(const settings::Row& row, DrawSettings& s, std::uint32_t state) {
    if (IsSize(row)) {
        s.size = SizeOfState(state);
        return;
    }
    if (row.kind != settings::Kind::Text) {
        row.set(s, ValueOfState(row, state));
        return;
    }
    std::string why;
    row.read(s, row.samples[state], why);
}

// The state whose value is nearest to the setting's in S.
std::uint32_t StateOf(const settings::Row& row, const DrawSettings& s) {
    if (IsSize(row)) return StateOfSize(s.size);
    if (row.kind == settings::Kind::Text) {
        for (std::uint32_t k = 0; k < row.samples.size(); ++k)
            if (row.text(s) == row.samples[k]) return k;
        return 0;
    }
    const double v = row.get(s);
    std::uint32_t best = 0;
    for (std::uint32_t k = 1; k < StatesOf(row); ++k)
        if (std::fabs(ValueOfState(row, k) - v) < std::fabs(ValueOfState(row, best) - v)) best = k;
    return best;
}

}  // namespace

int FuzzSettingBits() {
    int bits = 0;
    for (const settings::Row& row : settings::Table()) bits += BitsFor(StatesOf(row));
    return bits;
}

FuzzCase DecodeFuzzInput(const std::uint8_t* data, std::size_t size) {
    FuzzCase c;
    std::uint8_t settings[12] = {};
    const std::size_t head = size < sizeof settings ? size : sizeof settings;
    for (std::size_t i = 0; i < head; ++i) settings[i] = data[i];
    std::uint64_t stream = 0;
    for (std::size_t i = 0; i < kSettingsBytes; ++i) stream |= std::uint64_t{settings[i]} << (8 * i);
    c.drawAfterOpen = (stream >> kDrawBit) & 1;
    for (const settings::Row& row : settings::Table()) {
        const std::uint32_t states = StatesOf(row);
        const int bits = BitsFor(states);
        const auto state = static_cast<std::uint32_t>(stream & ((std::uint64_t{1} << bits) - 1)) % states;
        stream >>= bits;
        SetState(row, c.settings, state);
    }
    c.clickX = settings[6];
    c.clickY = settings[7];
    const std::size_t rest = size - head;
    const std::uint32_t split =
        static_cast<std::uint32_t>(settings[8]) | (static_cast<std::uint32_t>(settings[9]) << 8) |
        (static_cast<std::uint32_t>(settings[10]) << 16) | (static_cast<std::uint32_t>(settings[11]) << 24);
    const std::size_t geometryBytes = rest == 0 ? 0 : split % (rest + 1);
    const char* bytes = reinterpret_cast<const char*>(data) + head;
    c.geometry.assign(bytes, geometryBytes);
    c.solution.assign(bytes + geometryBytes, rest - geometryBytes);
    return c;
}

std::string EncodeFuzzInput(const FuzzCase& c) {
    std::string out(12, '\0');
    std::uint64_t stream = 0;
    int used = 0;
    for (const settings::Row& row : settings::Table()) {
        stream |= std::uint64_t{StateOf(row, c.settings)} << used;
        used += BitsFor(StatesOf(row));
    }
    stream |= std::uint64_t{c.drawAfterOpen} << kDrawBit;
    for (std::size_t i = 0; i < kSettingsBytes; ++i) out[i] = static_cast<char>(stream >> (8 * i));
    out[6] = static_cast<char>(c.clickX);
    out[7] = static_cast<char>(c.clickY);
    const auto split = static_cast<std::uint32_t>(c.geometry.size());
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(8 + i)] = static_cast<char>(split >> (8 * i));
    return out + c.geometry + c.solution;
}

FuzzOutcome RunLoaderCase(const FuzzCase& c, const std::string& dir) {
    const std::string geometry = dir + "/case.gri";
    WriteFile(geometry, c.geometry);
    WriteFile(FlowScene::SolutionPathFor(geometry), c.solution);
    SilentReporter reporter;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    FuzzOutcome outcome;
    outcome.loaded = scene.LoadDataSet(geometry);
    const bool arrays = scene.m_pNodes && scene.m_pU && scene.m_pV && scene.m_pP && scene.m_pW;
    const bool none = !scene.m_pNodes && !scene.m_pU && !scene.m_pV && !scene.m_pP && !scene.m_pW;
    outcome.consistent = outcome.loaded ? arrays && scene.m_ni >= 2 && scene.m_nj >= 2 && scene.m_nk >= 1 &&
                                              scene.m_fScaleX > 0.0f && scene.m_fScaleY > 0.0f
                                        : none;
    return outcome;
}

std::int64_t PromisedNodes(const FuzzCase& c) {
    const ParsedHeader header = ParseGeometryHeader(c.geometry);
    if (!header.magicOk) return 0;
    std::int64_t nodes = 1;
    for (const std::uint64_t count : header.counts) {
        if (count > static_cast<std::uint64_t>(kMaxAxisCount)) return INT64_MAX;
        nodes *= static_cast<std::int64_t>(count);
    }
    return nodes;
}

const std::string& FuzzWorkDir() {
    static const std::string dir = [] {
        const std::filesystem::path memory("/dev/shm");
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory(memory, ec) ? memory : std::filesystem::temp_directory_path();
        std::string name = (base / "tesmora-fuzz-XXXXXX").string();
        if (!::mkdtemp(name.data())) std::abort();
        static const std::string removed = name;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removed, ignored);
        });
        return name;
    }();
    return dir;
}

FuzzOutcome RunFuzzCase(const FuzzCase& c, const std::string& dir) {
    const std::string geometry = dir + "/case.gri";
    WriteFile(geometry, c.geometry);
    WriteFile(FlowScene::SolutionPathFor(geometry), c.solution);

    SilentReporter reporter;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    scene.SetFixedSeed(12345);
    // Rasterising and placing are most of a case's time: opened with the case's settings they
    // are done once; the Draw button after opening, which starts from the scene's state, twice.
    // A case opened with the first settings is opened in a small picture of their proportions,
    // so that opening costs as little as the case's own view, which the Draw then changes to.
    if (c.drawAfterOpen) scene.m_modes.size = PictureSize{.width = 32, .height = 51};
    if (!c.drawAfterOpen) ApplyDrawSettings(scene, c.settings);
    scene.OpenDataSet(geometry);
    if (c.drawAfterOpen) {
        ApplyDrawSettings(scene, c.settings);
        scene.RedrawScene();
    }
    FuzzOutcome outcome;
    if (scene.HasDataSet()) {
        const RasterSize picture = scene.Raster();
        const Streamline* click =
            scene.AddClickStreamline(c.clickX % picture.width, c.clickY % picture.height);
        outcome.clickPoints = click ? click->GetCount() : 0;
    }
    outcome.loaded = scene.HasDataSet();
    const bool arrays = scene.m_pNodes && scene.m_pU && scene.m_pV && scene.m_pP && scene.m_pW &&
                        scene.m_pRasterU && scene.m_pRasterV && scene.m_pRasterSpeed && scene.m_pRasterP &&
                        scene.m_pRasterW;
    const bool none = !scene.m_pNodes && !scene.m_pU && !scene.m_pRasterU;
    outcome.consistent = outcome.loaded ? arrays : none;
    outcome.streamlines = scene.GetStreamlineCount();
    return outcome;
}
