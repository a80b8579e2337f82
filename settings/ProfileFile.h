// Reading and writing values by section and key in an INI-style profile file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace orandu {

// A profile file larger than this is not a settings file: reading it yields the defaults and
// writing refuses to replace it.
inline constexpr std::size_t kMaxProfileFileBytes = std::size_t{1} << 20;

// One reading of a profile file: the file is opened, read whole and released at once, and every
// lookup is answered from memory. Section and key names match without regard to ASCII case;
// values come back byte for byte, however long.
class ProfileSnapshot {
 public:
  // Never fails: a missing, unreadable, oversized or non-regular file (a folder, a FIFO) reads as
  // an empty profile, and lines that are not "[section]" or "key=value" are skipped.
  explicit ProfileSnapshot(const std::filesystem::path& file);
  ~ProfileSnapshot();
  ProfileSnapshot(const ProfileSnapshot&) = delete;
  ProfileSnapshot& operator=(const ProfileSnapshot&) = delete;

  // The stored value, or the fallback when the section or the key is missing. An empty stored
  // value is returned empty, not as the fallback.
  std::string ReadSetting(std::string_view section, std::string_view key,
                          std::string_view fallback) const;

 private:
  struct Parsed;
  std::unique_ptr<Parsed> parsed_;
};

// One lookup in a fresh reading of the file.
std::string ReadSetting(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view fallback);

// Creates the file and the section when missing and replaces the key's value, keeping every other
// section, key and comment; the file is replaced atomically, so a failure leaves it as it was.
// Throws OranduError(CannotWriteMessage(file)) when the system refuses the write, when the
// existing file cannot be read back (too large, not a regular file, unreadable, read-only), and
// when the value cannot live on one line (it holds a line break or a NUL byte).
void WriteSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  std::string_view value);

}  // namespace orandu
