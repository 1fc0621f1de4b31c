#include "formats/temporary_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "formats/read_error.h"

namespace formats {

namespace {

[[noreturn]] void CannotWrite(const std::string& file, const std::string& why) {
    throw ReadError({messages::kAppCaption,
                     "Für " + Quoted(file) + " lässt sich keine temporäre Datei anlegen (" + why + ").",
                     "cannot make a temporary file for " + file + " (" + why + ")."});
}

}  // namespace

TemporaryFile::TemporaryFile(std::string_view bytes, const std::string& suffix, const std::string& file) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) CannotWrite(file, ec.message());
    const std::string pattern = (folder / "tesmora-XXXXXX").string() + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    errno = 0;
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) CannotWrite(file, std::strerror(errno));
    m_path = name.data();
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string why = std::strerror(errno);
            ::close(fd);
            std::filesystem::remove(m_path, ec);
            CannotWrite(file, why);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        const std::string why = std::strerror(errno);
        std::filesystem::remove(m_path, ec);
        CannotWrite(file, why);
    }
}

TemporaryFile::~TemporaryFile() {
    std::error_code ec;
    std::filesystem::remove(m_path, ec);
}

}  // namespace formats
