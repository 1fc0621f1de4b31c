#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/data_set.h"
#include "base/grid_node.h"
#include "base/reporter.h"

// What every data set must be before the scene takes it, whichever reader made it, and how a
// file that is not is reported. The .gri reader asks some of it early, before it reads on.
namespace loading {

// A reason in both of the program's languages.
struct Why {
    std::string german;
    std::string english;
};

std::string QuotedDe(const std::string& path);
std::string QuotedEn(const std::string& path);

// PATH cannot be read, for the reason WHY.
Message Unreadable(const std::string& path, const Why& why);
// The counts are given as text, so that a header's absurd ones can be shown as too large.
Message UnusableCounts(const std::string& path, const std::string& ni, const std::string& nj,
                       const std::string& nk);

// That the plane shown of a data set whose u and v are zero everywhere shows nothing moving,
// and, for a 3-D file, that another plane may; NOTES are its reader's, NK its planes.
Why StillFlow(const DataSetNotes& notes, std::int64_t nk);

// The plane PLANE was chosen and the file has only PLANES.
Message NoSuchPlane(const std::string& path, std::int64_t plane, std::int64_t planes);

// Nothing when plane 0 (NI x NJ of NODES) can be sampled, else why not: the world-to-pixel
// scales divide by its first row's and first column's extents, and every domain test compares
// with its corners.
std::optional<Message> CheckPlaneGeometry(const GridNode* nodes, std::int64_t ni, std::int64_t nj,
                                          const std::string& path);

// A warning when the finite speeds of the N nodes (U, V) that are not zero span more than 30
// orders of magnitude: no flow does, and binary numbers read in the wrong byte order do (speeds
// of 10^23 beside 10^-44). Nothing otherwise.
std::optional<Message> ImplausibleSpeeds(const float* u, const float* v, std::int64_t n,
                                         const std::string& path);

}  // namespace loading
