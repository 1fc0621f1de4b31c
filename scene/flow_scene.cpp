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
    m_lineScale = {};
    m_nodeRanges = {};
    m_bNodeRangesMeasured = false;
    m_sequenceRanges.reset();
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
    // The file's own coordinates: a grid far from the origin was shifted only so that the
    // sampling keeps single precision, and whoever takes the data set must not get a grid
    // moved to the origin. The shift subtracted in double; adding it back in double and
    // rounding gives every float node its file's value again.
    if (m_origin.Shifted())
        for (std::int64_t n = 0; n < data.NodeCount(); ++n) {
            GridNode& node = data.nodes[static_cast<std::size_t>(n)];
            node = {static_cast<float>(m_origin.ShownX(node.x)), static_cast<float>(m_origin.ShownY(node.y))};
        }
    ReleaseDataSet();
    return data;
}

FlowScene::WorkMemory FlowScene::TakeWorkMemory() {
    WorkMemory memory;
    memory.u = std::move(m_pRasterU);
    memory.v = std::move(m_pRasterV);
    memory.speed = std::move(m_pRasterSpeed);
    memory.pixels = memory.u && memory.v && memory.speed ? m_nRasterPixels : 0;
    memory.fine = std::move(m_fineBuffers);
    m_fineBuffers = {};
    m_nRasterPixels = 0;
    return memory;
}

void FlowScene::LendWorkMemory(WorkMemory&& memory) {
    if (m_pRasterU || m_pRasterV || m_pRasterSpeed || !memory.pixels) return;
    m_pRasterU = std::move(memory.u);
    m_pRasterV = std::move(memory.v);
    m_pRasterSpeed = std::move(memory.speed);
    m_nRasterPixels = memory.pixels;
    const bool renew = m_fineBuffers.renewAroundNewLines;
    m_fineBuffers = std::move(memory.fine);
    m_fineBuffers.renewAroundNewLines = renew;
    // The deepest pixel found for another field is not kept, so that the work is a new scene's.
    m_fineBuffers.deepestFor.clear();
}

std::int64_t FlowScene::NodeCount() const {
    return std::int64_t{m_ni} * std::int64_t{m_nj} * std::int64_t{m_nk};
}
