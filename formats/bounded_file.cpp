#include "formats/bounded_file.h"

#include <filesystem>
#include <system_error>

namespace formats {

BoundedFile::BoundedFile(const std::string& path) {
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) return;
    m_file.reset(std::fopen(path.c_str(), "rb"));
    m_size = size;
}

bool BoundedFile::Seek(std::uint64_t at) {
    // fseeko takes an off_t: past its range the file cannot be that long anyway.
    if (!m_file || at > m_size || at > static_cast<std::uint64_t>(INT64_MAX) ||
        fseeko(m_file.get(), static_cast<off_t>(at), SEEK_SET) != 0)
        return false;
    m_at = at;
    return true;
}

bool BoundedFile::Read(unsigned char* to, std::uint64_t bytes) {
    if (!m_file || bytes > Left()) return false;
    if (std::fread(to, 1, static_cast<std::size_t>(bytes), m_file.get()) != static_cast<std::size_t>(bytes)) {
        Seek(m_at);  // the next step starts where this one did
        return false;
    }
    m_at += bytes;
    return true;
}

bool BoundedFile::Number(int bytes, bool bigEndian, std::uint64_t& value) {
    unsigned char b[8];
    if (bytes < 1 || bytes > 8 || !Read(b, static_cast<std::uint64_t>(bytes))) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | b[bigEndian ? i : bytes - 1 - i];
    return true;
}

}  // namespace formats
