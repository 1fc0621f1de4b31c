#include "common/target_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

namespace common {

namespace {

// The temporary files being written, for the signal handler: fixed storage, since a handler
// may neither allocate nor take locks. A slot is free (0), being filled (1) or names a file (2).
constexpr int kSlots = 64;
constexpr std::size_t kSlotPath = 4096;
struct TemporarySlot {
    std::atomic<int> state{0};
    char path[kSlotPath];
};
TemporarySlot g_temporaries[kSlots];

int ClaimSlot(const std::string& path) {
    if (path.size() >= kSlotPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_temporaries[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(g_temporaries[i].path, path.c_str(), path.size() + 1);
        g_temporaries[i].state.store(2);
        return i;
    }
    // More files in flight than slots: that one is left behind if the run is interrupted.
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot >= 0) g_temporaries[slot].state.store(0);
}

extern "C" void RemoveTemporariesAndEnd(int signal) {
    for (TemporarySlot& slot : g_temporaries)
        if (slot.state.load() == 2) ::unlink(slot.path);
    // Ends the program the way the signal would have, so the caller sees what happened.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The permissions a new file gets, as open(2) would give it: 0666 less the umask. Read from
// /proc rather than by setting the umask and back, which would race with other threads.
mode_t NewFileMode() {
    static std::once_flag once;
    static mode_t mode = 0644;
    std::call_once(once, [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("Umask:", 0) != 0) continue;
            mode = static_cast<mode_t>(0666u & ~std::strtoul(line.c_str() + 6, nullptr, 8));
            return;
        }
        const mode_t mask = ::umask(022);
        ::umask(mask);
        mode = static_cast<mode_t>(0666u & ~mask);
    });
    return mode;
}

std::string Reason(int code) {
    return std::strerror(code);
}

// The folder and the name of PATH, for a temporary file beside it.
std::string TemporaryTemplate(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A name near the file system's limit of 255 bytes would leave no room for the suffix.
    if (name.size() > 200) name.resize(200);
    return (slash == std::string::npos ? folder + "/" : folder) + "." + name + ".XXXXXX";
}

// A file nobody may write, or this user may not, is not replaced: cp and the shell refuse
// too. The rename needs only the folder's permission, so it has to be asked for.
bool WriteProtected(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    return (status.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// The file a write to PATH replaces: PATH, or what a link at PATH names. Empty for a link to
// nothing, which a write creates.
std::string ReplacedFile(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string target = resolved;
    std::free(resolved);
    return target;
}

}  // namespace

TargetKind KindOfTarget(const std::string& path) {
    if (path == "-") return TargetKind::StandardOutput;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return TargetKind::Replace;
    if (S_ISDIR(status.st_mode)) return TargetKind::Folder;
    return S_ISREG(status.st_mode) ? TargetKind::Replace : TargetKind::Direct;
}

TargetFile::~TargetFile() {
    Discard();
}

bool TargetFile::Fail(std::string* error, const std::string& why, const char* what) {
    if (error)
        *error = std::string(what) + " " + (m_stdout ? std::string("standard output") : m_path) + ": " + why;
    Discard();
    return false;
}

void TargetFile::Discard() {
    if (m_fd >= 0 && !m_stdout) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
    ReleaseSlot(m_slot);
    m_slot = -1;
}

bool TargetFile::Open(const std::string& path, std::string* error) {
    Discard();
    m_path = path;
    m_stdout = false;
    switch (KindOfTarget(path)) {
        case TargetKind::StandardOutput:
            // What the program printed before must come first.
            std::fflush(stdout);
            m_stdout = true;
            m_fd = STDOUT_FILENO;
            return true;
        case TargetKind::Folder:
            return Fail(error, "it is a folder");
        case TargetKind::Direct:
            m_fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            return m_fd >= 0 || Fail(error, Reason(errno), "cannot open");
        case TargetKind::Replace:
            break;
    }
    m_target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // The link stays a link: the file it points to is the one replaced.
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr) {
            // A link to nothing yet: writing through it creates what it names.
            m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
            return m_fd >= 0 || Fail(error, Reason(errno), "cannot create");
        }
        m_target = resolved;
        std::free(resolved);
    }
    if (WriteProtected(m_target)) return Fail(error, "it is write-protected", "cannot replace");
    std::string name = TemporaryTemplate(m_target);
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) return Fail(error, Reason(errno), "cannot create");
    m_temporary = name;
    m_slot = ClaimSlot(m_temporary);
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0) {
        // A replaced file keeps its permissions and, where allowed, its owner.
        ::fchmod(m_fd, existing.st_mode & 07777);
        if (::fchown(m_fd, existing.st_uid, existing.st_gid) != 0) {
            // Only the owner's own group is allowed without privileges; the file stays the user's.
        }
    } else {
        ::fchmod(m_fd, NewFileMode());
    }
    return true;
}

bool TargetFile::Write(const void* data, std::size_t size, std::string* error) {
    if (m_fd < 0) return Fail(error, "the file is not open");
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(error, Reason(errno));
        }
        if (n == 0) return Fail(error, "nothing could be written");
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TargetFile::Finish(std::string* error) {
    if (m_fd < 0) return Fail(error, "the file is not open");
    if (m_stdout) {
        m_fd = -1;
        return true;
    }
    // The data must be on disk before the rename makes it the file: otherwise a crash right
    // after could leave an empty file under the old name.
    if (!m_temporary.empty() && ::fsync(m_fd) != 0) return Fail(error, Reason(errno));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return Fail(error, Reason(errno));
    return true;
}

bool TargetFile::Commit(std::string* error) {
    if (m_fd >= 0 && !Finish(error)) return false;
    if (m_temporary.empty()) return true;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return Fail(error, Reason(errno));
    // Renamed first, released after: an interruption in between finds no file to remove.
    m_temporary.clear();
    ReleaseSlot(m_slot);
    m_slot = -1;
    return true;
}

std::string TargetProblem(const std::string& path) {
    switch (KindOfTarget(path)) {
        case TargetKind::StandardOutput:
        case TargetKind::Direct:
            return {};
        case TargetKind::Folder:
            return "cannot write " + path + ": it is a folder";
        case TargetKind::Replace:
            break;
    }
    const std::string target = ReplacedFile(path);
    if (target.empty()) return {};
    if (WriteProtected(target)) return "cannot replace " + path + ": it is write-protected";
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0)
        return "cannot create " + path + ": the folder " + folder +
               (errno == ENOENT ? " does not exist" : " cannot be reached (" + Reason(errno) + ")");
    if (!S_ISDIR(status.st_mode)) return "cannot create " + path + ": " + folder + " is not a folder";
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return "cannot create " + path + ": the folder " + folder + " is not writable (" + Reason(errno) +
               ")";
    return {};
}

bool WouldReplace(const std::string& path, const std::string& input) {
    std::error_code ec;
    return std::filesystem::equivalent(path, input, ec) && !ec;
}

bool WriteTargetFile(const std::string& path, std::string_view bytes, std::string* error) {
    TargetFile file;
    return file.Open(path, error) && file.Write(bytes.data(), bytes.size(), error) && file.Finish(error) &&
           file.Commit(error);
}

void RemoveTemporariesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace common
