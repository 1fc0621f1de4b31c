#pragma once

#include <cstddef>
#include <vector>

// Exact Euclidean distance transform of a WIDTH x HEIGHT raster (Felzenszwalb and
// Huttenlocher 2012): separable, two passes of lower envelopes of parabolas, linear in the
// number of pixels. The scratch buffers are kept, so a transform after the first allocates
// nothing.
class DistanceField {
public:
    DistanceField(int width, int height);

    // On entry VALUES holds 0 at the feature pixels and +infinity elsewhere (row-major, row 0
    // first); on return the squared distance of each pixel to the nearest feature, +infinity
    // everywhere when there is none. A finite value other than 0 is taken as an extra squared
    // distance of that pixel, as the transform of a sampled function allows.
    void SquaredDistances(std::vector<double>& values);

private:
    // One row or column: D receives the lower envelope of the parabolas rooted at F.
    void Transform1D(const double* f, double* d, int n);

    int m_width;
    int m_height;
    std::vector<double> m_f, m_d, m_z;
    std::vector<int> m_v;
};
