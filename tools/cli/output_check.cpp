#include "tools/cli/output_check.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <utility>

#include "common/native_names.h"
#include "common/target_file.h"
#include "tools/cli/command_line.h"
#include "tools/cli/standard_output.h"

namespace cli {

namespace {

std::string Shown(const std::string& path) {
    return path == "-" ? std::string("standard output") : common::PrintableName(path);
}

// What a path names: an existing file by its device and inode, so that another name or a link
// is the same file; a file yet to be made by its absolute path, its dots resolved. Nothing for
// a device or a FIFO, which several outputs may share (/dev/null).
using FileKey = std::pair<std::string, std::pair<dev_t, ino_t>>;
std::optional<FileKey> KeyOf(const std::string& path) {
    if (path == "-") return FileKey{path, {0, 0}};
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return std::nullopt;
        return FileKey{{}, {status.st_dev, status.st_ino}};
    }
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec).lexically_normal();
    return FileKey{ec ? path : absolute.string(), {0, 0}};
}

}  // namespace

std::optional<int> CheckOutputs(const std::string& name, const std::vector<std::string>& outputs,
                                const std::vector<std::string>& inputs) {
    auto usage = [&name](const std::string& message) {
        std::fputs(UsageErrorText(name, message).c_str(), stderr);
        return kExitBadUsage;
    };
    // Keyed once each, so that a batch of many files costs no more than a look at each.
    std::map<FileKey, const std::string*> read;
    std::set<FileKey> written;
    for (const std::string& input : inputs) {
        // Only a file that is there can be lost.
        const std::optional<FileKey> key = KeyOf(input);
        if (key && key->first.empty()) read.emplace(*key, &input);
    }
    for (const std::string& output : outputs) {
        const std::optional<FileKey> key = output.empty() ? std::nullopt : KeyOf(output);
        if (!key) continue;
        if (const auto in = read.find(*key); in != read.end())
            return usage("writing " + Shown(output) + " would replace the input " + Shown(*in->second));
        if (!written.insert(*key).second)
            return usage("two outputs would both be written to " + Shown(output));
    }
    for (const std::string& output : outputs) {
        if (output.empty()) continue;
        const std::string problem = common::TargetProblem(output);
        if (problem.empty()) continue;
        std::fprintf(stderr, "%s: %s\n", name.c_str(), problem.c_str());
        return kExitNotWritten;
    }
    return std::nullopt;
}

}  // namespace cli
