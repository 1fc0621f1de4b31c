#include "formats/vtk_xml_arrays.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "formats/checked_size.h"

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

// The size of the pieces the data passes through.
constexpr std::size_t kPiece = std::size_t{1} << 16;

std::uint64_t Word(const unsigned char* p, bool wide, bool bigEndian) {
    const std::size_t n = wide ? 8 : 4;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = bigEndian ? i : n - 1 - i;
        v = (v << 8) | p[at];
    }
    return v;
}

// An inflate stream that ends with its scope.
class Inflater {
public:
    Inflater() { m_ok = inflateInit(&m_stream) == Z_OK; }
    ~Inflater() {
        if (m_ok) inflateEnd(&m_stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool Ok() const { return m_ok; }
    z_stream& Stream() { return m_stream; }

private:
    z_stream m_stream{};
    bool m_ok = false;
};

}  // namespace

std::uint64_t ReadBinaryArray(ByteSource& source, const BinaryLayout& layout, std::uint64_t expected,
                              const std::string& file, const Place& where, const ByteSink& sink, bool open) {
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
    std::vector<unsigned char> piece(kPiece);
    std::vector<std::uint64_t> head;
    if (!layout.zlib) {
        readWords(1, head);
        if (open && head[0] <= expected) expected = head[0];
        if (head[0] != expected)
            fail("Das Feld gibt " + std::to_string(head[0]) + " Bytes an, erwartet sind " +
                     std::to_string(expected) + ".",
                 "the array gives " + std::to_string(head[0]) + " bytes, " + std::to_string(expected) +
                     " are expected.");
        if (expected > source.MostLeft())
            fail("Die Datei endet mitten im Feld.", "the file ends within the array.");
        for (std::uint64_t done = 0; done < expected;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, expected - done));
            if (!source.Read(n, piece.data()))
                fail("Die Daten des Feldes sind unvollständig oder kein Base64.",
                     "the array's data is incomplete or not base64.");
            sink(piece.data(), n);
            done += n;
        }
        return expected;
    }

    // Compressed: the number of blocks, the size of a block before compression, that of the
    // last block (0: a full one), then each block's size after compression.
    readWords(3, head);
    const std::uint64_t blocks = head[0], blockSize = head[1], lastSize = head[2] == 0 ? blockSize : head[2];
    if (open && blocks == 0) expected = 0;
    if (open && blocks > 0) {
        const std::optional<std::uint64_t> full = CheckedMultiply(blocks - 1, blockSize);
        const std::optional<std::uint64_t> total = full ? CheckedAdd(*full, lastSize) : std::nullopt;
        if (total && *total <= expected) expected = *total;
    }
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
    // Each size comes from the file: their sum is checked as it grows, so that sizes adding up
    // past 2^64 cannot wrap round to a small total.
    std::optional<std::uint64_t> total = 0;
    for (std::uint64_t s : sizes)
        if (total) total = CheckedAdd(*total, s);
    if (!total || *total > source.MostLeft())
        fail("Die komprimierten Blöcke sind länger als der Rest der Datei.",
             "the compressed blocks run past the end of the file.");

    std::vector<unsigned char> packed(kPiece);
    for (std::uint64_t b = 0; b < blocks; ++b) {
        const std::uint64_t want = b + 1 == blocks ? lastSize : blockSize;
        auto cannotInflate = [&](const char* german, const char* english) {
            fail("Block " + std::to_string(b + 1) + " lässt sich nicht entpacken (zlib: " + german + ").",
                 "block " + std::to_string(b + 1) + " cannot be inflated (zlib: " + english + ").");
        };
        Inflater inflater;
        if (!inflater.Ok()) cannotInflate(zError(Z_MEM_ERROR), zError(Z_MEM_ERROR));
        z_stream& z = inflater.Stream();
        std::uint64_t packedLeft = sizes[b], got = 0;
        bool ended = false;
        while (!ended) {
            if (z.avail_in == 0 && packedLeft > 0) {
                const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, packedLeft));
                if (!source.Read(n, packed.data()))
                    fail("Ein komprimierter Block ist unvollständig oder kein Base64.",
                         "a compressed block is incomplete or not base64.");
                packedLeft -= n;
                z.next_in = packed.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = piece.data();
            z.avail_out = static_cast<uInt>(piece.size());
            const int rc = inflate(&z, Z_NO_FLUSH);
            const std::size_t produced = piece.size() - z.avail_out;
            // No more than the block's size, and nothing stuck: what uncompress would call a
            // buffer error, a block longer than said or cut short.
            if (produced > want - got || (rc == Z_BUF_ERROR && packedLeft == 0 && z.avail_in == 0))
                cannotInflate(zError(Z_BUF_ERROR), zError(Z_BUF_ERROR));
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) cannotInflate(zError(rc), zError(rc));
            if (produced > 0) sink(piece.data(), produced);
            got += produced;
            ended = rc == Z_STREAM_END;
        }
        if (got != want) cannotInflate("zu kurz", "too short");
        // Bytes after the end of the stream belong to this block all the same.
        while (packedLeft > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, packedLeft));
            if (!source.Read(n, packed.data()))
                fail("Ein komprimierter Block ist unvollständig oder kein Base64.",
                     "a compressed block is incomplete or not base64.");
            packedLeft -= n;
        }
    }
    return expected;
}

}  // namespace formats
