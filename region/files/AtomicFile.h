// Replacing a file's content so that readers see either the old file whole or the new one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orandu {

// The most symbolic links the system follows in one path.
inline constexpr int kMostLinks = 40;

// The file a path names once its symbolic links are followed as the system follows them, whether
// or not that file exists yet (a link to a file still to be made gives that file). Nothing for a
// loop, more than kMostLinks links, or a link that cannot be read.
std::optional<std::filesystem::path> FollowLinks(std::filesystem::path path);

// Streams the new content into a temporary file beside the target, then flushes it to disk and
// renames it over the target. Until Commit succeeds the target is untouched; an abandoned or
// failed writer removes its temporary. The temporary is locked while it is written, and a
// temporary left unlocked by a writer that was killed is removed by the next writer of the same
// target, so they do not pile up; writers of the same target at the same time never take each
// other's temporaries. A target that already exists keeps its mode and, where the system
// allows, its owner and group. A symbolic link is written where it points; a target that is not
// a regular file (a folder, a device, a FIFO, a socket) is refused and left as it is. Names up to
// the system's longest are accepted: the temporary's name stays within that limit.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::filesystem::path& target);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // False once any step has been refused (no temporary could be made, a full disk, a file-size
  // limit); later writes then do nothing and Commit fails.
  bool Ok() const { return descriptor_ >= 0; }

  bool Write(std::span<const std::uint8_t> bytes);
  bool Write(std::string_view text);

  // Flushes, closes and renames the temporary over the target. True when the target now holds
  // everything written; false (target untouched, temporary removed) otherwise.
  [[nodiscard]] bool Commit();

  // The start of the file name of every temporary made for a target: "<name>.orandu-tmp-", or
  // for a name too long for that, its start, "~", a hash of the whole name and ".orandu-tmp-".
  static std::string TemporaryPrefix(const std::filesystem::path& target);

 private:
  void Abandon();

  std::filesystem::path target_;
  std::string temporary_;
  int descriptor_ = -1;
};

// The whole content at once. Returns false (and leaves the target untouched, the temporary
// removed) when any step is refused: a read-only folder, a full disk, a bad path.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& target,
                                       std::span<const std::uint8_t> bytes);
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text);

}  // namespace orandu
