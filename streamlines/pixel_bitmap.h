#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

#include "base/raster_geometry.h"
#include "streamlines/pixel_disk.h"

// One bit per pixel of a raster, with a margin of clear bits around it wide enough for any
// PixelDisk, so that a disk around a raster pixel is written without clipping. Each row is a
// whole number of aligned 64-bit words; a row of a disk spans at most two of them.
class PixelBitmap {
public:
    // For the classic raster; Resize makes it fit another.
    PixelBitmap() { Resize(RasterSize{}); }

    // All bits clear, for a raster of SIZE; takes memory only when the size changes.
    void Resize(RasterSize size);
    RasterSize Size() const { return m_size; }

    // Clears only the rows that bits were set in since the last Clear: a small placement
    // costs little to clear.
    void Clear();
    // All three for raster pixels only.
    void Set(int x, int y) {
        Touch(y, y);
        const std::size_t bit = Bit(x);
        m_words[Row(y) + (bit >> 6)] |= std::uint64_t{1} << (bit & 63);
    }
    bool Test(int x, int y) const {
        const std::size_t bit = Bit(x);
        return (m_words[Row(y) + (bit >> 6)] >> (bit & 63)) & 1u;
    }
    // Sets every pixel of DISK around (x, y), the margin included.
    void SetDisk(const PixelDisk& disk, int x, int y) {
        if (disk.radius < 0) return;
        Touch(y - disk.radius, y + disk.radius);
        // Row k of the disk is DISK's mask k shifted to column x - radius: the low part goes
        // into one word, the part shifted out of it into the next. Whole aligned words are
        // read and written, so that the next point's disk, a few columns on, reads them back
        // from the store buffer without waiting.
        const std::size_t first = Bit(x) - static_cast<std::size_t>(disk.radius);
        const unsigned shift = first & 63;
        std::uint64_t* word = m_words.get() + Row(y - disk.radius) + (first >> 6);
        const std::uint64_t* mask = disk.rowMask.data();
        const std::uint64_t* const end = mask + 2 * disk.radius + 1;
        if (shift + 2 * static_cast<unsigned>(disk.radius) < 64) {
            for (; mask != end; ++mask, word += m_rowWords) word[0] |= *mask << shift;
        } else {
            for (; mask != end; ++mask, word += m_rowWords) {
                word[0] |= *mask << shift;
                word[1] |= *mask >> (64 - shift);
            }
        }
    }

    // Calls F(x, y) for every set raster pixel, row by row, a word of 64 pixels at a time.
    template <class F>
    void ForEachSet(F&& f) const {
        for (int y = 0; y < m_size.height; ++y)
            for (std::size_t w = 0; w < m_rowWords; ++w)
                for (std::uint64_t word = m_words[Row(y) + w]; word; word &= word - 1) {
                    const int x = static_cast<int>(w * 64) + std::countr_zero(word) - kMargin;
                    if (x >= 0 && x < m_size.width) f(x, y);
                }
    }

    // Whether F(x, y) holds for some clear raster pixel, asked row by row, a word of 64 pixels
    // at a time, so that a raster almost all set costs a read of its words.
    template <class F>
    bool AnyClear(F&& f) const {
        for (int y = 0; y < m_size.height; ++y)
            if (AnyClearInRow(y, f)) return true;
        return false;
    }
    // The same for the clear pixels of raster row Y.
    template <class F>
    bool AnyClearInRow(int y, F&& f) const {
        for (std::size_t w = 0; w < m_rowWords; ++w)
            for (std::uint64_t word = ~m_words[Row(y) + w]; word; word &= word - 1) {
                const int x = static_cast<int>(w * 64) + std::countr_zero(word) - kMargin;
                if (x >= 0 && x < m_size.width && f(x, y)) return true;
            }
        return false;
    }

private:
    static constexpr int kMargin = 32;  // beyond PixelDisk::kMaxRadius
    static_assert(kMargin > PixelDisk::kMaxRadius);
    // A disk's row is at most 2 * kMaxRadius + 1 bits, within one word before it is shifted.
    static_assert(2 * PixelDisk::kMaxRadius + 1 <= 64);

    static std::size_t Bit(int x) { return static_cast<std::size_t>(x + kMargin); }
    std::size_t Row(int y) const { return static_cast<std::size_t>(y + kMargin) * m_rowWords; }

    // Rows LOW..HIGH (raster rows, the margin's negative or beyond) may hold set bits.
    void Touch(int low, int high) {
        m_lowRow = std::min(m_lowRow, low);
        m_highRow = std::max(m_highRow, high);
    }

    RasterSize m_size{0, 0};
    // Words of a row: the margins and the raster's width, and the word after the last that a
    // disk at the right edge may touch.
    std::size_t m_rowWords = 0;
    std::unique_ptr<std::uint64_t[]> m_words;
    // The rows that Clear must clear; none while m_lowRow > m_highRow.
    int m_lowRow = std::numeric_limits<int>::max();
    int m_highRow = std::numeric_limits<int>::min();
};
