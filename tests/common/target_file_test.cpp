// Output files as the user named them: replaced whole or not at all, devices and FIFOs written
// as they are, nothing left behind when the program is interrupted.
#include "common/target_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using common::TargetFile;
using common::WriteTargetFile;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

std::size_t Entries(const TempDir& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
}

mode_t Mode(const std::string& path) {
    struct stat s {};
    EXPECT_EQ(::lstat(path.c_str(), &s), 0) << path;
    return s.st_mode;
}

TEST(TargetFile, ReplacesARegularFileWholeKeepingItsPermissions) {
    TempDir dir;
    const std::string path = dir.File("picture.png");
    WriteBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    std::string error;
    ASSERT_TRUE(WriteTargetFile(path, "new contents", &error)) << error;
    EXPECT_EQ(ReadBytes(path), "new contents");
    EXPECT_EQ(Mode(path) & 07777, 0640u);
    EXPECT_EQ(Entries(dir), 1u) << "the temporary file is gone";

    // Given up before Commit: the earlier file stays, and so does nothing else.
    {
        TargetFile file;
        ASSERT_TRUE(file.Open(path, &error)) << error;
        ASSERT_TRUE(file.Write("half", 4, &error));
        EXPECT_EQ(Entries(dir), 2u);
    }
    EXPECT_EQ(ReadBytes(path), "new contents");
    EXPECT_EQ(Entries(dir), 1u);

    // A link keeps being a link; the file it names is the one replaced.
    const std::string link = dir.File("link.png");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(WriteTargetFile(link, "through the link", &error)) << error;
    EXPECT_TRUE(S_ISLNK(Mode(link)));
    EXPECT_EQ(ReadBytes(path), "through the link");
}

TEST(TargetFile, NewFilesGetTheUmasksPermissions) {
    TempDir dir;
    const mode_t mask = ::umask(027);
    std::string error;
    // The mode is read once per process; whatever umask was in force then must apply.
    const bool written = WriteTargetFile(dir.File("new.json"), "{}", &error);
    ::umask(mask);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(Mode(dir.File("new.json")) & 07777, 0640u);
}

TEST(TargetFile, DevicesAndFifosAreWrittenDirectlyAndStayWhatTheyAre) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteTargetFile("/dev/null", "gone", &error)) << error;
    EXPECT_TRUE(S_ISCHR(Mode("/dev/null")));

    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&fifo] { return ReadBytes(fifo); });
    ASSERT_TRUE(WriteTargetFile(fifo, "through the pipe", &error)) << error;
    EXPECT_EQ(reader.get(), "through the pipe");
    EXPECT_TRUE(S_ISFIFO(Mode(fifo)));

    // A device that refuses the data is an error, not a regular file in its place.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(WriteTargetFile("/dev/full", std::string(1 << 16, 'x'), &error));
        EXPECT_NE(error.find("cannot write /dev/full: "), std::string::npos) << error;
        EXPECT_TRUE(S_ISCHR(Mode("/dev/full")));
    }
    EXPECT_EQ(common::KindOfTarget("-"), common::TargetKind::StandardOutput);
    EXPECT_EQ(common::KindOfTarget(fifo), common::TargetKind::Direct);
}

TEST(TargetFile, FoldersAndMissingFoldersAreErrorsThatNameThePath) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteTargetFile(dir.Path().string(), "x", &error));
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;
    EXPECT_FALSE(WriteTargetFile(dir.File("no/such/folder/x.png"), "x", &error));
    EXPECT_NE(error.find("no/such/folder/x.png: "), std::string::npos) << error;
    EXPECT_EQ(Entries(dir), 0u);
}

// A file without write permission is not replaced, though the folder would allow the rename:
// cp and the shell refuse it too. What TargetProblem tells before a run is what the write finds.
TEST(TargetFile, WriteProtectedFilesMissingFoldersAndFoldersAreToldBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string kept = dir.File("kept.png");
    WriteBytes(kept, "earlier");
    ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
    WriteBytes(dir.File("file"), "");
    struct Case {
        std::string path;
        std::string problem;  // empty: none
    };
    const std::vector<Case> cases{
        {kept, "cannot replace " + kept + ": it is write-protected"},
        {dir.File("no/x.png"),
         "cannot create " + dir.File("no/x.png") + ": the folder " + dir.File("no") + " does not exist"},
        {dir.File("file/x.png"),
         "cannot create " + dir.File("file/x.png") + ": " + dir.File("file") + " is not a folder"},
        {dir.Path().string(), "cannot write " + dir.Path().string() + ": it is a folder"},
        {dir.File("new.png"), ""},
        {"-", ""},
        {"/dev/null", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(common::TargetProblem(c.path), c.problem) << c.path;
        if (c.path == "-") continue;
        std::string error;
        EXPECT_EQ(WriteTargetFile(c.path, "new", &error), c.problem.empty()) << c.path << ": " << error;
        // The write names the same path with the same verb.
        if (!c.problem.empty()) {
            EXPECT_EQ(error.substr(0, error.find(':')), c.problem.substr(0, c.problem.find(':')));
        }
    }
    EXPECT_EQ(ReadBytes(kept), "earlier");
    EXPECT_EQ(Mode(kept) & 07777, 0444u);
}

// The same file by another name, a link or a hard link is replaced by writing either; a file
// yet to be made replaces nothing.
TEST(TargetFile, WouldReplaceKnowsAFileByEveryName) {
    TempDir dir;
    const std::string data = dir.File("data.gri");
    WriteBytes(data, "input");
    std::filesystem::create_symlink(data, dir.File("link.gri"));
    std::filesystem::create_hard_link(data, dir.File("hard.gri"));
    for (const std::string& name : {data, dir.File("./data.gri"), dir.File("link.gri"), dir.File("hard.gri")})
        EXPECT_TRUE(common::WouldReplace(name, data)) << name;
    WriteBytes(dir.File("other.gri"), "input");
    for (const std::string& name : {dir.File("other.gri"), dir.File("new.gri")})
        EXPECT_FALSE(common::WouldReplace(name, data)) << name;
}

// A run ended by a signal in the middle of a file leaves the earlier file and no temporary.
TEST(TargetFile, AnInterruptedWriteRemovesItsTemporaryFile) {
    TempDir dir;
    const std::string path = dir.File("picture.png");
    WriteBytes(path, "earlier");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        common::RemoveTemporariesOnInterrupt();
        TargetFile file;
        std::string error;
        if (!file.Open(path, &error) || !file.Write("half of it", 10, &error)) ::_exit(3);
        ::raise(SIGTERM);
        ::_exit(4);  // not reached: the signal ends the child
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(ReadBytes(path), "earlier");
    EXPECT_EQ(Entries(dir), 1u);
}

}  // namespace
