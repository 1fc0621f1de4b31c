// Fingerprints of whole pictures — the five rasters, the image and every placed streamline —
// for a few flows and settings with a fixed first seed. They were taken before the speed work
// on loading, sampling and placement, which must not change a single bit of any of them. The
// real fields are pinned as the time step draws them, and a few pictures of the pixel step as
// it was first built.
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
    float stepPixels = 0.0f;
};

const Case kCases[] = {
    {"cylinder", 64, 102, 0.0f, 1, 10, 0, 0x8c5b5c87c8394f41ull},
    {"vortex-street", 80, 128, 1.5f, 2, 5, 2, 0x80ee6216cdabbbc8ull},
    {"rotation", 33, 52, 0.0f, 0, 7, 1, 0xe794f63cf5829d8aull},
    {"double-gyre", 50, 80, 2.5f, 1, 12, 0, 0x845b44a98527d39eull},
    {"saddle", 300, 480, 0.0f, 2, 8, 1, 0xde8b7e26b8f77466ull},
    {"vortex-street", 80, 128, 1.5f, 2, 10, 0, 0xc8e6f03b40b8f67full, 1.0f},
    {"rotation", 33, 52, 0.0f, 0, 7, 1, 0xd19b137febbc6686ull, 0.25f},
    {"double-gyre", 50, 80, 2.5f, 1, 12, 0, 0xb28298dd6f97fd65ull, 5.0f},
};

// The real fields of tests/data/realdata; ni and nj are the files'.
const Case kRealCases[] = {
    {"flatplate_graded", 0, 0, 0.0f, 1, 10, 0, 0x56d2213614e634f7ull},
    {"cavity_graded", 0, 0, 0.0f, 1, 10, 0, 0xb9f072d7db235dceull},
    {"karman_piv", 0, 0, 0.0f, 1, 10, 0, 0x3113f447585fb3ccull},
    {"soapfilm_piv", 0, 0, 0.0f, 2, 8, 2, 0xc13422f4a8aa9dcaull},
    {"karman_piv", 0, 0, 0.0f, 2, 10, 0, 0x0cc1d6716826b40full, 1.0f},
    {"cavity_graded", 0, 0, 0.0f, 1, 10, 0, 0x0540bd1320fd68cfull, 1.0f},
};

// Opens PATH with the case's settings and checks its fingerprint, and that a Draw with other
// settings and one back again gives the same picture.
void ExpectFingerprint(const Case& c, const std::string& path) {
    testsupport::SceneFixture f;
    f.scene.SetFixedSeed(42);
    f.scene.m_nMethod = c.method;
    f.scene.m_nDSep = c.dsep;
    UpdateDTest(f.scene);
    f.scene.m_nBackground = c.background;
    f.scene.m_modes.stepPixels = c.stepPixels;
    f.scene.OpenDataSet(path);
    ASSERT_TRUE(f.scene.HasDataSet());
    const std::uint64_t opened = Fingerprint(f.scene);
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%016llx", static_cast<unsigned long long>(opened));
    EXPECT_EQ(opened, c.expected) << "fingerprint now " << hex;
    f.scene.m_nDSep = c.dsep + 3;
    UpdateDTest(f.scene);
    f.scene.RedrawScene();
    f.scene.m_nDSep = c.dsep;
    UpdateDTest(f.scene);
    f.scene.RedrawScene();
    EXPECT_EQ(Fingerprint(f.scene), opened);
}

TEST(PictureFingerprint, UnchangedBitForBit) {
    testsupport::TempDir dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.flow) + (c.stepPixels > 0.0f ? " --step-px" : ""));
        ExpectFingerprint(c,
                          testsupport::WriteDataSet(dir, c.flow, MakeFlow(c.flow, c.ni, c.nj, 1, c.stretch)));
    }
}

TEST(PictureFingerprint, RealFieldsUnchangedBitForBit) {
    for (const Case& c : kRealCases) {
        SCOPED_TRACE(std::string(c.flow) + (c.stepPixels > 0.0f ? " --step-px" : ""));
        ExpectFingerprint(c, std::string(TESMORA_REALDATA_DIR) + "/" + c.flow + ".gri");
    }
}

}  // namespace
