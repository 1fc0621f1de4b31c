#include "formats/mat_walk.h"

#include <algorithm>
#include <cstdint>

#include "formats/bounded_file.h"
#include "formats/mat_contents.h"
#include "formats/mat_words.h"

namespace formats {

namespace {

using formats::mat::PaddedTo8;
using formats::mat::Word;

constexpr std::uint64_t kHeaderBytes = 20;

// Bytes of one element of the MAT 4 precision P: double, single, int32, int16, uint16, uint8.
std::uint64_t ElementBytes(std::uint32_t p) {
    constexpr std::uint64_t kBytes[] = {8, 4, 4, 2, 2, 1};
    return p < 6 ? kBytes[p] : 0;
}

constexpr std::uint32_t kMatrix = 14, kCompressed = 15;

// The MAT 5 elements between BEGIN and END of FILE, each whole within them, and a matrix's
// sub-elements within the matrix, to at most DEPTH matrices deep (cells of cells). Only the tags
// are read: the walk seeks past the data.
bool Mat5ElementsFit(BoundedFile& file, std::uint64_t begin, std::uint64_t end, bool big, bool top,
                     int depth) {
    if (depth < 0) return false;
    for (std::uint64_t at = begin; at < end;) {
        std::uint64_t type = 0, size = 0;
        if (end - at < 8 || !file.Seek(at) || !file.Number(4, big, type) || !file.Number(4, big, size))
            return false;
        // A small element: its size in the type's upper half, its data in the tag's second word.
        if (type >> 16 != 0) {
            if ((type >> 16) > 4) return false;
            at += 8;
            continue;
        }
        const std::uint64_t left = end - at - 8;
        if (size > left) return false;
        if (type == kMatrix && !Mat5ElementsFit(file, at + 8, at + 8 + size, big, false, depth - 1))
            return false;
        if (top && (type == kMatrix || type == kCompressed) &&
            MatrixDeclaresMoreThanItHolds(file, at + 8, size, big, type == kCompressed))
            return false;
        // Top-level compressed elements are not padded; every other element is, to 8 bytes,
        // except the last one of the file may end without it.
        const std::uint64_t step = top && type == kCompressed ? size : PaddedTo8(size);
        at += 8 + std::min(step, left);
    }
    return true;
}

}  // namespace

std::optional<MatFault> MatOverrun(const std::string& path) {
    BoundedFile file(path);
    if (!file.IsOpen()) return std::nullopt;
    const std::uint64_t size = file.Size();
    unsigned char marks[2] = {};
    if (file.Seek(126) && file.Read(marks, 2) &&
        ((marks[0] == 'I' && marks[1] == 'M') || (marks[0] == 'M' && marks[1] == 'I'))) {
        // MAT 7.3 is HDF5 behind a MAT 5 header of 512 bytes: the HDF5 library's to read.
        unsigned char version[2] = {};
        const bool big = marks[0] == 'M';
        if (!file.Seek(124) || !file.Read(version, 2)) return std::nullopt;
        if ((big ? version[0] : version[1]) == 0x02) return std::nullopt;
        if (Mat5ElementsFit(file, 128, size, big, true, 16)) return std::nullopt;
        return MatFault{"a MAT 5 element declares more than the file or the matrix around it holds",
                        "ein MAT-5-Element verspricht mehr, als die Datei oder die Matrix darum enthält"};
    }
    const MatFault noHeader{"it has neither a MAT 5 header nor a MAT 4 variable's header",
                            "sie hat weder den Kopf einer MAT-5-Datei noch den einer MAT-4-Variablen"};
    const MatFault overrun{"a MAT 4 variable declares more than the file holds",
                           "eine MAT-4-Variable verspricht mehr, als die Datei enthält"};
    std::uint64_t at = 0;
    if (size < kHeaderBytes) return noHeader;
    while (at < size) {
        unsigned char header[kHeaderBytes];
        if (size - at < kHeaderBytes || !file.Seek(at) || !file.Read(header, kHeaderBytes)) return overrun;
        // The type MOPT names its byte order in M: 0 little-endian, 1 big-endian; read in that
        // order it is below 2000 with O = 0, P below 6 and T below 3.
        std::optional<bool> big;
        for (const bool b : {false, true}) {
            const std::uint32_t type = Word(header, b);
            if (type / 1000 == (b ? 1u : 0u) && type % 1000 / 100 == 0 && type % 100 / 10 < 6 &&
                type % 10 < 3)
                big = b;
        }
        if (!big) return noHeader;
        const std::uint32_t type = Word(header, *big);
        const std::uint64_t rows = Word(header + 4, *big), columns = Word(header + 8, *big);
        const std::uint64_t parts = Word(header + 12, *big) != 0 ? 2 : 1;
        const std::uint64_t nameBytes = Word(header + 16, *big);
        const std::uint64_t left = size - at - kHeaderBytes;
        // Each product stays within 64 bits: 32-bit counts, at most 16 bytes an element.
        const std::uint64_t elements = rows * columns;
        const std::uint64_t element = ElementBytes(type % 100 / 10) * parts;
        if (nameBytes > left || (element != 0 && elements > (left - nameBytes) / element)) return overrun;
        at += kHeaderBytes + nameBytes + elements * element;
    }
    return std::nullopt;
}

}  // namespace formats
