#pragma once

#include <string>
#include <string_view>

namespace formats {

// Bytes put into a file of their own for as long as this lives, for the libraries that read a
// file only by its name (matio, netCDF): the fuzzers and ReadDataSetBytes hand them bytes.
class TemporaryFile {
public:
    // Writes BYTES to a new file in the system's temporary folder whose name ends in SUFFIX
    // (".mat"), as some libraries decide by it. Throws a ReadError naming FILE when it cannot.
    TemporaryFile(std::string_view bytes, const std::string& suffix, const std::string& file);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace formats
