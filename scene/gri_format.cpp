#include "scene/gri_format.h"

namespace gri {

std::string WriteHeader(std::int64_t ni, std::int64_t nj, std::int64_t nk) {
    std::string header = std::string(kMagic) + std::to_string(ni) + " " + std::to_string(nj) + " " +
                         std::to_string(nk) + " 0 0 0.0";
    header.resize(kHeaderBytes, '\0');
    return header;
}

}  // namespace gri
