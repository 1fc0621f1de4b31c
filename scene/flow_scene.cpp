#include "scene/flow_scene.h"

FlowScene::FlowScene(SeparationGrid& grid, Reporter* reporter)
    : m_pGrid(&grid), m_pReporter(reporter ? reporter : &m_stderrReporter) {}

FlowScene::~FlowScene() = default;

void FlowScene::ReleaseDataSet() {
    m_pNodes.reset();
    m_pImage.reset();
    m_pU.reset();
    m_pV.reset();
    m_pP.reset();
    m_pW.reset();
    m_pRasterU.reset();
    m_pRasterV.reset();
    m_pRasterSpeed.reset();
    m_pRasterP.reset();
    m_pRasterW.reset();
    m_notes = {};
    m_origin = {};
    m_imageScale = {};
    m_nodeRanges = {};
    // The search axes describe the released nodes; a later load decides afresh.
    m_bRectilinear = false;
    m_cellSearch.Clear();
}

DataSetArrays FlowScene::TakeDataSet() {
    DataSetArrays data;
    data.ni = m_ni;
    data.nj = m_nj;
    data.nk = m_nk;
    data.nodes = std::move(m_pNodes);
    data.u = std::move(m_pU);
    data.v = std::move(m_pV);
    data.p = std::move(m_pP);
    data.w = std::move(m_pW);
    data.notes = std::move(m_notes);
    ReleaseDataSet();
    return data;
}

std::int64_t FlowScene::NodeCount() const {
    return std::int64_t{m_ni} * std::int64_t{m_nj} * std::int64_t{m_nk};
}
