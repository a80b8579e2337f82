// Where the settings file and the data folder are: beside the executable.
#pragma once

#include <filesystem>
#include <optional>

namespace orandu {

// The executable's folder with its trailing separator: "/opt/orandu/" for "/opt/orandu/orandu".
std::filesystem::path ExecutableFolder(const std::filesystem::path& executable);

// The executable's folder + its file name up to and including the first "." + "ini". A name
// without a dot takes ".ini" after the whole name: "orandu" gives "orandu.ini", "map.tool" gives
// "map.ini", "relief.exe" gives "relief.ini".
std::filesystem::path SettingsFilePath(const std::filesystem::path& executable);

// The running program's executable as the system names it (never the working folder). Throws
// OranduError when the system will not tell.
std::filesystem::path RunningExecutable();

// The paths built from one executable. The running program's location asks the system afresh at
// every query, so a renamed executable finds its settings under its new name.
class SettingsLocation {
 public:
  static SettingsLocation OfRunningExecutable();
  static SettingsLocation OfExecutable(std::filesystem::path executable);

  std::filesystem::path Executable() const;
  std::filesystem::path Folder() const;               // with its trailing separator
  std::filesystem::path SettingsFile() const;         // see SettingsFilePath
  std::filesystem::path DataDir() const;              // Folder() + "data", no trailing separator
  std::filesystem::path DefaultGridPath() const;      // DataDir() / "ETOPO5.DOS"
  std::filesystem::path DefaultColorBarPath() const;  // DataDir() / "P1.BMP"

  // A path as the settings file or the settings dialog holds it, ready to open: a relative one
  // is taken from Folder(), where the settings file and the data folder are, whatever the working
  // folder. An empty or absolute path is returned as it is.
  std::filesystem::path Resolve(const std::filesystem::path& path) const;

 private:
  explicit SettingsLocation(std::optional<std::filesystem::path> executable);

  std::optional<std::filesystem::path> executable_;  // empty: the running executable
};

}  // namespace orandu
