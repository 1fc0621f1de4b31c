#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/base64.h"
#include "formats/read_error.h"

namespace formats {

// Where the bytes of VTK XML's binary arrays come from: base64 text (inline, or appended with
// encoding="base64") or raw bytes (appended with encoding="raw").
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual bool Read(std::size_t n, unsigned char* out) = 0;
    // At most how many bytes are left, to check a size against before allocating for it.
    virtual std::size_t MostLeft() const = 0;
};

class RawSource final : public ByteSource {
public:
    explicit RawSource(std::string_view bytes) : m_bytes(bytes) {}
    bool Read(std::size_t n, unsigned char* out) override;
    std::size_t MostLeft() const override { return m_bytes.size() - m_pos; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

class Base64Source final : public ByteSource {
public:
    explicit Base64Source(std::string_view text) : m_reader(text) {}
    bool Read(std::size_t n, unsigned char* out) override { return m_reader.Read(n, out); }
    std::size_t MostLeft() const override { return m_reader.MostLeft(); }

private:
    Base64Reader m_reader;
};

// How a file lays out its binary arrays: the header's word size, zlib compression and the
// byte order of header words and values alike.
struct BinaryLayout {
    bool header64 = false;
    bool zlib = false;
    bool bigEndian = false;
};

// Takes an array's bytes in order, in pieces of any length.
using ByteSink = std::function<void(const unsigned char* bytes, std::size_t n)>;

// The EXPECTED bytes of one array from SOURCE into SINK: a header giving the byte count (or,
// compressed, the blocks and their sizes), then the data. Every size the header gives is
// checked against EXPECTED and against what SOURCE can still give before anything is read or
// inflated; a mismatch throws a ReadError naming FILE at WHERE. The data passes through in
// pieces of a few kilobytes, compressed or not, so that reading holds no more than SINK keeps.
// With OPEN, EXPECTED is only the most the array may have, and the header says how many it has.
// Returns the array's bytes.
std::uint64_t ReadBinaryArray(ByteSource& source, const BinaryLayout& layout, std::uint64_t expected,
                              const std::string& file, const Place& where, const ByteSink& sink,
                              bool open = false);

}  // namespace formats
