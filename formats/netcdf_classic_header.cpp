#include "formats/netcdf_classic_header.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/bounded_file.h"

namespace formats {

namespace {

// The header's numbers are big-endian; inline bytes are padded to four as the format stores them.
class Cursor {
public:
    explicit Cursor(BoundedFile& file) : m_file(file) {}
    std::uint64_t Left() const { return m_file.Left(); }
    bool Number(int bytes, std::uint64_t& value) { return m_file.Number(bytes, true, value); }
    // COUNT items of SIZE bytes.
    bool Skip(std::uint64_t count, std::uint64_t size) {
        if (size != 0 && count > Left() / size) return false;
        const std::uint64_t bytes = count * size;
        return m_file.Skip(bytes + (4 - bytes % 4) % 4);
    }

private:
    BoundedFile& m_file;
};

// Bytes of one value of a netCDF type; 0 for a type the format does not have.
std::uint64_t TypeBytes(std::uint64_t type) {
    switch (type) {
        case 1:
        case 2:
        case 7:
            return 1;  // byte, char, ubyte
        case 3:
        case 8:
            return 2;  // short, ushort
        case 4:
        case 5:
        case 9:
            return 4;  // int, float, uint
        case 6:
        case 10:
        case 11:
            return 8;  // double, int64, uint64
        default:
            return 0;
    }
}

class HeaderWalk {
public:
    // NC_MAX_NAME of the library's header, which the walk does without.
    static constexpr std::uint64_t kMaxName = 256;
    bool LongName() const { return m_longName; }
    bool DataPastTheEnd() const { return m_dataPastTheEnd; }

    HeaderWalk(Cursor& cursor, int version, std::uint64_t fileSize)
        : m_in(cursor), m_fileSize(fileSize), m_count(version == 5 ? 8 : 4), m_offset(version == 1 ? 4 : 8) {}

    bool Header() {
        std::uint64_t records = 0;
        if (!m_in.Number(m_count, records) || !List(kDimension) || !List(kAttribute) || !List(kVariable))
            return false;
        // The library gives fill values for the records a file declares but does not hold, as for
        // other variables' data: 2^21 records declared in 618 bytes took it 800 MB. A count of
        // all ones is a file still being written, whose records the library counts itself.
        const bool streaming = records == (m_count == 8 ? ~std::uint64_t{0} : 0xFFFFFFFFu);
        if (streaming || records == 0 || m_recordBytes == 0) return true;
        if (m_firstRecord > m_fileSize || records > (m_fileSize - m_firstRecord) / m_recordBytes) {
            m_recordsPastTheEnd = true;
            return false;
        }
        return true;
    }
    bool RecordsPastTheEnd() const { return m_recordsPastTheEnd; }

private:
    static constexpr std::uint64_t kDimension = 0x0A, kVariable = 0x0B, kAttribute = 0x0C;

    bool Name() {
        std::uint64_t length = 0;
        if (!m_in.Number(m_count, length)) return false;
        // The library copies a name into its callers' buffers of kMaxName + 1 bytes as it finds it.
        if (length > kMaxName) {
            m_longName = true;
            return false;
        }
        return m_in.Skip(length, 1);
    }
    bool List(std::uint64_t tag) {
        std::uint64_t found = 0, count = 0;
        if (!m_in.Number(4, found) || !m_in.Number(m_count, count)) return false;
        if (found == 0 && count == 0) return true;
        // Every element takes at least four bytes, so the loop ends within the file.
        if (found != tag || count > m_in.Left() / 4) return false;
        for (std::uint64_t k = 0; k < count; ++k)
            if (!Element(tag)) return false;
        return true;
    }
    bool Element(std::uint64_t tag) {
        std::uint64_t value = 0;
        if (!Name()) return false;
        if (tag == kDimension) {
            if (!m_in.Number(m_count, value)) return false;
            m_dimensions.push_back(value);
            return true;
        }
        if (tag == kAttribute) {
            std::uint64_t type = 0, count = 0;
            if (!m_in.Number(4, type) || !m_in.Number(m_count, count)) return false;
            const std::uint64_t bytes = TypeBytes(type);
            return bytes != 0 && m_in.Skip(count, bytes);
        }
        std::uint64_t dimensions = 0, type = 0, size = 0, begin = 0;
        if (!m_in.Number(m_count, dimensions) ||
            dimensions > m_in.Left() / static_cast<std::uint64_t>(m_count))
            return false;
        bool record = false;
        // One record's values of a variable along the unlimited dimension, at most 2^63.
        std::uint64_t perRecord = 1;
        for (std::uint64_t d = 0; d < dimensions; ++d) {
            std::uint64_t id = 0;
            if (!m_in.Number(m_count, id)) return false;
            // The unlimited dimension is declared 0 long: a variable along it has its records
            // wherever the file has them, and none when it has none.
            if (d == 0 && id < m_dimensions.size() && m_dimensions[id] == 0) record = true;
            const std::uint64_t length = id < m_dimensions.size() ? m_dimensions[id] : 0;
            if (d > 0)
                perRecord = length != 0 && perRecord > kSaturated / length ? kSaturated : perRecord * length;
        }
        if (!List(kAttribute) || !m_in.Number(4, type) || TypeBytes(type) == 0 ||
            !m_in.Number(m_count, size) || !m_in.Number(m_offset, begin))
            return false;
        // The library gives fill values for data the file does not hold, so a header of a few
        // bytes could declare millions of them. A size of 2^32 - 1 stands for a larger one.
        const bool sizeKnown = m_count == 8 || size != 0xFFFFFFFFu;
        if (!record && sizeKnown && (begin > m_fileSize || size > m_fileSize - begin)) {
            m_dataPastTheEnd = true;
            return false;
        }
        if (record) {
            // Unpadded, so that the sum is no more than the library's record however it pads.
            const std::uint64_t bytes = TypeBytes(type);
            perRecord = perRecord > kSaturated / bytes ? kSaturated : perRecord * bytes;
            m_recordBytes = perRecord > kSaturated - m_recordBytes ? kSaturated : m_recordBytes + perRecord;
            m_firstRecord = std::min(m_firstRecord, begin);
        }
        return true;
    }

    static constexpr std::uint64_t kSaturated = std::uint64_t{1} << 63;

    Cursor& m_in;
    const std::uint64_t m_fileSize;
    std::uint64_t m_recordBytes = 0;
    std::uint64_t m_firstRecord = ~std::uint64_t{0};
    bool m_recordsPastTheEnd = false;
    std::vector<std::uint64_t> m_dimensions;
    bool m_longName = false;
    bool m_dataPastTheEnd = false;
    const int m_count;
    const int m_offset;
};

}  // namespace

std::optional<HeaderOverrun> ClassicHeaderOverrun(const std::string& path) {
    BoundedFile file(path);
    unsigned char magic[4];
    if (!file.IsOpen() || !file.Read(magic, 4) || magic[0] != 'C' || magic[1] != 'D' || magic[2] != 'F' ||
        (magic[3] != 1 && magic[3] != 2 && magic[3] != 5))
        return std::nullopt;
    Cursor cursor(file);
    HeaderWalk walk(cursor, magic[3], file.Size());
    if (walk.Header()) return std::nullopt;
    if (walk.RecordsPastTheEnd())
        return HeaderOverrun{"its header declares more records than the file holds",
                             "ihr Kopf verspricht mehr Datensätze, als die Datei enthält"};
    if (walk.DataPastTheEnd())
        return HeaderOverrun{"a variable's data lie past the end of the file",
                             "die Werte einer Variablen liegen hinter dem Ende der Datei"};
    if (walk.LongName())
        return HeaderOverrun{"its header holds a name longer than netCDF's 256 bytes",
                             "ihr Kopf enthält einen Namen, der länger ist als die 256 Bytes von netCDF"};
    return HeaderOverrun{
        "its header declares names, attributes or lists that run past the end of the file",
        "ihr Kopf verspricht Namen, Attribute oder Listen, die über das Ende der Datei hinausreichen"};
}

}  // namespace formats
