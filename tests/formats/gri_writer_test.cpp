#include "formats/gri_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/format_reader.h"
#include "tests/support/test_support.h"

namespace {

bool SameBits(const void* a, const void* b, std::size_t bytes) {
    return std::memcmp(a, b, bytes) == 0;
}

// Whatever a reader made of a file, written as the .gri pair and loaded back, is the same data
// set bit for bit.
TEST(GriWriter, AConvertedPairLoadsAsTheFileItCameFrom) {
    testsupport::TempDir dir;
    formats::FormatReader reader;
    for (const std::string& source : {std::string(TESMORA_REALDATA "/sources/karman_field_A000.txt"),
                                      std::string(TESMORA_REALDATA "/sources/soapfilm_Run000001.vec"),
                                      std::string(TESMORA_FORMATS_DATA "/vtk/volume_zlib.vti"),
                                      std::string(TESMORA_FORMATS_DATA "/vtk/rect_binary.vtk")}) {
        testsupport::SceneFixture direct;
        direct.scene.SetDataSetReader(&reader);
        ASSERT_TRUE(direct.scene.LoadDataSet(source)) << source;
        const DataSetArrays d = direct.scene.TakeDataSet();
        EXPECT_FALSE(d.notes.format.empty()) << source;
        const std::string path = dir.File("out.gri");
        std::string error;
        ASSERT_TRUE(formats::WriteGriPair(path, d, &error)) << error;
        testsupport::SceneFixture back;
        ASSERT_TRUE(back.scene.LoadDataSet(path));
        const FlowScene& b = back.scene;
        ASSERT_EQ(b.m_ni, d.ni);
        ASSERT_EQ(b.m_nj, d.nj);
        ASSERT_EQ(b.m_nk, d.nk);
        const auto n = static_cast<std::size_t>(d.NodeCount());
        EXPECT_TRUE(SameBits(b.m_pNodes.get(), d.nodes.get(), n * sizeof(GridNode))) << source;
        for (auto [x, y] : {std::pair{b.m_pU.get(), d.u.get()},
                            {b.m_pV.get(), d.v.get()},
                            {b.m_pP.get(), d.p.get()},
                            {b.m_pW.get(), d.w.get()}})
            EXPECT_TRUE(SameBits(x, y, n * sizeof(float))) << source;
        EXPECT_TRUE(b.Notes().format.empty());
    }
}

}  // namespace
