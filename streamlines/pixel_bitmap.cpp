#include "streamlines/pixel_bitmap.h"

#include <algorithm>

void PixelBitmap::Resize(RasterSize size) {
    if (size == m_size && m_words) {
        Clear();
        return;
    }
    m_size = size;
    m_rowWords = static_cast<std::size_t>(kMargin + size.width + kMargin) / 64 + 2;
    const std::size_t rows = static_cast<std::size_t>(size.height) + 2 * kMargin;
    m_words = std::make_unique<std::uint64_t[]>(rows * m_rowWords);
    m_lowRow = std::numeric_limits<int>::max();
    m_highRow = std::numeric_limits<int>::min();
}

void PixelBitmap::Clear() {
    if (m_lowRow > m_highRow) return;
    std::fill(m_words.get() + Row(m_lowRow), m_words.get() + Row(m_highRow + 1), std::uint64_t{0});
    m_lowRow = std::numeric_limits<int>::max();
    m_highRow = std::numeric_limits<int>::min();
}
