#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scene/flow_scene.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Keeps every report, for tests that check what the user would be told.
class CollectingReporter : public Reporter {
public:
    struct Entry {
        std::string text;
        std::string caption;
    };
    void Report(const std::string& text, const std::string& caption) override {
        entries.push_back({text, caption});
    }
    std::vector<Entry> entries;
};

// A scene with its own separation grid and a collecting reporter, as the program holds one.
struct SceneFixture {
    SeparationGrid grid;
    CollectingReporter reporter;
    FlowScene scene{grid, &reporter};
};

// A rectilinear grid over the given axis coordinates with nk planes; the fields are filled by
// FIELD(x, y) -> {u, v, p, w} when given, else zero.
struct NodeValues {
    float u = 0, v = 0, p = 0, w = 0;
};
DataSetArrays MakeRectilinear(const std::vector<float>& xs, const std::vector<float>& ys, int nk = 1,
                              const std::function<NodeValues(float, float)>& field = {});
// Evenly spaced axis: n values from first to last.
std::vector<float> Axis(int n, float first, float last);

// Writes the data set as NAME.gri (and its solution file) in DIR; returns the geometry path.
std::string WriteDataSet(const TempDir& dir, const std::string& name, const DataSetArrays& data);
// Writes raw bytes, for malformed files.
void WriteBytes(const std::string& path, const std::string& bytes);
// The file's bytes.
std::string ReadBytes(const std::string& path);

}  // namespace testsupport
