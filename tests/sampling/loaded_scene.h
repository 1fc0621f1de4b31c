#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace sampling_test {

// A scene that reads its data set from files, the way the program gets one, so that the
// per-load decisions of the loader are made as they are in use.
class LoadedScene : public ::testing::Test {
protected:
    // Call with ASSERT_NO_FATAL_FAILURE.
    void Load(const FlowData& data) {
        const std::string path = testsupport::WriteDataSet(m_dir, "flow" + std::to_string(m_loads++), data);
        m_fixture.scene.ReleaseDataSet();
        ASSERT_TRUE(m_fixture.scene.LoadDataSet(path));
        ASSERT_TRUE(m_fixture.reporter.entries.empty());
    }
    FlowScene& Scene() { return m_fixture.scene; }

private:
    testsupport::TempDir m_dir;
    testsupport::SceneFixture m_fixture;
    int m_loads = 0;
};

}  // namespace sampling_test
