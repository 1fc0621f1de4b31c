#include "tests/support/test_support.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "formats/gri_writer.h"

namespace testsupport {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() /
             ("tesmora-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
              std::to_string(rd() % 100000));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::vector<float> Axis(int n, float first, float last) {
    std::vector<float> axis(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        axis[static_cast<std::size_t>(i)] =
            n == 1 ? first : first + (last - first) * static_cast<float>(i) / static_cast<float>(n - 1);
    return axis;
}

DataSetArrays MakeRectilinear(const std::vector<float>& xs, const std::vector<float>& ys, int nk,
                              const std::function<NodeValues(float, float)>& field) {
    DataSetArrays data =
        DataSetArrays::Zeroed(static_cast<std::int64_t>(xs.size()), static_cast<std::int64_t>(ys.size()), nk);
    for (int k = 0; k < nk; ++k)
        for (int j = 0; j < data.nj; ++j)
            for (int i = 0; i < data.ni; ++i) {
                const std::size_t n = data.Index(i, j, k);
                const float x = xs[static_cast<std::size_t>(i)];
                const float y = ys[static_cast<std::size_t>(j)];
                data.nodes[n] = {x, y};
                if (field) {
                    const NodeValues values = field(x, y);
                    data.u[n] = values.u;
                    data.v[n] = values.v;
                    data.p[n] = values.p;
                    data.w[n] = values.w;
                }
            }
    return data;
}

std::string WriteDataSet(const TempDir& dir, const std::string& name, const DataSetArrays& data) {
    const std::string path = dir.File(name + ".gri");
    std::string error;
    if (!formats::WriteGriPair(path, data, &error)) throw std::runtime_error(error);
    return path;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace testsupport
