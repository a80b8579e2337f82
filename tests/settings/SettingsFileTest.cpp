// Reading and saving the settings file: defaults, round trips, and files that cannot be used.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "region/files/Errors.h"
#include "settings/ProfileFile.h"
#include "settings/Settings.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

// Sets the immutable attribute, which stops writes even by root, and clears it at the end.
class Immutable {
 public:
  explicit Immutable(const std::filesystem::path& path) : path_(path) { applied_ = Set(true); }
  ~Immutable() {
    if (applied_) Set(false);
  }
  Immutable(const Immutable&) = delete;
  Immutable& operator=(const Immutable&) = delete;
  bool Applied() const { return applied_; }

 private:
  bool Set(bool on) {
    const int descriptor = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(descriptor);
    return ok;
  }

  std::filesystem::path path_;
  bool applied_ = false;
};

class SettingsFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  SettingsLocation location_ = SettingsLocation::OfExecutable(dir_ / "orandu");
  std::filesystem::path ini_ = dir_ / "orandu.ini";

  void WriteIni(const std::string& text) const { dir_.Write("orandu.ini", text); }
  std::string Read(std::string_view key) const { return ReadSetting(ini_, "SYSTEM", key, "<d>"); }
  std::string WriteMessage() const { return ini_.string() + " に書き込めません"; }
  void ExpectRefused(const PathSettings& paths) const {
    try {
      SavePathSettings(location_, paths);
      ADD_FAILURE() << "the save was not refused";
    } catch (const OranduError& error) {
      EXPECT_EQ(error.what(), WriteMessage());
    }
  }
};

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsAndCreatesNothing) {
  const PathSettings paths = ReadPathSettings(location_);
  EXPECT_EQ(paths.grid, (dir_ / "data/ETOPO5.DOS").string());
  EXPECT_EQ(paths.colorBar, (dir_ / "data/P1.BMP").string());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(SettingsFileTest, SaveWritesOneSectionWithTheTwoKeysInOrder) {
  SavePathSettings(location_, {"/grids/ETOPO5.DOS", "/bars/P2.BMP"});
  EXPECT_EQ(ReadText(ini_), "[SYSTEM]\nETOPO5=/grids/ETOPO5.DOS\nColorBar=/bars/P2.BMP\n");
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/grids/ETOPO5.DOS", "/bars/P2.BMP"}));
}

TEST_F(SettingsFileTest, SectionsAndKeysMatchWithoutRegardToCase) {
  WriteIni("[system]\netopo5=/a\nCOLORBAR=/b\n");
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/a", "/b"}));
  SavePathSettings(location_, {"/c", "/d"});
  EXPECT_EQ(ReadText(ini_), "[system]\netopo5=/c\nCOLORBAR=/d\n");
}

TEST_F(SettingsFileTest, EmptyValueStaysEmptyAndIsNotTheDefault) {
  SavePathSettings(location_, {"", ""});
  EXPECT_EQ(ReadText(ini_), "[SYSTEM]\nETOPO5=\nColorBar=\n");
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"", ""}));
}

TEST_F(SettingsFileTest, RenamedExecutableNoLongerFindsItsSettings) {
  SavePathSettings(SettingsLocation::OfExecutable(dir_ / "a.exe"), {"/g", "/c"});
  const PathSettings paths = ReadPathSettings(SettingsLocation::OfExecutable(dir_ / "b.exe"));
  EXPECT_EQ(paths.grid, (dir_ / "data/ETOPO5.DOS").string());
}

struct ValueRow {
  const char* name;
  std::string value;
};
void PrintTo(const ValueRow& row, std::ostream* out) {
  *out << row.name;
}

class ValueRoundTripTest : public ::testing::TestWithParam<ValueRow> {};

TEST_P(ValueRoundTripTest, ComesBackByteForByte) {
  TempDir dir;
  const auto ini = dir / "orandu.ini";
  WriteSetting(ini, "SYSTEM", "ETOPO5", GetParam().value);
  WriteSetting(ini, "SYSTEM", "ColorBar", "after");
  EXPECT_EQ(ReadSetting(ini, "SYSTEM", "ETOPO5", "<d>"), GetParam().value);
  EXPECT_EQ(ReadSetting(ini, "SYSTEM", "ColorBar", "<d>"), "after");
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueRoundTripTest,
    ::testing::Values(ValueRow{"Japanese", "/データ/地形/ETOPO5.DOS"},
                      ValueRow{"Long", std::string(5000, 'x') + "/P1.BMP"},
                      ValueRow{"OuterSpaces", "  spaces around  "}, ValueRow{"OnlyBlanks", " \t "},
                      ValueRow{"TrailingBlanks", "/a \t"}, ValueRow{"LeadingTab", "\tand tab"},
                      ValueRow{"OuterQuotes", "\"quoted\""}, ValueRow{"TwoQuotes", "\"\""},
                      ValueRow{"OneQuote", "\""}, ValueRow{"CommentAndEquals", "a;b#c=d"},
                      ValueRow{"MultiLineTag", "<<<TAG"}, ValueRow{"SectionLike", "[SYSTEM]"},
                      ValueRow{"NotUtf8", "/not/utf8/\xFF\xFE\x80"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsFileTest, ValueWithALineBreakIsRefusedBeforeColorBarIsWritten) {
  WriteIni("[SYSTEM]\nETOPO5=/old\nColorBar=/old.bmp\n");
  const std::string before = ReadText(ini_);
  ExpectRefused({"/a\n[OTHER]", "/new.bmp"});
  ExpectRefused({std::string("/a\0b", 4), "/new.bmp"});
  EXPECT_EQ(ReadText(ini_), before);
}

// What a child that saves tells its parent by its exit status.
enum class ChildSave { kRefused = 0, kSaved = 1, kOtherError = 2, kNotDropped = 3 };

// Saves in a child process that has given up root for an unprivileged user and group: the
// system's own refusals then apply to it, as to any user.
ChildSave SaveAsUnprivilegedUser(const SettingsLocation& location, uid_t user) {
  const pid_t child = ::fork();
  if (child < 0) return ChildSave::kOtherError;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(user, user, user) != 0 ||
        ::setresuid(user, user, user) != 0) {
      ::_exit(static_cast<int>(ChildSave::kNotDropped));
    }
    ChildSave outcome = ChildSave::kSaved;
    try {
      SavePathSettings(location, {"/new", "/new.bmp"});
    } catch (const OranduError& error) {
      outcome = error.what() == location.SettingsFile().string() + " に書き込めません"
                    ? ChildSave::kRefused
                    : ChildSave::kOtherError;
    } catch (...) {
      outcome = ChildSave::kOtherError;
    }
    ::_exit(static_cast<int>(outcome));
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return ChildSave::kOtherError;
  return static_cast<ChildSave>(WEXITSTATUS(status));
}

void SetWritable(const std::filesystem::path& target, bool writable) {
  std::filesystem::permissions(
      target, std::filesystem::perms::owner_write,
      writable ? std::filesystem::perm_options::add : std::filesystem::perm_options::remove);
  std::filesystem::permissions(
      target, std::filesystem::perms::group_write | std::filesystem::perms::others_write,
      std::filesystem::perm_options::remove);
}

// A file or folder nobody may write refuses the save to everyone, root included (root's own
// access() would allow it). Each case is tried by whoever runs the test, and, when that is root,
// again by an unprivileged user in a child; the immutable attribute, which stops root too, is
// tried where the file system has it.
TEST_F(SettingsFileTest, ReadOnlyFolderOrFileRefusesTheSaveAndKeepsTheOldFile) {
  const std::string old = "[SYSTEM]\nETOPO5=/old\n";
  WriteIni(old);
  const bool root = ::geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  for (const auto& target : {dir_.path(), ini_}) {
    SCOPED_TRACE(target);
    SetWritable(target, false);
    ExpectRefused({"/new", "/new.bmp"});
    EXPECT_EQ(ReadText(ini_), old);
    SetWritable(target, true);

    if (root) {
      // The user owns the folder and the file, so only their mode can stop it.
      ASSERT_EQ(::chown(dir_.path().c_str(), kNobody, kNobody), 0);
      ASSERT_EQ(::chown(ini_.c_str(), kNobody, kNobody), 0);
      SetWritable(target, false);
      EXPECT_EQ(SaveAsUnprivilegedUser(location_, kNobody), ChildSave::kRefused);
      EXPECT_EQ(ReadText(ini_), old);
      SetWritable(target, true);
    }

    const Immutable immutable(target);
    if (immutable.Applied()) {
      ExpectRefused({"/new", "/new.bmp"});
      EXPECT_EQ(ReadText(ini_), old);
    }
  }
  // The same user saves once the file and folder may be written again: the refusals above were
  // the mode's, not the user's.
  if (root) {
    EXPECT_EQ(SaveAsUnprivilegedUser(location_, kNobody), ChildSave::kSaved);
    EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/new", "/new.bmp"}));
  }
}

TEST_F(SettingsFileTest, FolderThatIsAFileRefusesTheSaveAndReadsAsDefaults) {
  const auto blocker = dir_.Write("blocker", std::string("x"));
  const auto blocked = SettingsLocation::OfExecutable(blocker / "orandu");
  try {
    SavePathSettings(blocked, {"/g", "/c"});
    ADD_FAILURE() << "the save was not refused";
  } catch (const OranduError& error) {
    EXPECT_EQ(error.what(), (blocker / "orandu.ini").string() + " に書き込めません");
  }
  EXPECT_EQ(ReadPathSettings(blocked).grid, (blocker / "data/ETOPO5.DOS").string());
}

struct GarbageRow {
  const char* name;
  std::string content;
};
void PrintTo(const GarbageRow& row, std::ostream* out) {
  *out << row.name;
}

class GarbageTest : public SettingsFileTest, public ::testing::WithParamInterface<GarbageRow> {};

TEST_P(GarbageTest, ReadsAsDefaultsAndASaveRepairsIt) {
  WriteIni(GetParam().content);
  EXPECT_EQ(Read("ETOPO5"), "<d>");
  SavePathSettings(location_, {"/g", "/c"});
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/g", "/c"}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, GarbageTest,
    ::testing::Values(GarbageRow{"Binary", std::string("\x89PNG\r\n\x1a\n\0\0\xff\xd8=\x01", 14)},
                      GarbageRow{"NulBeforeTheSection", std::string("\0[SYSTEM]\nETOPO5=/x\n", 20)},
                      GarbageRow{"KeyOutsideAnySection", "ETOPO5=/x\n"},
                      GarbageRow{"UnclosedHeader", "[SYSTEM\nETOPO5=/x\n"},
                      GarbageRow{"OtherSection", "[SYSTEMS]\nETOPO5=/x\n"},
                      GarbageRow{"NoEquals", "[SYSTEM]\nETOPO5 /x\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsFileTest, UnusableFilesReadAsDefaultsAndAreNotReplaced) {
  std::string oversized = "[SYSTEM]\nETOPO5=/x\n; ";
  oversized.resize(kMaxProfileFileBytes + 1, 'x');
  WriteIni(oversized);
  EXPECT_EQ(Read("ETOPO5"), "<d>");
  ExpectRefused({"/g", "/c"});
  EXPECT_EQ(std::filesystem::file_size(ini_), kMaxProfileFileBytes + 1);

  std::filesystem::remove(ini_);
  std::filesystem::create_directory(ini_);
  EXPECT_EQ(Read("ETOPO5"), "<d>");
  ExpectRefused({"/g", "/c"});
  EXPECT_TRUE(std::filesystem::is_directory(ini_));

  // Opening a FIFO for reading would wait for a writer forever.
  std::filesystem::remove(ini_);
  ASSERT_EQ(::mkfifo(ini_.c_str(), 0644), 0);
  EXPECT_EQ(Read("ETOPO5"), "<d>");
  ExpectRefused({"/g", "/c"});
  EXPECT_TRUE(std::filesystem::is_fifo(ini_));
}

TEST_F(SettingsFileTest, ValueThatWouldOutgrowTheReadableSizeIsRefused) {
  ExpectRefused({std::string(kMaxProfileFileBytes, 'x'), "/c"});
  EXPECT_FALSE(std::filesystem::exists(ini_));
}

}  // namespace
}  // namespace orandu
