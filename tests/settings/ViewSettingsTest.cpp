// The region view's world-file choice in the settings file: only "1" under [VIEW] turns it on, and
// saving it changes no other byte of the file.
#include "settings/ViewSettings.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

class ViewSettingsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  SettingsLocation location_ = SettingsLocation::OfExecutable(dir_ / "orandu");
  std::filesystem::path ini_ = dir_ / "orandu.ini";
};

TEST_F(ViewSettingsTest, WorldFileIsOnOnlyForOneUnderView) {
  EXPECT_FALSE(ReadWorldFileSetting(location_)) << "no settings file";
  const struct {
    const char* text;
    bool on;
  } rows[] = {
      {"[SYSTEM]\nETOPO5=data/ETOPO5.DOS\n", false},  // no [VIEW]
      {"[VIEW]\nShade=1\n", false},                   // no key
      {"[VIEW]\nWorldFile=0\n", false},
      {"[VIEW]\nWorldFile=1\n", true},
      {"[VIEW]\r\nShade=0\r\nWorldFile=1\r\n", true},
      {"[VIEW]\nWorldFile=yes\n", false},
      {"[VIEW]\nWorldFile=10\n", false},
      {"[VIEW]\nWorldFile=\n", false},
      {"[VIEW]\nWorldFile=\x01\xff\n", false},
      {"[SYSTEM]\nWorldFile=1\n[VIEW]\nShade=1\n", false},  // another section's key
  };
  for (const auto& row : rows) {
    dir_.Write("orandu.ini", std::string(row.text));
    EXPECT_EQ(ReadWorldFileSetting(location_), row.on) << row.text;
  }
}

TEST_F(ViewSettingsTest, SavingWorldFileKeepsEveryOtherByte) {
  const std::string before = "; mine\r\n[VIEW]\r\nShade=1\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n";
  dir_.Write("orandu.ini", before);
  SaveWorldFileSetting(location_, true);
  EXPECT_EQ(ReadText(ini_),
            "; mine\r\n[VIEW]\r\nShade=1\r\nWorldFile=1\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n");
  EXPECT_TRUE(ReadWorldFileSetting(location_));
  EXPECT_TRUE(ReadShadeSetting(location_));
  SaveWorldFileSetting(location_, false);
  EXPECT_EQ(ReadText(ini_),
            "; mine\r\n[VIEW]\r\nShade=1\r\nWorldFile=0\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n");
  EXPECT_FALSE(ReadWorldFileSetting(location_));
}

TEST_F(ViewSettingsTest, SavingWorldFileAddsTheSectionWhereThereIsNone) {
  dir_.Write("orandu.ini", std::string("[SYSTEM]\nETOPO5=g\n"));
  SaveWorldFileSetting(location_, true);
  EXPECT_EQ(ReadText(ini_), "[SYSTEM]\nETOPO5=g\n[VIEW]\nWorldFile=1\n");
}

}  // namespace
}  // namespace orandu
