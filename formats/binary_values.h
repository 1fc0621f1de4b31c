#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

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

}  // namespace formats
