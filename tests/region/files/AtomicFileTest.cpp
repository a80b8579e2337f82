// A save replaces the file whole or leaves it as it was, keeps its mode and owner, and leaves no
// temporary behind, even when the writer before it was killed.
#include "region/files/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"

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
  for (const mode_t mode :
       {mode_t{0600}, mode_t{0640}, mode_t{0755}, mode_t{02755}, mode_t{04711}}) {
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

// What stands at a path, without following a link.
struct Node {
  bool exists = false;
  mode_t type = 0;
  ino_t inode = 0;
  bool operator==(const Node&) const = default;
};

Node NodeAt(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return {};
  return {true, status.st_mode & S_IFMT, status.st_ino};
}

// A FIFO, a character device (the same device as /dev/null, made where only the test uses it), a
// listening socket and a folder: nothing of these may be replaced by a regular file.
TEST(AtomicFileTest, TargetThatIsNotARegularFileIsRefusedAndLeftAsItIs) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  const bool deviceMade = ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  std::filesystem::create_directory(dir / "folder");
  const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listening, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (dir / "socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  std::vector<std::string> names = {"fifo", "folder", "socket"};
  if (deviceMade) names.push_back("null");  // only a privileged user may make a device
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const Node before = NodeAt(dir / name);
    AtomicFileWriter writer(dir / name);
    EXPECT_FALSE(writer.Ok());
    EXPECT_FALSE(writer.Write(std::string_view("new")));
    EXPECT_FALSE(writer.Commit());
    EXPECT_FALSE(WriteFileAtomically(dir / name, std::string_view("new")));
    EXPECT_EQ(NodeAt(dir / name), before);
    // Through a link too: the link and what it names stay.
    std::filesystem::create_symlink(name, dir / "link");
    EXPECT_FALSE(WriteFileAtomically(dir / "link", std::string_view("new")));
    EXPECT_EQ(NodeAt(dir / name), before);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    std::filesystem::remove(dir / "link");
  }
  ::close(listening);
  EXPECT_EQ(TemporariesIn(dir.path()), 0u);
}

// A chain of links n long: link0 -> link1 -> ... -> link<n-1> -> end.
std::filesystem::path LinkChain(const TempDir& dir, int links, const std::string& end) {
  for (int i = 0; i < links; ++i) {
    const std::string next = i + 1 == links ? end : "link" + std::to_string(i + 1);
    std::filesystem::create_symlink(next, dir / ("link" + std::to_string(i)));
  }
  return dir / "link0";
}

TEST(AtomicFileTest, LinkIsWrittenWhereItPointsAndStaysALink) {
  const struct {
    const char* name;
    int links;
    bool absolute;
  } rows[] = {{"Relative", 1, false}, {"Absolute", 1, true}, {"FortyLinks", 40, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    std::filesystem::create_directory(dir / "kept");
    const auto real = dir.Write("kept/real.png", std::string("old"));
    const auto link =
        LinkChain(dir, row.links, row.absolute ? real.string() : std::string("kept/real.png"));
    // The system itself resolves such a chain.
    ASSERT_EQ(ReadText(link), "old");
    ASSERT_TRUE(WriteFileAtomically(link, std::string_view("new")));
    EXPECT_EQ(ReadText(real), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TemporariesIn(dir.path()) + TemporariesIn(dir / "kept"), 0u);
  }
}

TEST(AtomicFileTest, DanglingLinkGetsItsFileMadeAndALoopIsRefused) {
  TempDir dir;
  const auto link = LinkChain(dir, 3, "made.bmp");
  ASSERT_TRUE(WriteFileAtomically(link, std::string_view("made")));
  EXPECT_EQ(ReadText(dir / "made.bmp"), "made");
  EXPECT_TRUE(std::filesystem::is_symlink(link));

  std::filesystem::create_symlink("loop-b", dir / "loop-a");
  std::filesystem::create_symlink("loop-a", dir / "loop-b");
  EXPECT_FALSE(WriteFileAtomically(dir / "loop-a", std::string_view("new")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop-a"));

  // One link more than the system follows is refused, as the system refuses to open it.
  TempDir longer;
  const auto chain = LinkChain(longer, 41, longer.Write("end", std::string("old")).string());
  ASSERT_FALSE(std::ifstream(chain).is_open());
  EXPECT_FALSE(WriteFileAtomically(chain, std::string_view("new")));
  EXPECT_EQ(ReadText(longer / "end"), "old");
}

// Names up to the system's longest (255 bytes) are written, and the temporaries of a writer
// killed part-way through writing one are removed by the next save, as for short names.
TEST(AtomicFileTest, NamesUpToTheLongestTheSystemAllowsAreWritten) {
  for (const std::size_t length : {std::size_t{237}, std::size_t{238}, std::size_t{255}}) {
    SCOPED_TRACE(length);
    TempDir dir;
    // Two long names that differ only at their end.
    const auto target = dir / (std::string(length - 4, 'n') + ".png");
    const auto twin = dir / (std::string(length - 5, 'n') + "m.png");
    ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new")));
    EXPECT_EQ(ReadText(target), "new");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      AtomicFileWriter writer(target);
      ::_exit(writer.Write(std::string_view("killed")) ? 0 : 1);  // _exit leaves the temporary
    }
    ASSERT_EQ(ExitStatusOf(child), 0);
    ASSERT_EQ(TemporariesIn(dir.path()), 1u);
    ASSERT_TRUE(WriteFileAtomically(twin, std::string_view("twin")));
    EXPECT_EQ(TemporariesIn(dir.path()), 1u) << "a save of another name took the temporary";
    ASSERT_TRUE(WriteFileAtomically(target, std::string_view("newer")));
    EXPECT_EQ(ReadText(target), "newer");
    EXPECT_EQ(TemporariesIn(dir.path()), 0u);
  }
}

// strace, wherever the search path finds it.
std::filesystem::path FindStrace() {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const auto candidate = std::filesystem::path(folder) / "strace";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// The writer's own system calls, recorded as the system saw them: the temporary is flushed to
// disk before it is renamed over the target, or a crash right after the rename could leave the
// target empty. The recorded writer is this program's first test, run again under strace.
TEST(AtomicFileTest, TemporaryReachesTheDiskBeforeItIsRenamed) {
  const std::filesystem::path strace = FindStrace();
  ASSERT_FALSE(strace.empty()) << "strace is needed (scripts/install-deps.sh installs it)";
  TempDir scratch;
  const auto trace = scratch / "trace.txt";
  // The leak checker of a sanitizer build cannot run in a traced process; the other checks can.
  const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
  const std::string previousOptions = sanitizerOptions ? sanitizerOptions : "";
  ::setenv("ASAN_OPTIONS", (previousOptions + ":detect_leaks=0").c_str(), 1);
  const testing::ToolRun run = testing::RunTool(
      strace,
      {"-f", "-o", trace.string(), "-e",
       "trace=openat,close,fsync,fdatasync,rename,renameat,renameat2",
       std::filesystem::read_symlink("/proc/self/exe").string(),
       "--gtest_filter=AtomicFileTest.ReplacesTheContentAndLeavesNoTemporaryBehind"},
      scratch);
  if (sanitizerOptions) {
    ::setenv("ASAN_OPTIONS", previousOptions.c_str(), 1);
  } else {
    ::unsetenv("ASAN_OPTIONS");
  }
  ASSERT_EQ(run.exitStatus, 0) << run.errors;

  // For each temporary: whether its descriptor was flushed while open, and whether that came
  // before its rename.
  const std::regex opened(R"re(openat\(.*"([^"]*\.orandu-tmp-[^"]*)".*O_CREAT.*\)\s+=\s+(\d+))re");
  const std::regex flushed(R"re((?:fsync|fdatasync)\((\d+)\)\s+=\s+0)re");
  const std::regex closed(R"re(close\((\d+)\))re");
  const std::regex renamed(R"re(rename(?:at2?)?\((?:AT_FDCWD, )?"([^"]*\.orandu-tmp-[^"]*)")re");
  std::map<std::string, std::string> temporaryOfDescriptor;
  std::map<std::string, bool> flushedTemporaries;
  int renames = 0;
  std::ifstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, opened)) {
      temporaryOfDescriptor[match[2]] = match[1];
      flushedTemporaries[match[1]] = false;
    } else if (std::regex_search(line, match, flushed)) {
      if (temporaryOfDescriptor.contains(match[1])) {
        flushedTemporaries[temporaryOfDescriptor[match[1]]] = true;
      }
    } else if (std::regex_search(line, match, closed)) {
      temporaryOfDescriptor.erase(match[1]);
    } else if (std::regex_search(line, match, renamed)) {
      ++renames;
      EXPECT_TRUE(flushedTemporaries[match[1]]) << "renamed before it was flushed: " << line;
    }
  }
  EXPECT_EQ(renames, 1) << "the recorded save did not run as expected";
}

}  // namespace
}  // namespace orandu
