// The region view's world-file choice in the settings file: only "1" under [VIEW] turns it on, and
// saving it changes no other byte of the file.
#include "ViewSettings.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

class ViewSettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  SettingsLocation location = SettingsLocation::OfExecutable(dir / "orandu");
  std::filesystem::path ini = dir / "orandu.ini";
};

TEST_F(ViewSettingsTest, WorldFileIsOnOnlyForOneUnderView) {
  EXPECT_FALSE(ReadWorldFileSetting(location)) << "no settings file";
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
    dir.Write("orandu.ini", std::string(row.text));
    EXPECT_EQ(ReadWorldFileSetting(location), row.on) << row.text;
  }
}

TEST_F(ViewSettingsTest, SavingWorldFileKeepsEveryOtherByte) {
  const std::string before = "; mine\r\n[VIEW]\r\nShade=1\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n";
  dir.Write("orandu.ini", before);
  SaveWorldFileSetting(location, true);
  EXPECT_EQ(ReadText(ini),
            "; mine\r\n[VIEW]\r\nShade=1\r\nWorldFile=1\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n");
  EXPECT_TRUE(ReadWorldFileSetting(location));
  EXPECT_TRUE(ReadShadeSetting(location));
  SaveWorldFileSetting(location, false);
  EXPECT_EQ(ReadText(ini),
            "; mine\r\n[VIEW]\r\nShade=1\r\nWorldFile=0\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n");
  EXPECT_FALSE(ReadWorldFileSetting(location));
}

TEST_F(ViewSettingsTest, SavingWorldFileAddsTheSectionWhereThereIsNone) {
  dir.Write("orandu.ini", std::string("[SYSTEM]\nETOPO5=g\n"));
  SaveWorldFileSetting(location, true);
  EXPECT_EQ(ReadText(ini), "[SYSTEM]\nETOPO5=g\n[VIEW]\nWorldFile=1\n");
}

}  // namespace
}  // namespace orandu
