// A save replaces the file whole or leaves it as it was.
#include "AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

TEST(AtomicFileTest, ReplacesTheContentAndLeavesNoTemporaryBehind) {
  TempDir dir;
  const auto target = dir.Write("settings.ini", std::string("old"));
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("new content")));
  EXPECT_EQ(ReadText(target), "new content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicFileTest, SavedFileGetsOrdinaryPermissions) {
  TempDir dir;
  const auto target = dir / "new.ini";
  const mode_t previous = ::umask(022);
  ASSERT_TRUE(WriteFileAtomically(target, std::string_view("x")));
  ::umask(previous);
  EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0644));
}

TEST(AtomicFileTest, RefusedWriteKeepsTheOldFile) {
  TempDir dir;
  const auto blocker = dir.Write("not-a-folder", std::string("x"));
  EXPECT_FALSE(WriteFileAtomically(blocker / "settings.ini", std::string_view("new")));
  const auto target = dir.Write("settings.ini", std::string("old"));
  const auto folderInTheWay = dir / "taken";
  std::filesystem::create_directory(folderInTheWay);  // rename cannot replace a folder
  EXPECT_FALSE(WriteFileAtomically(folderInTheWay, std::string_view("new")));
  EXPECT_EQ(ReadText(target), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

}  // namespace
}  // namespace orandu
