#include "formats/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "formats/limits.h"
#include "formats/read_error.h"

namespace formats {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void Unreadable(const std::string& path, const std::string& german, const std::string& english) {
    throw ReadError({messages::kAppCaption,
                     "Die Datei " + Quoted(path) + " kann nicht gelesen werden: " + german,
                     "cannot read " + path + ": " + english});
}

}  // namespace

std::string ReadFileBytes(const std::string& path, const std::function<void(std::string_view first)>& first) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status))
        Unreadable(path, "sie existiert nicht oder ist nicht erreichbar.",
                   "it does not exist or cannot be reached.");
    if (std::filesystem::is_directory(status))
        Unreadable(path, "das ist ein Ordner, keine Datei.", "it is a folder.");
    if (!std::filesystem::is_regular_file(status))
        Unreadable(path, "das ist keine gewöhnliche Datei.", "it is not a regular file.");
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) Unreadable(path, "ihre Größe lässt sich nicht bestimmen.", "its size cannot be found out.");
    if (size > static_cast<std::uintmax_t>(kMaxFileBytes))
        Unreadable(path,
                   "sie ist " + std::to_string(size) + " Bytes groß; gelesen werden Dateien bis " +
                       std::to_string(kMaxFileBytes) + " Bytes.",
                   "it is " + std::to_string(size) + " bytes long; files up to " +
                       std::to_string(kMaxFileBytes) + " bytes are read.");
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const std::string why = std::strerror(errno);
        Unreadable(path, "sie lässt sich nicht öffnen (" + why + ").", "it cannot be opened (" + why + ").");
    }
    // The first block alone, so that a file FIRST rejects is neither read nor held whole.
    std::string bytes(std::min(static_cast<std::size_t>(size), kFirstBlockBytes), '\0');
    std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (first && read == bytes.size()) first(bytes);
    if (read == bytes.size()) {
        bytes.resize(static_cast<std::size_t>(size));
        read += std::fread(bytes.data() + read, 1, bytes.size() - read, file.get());
    }
    // A file that grew since its size was taken is read as far as that size.
    if (read != bytes.size() || std::ferror(file.get()))
        Unreadable(path, "Lesefehler nach " + std::to_string(read) + " Bytes.",
                   "read error after " + std::to_string(read) + " bytes.");
    return bytes;
}

}  // namespace formats
