#include "formats/base64.h"

namespace formats {

namespace {

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool Base64Reader::NextQuantum() {
    char q[4];
    for (char& c : q) {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
        if (m_pos >= m_text.size()) return false;
        c = m_text[m_pos++];
    }
    const int a = Sextet(q[0]), b = Sextet(q[1]);
    if (a < 0 || b < 0) return false;
    const int c = q[2] == '=' ? -2 : Sextet(q[2]);
    const int d = q[3] == '=' ? -2 : Sextet(q[3]);
    if (c == -1 || d == -1 || (c == -2 && d != -2)) return false;
    const unsigned bits = (static_cast<unsigned>(a) << 18) | (static_cast<unsigned>(b) << 12) |
                          (c >= 0 ? static_cast<unsigned>(c) << 6 : 0u) |
                          (d >= 0 ? static_cast<unsigned>(d) : 0u);
    m_pending[0] = static_cast<unsigned char>(bits >> 16);
    m_pending[1] = static_cast<unsigned char>(bits >> 8);
    m_pending[2] = static_cast<unsigned char>(bits);
    m_pendingCount = c < 0 ? 1 : d < 0 ? 2 : 3;
    m_pendingNext = 0;
    return true;
}

bool Base64Reader::Read(std::size_t n, unsigned char* out) {
    for (std::size_t i = 0; i < n; ++i) {
        if (m_pendingCount == 0 && !NextQuantum()) return false;
        out[i] = m_pending[m_pendingNext++];
        --m_pendingCount;
    }
    return true;
}

}  // namespace formats
