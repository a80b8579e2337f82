// Profile files read with a size limit and changed in place through an atomic replace.
#include "ProfileFile.h"

#include <unistd.h>

#include <cerrno>
#include <optional>
#include <system_error>

#include "AtomicFile.h"
#include "Errors.h"
#include "ProfileEncoding.h"
#include "ProfileText.h"
#include "RegularFile.h"

namespace orandu {

namespace {

enum class FileState { kMissing, kRead, kUnusable };

struct FileContent {
  FileState state = FileState::kMissing;
  std::string bytes;
};

// Reads at most kMaxProfileFileBytes of a regular file; the file is closed before returning.
FileContent ReadSmallRegularFile(const std::filesystem::path& file) {
  const RegularFileOpening opening = OpenRegularFile(file);
  if (opening.descriptor < 0) {
    const bool missing = opening.error == ENOENT || opening.error == ENOTDIR;
    return {missing ? FileState::kMissing : FileState::kUnusable, {}};
  }
  FileContent content{FileState::kUnusable, {}};
  if (opening.size <= kMaxProfileFileBytes) {
    // Read to the end rather than to the size the open saw: the file may have grown since.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(opening.size));
    char chunk[16384];
    bool failed = false;
    while (!failed) {
      const ssize_t got = ::read(opening.descriptor, chunk, sizeof chunk);
      if (got == 0) break;
      if (got < 0) {
        failed = errno != EINTR;
        continue;
      }
      bytes.append(chunk, static_cast<std::size_t>(got));
      failed = bytes.size() > kMaxProfileFileBytes;
    }
    if (!failed) content = {FileState::kRead, std::move(bytes)};
  }
  ::close(opening.descriptor);
  return content;
}

// The file a chain of symbolic links ends at, whether or not it exists: replacing the link
// itself would cut the settings off from where the user keeps them. Empty for a loop.
std::optional<std::filesystem::path> FollowLinks(std::filesystem::path file) {
  constexpr int kMostLinks = 40;  // as the system allows in one path
  for (int hop = 0; hop < kMostLinks; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, error))) return file;
    const std::filesystem::path next = std::filesystem::read_symlink(file, error);
    if (error) return std::nullopt;
    file = file.parent_path() / next;  // an absolute link replaces the whole path
  }
  return std::nullopt;
}

bool FitsOnOneLine(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

[[noreturn]] void RefuseWrite(const std::filesystem::path& file) {
  throw OranduError(CannotWriteMessage(file));
}

}  // namespace

struct ProfileSnapshot::Parsed {
  std::string text;  // UTF-8, or the file's bytes as they are
};

ProfileSnapshot::ProfileSnapshot(const std::filesystem::path& file)
    : parsed_(std::make_unique<Parsed>()) {
  FileContent content = ReadSmallRegularFile(file);
  if (content.state == FileState::kRead) parsed_->text = DecodeProfile(content.bytes).text;
}

ProfileSnapshot::~ProfileSnapshot() = default;

std::string ProfileSnapshot::ReadSetting(std::string_view section, std::string_view key,
                                         std::string_view fallback) const {
  return FindProfileValue(parsed_->text, section, key).value_or(std::string(fallback));
}

std::string ReadSetting(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view fallback) {
  return ProfileSnapshot(file).ReadSetting(section, key, fallback);
}

void WriteSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  std::string_view value) {
  if (!FitsOnOneLine(value)) RefuseWrite(file);
  const std::optional<std::filesystem::path> target = FollowLinks(file);
  if (!target) RefuseWrite(file);
  const FileContent content = ReadSmallRegularFile(*target);
  if (content.state == FileState::kUnusable) RefuseWrite(file);
  // The rename would also replace a file the user made read-only; honour the flag instead.
  if (content.state == FileState::kRead && ::access(target->c_str(), W_OK) != 0) RefuseWrite(file);

  DecodedProfile profile = DecodeProfile(content.bytes);
  if (!FitsProfileEncoding(value, profile.encoding)) RefuseWrite(file);
  profile.text = WithProfileValue(profile.text, section, key, value);
  const std::optional<std::string> bytes = EncodeProfile(profile);
  if (!bytes || bytes->size() > kMaxProfileFileBytes || !WriteFileAtomically(*target, *bytes)) {
    RefuseWrite(file);
  }
}

}  // namespace orandu
