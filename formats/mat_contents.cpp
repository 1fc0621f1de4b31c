#include "formats/mat_contents.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "formats/mat_words.h"

namespace formats {

namespace {

using formats::mat::PaddedTo8;
using formats::mat::Word;

// The bytes of one element, read forward once: from the file, or inflated from it.
class Bytes {
public:
    virtual ~Bytes() = default;
    virtual bool Read(unsigned char* to, std::uint64_t n) = 0;
    virtual bool Skip(std::uint64_t n) {
        std::array<unsigned char, 16384> scratch;
        while (n > 0) {
            const std::uint64_t k = std::min<std::uint64_t>(n, scratch.size());
            if (!Read(scratch.data(), k)) return false;
            n -= k;
        }
        return true;
    }
    std::uint64_t At() const { return m_at; }

protected:
    std::uint64_t m_at = 0;
};

class FileBytes : public Bytes {
public:
    FileBytes(BoundedFile& file, std::uint64_t begin, std::uint64_t size)
        : m_file(file), m_begin(begin), m_size(size) {}
    bool Read(unsigned char* to, std::uint64_t n) override {
        if (n > m_size - m_at || !m_file.Seek(m_begin + m_at) || !m_file.Read(to, n)) return false;
        m_at += n;
        return true;
    }
    bool Skip(std::uint64_t n) override {
        if (n > m_size - m_at) return false;
        m_at += n;
        return true;
    }

private:
    BoundedFile& m_file;
    const std::uint64_t m_begin, m_size;
};

class InflatedBytes : public Bytes {
public:
    InflatedBytes(BoundedFile& file, std::uint64_t begin, std::uint64_t size)
        : m_file(file), m_next(begin), m_left(size) {
        m_ok = inflateInit(&m_z) == Z_OK;
    }
    ~InflatedBytes() override {
        if (m_ok) inflateEnd(&m_z);
    }
    InflatedBytes(const InflatedBytes&) = delete;
    InflatedBytes& operator=(const InflatedBytes&) = delete;

    bool Read(unsigned char* to, std::uint64_t n) override {
        while (n > 0) {
            if (!m_ok || m_ended) return false;
            if (m_z.avail_in == 0) {
                const std::uint64_t k = std::min<std::uint64_t>(m_left, m_in.size());
                if (k == 0 || !m_file.Seek(m_next) || !m_file.Read(m_in.data(), k)) return false;
                m_next += k;
                m_left -= k;
                m_z.next_in = m_in.data();
                m_z.avail_in = static_cast<uInt>(k);
            }
            const uInt want = static_cast<uInt>(std::min<std::uint64_t>(n, std::numeric_limits<uInt>::max()));
            m_z.next_out = to;
            m_z.avail_out = want;
            const int result = inflate(&m_z, Z_NO_FLUSH);
            const uInt got = want - m_z.avail_out;
            to += got;
            n -= got;
            m_at += got;
            // The data end where the stream ends or breaks. A wrong checksum after them is not
            // a reason to refuse: matio reads such a stream.
            m_ended = result != Z_OK && result != Z_BUF_ERROR;
            if (got == 0 && result == Z_BUF_ERROR && m_z.avail_in != 0) return false;
        }
        return true;
    }

private:
    BoundedFile& m_file;
    std::uint64_t m_next, m_left;
    z_stream m_z{};
    std::vector<unsigned char> m_in =
        std::vector<unsigned char>(65536);  // on the heap: readers run on any thread
    bool m_ok = false;
    bool m_ended = false;
};

// A data element's tag. A small element keeps its at most four bytes in the tag itself.
struct Tag {
    std::uint32_t type = 0;
    std::uint64_t size = 0;
    bool small = false;
    unsigned char data[4] = {};
};

bool ReadTag(Bytes& in, bool big, Tag& tag) {
    unsigned char b[8];
    if (!in.Read(b, 8)) return false;
    const std::uint32_t first = Word(b, big);
    tag.small = first >> 16 != 0;
    tag.type = tag.small ? first & 0xFFFF : first;
    tag.size = tag.small ? first >> 16 : Word(b + 4, big);
    std::memcpy(tag.data, b + 4, 4);
    return !tag.small || tag.size <= 4;
}

// Passes over a tag's data and the padding after it, or what is left of END when the element
// ends without padding.
bool SkipData(Bytes& in, const Tag& tag, std::uint64_t end) {
    if (tag.small) return true;
    if (tag.size > end - std::min(end, in.At())) return false;
    return in.Skip(std::min(PaddedTo8(tag.size), end - in.At()));
}

// Bytes of one stored value of a data type; 0 for types that hold no numbers.
std::uint64_t StoredBytes(std::uint32_t type) {
    switch (type) {
        case 1:
        case 2:
        case 16:
            return 1;  // int8, uint8, utf8
        case 3:
        case 4:
        case 17:
            return 2;  // int16, uint16, utf16
        case 5:
        case 6:
        case 7:
        case 18:
            return 4;  // int32, uint32, single, utf32
        case 9:
        case 12:
        case 13:
            return 8;  // double, int64, uint64
        default:
            return 0;
    }
}

enum class Check { kFits, kOverrun, kLeave };

constexpr std::uint32_t kMatrix = 14;
constexpr std::uint32_t kCell = 1, kStruct = 2, kObject = 3, kChar = 4, kSparse = 5, kFirstNumeric = 6,
                        kLastNumeric = 15, kOpaque = 17;

Check MatrixContents(Bytes& in, bool big, std::uint64_t end, int depth);

// The matrix whose tag was just read, of SIZE bytes, checked as far as this check reads its
// kind, then passed over to its end, so that the next matrix of a cell or a structure is read
// from its own tag whatever this one's verdict.
Check Matrix(Bytes& in, bool big, std::uint64_t size, int depth) {
    const std::uint64_t end = in.At() + size;
    const Check check = MatrixContents(in, big, end, depth);
    if (check == Check::kOverrun || in.At() > end) return Check::kOverrun;
    // What is left is padding, or a kind this check leaves; a cell whose next matrix is then
    // missing fails at its tag.
    (void)in.Skip(end - in.At());
    return check;
}

// A matrix up to END: its flags, dimensions and name, then a numeric matrix's real and
// imaginary parts, a cell's cells, or a structure's fields.
Check MatrixContents(Bytes& in, bool big, std::uint64_t end, int depth) {
    if (depth < 0) return Check::kLeave;
    // An empty matrix may be written as its tag alone.
    if (end == in.At()) return Check::kFits;
    // Whether N more bytes lie within the matrix: reading on would read its neighbours.
    const auto room = [&](std::uint64_t n) { return in.At() <= end && n <= end - in.At(); };
    // A header that breaks is refused too: matio reads on where it can, and with the
    // dimensions it found in a damaged one it took 9 s to free a cell of 200 million
    // missing cells.
    Tag tag;
    unsigned char flags[8];
    if (!room(16) || !ReadTag(in, big, tag) || tag.small || tag.size != 8 || !in.Read(flags, 8))
        return Check::kOverrun;
    const std::uint32_t kind = Word(flags, big) & 0xFF;
    const bool complex = (Word(flags, big) & 0x800) != 0;
    // MATLAB's newer objects are laid out otherwise: matio's to read.
    if (kind == kOpaque) return Check::kLeave;
    const bool numeric = kind == kChar || (kind >= kFirstNumeric && kind <= kLastNumeric);
    // matio allocates the dimensions as declared, 4 GB for a mutated one.
    if (!room(8) || !ReadTag(in, big, tag) || tag.type != 5 || tag.size % 4 != 0 ||
        tag.size > end - std::min(end, in.At()))
        return Check::kOverrun;
    std::uint64_t elements = 1;
    for (std::uint64_t d = 0; d < tag.size / 4; ++d) {
        unsigned char word[4];
        if (tag.small)
            std::memcpy(word, tag.data + 4 * d, 4);
        else if (!in.Read(word, 4))
            return Check::kOverrun;
        const std::uint64_t extent = Word(word, big);
        elements = extent != 0 && elements > std::numeric_limits<std::uint64_t>::max() / extent
                       ? std::numeric_limits<std::uint64_t>::max()
                       : elements * extent;
    }
    if ((!tag.small && !in.Skip(PaddedTo8(tag.size) - tag.size)) || !room(8) || !ReadTag(in, big, tag) ||
        !SkipData(in, tag, end))  // the name
        return Check::kOverrun;
    // A sparse matrix is allocated for its nonzero values, whatever its dimensions.
    if (kind == kSparse) return Check::kLeave;
    if (!numeric && kind != kCell && kind != kStruct && kind != kObject) {
        // Function handles and classes matio may not know: it has allocated a pointer an
        // element for them (77 GB for a function handle of a billion elements).
        return !room(0) || elements > (end - in.At()) / 8 ? Check::kOverrun : Check::kLeave;
    }
    if (numeric) {
        for (int part = 0; part < (complex ? 2 : 1); ++part) {
            if (elements == 0) break;
            if (!room(8) || !ReadTag(in, big, tag)) return Check::kOverrun;
            const std::uint64_t bytes = StoredBytes(tag.type);
            // matio allocates for the class whatever the data's type: values it cannot read
            // hold none.
            if (bytes == 0 || tag.size / bytes < elements || !SkipData(in, tag, end)) return Check::kOverrun;
        }
    } else {
        // A structure (an object after its class's name) has every field of every element, in a
        // matrix each, after the length of a field's name and the names.
        std::uint64_t fields = 1;
        if (kind != kCell) {
            if (kind == kObject && (!room(8) || !ReadTag(in, big, tag) || !SkipData(in, tag, end)))
                return Check::kOverrun;
            unsigned char word[4];
            if (!room(8) || !ReadTag(in, big, tag) || tag.type != 5 || tag.size != 4) return Check::kOverrun;
            if (tag.small)
                std::memcpy(word, tag.data, 4);
            else if (!room(8) || !in.Read(word, 4) || !in.Skip(4))
                return Check::kOverrun;
            const std::uint64_t length = Word(word, big);
            if (!room(8) || !ReadTag(in, big, tag) || !SkipData(in, tag, end)) return Check::kOverrun;
            fields = length == 0 ? 0 : tag.size / length;
            elements = fields != 0 && elements > std::numeric_limits<std::uint64_t>::max() / fields
                           ? std::numeric_limits<std::uint64_t>::max()
                           : elements * fields;
        }
        // matio allocates the cells, or the fields, before it reads them, and each takes a tag
        // at least.
        if (!room(0) || elements > (end - in.At()) / 8) return Check::kOverrun;
        for (std::uint64_t c = 0; c < elements; ++c) {
            if (!room(8) || !ReadTag(in, big, tag) || tag.small || tag.type != kMatrix)
                return Check::kOverrun;
            if (tag.size > end - std::min(end, in.At())) return Check::kOverrun;
            if (Matrix(in, big, tag.size, depth - 1) == Check::kOverrun) return Check::kOverrun;
        }
    }
    return Check::kFits;
}

}  // namespace

bool MatrixDeclaresMoreThanItHolds(BoundedFile& file, std::uint64_t begin, std::uint64_t size, bool bigEndian,
                                   bool compressed) {
    constexpr int kDepth = 8;
    if (!compressed) {
        FileBytes in(file, begin, size);
        return Matrix(in, bigEndian, size, kDepth) == Check::kOverrun;
    }
    InflatedBytes in(file, begin, size);
    Tag tag;
    if (!ReadTag(in, bigEndian, tag)) return true;
    if (tag.small || tag.type != kMatrix) return false;
    return Matrix(in, bigEndian, tag.size, kDepth) == Check::kOverrun;
}

}  // namespace formats
