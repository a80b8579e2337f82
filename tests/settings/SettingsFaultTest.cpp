// Saves that fail half-way, through a full disk or a killed process, leave the previous settings
// file whole, and saves at the same moment take turns. Each save runs in a child process, which
// is limited, killed or raced against another while the parent checks the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "settings/ProfileFile.h"
#include "settings/Settings.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

// What a child tells its parent by its exit status.
enum class Outcome { kRefused = 0, kSaved = 1, kOtherMessage = 2, kOtherError = 3 };

int ExitStatusOf(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Sleep(long microseconds) {
  timespec pause{microseconds / 1'000'000, microseconds % 1'000'000 * 1000};
  ::nanosleep(&pause, nullptr);
}

std::vector<std::filesystem::path> FolderContent(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename());
  }
  return names;
}

class SettingsFaultTest : public ::testing::TestWithParam<rlim_t> {
 protected:
  TempDir dir_;
  SettingsLocation location_ = SettingsLocation::OfExecutable(dir_ / "orandu");
  std::filesystem::path ini_ = dir_ / "orandu.ini";
};

// The disk fills up part-way through writing the new file: the system refuses every byte past
// the child's file size limit, as it does every byte on a full disk.
TEST_P(SettingsFaultTest, SaveThatRunsOutOfSpaceKeepsTheOldFile) {
  const std::string old = "; mine\n[SYSTEM]\nETOPO5=/old/ETOPO5.DOS\nColorBar=/old/P1.BMP\n";
  dir_.Write("orandu.ini", old);
  const rlim_t limit = GetParam();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit fileSize{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    ::signal(SIGXFSZ, SIG_IGN);  // a refused write then fails with EFBIG instead of a signal
    Outcome outcome = Outcome::kSaved;
    try {
      SavePathSettings(location_, {std::string(200'000, 'g'), "/new/P2.BMP"});
    } catch (const OranduError& error) {
      outcome = error.what() == ini_.string() + " に書き込めません" ? Outcome::kRefused
                                                                    : Outcome::kOtherMessage;
    } catch (...) {
      outcome = Outcome::kOtherError;
    }
    ::_exit(static_cast<int>(outcome));
  }
  EXPECT_EQ(ExitStatusOf(child), static_cast<int>(Outcome::kRefused));
  EXPECT_EQ(ReadText(ini_), old);
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/old/ETOPO5.DOS", "/old/P1.BMP"}));
  EXPECT_EQ(FolderContent(dir_.path()), std::vector<std::filesystem::path>{"orandu.ini"})
      << "the refused temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(FileSizeLimits, SettingsFaultTest,
                         ::testing::Values(rlim_t{0}, rlim_t{4096}, rlim_t{65536}),
                         [](const auto& limit) { return "Bytes" + std::to_string(limit.param); });

// A child saves large values one after another until it is killed, at a different moment in
// each round. After every kill the file reads whole, as one of the saves left it.
TEST(SettingsKillTest, SaveKilledPartWayLeavesTheOldOrTheNewFileWhole) {
  TempDir dir;
  const auto ini = dir / "orandu.ini";
  std::vector<std::string> values;
  for (const char letter : {'a', 'b', 'c', 'd'}) values.push_back(std::string(300'000, letter));

  // Every content a finished save can leave: another section, then each of the values.
  dir.Write("orandu.ini", std::string("[Window]\nLeft=20\n"));
  // How long one save takes here sets the spread of the kills: over about three saves.
  std::set<std::string> wholeFiles;
  const auto started = std::chrono::steady_clock::now();
  for (const std::string& value : values) {
    WriteSetting(ini, "SYSTEM", "ETOPO5", value);
    wholeFiles.insert(ReadText(ini));
  }
  const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - started) /
                        values.size();

  constexpr int kRounds = 40;
  std::set<std::string> valuesSeen;
  for (int round = 0; round < kRounds; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (std::size_t save = 0;; ++save) {
        try {
          WriteSetting(ini, "SYSTEM", "ETOPO5", values[save % values.size()]);
        } catch (...) {
          ::_exit(1);
        }
      }
    }
    Sleep(3 * saveTime.count() * (round * 7919L % 1000) / 1000);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped by itself in round " << round;

    ASSERT_EQ(wholeFiles.count(ReadText(ini)), 1u) << "a torn file after round " << round;
    ASSERT_EQ(ReadSetting(ini, "Window", "Left", "<d>"), "20");
    valuesSeen.insert(ReadSetting(ini, "SYSTEM", "ETOPO5", "<d>"));
  }
  EXPECT_GE(valuesSeen.size(), 2u) << "the kills never let a save finish: the test saw nothing";
  // The temporary files the kills left behind went with the next save.
  WriteSetting(ini, "SYSTEM", "ETOPO5", "/last");
  EXPECT_EQ(FolderContent(dir.path()), std::vector<std::filesystem::path>{"orandu.ini"});
}

// Starts children that each wait on the same pipe, then run their job and exit with its result;
// closing the pipe lets them all go at the same moment.
class StartingLine {
 public:
  StartingLine() { ok_ = ::pipe(ends_) == 0; }
  ~StartingLine() { Go(); }
  StartingLine(const StartingLine&) = delete;
  StartingLine& operator=(const StartingLine&) = delete;

  template <typename Job>
  pid_t Add(Job job) {
    if (!ok_) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ends_[1]);
      char ignored = 0;
      [[maybe_unused]] const ssize_t got = ::read(ends_[0], &ignored, 1);  // ends at Go
      ::_exit(job());
    }
    return child;
  }
  void Go() {
    if (ends_[1] >= 0) ::close(ends_[1]);
    if (ends_[0] >= 0) ::close(ends_[0]);
    ends_[0] = ends_[1] = -1;
  }

 private:
  int ends_[2] = {-1, -1};
  bool ok_ = false;
};

// Makes TempDir create its folders in memory, where there is such a folder, while it lives: a
// race that saves hundreds of times then costs nothing in syncs to disk.
class TemporariesInMemory {
 public:
  TemporariesInMemory() {
    const char* folder = std::getenv("TMPDIR");
    if (folder) previous_ = folder;
    if (std::filesystem::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
  }
  ~TemporariesInMemory() {
    if (previous_) {
      ::setenv("TMPDIR", previous_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  TemporariesInMemory(const TemporariesInMemory&) = delete;
  TemporariesInMemory& operator=(const TemporariesInMemory&) = delete;

 private:
  std::optional<std::string> previous_;
};

int SaveOrFail(const SettingsLocation& location, const PathSettings& paths) {
  try {
    SavePathSettings(location, paths);
    return 0;
  } catch (...) {
    return 1;
  }
}

// Two saves started at the same moment: the file ends with both values of one of them, never
// one's grid with the other's colour bar.
// The file is on disk: there the two replacements of an unsound save lie far enough apart for
// the other save to come between them in a good share of the rounds.
TEST(SettingsRaceTest, TwoSavesAtOnceLeaveOneSavesPair) {
  TempDir dir;
  const SettingsLocation location = SettingsLocation::OfExecutable(dir / "orandu");
  const PathSettings first{"/first/ETOPO5.DOS", "/first/P1.BMP"};
  const PathSettings second{"/second/ETOPO5.DOS", "/second/P2.BMP"};
  constexpr int kRounds = 200;
  int mixed = 0;
  for (int round = 0; round < kRounds; ++round) {
    dir.Write("orandu.ini", std::string("[SYSTEM]\nETOPO5=/old\nColorBar=/old\n"));
    StartingLine line;
    const pid_t a = line.Add([&] { return SaveOrFail(location, first); });
    const pid_t b = line.Add([&] { return SaveOrFail(location, second); });
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    line.Go();
    ASSERT_EQ(ExitStatusOf(a), 0) << "round " << round;
    ASSERT_EQ(ExitStatusOf(b), 0) << "round " << round;
    const PathSettings saved = ReadPathSettings(location);
    mixed += saved == first || saved == second ? 0 : 1;
  }
  EXPECT_EQ(mixed, 0) << "rounds of " << kRounds << " that ended with one's grid, the other's bar";
}

// Processes that each change a key of their own at the same moment: the saves take turns, so
// none is lost to another replacing the file with an edit of the older text.
TEST(SettingsRaceTest, SavesAtOnceOfDifferentKeysLoseNone) {
  const TemporariesInMemory inMemory;
  TempDir dir;
  const auto ini = dir.Write("orandu.ini", std::string("[SYSTEM]\nETOPO5=/old\n"));
  constexpr int kWriters = 4;
  constexpr int kKeysEach = 25;
  StartingLine line;
  std::vector<pid_t> children;
  for (int writer = 0; writer < kWriters; ++writer) {
    children.push_back(line.Add([&ini, writer] {
      for (int key = 0; key < kKeysEach; ++key) {
        try {
          WriteSetting(ini, "Keys", "W" + std::to_string(writer) + "K" + std::to_string(key), "v");
        } catch (...) {
          return 1;
        }
      }
      return 0;
    }));
    ASSERT_GE(children.back(), 0);
  }
  line.Go();
  for (const pid_t child : children) EXPECT_EQ(ExitStatusOf(child), 0);
  int lost = 0;
  for (int writer = 0; writer < kWriters; ++writer) {
    for (int key = 0; key < kKeysEach; ++key) {
      const std::string name = "W" + std::to_string(writer) + "K" + std::to_string(key);
      lost += ReadSetting(ini, "Keys", name, "<lost>") == "v" ? 0 : 1;
    }
  }
  EXPECT_EQ(lost, 0) << "of " << kWriters * kKeysEach << " keys";
  EXPECT_EQ(ReadSetting(ini, "SYSTEM", "ETOPO5", "<d>"), "/old");
  EXPECT_EQ(FolderContent(dir.path()), std::vector<std::filesystem::path>{"orandu.ini"});
}

}  // namespace
}  // namespace orandu
