// Reads and saves the region view's shading and world-file choice in the settings file.
#include "settings/ViewSettings.h"

#include "settings/ProfileFile.h"

namespace orandu {

bool ReadShadeSetting(const SettingsLocation& location) {
  return ReadSetting(location.SettingsFile(), kViewSection, kShadeKey, "0") == "1";
}

void SaveShadeSetting(const SettingsLocation& location, bool shade) {
  WriteSetting(location.SettingsFile(), kViewSection, kShadeKey, shade ? "1" : "0");
}

bool ReadWorldFileSetting(const SettingsLocation& location) {
  return ReadSetting(location.SettingsFile(), kViewSection, kWorldFileKey, "0") == "1";
}

void SaveWorldFileSetting(const SettingsLocation& location, bool worldFile) {
  WriteSetting(location.SettingsFile(), kViewSection, kWorldFileKey, worldFile ? "1" : "0");
}

}  // namespace orandu
