#include "streamlines/streamline.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {
// Growth of the front room when a prepend finds none: at least this much, else as much as
// the streamline already holds, so that repeated prepends cost amortised constant time.
constexpr std::size_t kMinFrontGrowth = 16;
}  // namespace

Streamline::Streamline(const Streamline& other)
    : m_points(other.Data(), other.Data() + other.GetCount()),
      m_seedIndex(other.m_seedIndex),
      m_seed(other.m_seed) {}

Streamline& Streamline::operator=(const Streamline& other) {
    if (this != &other) {
        m_points.assign(other.Data(), other.Data() + other.GetCount());
        m_head = 0;
        m_seedIndex = other.m_seedIndex;
        m_seed = other.m_seed;
    }
    return *this;
}

Streamline::Streamline(Streamline&& other) noexcept
    : m_points(std::move(other.m_points)),
      m_head(other.m_head),
      m_seedIndex(other.m_seedIndex),
      m_seed(other.m_seed) {
    other.m_points.clear();
    other.m_head = 0;
    other.m_seedIndex = 0;
    other.m_seed = {};
}

Streamline& Streamline::operator=(Streamline&& other) noexcept {
    if (this != &other) {
        m_points = std::move(other.m_points);
        m_head = other.m_head;
        m_seedIndex = other.m_seedIndex;
        m_seed = other.m_seed;
        other.m_points.clear();
        other.m_head = 0;
        other.m_seedIndex = 0;
        other.m_seed = {};
    }
    return *this;
}

void Streamline::AppendPoint(int x, int y) {
    m_points.push_back({x, y});
}

void Streamline::PrependPoint(int x, int y) {
    if (m_head == 0) Relocate(std::max(kMinFrontGrowth, GetCount()), BackRoom());
    m_points[--m_head] = {x, y};
}

PixelPoint Streamline::GetPoint(std::size_t i) const {
    if (i >= GetCount()) throw std::out_of_range("invalid vector<T> subscript");
    return m_points[m_head + i];
}

void Streamline::RemoveAll() {
    // The room before the first point stays: a line traced both ways needs it again, and
    // making it anew would write every place of it.
    m_points.resize(m_head);
    m_seedIndex = 0;
    m_seed = {};
}

void Streamline::Reserve(std::size_t front, std::size_t back) {
    if (m_head >= front && BackRoom() >= back) return;
    Relocate(std::max(front, m_head), back);
}

void Streamline::Relocate(std::size_t front, std::size_t back) {
    const std::size_t count = GetCount();
    const std::size_t needed = front + count + back;
    if (m_points.capacity() >= needed) {
        // Enough storage already: slide the points within it instead of allocating.
        if (front > m_head) {
            const std::size_t oldSize = m_points.size();
            m_points.resize(front + count);
            std::copy_backward(m_points.begin() + static_cast<std::ptrdiff_t>(m_head),
                               m_points.begin() + static_cast<std::ptrdiff_t>(oldSize), m_points.end());
        } else if (front < m_head) {
            std::copy(m_points.begin() + static_cast<std::ptrdiff_t>(m_head), m_points.end(),
                      m_points.begin() + static_cast<std::ptrdiff_t>(front));
            m_points.resize(front + count);
        }
        m_head = front;
        return;
    }
    std::vector<PixelPoint> points;
    points.reserve(needed);
    points.resize(front);
    points.insert(points.end(), Data(), Data() + count);
    m_points = std::move(points);
    m_head = front;
}
