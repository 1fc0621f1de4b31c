#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace testsupport {

// A scene that reads its data set from files, the way the program gets one, so that the
// loader's per-load decisions are made as they are in use; with a separation grid of its own,
// reset and ready for a placement.
class LoadedScene : public ::testing::Test {
protected:
    // Call with ASSERT_NO_FATAL_FAILURE.
    void Load(const DataSetArrays& data) {
        const std::string path = WriteDataSet(m_dir, "flow" + std::to_string(m_loads++), data);
        Scene().ReleaseDataSet();
        ASSERT_TRUE(Scene().LoadDataSet(path));
        ASSERT_TRUE(m_fixture.reporter.entries.empty());
        Scene().ResetForDraw();
    }
    FlowScene& Scene() { return m_fixture.scene; }
    SeparationGrid& Grid() { return m_fixture.grid; }

private:
    TempDir m_dir;
    SceneFixture m_fixture;
    int m_loads = 0;
};

}  // namespace testsupport
