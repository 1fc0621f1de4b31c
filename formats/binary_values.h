#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace formats {

// The numeric types VTK files store arrays in.
enum class ValueType { Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64, Float32, Float64 };

// The type a legacy file names ("float", "unsigned_char", "vtktypeint64", ...), in any case.
std::optional<ValueType> LegacyValueType(std::string_view name);
// The type an XML file names ("Float32", "UInt8", ...).
std::optional<ValueType> XmlValueType(std::string_view name);
std::size_t SizeOf(ValueType type);

// COUNT values of TYPE stored at BYTES, big-endian where BIG_ENDIAN, as doubles into OUT.
void DecodeValues(const unsigned char* bytes, std::size_t count, ValueType type, bool bigEndian, double* out);

// An array of TUPLES tuples of COMPONENTS values of TYPE, arriving as bytes in pieces of any
// length, each component kept in a column of its own as doubles: the array's bytes and its
// interleaved values are never held whole beside the columns.
class ColumnDecoder {
public:
    // GROWING: the columns take as many values as come, the tuples given only being reserved.
    ColumnDecoder(ValueType type, bool bigEndian, std::size_t components, std::size_t tuples,
                  bool growing = false);
    void Add(const unsigned char* bytes, std::size_t n);
    // The values decoded so far; the columns are complete when it is COMPONENTS * TUPLES.
    std::size_t Count() const { return m_count; }
    std::vector<std::vector<double>> TakeColumns() { return std::move(m_columns); }

private:
    void Put(const unsigned char* bytes, std::size_t values);

    ValueType m_type;
    bool m_bigEndian;
    std::size_t m_size;
    bool m_growing;
    std::vector<std::vector<double>> m_columns;
    std::size_t m_count = 0;
    unsigned char m_partial[8] = {};  // the start of a value split between two pieces
    std::size_t m_partialBytes = 0;
    std::vector<double> m_decoded;
};

}  // namespace formats
