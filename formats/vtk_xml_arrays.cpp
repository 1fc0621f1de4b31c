#include "formats/vtk_xml_arrays.h"

#include <zlib.h>

#include <bit>
#include <cstring>

namespace formats {

bool RawSource::Read(std::size_t n, unsigned char* out) {
    if (n > m_bytes.size() - m_pos) return false;
    // An array of no values has no storage to copy into, and memcpy may not be given none.
    if (n == 0) return true;
    std::memcpy(out, m_bytes.data() + m_pos, n);
    m_pos += n;
    return true;
}

namespace {

std::uint64_t Word(const unsigned char* p, bool wide, bool bigEndian) {
    const std::size_t n = wide ? 8 : 4;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = bigEndian ? i : n - 1 - i;
        v = (v << 8) | p[at];
    }
    return v;
}

}  // namespace

std::vector<unsigned char> ReadBinaryArray(ByteSource& source, const BinaryLayout& layout,
                                           std::uint64_t expected, const std::string& file,
                                           const Place& where) {
    const std::size_t wordBytes = layout.header64 ? 8 : 4;
    auto fail = [&](const std::string& german, const std::string& english) {
        Fail(file, where, german, english);
    };
    auto readWords = [&](std::size_t n, std::vector<std::uint64_t>& words) {
        if (n > source.MostLeft() / wordBytes)
            fail("Der Kopf des Feldes ist länger als die Datei.",
                 "the array's header runs past the end of the file.");
        std::vector<unsigned char> raw(n * wordBytes);
        if (!source.Read(raw.size(), raw.data()))
            fail("Der Kopf des Feldes ist unvollständig oder kein Base64.",
                 "the array's header is incomplete or not base64.");
        words.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            words[i] = Word(raw.data() + i * wordBytes, layout.header64, layout.bigEndian);
    };
    std::vector<std::uint64_t> head;
    if (!layout.zlib) {
        readWords(1, head);
        if (head[0] != expected)
            fail("Das Feld gibt " + std::to_string(head[0]) + " Bytes an, erwartet sind " +
                     std::to_string(expected) + ".",
                 "the array gives " + std::to_string(head[0]) + " bytes, " + std::to_string(expected) +
                     " are expected.");
        if (expected > source.MostLeft())
            fail("Die Datei endet mitten im Feld.", "the file ends within the array.");
        std::vector<unsigned char> data(static_cast<std::size_t>(expected));
        if (!source.Read(data.size(), data.data()))
            fail("Die Daten des Feldes sind unvollständig oder kein Base64.",
                 "the array's data is incomplete or not base64.");
        return data;
    }

    // Compressed: the number of blocks, the size of a block before compression, that of the
    // last block (0: a full one), then each block's size after compression.
    readWords(3, head);
    const std::uint64_t blocks = head[0], blockSize = head[1], lastSize = head[2] == 0 ? blockSize : head[2];
    const bool consistent = blocks == 0
                                ? expected == 0
                                : blockSize > 0 && lastSize <= blockSize &&
                                      blocks - 1 <= (expected - std::min(expected, lastSize)) / blockSize &&
                                      (blocks - 1) * blockSize + lastSize == expected;
    if (!consistent)
        fail("Die Blöcke des Feldes (" + std::to_string(blocks) + " zu " + std::to_string(blockSize) +
                 " Bytes) ergeben nicht die erwarteten " + std::to_string(expected) + " Bytes.",
             "the array's blocks (" + std::to_string(blocks) + " of " + std::to_string(blockSize) +
                 " bytes) do not make the expected " + std::to_string(expected) + " bytes.");
    std::vector<std::uint64_t> sizes;
    readWords(static_cast<std::size_t>(blocks), sizes);
    std::uint64_t total = 0;
    for (std::uint64_t s : sizes) total += s;
    if (total > source.MostLeft())
        fail("Die komprimierten Blöcke sind länger als der Rest der Datei.",
             "the compressed blocks run past the end of the file.");

    std::vector<unsigned char> data(static_cast<std::size_t>(expected));
    std::vector<unsigned char> packed;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        packed.resize(static_cast<std::size_t>(sizes[b]));
        if (!source.Read(packed.size(), packed.data()))
            fail("Ein komprimierter Block ist unvollständig oder kein Base64.",
                 "a compressed block is incomplete or not base64.");
        const std::uint64_t want = b + 1 == blocks ? lastSize : blockSize;
        uLongf got = static_cast<uLongf>(want);
        const int rc =
            uncompress(data.data() + b * blockSize, &got, packed.data(), static_cast<uLong>(packed.size()));
        if (rc != Z_OK || got != want)
            fail("Block " + std::to_string(b + 1) + " lässt sich nicht entpacken (zlib: " +
                     (rc == Z_OK ? std::string("zu kurz") : std::string(zError(rc))) + ").",
                 "block " + std::to_string(b + 1) + " cannot be inflated (zlib: " +
                     (rc == Z_OK ? std::string("too short") : std::string(zError(rc))) + ").");
    }
    return data;
}

}  // namespace formats
