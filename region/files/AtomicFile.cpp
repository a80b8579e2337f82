// Temporary file, fsync, rename: the classic recipe for an all-or-nothing save.
#include "region/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <system_error>

namespace orandu {

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  return target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
}

// A lock on a folder, held until the object goes away. Writers hold it shared while they create
// and lock a temporary, the search for abandoned temporaries holds it alone: a temporary that is
// made but not yet locked must not be taken for one whose writer was killed.
class FolderLock {
 public:
  FolderLock(const std::filesystem::path& folder, int operation)
      : descriptor_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    int result = -1;
    while (descriptor_ >= 0 && (result = ::flock(descriptor_, operation)) != 0 && errno == EINTR) {
    }
    held_ = result == 0;
  }
  ~FolderLock() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool Held() const { return held_; }

 private:
  int descriptor_;
  bool held_ = false;
};

// Removes the temporaries of earlier writers of the same target that are no longer locked: their
// writer was killed before it could finish or clean up. A folder that is busy with another
// writer's start is left for a later save.
void RemoveAbandonedTemporaries(const std::filesystem::path& target) {
  const std::filesystem::path folder = FolderOf(target);
  const FolderLock alone(folder, LOCK_EX | LOCK_NB);
  if (!alone.Held()) return;
  const std::string prefix = AtomicFileWriter::TemporaryPrefix(target);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().native();
    // mkstemp replaces exactly six characters.
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
    const int descriptor =
        ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) continue;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        ::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(entry.path().c_str());
    }
    ::close(descriptor);
  }
}

// A renamed file is only sure to keep its new name once its folder is on disk too.
void SyncFolder(const std::filesystem::path& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

// The new file takes the old one's mode, owner and group; a new file gets the usual permissions
// (mkstemp makes it private).
bool TakeOverPermissions(int descriptor, const std::filesystem::path& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    // Only the owner's own group, or root, may change these: a refusal keeps the writer's.
    if (::fchown(descriptor, existing.st_uid, existing.st_gid) != 0) {
      [[maybe_unused]] const int groupOnly =
          ::fchown(descriptor, static_cast<uid_t>(-1), existing.st_gid);
    }
    // After the change of owner, which may clear the set-id bits.
    return ::fchmod(descriptor, existing.st_mode & 07777) == 0;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return ::fchmod(descriptor, 0666 & ~mask) == 0;
}

// Whether the path may be replaced by a regular file: it is one, or there is nothing there. A
// device, a FIFO, a socket or a folder is never replaced by accident (an output named /dev/null).
bool ReplaceableTarget(const std::filesystem::path& target) {
  struct stat status {};
  if (::lstat(target.c_str(), &status) != 0) return errno == ENOENT;
  return S_ISREG(status.st_mode);
}

// FNV-1a: a stable hash, the same in every run and every build, since the writer of one run
// looks for the temporaries another run left.
std::uint64_t StableHash(std::string_view text) {
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : text) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  }
  return hash;
}

constexpr std::string_view kTemporaryMark = ".orandu-tmp-";
constexpr std::size_t kRandomPart = 6;  // mkstemp replaces exactly six characters

}  // namespace

std::optional<std::filesystem::path> FollowLinks(std::filesystem::path path) {
  for (int links = 0; links <= kMostLinks; ++links) {
    // The system resolves every link of a path whose file exists, with its own limit.
    if (const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                               &std::free);
        real) {
      return std::filesystem::path(real.get());
    }
    if (errno != ENOENT) return std::nullopt;
    // Missing: either nothing is there yet, or a link points at something missing.
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(path, error);
    if (error) return std::nullopt;
    path = path.parent_path() / next;  // an absolute link replaces the whole path
  }
  return std::nullopt;
}

std::string AtomicFileWriter::TemporaryPrefix(const std::filesystem::path& target) {
  const std::string name = target.filename().native();
  if (name.size() + kTemporaryMark.size() + kRandomPart <= NAME_MAX) {
    return name + std::string(kTemporaryMark);
  }
  // A name near the system's limit: its start and a hash of the whole name keep the
  // temporaries of different long names apart, within the limit.
  char hash[18];
  std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(StableHash(name)));
  const std::size_t kept = NAME_MAX - kRandomPart - kTemporaryMark.size() - (sizeof hash - 1);
  return name.substr(0, kept) + hash + std::string(kTemporaryMark);
}

AtomicFileWriter::AtomicFileWriter(const std::filesystem::path& target) {
  // The target is the file at the end of any links: replacing a link would cut it off from the
  // file it names and leave that file stale.
  const std::optional<std::filesystem::path> resolved = FollowLinks(target);
  if (!resolved || !ReplaceableTarget(*resolved)) return;
  target_ = *resolved;
  RemoveAbandonedTemporaries(target_);
  temporary_ = (target_.parent_path() / (TemporaryPrefix(target_) + "XXXXXX")).native();
  // Without the folder's lock (a folder that cannot be opened) no search for abandoned
  // temporaries can run there either.
  const FolderLock creating(FolderOf(target_), LOCK_SH);
  descriptor_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
  if (descriptor_ < 0) return;
  if (::flock(descriptor_, LOCK_EX | LOCK_NB) != 0 || !TakeOverPermissions(descriptor_, target_)) {
    Abandon();
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  Abandon();
}

void AtomicFileWriter::Abandon() {
  if (descriptor_ < 0) return;
  ::unlink(temporary_.c_str());
  ::close(descriptor_);
  descriptor_ = -1;
}

bool AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) {
  while (Ok() && !bytes.empty()) {
    const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno != EINTR) Abandon();
      continue;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return Ok();
}

bool AtomicFileWriter::Write(std::string_view text) {
  return Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool AtomicFileWriter::Commit() {
  if (!Ok()) return false;
  // The rename happens while the temporary is still open and locked, so no other writer can
  // take it for abandoned in between. Something else may have taken the target's place since
  // the writer started.
  if (::fsync(descriptor_) != 0 || !ReplaceableTarget(target_) ||
      ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    Abandon();
    return false;
  }
  const bool closed = ::close(descriptor_) == 0;
  descriptor_ = -1;
  SyncFolder(FolderOf(target_));
  return closed;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
  AtomicFileWriter writer(target);
  return writer.Write(bytes) && writer.Commit();
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text) {
  return WriteFileAtomically(
      target, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace orandu
