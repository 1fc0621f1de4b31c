#include "formats/binary_values.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace formats {

namespace {

// A type's name is a word of a few letters: a longer one is cut, never copied whole.
std::string Lower(std::string_view s) {
    std::string out(s.substr(0, 64));
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

template <typename T>
T Load(const unsigned char* p, bool swap) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, p, sizeof(T));
    if (swap)
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(b[i], b[sizeof(T) - 1 - i]);
    T value;
    std::memcpy(&value, b, sizeof(T));
    return value;
}

template <typename T>
void Decode(const unsigned char* bytes, std::size_t count, bool swap, double* out) {
    for (std::size_t n = 0; n < count; ++n)
        out[n] = static_cast<double>(Load<T>(bytes + n * sizeof(T), swap));
}

}  // namespace

std::optional<ValueType> LegacyValueType(std::string_view name) {
    const std::string n = Lower(name);
    if (n == "char" || n == "signed_char") return ValueType::Int8;
    if (n == "unsigned_char") return ValueType::UInt8;
    if (n == "short") return ValueType::Int16;
    if (n == "unsigned_short") return ValueType::UInt16;
    if (n == "int") return ValueType::Int32;
    if (n == "unsigned_int") return ValueType::UInt32;
    // VTK writes "long" with the writing machine's long, 8 bytes on every 64-bit Unix.
    if (n == "long" || n == "vtktypeint64" || n == "vtkidtype") return ValueType::Int64;
    if (n == "unsigned_long" || n == "vtktypeuint64") return ValueType::UInt64;
    if (n == "float") return ValueType::Float32;
    if (n == "double") return ValueType::Float64;
    return std::nullopt;
}

std::optional<ValueType> XmlValueType(std::string_view name) {
    if (name == "Int8" || name == "Char") return ValueType::Int8;
    if (name == "UInt8") return ValueType::UInt8;
    if (name == "Int16") return ValueType::Int16;
    if (name == "UInt16") return ValueType::UInt16;
    if (name == "Int32") return ValueType::Int32;
    if (name == "UInt32") return ValueType::UInt32;
    if (name == "Int64") return ValueType::Int64;
    if (name == "UInt64") return ValueType::UInt64;
    if (name == "Float32") return ValueType::Float32;
    if (name == "Float64") return ValueType::Float64;
    return std::nullopt;
}

std::size_t SizeOf(ValueType type) {
    switch (type) {
        case ValueType::Int8:
        case ValueType::UInt8:
            return 1;
        case ValueType::Int16:
        case ValueType::UInt16:
            return 2;
        case ValueType::Int32:
        case ValueType::UInt32:
        case ValueType::Float32:
            return 4;
        case ValueType::Int64:
        case ValueType::UInt64:
        case ValueType::Float64:
            return 8;
    }
    return 1;
}

void DecodeValues(const unsigned char* bytes, std::size_t count, ValueType type, bool bigEndian,
                  double* out) {
    const bool swap = bigEndian != (std::endian::native == std::endian::big);
    switch (type) {
        case ValueType::Int8:
            return Decode<std::int8_t>(bytes, count, swap, out);
        case ValueType::UInt8:
            return Decode<std::uint8_t>(bytes, count, swap, out);
        case ValueType::Int16:
            return Decode<std::int16_t>(bytes, count, swap, out);
        case ValueType::UInt16:
            return Decode<std::uint16_t>(bytes, count, swap, out);
        case ValueType::Int32:
            return Decode<std::int32_t>(bytes, count, swap, out);
        case ValueType::UInt32:
            return Decode<std::uint32_t>(bytes, count, swap, out);
        case ValueType::Int64:
            return Decode<std::int64_t>(bytes, count, swap, out);
        case ValueType::UInt64:
            return Decode<std::uint64_t>(bytes, count, swap, out);
        case ValueType::Float32:
            return Decode<float>(bytes, count, swap, out);
        case ValueType::Float64:
            return Decode<double>(bytes, count, swap, out);
    }
}

ColumnDecoder::ColumnDecoder(ValueType type, bool bigEndian, std::size_t components, std::size_t tuples,
                             bool growing)
    : m_type(type), m_bigEndian(bigEndian), m_size(SizeOf(type)), m_growing(growing), m_columns(components) {
    for (std::vector<double>& c : m_columns) growing ? c.reserve(tuples) : c.resize(tuples);
}

void ColumnDecoder::Add(const unsigned char* bytes, std::size_t n) {
    if (m_partialBytes > 0) {
        const std::size_t take = std::min(n, m_size - m_partialBytes);
        std::memcpy(m_partial + m_partialBytes, bytes, take);
        m_partialBytes += take;
        bytes += take;
        n -= take;
        if (m_partialBytes < m_size) return;
        Put(m_partial, 1);
        m_partialBytes = 0;
    }
    const std::size_t whole = n / m_size;
    if (whole > 0) Put(bytes, whole);
    m_partialBytes = n - whole * m_size;
    if (m_partialBytes > 0) std::memcpy(m_partial, bytes + whole * m_size, m_partialBytes);
}

void ColumnDecoder::Put(const unsigned char* bytes, std::size_t values) {
    const std::size_t components = m_columns.size();
    const std::size_t room = components == 0 ? 0 : components * m_columns.front().size();
    // More bytes than the array holds are not the caller's to give; they are let fall.
    if (!m_growing) values = std::min(values, room - std::min(room, m_count));
    constexpr std::size_t kBatch = 4096;
    m_decoded.resize(std::min(values, kBatch));
    for (std::size_t done = 0; done < values;) {
        const std::size_t n = std::min(kBatch, values - done);
        DecodeValues(bytes + done * m_size, n, m_type, m_bigEndian, m_decoded.data());
        for (std::size_t i = 0; i < n; ++i, ++m_count)
            if (m_growing)
                m_columns[m_count % components].push_back(m_decoded[i]);
            else
                m_columns[m_count % components][m_count / components] = m_decoded[i];
        done += n;
    }
}

}  // namespace formats
