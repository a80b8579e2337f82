// Reading a file the user chose: never more than the file held when it was opened.
#include "region/files/SourceFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

// Another program appending all the while cannot make the read run on.
TEST(SourceFileTest, FileGrownSinceTheOpeningIsReadToItsSizeThen) {
  TempDir dir;
  const auto path = dir.Write("bar.bmp", std::string(1000, 'a'));
  SourceFile file(path);
  std::ofstream(path, std::ios::binary | std::ios::app) << std::string(5000, 'b');
  EXPECT_EQ(file.size(), 1000u);
  EXPECT_EQ(file.ReadAll(), std::vector<std::uint8_t>(1000, 'a'));
}

TEST(SourceFileTest, FileCutSinceTheOpeningGivesWhatItStillHolds) {
  TempDir dir;
  const auto path = dir.Write("bar.bmp", std::string(1000, 'a'));
  SourceFile file(path);
  std::filesystem::resize_file(path, 300);
  EXPECT_EQ(file.ReadAll(), std::vector<std::uint8_t>(300, 'a'));
}

// The kernel's status files are regular files that state no size, whatever they hold.
TEST(SourceFileTest, FileThatStatesNoSizeReadsAsEmpty) {
  SourceFile file("/proc/self/status");
  EXPECT_EQ(file.size(), 0u);
  EXPECT_TRUE(file.ReadAll().empty());
}

}  // namespace
}  // namespace orandu
