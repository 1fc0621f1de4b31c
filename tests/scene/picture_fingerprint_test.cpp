// Fingerprints of whole pictures — the five rasters, the image and every placed streamline —
// for a few flows and settings with a fixed first seed. They were taken before the speed work
// on loading, sampling and placement, which must not change a single bit of any of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

class Fnv1a {
public:
    void Add(const void* data, std::size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < bytes; ++i) m_hash = (m_hash ^ p[i]) * 1099511628211ull;
    }
    std::uint64_t Value() const { return m_hash; }

private:
    std::uint64_t m_hash = 14695981039346656037ull;
};

std::uint64_t Fingerprint(const FlowScene& s) {
    Fnv1a h;
    for (const auto* raster : {&s.m_pRasterU, &s.m_pRasterV, &s.m_pRasterSpeed, &s.m_pRasterP, &s.m_pRasterW})
        h.Add(raster->get(), kRasterSize * sizeof(float));
    h.Add(s.m_pImage.get(), kImageBytes);
    for (std::size_t i = 0; i < s.GetStreamlineCount(); ++i) {
        const Streamline& line = s.StreamlineAt(i);
        const std::uint64_t count = line.GetCount();
        h.Add(&count, sizeof count);
        h.Add(line.Data(), line.GetCount() * sizeof(PixelPoint));
    }
    return h.Value();
}

struct Case {
    const char* flow;
    int ni, nj;
    float stretch;
    int method, dsep, background;
    std::uint64_t expected;
};

const Case kCases[] = {
    {"cylinder", 64, 102, 0.0f, 1, 10, 0, 0x8c5b5c87c8394f41ull},
    {"vortex-street", 80, 128, 1.5f, 2, 5, 2, 0x80ee6216cdabbbc8ull},
    {"rotation", 33, 52, 0.0f, 0, 7, 1, 0xad5505300da4b748ull},
    {"double-gyre", 50, 80, 2.5f, 1, 12, 0, 0xa86cbad251e3d3b7ull},
    {"saddle", 300, 480, 0.0f, 2, 8, 1, 0x04ec0b5bd46e82edull},
};

TEST(PictureFingerprint, UnchangedBitForBit) {
    testsupport::TempDir dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.flow);
        testsupport::SceneFixture f;
        f.scene.SetFixedSeed(42);
        f.scene.m_nMethod = c.method;
        f.scene.m_nDSep = c.dsep;
        UpdateDTest(f.scene);
        f.scene.m_nBackground = c.background;
        f.scene.OpenDataSet(
            testsupport::WriteDataSet(dir, c.flow, MakeFlow(c.flow, c.ni, c.nj, 1, c.stretch)));
        ASSERT_TRUE(f.scene.HasDataSet());
        const std::uint64_t opened = Fingerprint(f.scene);
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%016llx", static_cast<unsigned long long>(opened));
        EXPECT_EQ(opened, c.expected) << "fingerprint now " << hex;
        // A Draw with other settings and one back again gives the opened picture once more.
        f.scene.m_nDSep = c.dsep + 3;
        UpdateDTest(f.scene);
        f.scene.RedrawScene();
        f.scene.m_nDSep = c.dsep;
        UpdateDTest(f.scene);
        f.scene.RedrawScene();
        EXPECT_EQ(Fingerprint(f.scene), opened);
    }
}

}  // namespace
