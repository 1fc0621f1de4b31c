#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Output files written so that a failed or interrupted run never leaves half a file behind,
// and so that what the user named as the output is respected: a regular file (or none yet) is
// written under a temporary name beside it and renamed over it once complete; a device or a
// FIFO is written directly, as `cat > /dev/stdout` would; "-" is standard output. Paths are the
// file system's bytes.
namespace common {

enum class TargetKind {
    StandardOutput,  // "-"
    Direct,          // an existing file that is not a regular file: /dev/null, a FIFO, a terminal
    Replace,         // a regular file or none: temporary file, then rename
    Folder,          // a folder, which no file may replace
};
TargetKind KindOfTarget(const std::string& path);

// One output file from opening to its place in the file system. Destroying it before Commit
// removes the temporary file, so an earlier file of the same name stays as it was.
class TargetFile {
public:
    TargetFile() = default;
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Each returns false with *ERROR set on failure: "cannot create PATH: reason" (or "cannot
    // open" a device, "cannot replace" a write-protected file) when opening, "cannot write
    // PATH: reason" after.
    bool Open(const std::string& path, std::string* error);
    bool Write(const void* data, std::size_t size, std::string* error);
    // Everything written is on disk and the file closed.
    bool Finish(std::string* error);
    // The finished file takes the target's name; nothing to do for a direct target.
    bool Commit(std::string* error);

private:
    bool Fail(std::string* error, const std::string& why, const char* what = "cannot write");
    void Discard();

    std::string m_path;       // as the user named it, for messages
    std::string m_target;     // what the temporary file is renamed to (symbolic links resolved)
    std::string m_temporary;  // empty for direct targets
    int m_fd = -1;
    bool m_stdout = false;
    int m_slot = -1;  // the temporary's place in the list an interruption removes
};

// Why PATH cannot take an output, as "cannot create PATH: reason" (or "cannot replace", "cannot
// write"), or empty when it can: its folder is missing or no folder, it is a folder, or a file
// that is write-protected. Asked of every output before the first is written, so that a run
// fails before it writes anything rather than between two of its files.
std::string TargetProblem(const std::string& path);

// Whether writing PATH would replace the existing file INPUT: the same file under this name,
// another name, or a link.
bool WouldReplace(const std::string& path, const std::string& input);

// The whole of BYTES into PATH, as TargetFile writes it.
bool WriteTargetFile(const std::string& path, std::string_view bytes, std::string* error);

// An interrupted program (SIGINT, SIGTERM, SIGHUP) removes the temporary files it has open
// before it ends, and a file size limit makes writes fail instead of ending the program.
// Called once, early in main.
void RemoveTemporariesOnInterrupt();

}  // namespace common
