// Where the settings file, the data folder and the default paths are.
#include "settings/SettingsLocation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

namespace orandu {
namespace {

struct SettingsPathRow {
  const char* executable;
  const char* settingsFile;
};
void PrintTo(const SettingsPathRow& row, std::ostream* out) {
  *out << row.executable;
}

class SettingsFilePathTest : public ::testing::TestWithParam<SettingsPathRow> {};

TEST_P(SettingsFilePathTest, CutsTheNameAtItsFirstDot) {
  EXPECT_EQ(SettingsFilePath(GetParam().executable),
            std::filesystem::path(GetParam().settingsFile));
}

INSTANTIATE_TEST_SUITE_P(
    Names, SettingsFilePathTest,
    ::testing::Values(SettingsPathRow{"/opt/orandu/orandu", "/opt/orandu/orandu.ini"},
                      SettingsPathRow{"/tools/relief.exe", "/tools/relief.ini"},
                      SettingsPathRow{"/tools/RELIEF.EXE", "/tools/RELIEF.ini"},
                      SettingsPathRow{"/tools/map.tool.exe", "/tools/map.ini"},
                      SettingsPathRow{"/tools/map.tool", "/tools/map.ini"},
                      SettingsPathRow{"/tools/trailing.", "/tools/trailing.ini"},
                      SettingsPathRow{"/tools/.hidden", "/tools/.ini"},
                      SettingsPathRow{"/v1.2/orandu", "/v1.2/orandu.ini"},
                      SettingsPathRow{"/地図/起伏.bin", "/地図/起伏.ini"}));

TEST(SettingsLocationTest, PathsAreBuiltFromTheExecutablesFolder) {
  const auto location = SettingsLocation::OfExecutable("/opt/orandu/orandu");
  EXPECT_EQ(location.Folder().string(), "/opt/orandu/");
  EXPECT_EQ(location.DataDir().string(), "/opt/orandu/data");
  EXPECT_EQ(location.DefaultGridPath().string(), "/opt/orandu/data/ETOPO5.DOS");
  EXPECT_EQ(location.DefaultColorBarPath().string(), "/opt/orandu/data/P1.BMP");
}

TEST(SettingsLocationTest, RelativePathsAreTakenFromTheExecutablesFolder) {
  const auto location = SettingsLocation::OfExecutable("/opt/orandu/orandu");
  EXPECT_EQ(location.Resolve("data/P1.BMP").string(), "/opt/orandu/data/P1.BMP");
  EXPECT_EQ(location.Resolve("../grids/e.dos").string(), "/opt/orandu/../grids/e.dos");
  EXPECT_EQ(location.Resolve("./e.dos").string(), "/opt/orandu/./e.dos");
  EXPECT_EQ(location.Resolve("/grids/e.dos").string(), "/grids/e.dos");
  // An empty path names no file; it stays empty, so the message is the one an empty name gets.
  EXPECT_EQ(location.Resolve("").string(), "");
}

TEST(SettingsLocationTest, RunningExecutableIsThisBinaryWhateverTheWorkingFolder) {
  const auto previous = std::filesystem::current_path();
  testing::TempDir elsewhere;
  std::filesystem::current_path(elsewhere.path());
  const auto location = SettingsLocation::OfRunningExecutable();
  const auto settingsFile = location.SettingsFile();
  std::filesystem::current_path(previous);

  const auto testsFolder = std::filesystem::canonical(ORANDU_BINARY_DIR "/tests");
  EXPECT_EQ(location.Executable(), testsFolder / "settings_tests");
  EXPECT_EQ(settingsFile, testsFolder / "settings_tests.ini");
}

}  // namespace
}  // namespace orandu
