#include "tools/flowgen/flow_data.h"

#include "formats/gri_writer.h"
#include "scene/gri_format.h"

void FlowData::Resize(int ni_, int nj_, int nk_) {
    ni = ni_;
    nj = nj_;
    nk = nk_;
    const auto n = static_cast<std::size_t>(NodeCount());
    nodes.assign(n, GridNode{});
    u.assign(n, 0.0f);
    v.assign(n, 0.0f);
    p.assign(n, 0.0f);
    w.assign(n, 0.0f);
}

std::string GeometryHeader(std::int64_t ni, std::int64_t nj, std::int64_t nk) {
    return gri::WriteHeader(ni, nj, nk);
}

bool WriteFlowData(const std::string& geometryPath, const FlowData& data, std::string* error) {
    const auto count = static_cast<std::size_t>(data.NodeCount());
    if (data.ni < 0 || data.nj < 0 || data.nk < 0 || data.nodes.size() != count || data.u.size() != count ||
        data.v.size() != count || data.p.size() != count || data.w.size() != count) {
        if (error) *error = "arrays do not match the node counts";
        return false;
    }
    return formats::WriteGriPair(geometryPath,
                                 {data.ni, data.nj, data.nk, data.nodes.data(), data.u.data(), data.v.data(),
                                  data.p.data(), data.w.data()},
                                 error);
}
