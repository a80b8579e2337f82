// Profile files read with a size limit and changed in place through an atomic replace.
#include "settings/ProfileFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"
#include "region/files/RegularFile.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileText.h"

namespace orandu {

namespace {

// How long a save waits for another save of the same file before it gives up.
constexpr std::chrono::seconds kLongestLockWait{10};

enum class FileState { kMissing, kRead, kUnusable };

struct FileContent {
  FileState state = FileState::kMissing;
  std::string bytes;
};

FileContent RefusedOpening(const RegularFileOpening& opening) {
  const bool missing = opening.error == ENOENT || opening.error == ENOTDIR;
  return {missing ? FileState::kMissing : FileState::kUnusable, {}};
}

// Reads at most kMaxProfileFileBytes of an open regular file.
FileContent ReadSmallFile(const RegularFileOpening& opening) {
  if (opening.size > kMaxProfileFileBytes) return {FileState::kUnusable, {}};
  // Read to the end rather than to the size the open saw: the file may have grown since.
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(opening.size));
  char chunk[16384];
  for (;;) {
    const ssize_t got = ::read(opening.descriptor, chunk, sizeof chunk);
    if (got == 0) return {FileState::kRead, std::move(bytes)};
    if (got < 0) {
      if (errno != EINTR) return {FileState::kUnusable, {}};
      continue;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
    if (bytes.size() > kMaxProfileFileBytes) return {FileState::kUnusable, {}};
  }
}

// Reads a regular file whole; the file is closed before returning.
FileContent ReadSmallRegularFile(const std::filesystem::path& file) {
  const RegularFileOpening opening = OpenRegularFile(file);
  if (opening.descriptor < 0) return RefusedOpening(opening);
  FileContent content = ReadSmallFile(opening);
  ::close(opening.descriptor);
  return content;
}

bool LockedWithin(int descriptor, std::chrono::steady_clock::time_point deadline) {
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    // A file system without locks: saves there cannot take turns, but each stays whole.
    if (errno != EWOULDBLOCK && errno != EINTR) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    constexpr timespec kPause{0, 1'000'000};
    ::nanosleep(&kPause, nullptr);
  }
  return true;
}

bool NamesTheOpenFile(const std::filesystem::path& file, int descriptor) {
  struct stat named {};
  struct stat opened {};
  return ::stat(file.c_str(), &named) == 0 && ::fstat(descriptor, &opened) == 0 &&
         named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// The settings file held for one read, edit and replace. Its lock makes two saves at the same
// moment take turns: each then edits what the other wrote, instead of one replacing the other's
// edit with its own made from the older file. A file that does not exist yet is not locked: each
// save then writes a file of its own values only.
class HeldProfile {
 public:
  explicit HeldProfile(const std::filesystem::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + kLongestLockWait;
    for (;;) {
      const RegularFileOpening opening = OpenRegularFile(file);
      if (opening.descriptor < 0) {
        content_ = RefusedOpening(opening);
        return;
      }
      descriptor_ = opening.descriptor;
      if (!LockedWithin(descriptor_, deadline)) {
        content_ = {FileState::kUnusable, {}};
        return;
      }
      // The save that held the lock before may have replaced the file: the lock is then on the
      // old one, which nobody reads any more.
      if (NamesTheOpenFile(file, descriptor_)) {
        content_ = ReadSmallFile(opening);
        return;
      }
      Release();
    }
  }
  ~HeldProfile() { Release(); }
  HeldProfile(const HeldProfile&) = delete;
  HeldProfile& operator=(const HeldProfile&) = delete;

  const FileContent& Content() const { return content_; }

 private:
  void Release() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
  }

  int descriptor_ = -1;
  FileContent content_;
};

// Whether the mode lets this process change the file or folder. Root's access() agrees to every
// write, so root is held to the mode itself, as it is for running a file: something nobody may
// write (0444) is refused to root as to everyone else.
bool WritableByMode(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  if (::geteuid() == 0) return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  return file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
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

void WriteSettings(const std::filesystem::path& file, std::string_view section,
                   std::span<const ProfileValue> values) {
  for (const ProfileValue& value : values) {
    if (!FitsOnOneLine(value.value)) RefuseWrite(file);
  }
  const std::optional<std::filesystem::path> target = FollowLinks(file);
  if (!target) RefuseWrite(file);
  const HeldProfile held(*target);
  const FileContent& content = held.Content();
  if (content.state == FileState::kUnusable) RefuseWrite(file);
  // The rename would also replace a file the user made read-only; honour the mode instead.
  if (content.state == FileState::kRead && !WritableByMode(*target)) RefuseWrite(file);
  if (!WritableByMode(FolderOf(*target))) RefuseWrite(file);

  DecodedProfile profile = DecodeProfile(content.bytes);
  for (const ProfileValue& value : values) {
    if (!FitsProfileEncoding(value.value, profile.encoding)) RefuseWrite(file);
    profile.text = WithProfileValue(profile.text, section, value.key, value.value);
  }
  const std::optional<std::string> bytes = EncodeProfile(profile);
  if (!bytes || bytes->size() > kMaxProfileFileBytes || !WriteFileAtomically(*target, *bytes)) {
    RefuseWrite(file);
  }
}

void WriteSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  std::string_view value) {
  const ProfileValue only{key, value};
  WriteSettings(file, section, std::span(&only, 1));
}

}  // namespace orandu
