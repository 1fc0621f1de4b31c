#pragma once

#include <cstddef>
#include <string_view>

namespace formats {

// Decodes base64 text as it comes, skipping white space. Padding may close a quantum in the
// middle of the text too: VTK encodes an array's header and its compressed blocks one after
// the other, each padded on its own.
class Base64Reader {
public:
    explicit Base64Reader(std::string_view text) : m_text(text) {}
    // The next N decoded bytes into OUT; false when the text ends first or is not base64.
    bool Read(std::size_t n, unsigned char* out);
    // At most how many bytes the rest of the text can still give.
    std::size_t MostLeft() const { return (m_text.size() - m_pos) / 4 * 3 + m_pendingCount; }
    // Characters consumed so far, for messages.
    std::size_t Position() const { return m_pos; }

private:
    bool NextQuantum();

    std::string_view m_text;
    std::size_t m_pos = 0;
    unsigned char m_pending[3] = {};
    std::size_t m_pendingCount = 0;
    std::size_t m_pendingNext = 0;
};

}  // namespace formats
