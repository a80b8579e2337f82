// A save replaces the file whole or leaves it as it was, keeps its mode and owner, and leaves no
// temporary behind, even when the writer before it was killed.
#include "AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

std::vector<std::string> FolderContent(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::size_t TemporariesIn(const std::filesystem::path& folder) {
  return std::ranges::count_if(FolderContent(folder), [](const std::string& name) {
    return name.find(".orandu-tmp-") != std::string::npos;
  });
}

// The child's exit status, or -1 when it did not exit by itself.
int ExitStatusOf(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AtomicFileTest, ReplacesTheContentAndLeavesNoTemporaryBehind) {
  TempDir dir;
  const auto target = dir.Write("settings.ini", std::string("old"));
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new content")));
  EXPECT_EQ(ReadText(target), "new content");
  EXPECT_EQ(FolderContent(dir.path()), std::vector<std::string>{"settings.ini"});
}

TEST(AtomicFileTest, NewFileGetsOrdinaryPermissions) {
  TempDir dir;
  const auto target = dir / "new.ini";
  const mode_t previous = ::umask(022);
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("x")));
  ::umask(previous);
  EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0644));
}

TEST(AtomicFileTest, ExistingFileKeepsItsModeAndOwner) {
  TempDir dir;
  for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0755}}) {
    SCOPED_TRACE(mode);
    const auto target = dir.Write("private.ini", std::string("old"));
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode);
  }
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  constexpr uid_t kOtherUser = 12345;
  constexpr gid_t kOtherGroup = 23456;
  const auto target = dir / "private.ini";
  ASSERT_EQ(::chown(target.c_str(), kOtherUser, kOtherGroup), 0);
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("newer")));
  struct stat status {};
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, kOtherUser);
  EXPECT_EQ(status.st_gid, kOtherGroup);
  EXPECT_EQ(ReadText(target), "newer");
}

TEST(AtomicFileTest, RefusedWriteKeepsWhatWasThereAndLeavesNoTemporary) {
  TempDir dir;
  const auto blocker = dir.Write("not-a-folder", std::string("x"));
  EXPECT_FALSE(WriteFileAtomically(blocker / "settings.ini", std::string_view("new")));
  EXPECT_EQ(ReadText(blocker), "x");
  const auto folderInTheWay = dir / "taken";
  std::filesystem::create_directory(folderInTheWay);
  EXPECT_FALSE(WriteFileAtomically(folderInTheWay, std::string_view("new")))
      << "a file cannot be renamed over a folder";
  EXPECT_TRUE(std::filesystem::is_directory(folderInTheWay));
  EXPECT_EQ(FolderContent(dir.path()), (std::vector<std::string>{"not-a-folder", "taken"}));
}

// The system refuses every byte past the child's file size limit, as it does every byte on a
// full disk. The limit falls at a different point of the write in each row.
TEST(AtomicFileTest, WriteRefusedPartWayLeavesTheTargetAndNoTemporary) {
  TempDir dir;
  const std::string old = "the old content";
  const auto target = dir.Write("picture.png", old);
  for (const rlim_t limit : {rlim_t{0}, rlim_t{10}, rlim_t{70000}}) {
    SCOPED_TRACE(limit);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit fileSize{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &fileSize);
      ::signal(SIGXFSZ, SIG_IGN);  // a refused write then fails with EFBIG instead of a signal
      AtomicFileWriter writer(target);
      bool written = true;
      for (int chunk = 0; chunk < 10; ++chunk) written = writer.Write(std::string(10000, 'n'));
      ::_exit(!written && !writer.Commit() ? 0 : 1);
    }
    EXPECT_EQ(ExitStatusOf(child), 0) << "the write was not refused";
    EXPECT_EQ(ReadText(target), old);
    EXPECT_EQ(FolderContent(dir.path()), std::vector<std::string>{"picture.png"});
  }
}

// A writer killed part-way leaves its temporary; the next writer of the same target removes it.
TEST(AtomicFileTest, TemporaryOfAKilledWriterIsRemovedByTheNextSave) {
  TempDir dir;
  const auto target = dir.Write("settings.ini", std::string("old"));
  dir.Write("other.ini.orandu-tmp-abcdef", std::string("another target's"));
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFileWriter writer(target);
    writer.Write(std::string(100000, 'p'));
    const char written = 'w';
    [[maybe_unused]] const ssize_t told = ::write(ready[1], &written, 1);
    ::pause();
    ::_exit(0);
  }
  char written = 0;
  ASSERT_EQ(::read(ready[0], &written, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  ::kill(child, SIGKILL);
  ASSERT_EQ(ExitStatusOf(child), -1);
  ASSERT_EQ(TemporariesIn(dir.path()), 2u) << "the killed writer left no temporary to remove";

  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(FolderContent(dir.path()),
            (std::vector<std::string>{"other.ini.orandu-tmp-abcdef", "settings.ini"}))
      << "only the killed writer's temporary goes";
}

TEST(AtomicFileTest, TemporaryOfALiveWriterIsLeftAlone) {
  TempDir dir;
  const auto target = dir.Write("out.bmp", std::string("old"));
  AtomicFileWriter live(target);
  ASSERT_TRUE(live.Write(std::string_view("from the live writer")));
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("from another writer")));
  EXPECT_EQ(ReadText(target), "from another writer");
  EXPECT_EQ(TemporariesIn(dir.path()), 1u);
  ASSERT_TRUE(live.Commit());
  EXPECT_EQ(ReadText(target), "from the live writer");
  EXPECT_EQ(FolderContent(dir.path()), std::vector<std::string>{"out.bmp"});
}

// Two processes save the same file over and over: each one's search for abandoned temporaries
// must never take the other's temporary in the moment between its creation and its lock.
// The rounds run in memory where there is such a folder, where syncing to disk costs nothing.
TEST(AtomicFileTest, WritersOfTheSameFileAtOnceAllSucceed) {
  const char* previous = std::getenv("TMPDIR");
  const std::string previousFolder = previous ? previous : "";
  if (std::filesystem::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
  TempDir dir;
  if (previous) {
    ::setenv("TMPDIR", previousFolder.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  const auto target = dir / "shared.ini";
  constexpr int kWrites = 5000;
  std::vector<pid_t> children;
  for (const char letter : {'a', 'b'}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        failures += WriteFileAtomically(target, std::string(64, letter)) ? 0 : 1;
      }
      ::_exit(std::min(failures, 100));
    }
    children.push_back(child);
  }
  for (const pid_t child : children) EXPECT_EQ(ExitStatusOf(child), 0) << "saves that failed";
  const std::string last = ReadText(target);
  EXPECT_TRUE(last == std::string(64, 'a') || last == std::string(64, 'b')) << last;
  EXPECT_EQ(FolderContent(dir.path()), std::vector<std::string>{"shared.ini"});
}

}  // namespace
}  // namespace orandu
