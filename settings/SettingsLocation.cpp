// Settings and data paths worked out from the executable's path.
#include "settings/SettingsLocation.h"

#include <string>
#include <system_error>
#include <utility>

#include "region/files/Errors.h"

namespace orandu {

namespace {

constexpr const char* kSelfLink = "/proc/self/exe";

// The kernel appends this to the link when the file was replaced while the program runs, as a
// rebuild does; the settings still belong beside the new file of the same name.
constexpr std::string_view kDeletedSuffix = " (deleted)";

}  // namespace

std::filesystem::path ExecutableFolder(const std::filesystem::path& executable) {
  return executable.parent_path() / "";
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& executable) {
  const std::string name = executable.filename().string();
  const auto dot = name.find('.');
  const std::string stem = dot == std::string::npos ? name + "." : name.substr(0, dot + 1);
  return ExecutableFolder(executable) / (stem + "ini");
}

std::filesystem::path RunningExecutable() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink(kSelfLink, error);
  if (error) throw OranduError(CannotOpenMessage(kSelfLink, error.message()));
  const std::string text = executable.string();
  if (text.ends_with(kDeletedSuffix) && !std::filesystem::exists(executable, error)) {
    executable = text.substr(0, text.size() - kDeletedSuffix.size());
  }
  return executable;
}

SettingsLocation::SettingsLocation(std::optional<std::filesystem::path> executable)
    : executable_(std::move(executable)) {}

SettingsLocation SettingsLocation::OfRunningExecutable() {
  return SettingsLocation(std::nullopt);
}

SettingsLocation SettingsLocation::OfExecutable(std::filesystem::path executable) {
  return SettingsLocation(std::move(executable));
}

std::filesystem::path SettingsLocation::Executable() const {
  return executable_ ? *executable_ : RunningExecutable();
}

std::filesystem::path SettingsLocation::Folder() const {
  return ExecutableFolder(Executable());
}

std::filesystem::path SettingsLocation::SettingsFile() const {
  return SettingsFilePath(Executable());
}

std::filesystem::path SettingsLocation::DataDir() const {
  return Folder() / "data";
}

std::filesystem::path SettingsLocation::DefaultGridPath() const {
  return DataDir() / "ETOPO5.DOS";
}

std::filesystem::path SettingsLocation::DefaultColorBarPath() const {
  return DataDir() / "P1.BMP";
}

std::filesystem::path SettingsLocation::Resolve(const std::filesystem::path& path) const {
  if (path.empty() || path.is_absolute()) return path;
  return Folder() / path;
}

}  // namespace orandu
