// libFuzzer entry for the geometry header's parser: any bytes, read as the loader reads the
// first 40 of a file. The parser must never read past them, and what it says must follow from
// the bytes: the magic exactly when the text before any zero byte begins with it, counts
// saturated instead of wrapped.
#include <cstdint>
#include <string_view>

#include "scene/gri_format.h"
#include "scene/header_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ParsedHeader header = ParseGeometryHeader(bytes);
    std::string_view text = bytes.substr(0, gri::kHeaderBytes);
    text = text.substr(0, text.find('\0'));
    if (header.magicOk != text.starts_with(gri::kMagic)) __builtin_trap();
    for (const std::uint64_t count : header.counts)
        if (count > ParsedHeader::kSaturated || (!header.magicOk && count != 0)) __builtin_trap();
    return 0;
}
