#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace formats {

// Walks the sizes a binary file declares before a library takes them at their word: reads
// numbers of either byte order and passes over bytes, every step checked against the file's
// size, so a walk never reads or seeks past the end however large a declared size is.
class BoundedFile {
public:
    explicit BoundedFile(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }
    std::uint64_t Size() const { return m_size; }
    std::uint64_t At() const { return m_at; }
    std::uint64_t Left() const { return m_size - m_at; }
    // False, staying where it was, when AT lies beyond the end.
    bool Seek(std::uint64_t at);
    bool Skip(std::uint64_t bytes) { return bytes <= Left() && Seek(m_at + bytes); }
    bool Read(unsigned char* to, std::uint64_t bytes);
    // An unsigned number of BYTES (at most 8) in the given byte order.
    bool Number(int bytes, bool bigEndian, std::uint64_t& value);

private:
    struct Close {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Close> m_file;
    std::uint64_t m_size = 0;
    std::uint64_t m_at = 0;
};

}  // namespace formats
