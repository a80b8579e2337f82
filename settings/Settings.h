// The program's two settings: the paths of the grid file and of the colour bar picture.
#pragma once

#include <string>
#include <string_view>

#include "settings/SettingsLocation.h"

namespace orandu {

inline constexpr std::string_view kSystemSection = "SYSTEM";
inline constexpr std::string_view kGridKey = "ETOPO5";
inline constexpr std::string_view kColorBarKey = "ColorBar";

// The two paths as the file holds them: bytes of the system's file names.
struct PathSettings {
  std::string grid;
  std::string colorBar;
  bool operator==(const PathSettings&) const = default;
};

// One reading of both keys. A missing file or key gives the defaults in the data folder, built
// at this moment and never written back.
PathSettings ReadPathSettings(const SettingsLocation& location);

// Writes "ETOPO5" and then "ColorBar" in section "SYSTEM", both in one replacement of the file.
// Throws OranduError with the settings file's write message; a refused save changes no byte, and
// of two saves at the same moment the file ends with one save's two values.
void SavePathSettings(const SettingsLocation& location, const PathSettings& paths);

}  // namespace orandu
