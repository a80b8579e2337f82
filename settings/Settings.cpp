// Reads and saves the grid and colour bar paths in the settings file.
#include "settings/Settings.h"

#include "settings/ProfileFile.h"

namespace orandu {

PathSettings ReadPathSettings(const SettingsLocation& location) {
  const ProfileSnapshot profile(location.SettingsFile());
  return {
      profile.ReadSetting(kSystemSection, kGridKey, location.DefaultGridPath().string()),
      profile.ReadSetting(kSystemSection, kColorBarKey, location.DefaultColorBarPath().string())};
}

void SavePathSettings(const SettingsLocation& location, const PathSettings& paths) {
  const ProfileValue values[] = {{kGridKey, paths.grid}, {kColorBarKey, paths.colorBar}};
  WriteSettings(location.SettingsFile(), kSystemSection, values);
}

}  // namespace orandu
