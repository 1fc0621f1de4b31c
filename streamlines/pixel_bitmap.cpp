#include "streamlines/pixel_bitmap.h"

#include <algorithm>

PixelBitmap::PixelBitmap() : m_words(std::make_unique<std::uint64_t[]>(kRows * kRowWords)) {}

void PixelBitmap::Clear() {
    if (m_lowRow > m_highRow) return;
    std::fill(m_words.get() + Row(m_lowRow), m_words.get() + Row(m_highRow + 1), std::uint64_t{0});
    m_lowRow = std::numeric_limits<int>::max();
    m_highRow = std::numeric_limits<int>::min();
}
