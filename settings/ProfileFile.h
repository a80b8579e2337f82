// Reading and writing values by section and key in an INI-style profile file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace orandu {

// A profile file larger than this is not a settings file: reading it yields the defaults and
// writing refuses to replace it.
inline constexpr std::size_t kMaxProfileFileBytes = std::size_t{1} << 20;

// One reading of a profile file: the file is opened, read whole and released at once, and every
// lookup is answered from memory. UTF-8 with or without a byte-order mark and UTF-16 with one are
// read; values come back as UTF-8 (a file without a mark: byte for byte), however long. The lexical
// rules, and which of a repeated key counts, are those of ProfileText.h.
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

// Creates the file and the section when missing and replaces the key's value; every other byte
// of the file stays as it was (line breaks, comments, lines that mean nothing, order), and the
// file is written back in the encoding it came in. A symbolic link is followed, even to a file
// that does not exist yet. The file is replaced atomically, keeping its mode and, where the
// system allows, its owner and group, so a failure leaves it as it was.
// Throws OranduError(CannotWriteMessage(file)) when the system refuses the write, when the
// existing file cannot be read back (too large, not a regular file, unreadable), when it or its
// folder is read-only by its mode (for root too) or its attributes, when the value cannot live
// on one line (it holds a line break or a NUL byte) or in the file's encoding (not UTF-8 for a
// UTF-16 file), and when the result would be too large to read.
void WriteSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  std::string_view value);

struct ProfileValue {
  std::string_view key;
  std::string_view value;
};

// Sets several keys of one section, in order, as WriteSetting sets one, in a single replacement
// of the file: a refusal of any value changes no byte. The file is locked from its reading to its
// replacement, so saves at the same moment, in any process, take turns; one that waits more than
// a few seconds is refused.
void WriteSettings(const std::filesystem::path& file, std::string_view section,
                   std::span<const ProfileValue> values);

}  // namespace orandu
