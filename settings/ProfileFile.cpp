// INI profile files through SimpleIni, read with a size limit and replaced atomically.
#include "ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "AtomicFile.h"
#include "Errors.h"

// Values are kept as the bytes of the file, so no character conversion is wanted; the
// implementation is compiled here, once, which leaves the library header-only.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace orandu {

namespace {

enum class FileState { kMissing, kRead, kUnusable };

struct FileContent {
  FileState state = FileState::kMissing;
  std::string bytes;
};

// Opens only a regular file, without blocking on a FIFO or a device, and reads at most
// kMaxProfileFileBytes; the file is closed before returning.
FileContent ReadSmallRegularFile(const std::filesystem::path& file) {
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) {
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return {missing ? FileState::kMissing : FileState::kUnusable, {}};
  }
  FileContent content{FileState::kUnusable, {}};
  struct stat status {};
  if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::size_t>(status.st_size) <= kMaxProfileFileBytes) {
    // Read to the end rather than to the size fstat gave: the file may have grown since.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    char chunk[16384];
    bool failed = false;
    while (!failed) {
      const ssize_t got = ::read(descriptor, chunk, sizeof chunk);
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
  ::close(descriptor);
  return content;
}

bool IsIniSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// SimpleIni trims the spaces around a value and, when asked, strips one pair of double quotes
// around it. Wrapping such values in quotes makes every value come back byte for byte.
std::string QuotedForStorage(std::string_view value) {
  const bool outerSpace = !value.empty() && (IsIniSpace(value.front()) || IsIniSpace(value.back()));
  const bool outerQuotes = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  if (outerSpace || outerQuotes) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

bool FitsOnOneLine(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find_first_of("\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end + (crlf ? 2 : 1));
  }
  return lines;
}

std::vector<std::string_view> CommentLines(std::string_view text) {
  std::vector<std::string_view> comments;
  for (std::string_view line : SplitLines(text)) {
    const auto start = line.find_first_not_of(" \t");
    if (start != std::string_view::npos && (line[start] == ';' || line[start] == '#')) {
      comments.push_back(line.substr(start));
    }
  }
  return comments;
}

// What SimpleIni parses of a file: the text after a UTF-8 signature and before any NUL byte.
std::string_view ParsedPart(std::string_view text) {
  constexpr std::string_view kSignature = "\xEF\xBB\xBF";
  if (text.starts_with(kSignature)) text.remove_prefix(kSignature.size());
  return text.substr(0, text.find('\0'));
}

// SimpleIni keeps a comment only when a section or key follows it, so comments after the last
// entry would vanish on saving. The ones missing from the saved text go back at its end.
void KeepDroppedComments(std::string_view original, std::string& saved) {
  std::unordered_map<std::string_view, int> kept;
  for (std::string_view comment : CommentLines(ParsedPart(saved))) ++kept[comment];
  std::string dropped;
  for (std::string_view comment : CommentLines(ParsedPart(original))) {
    if (kept[comment] > 0) {
      --kept[comment];
    } else {
      dropped.append(comment).append("\n");
    }
  }
  if (!dropped.empty() && !saved.empty() && saved.back() != '\n') saved += '\n';
  saved += dropped;
}

[[noreturn]] void RefuseWrite(const std::filesystem::path& file) {
  throw OranduError(CannotWriteMessage(file));
}

}  // namespace

struct ProfileSnapshot::Parsed {
  CSimpleIniA ini;
};

ProfileSnapshot::ProfileSnapshot(const std::filesystem::path& file)
    : parsed_(std::make_unique<Parsed>()) {
  parsed_->ini.SetQuotes(true);
  const FileContent content = ReadSmallRegularFile(file);
  if (content.state != FileState::kRead) return;
  if (parsed_->ini.LoadData(content.bytes.data(), content.bytes.size()) < 0) {
    parsed_->ini.Reset();
  }
}

ProfileSnapshot::~ProfileSnapshot() = default;

std::string ProfileSnapshot::ReadSetting(std::string_view section, std::string_view key,
                                         std::string_view fallback) const {
  const char* value =
      parsed_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  return value ? std::string(value) : std::string(fallback);
}

std::string ReadSetting(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view fallback) {
  return ProfileSnapshot(file).ReadSetting(section, key, fallback);
}

void WriteSetting(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  std::string_view value) {
  if (!FitsOnOneLine(value)) RefuseWrite(file);
  // The rename below would put a plain file in place of a symbolic link; a settings file kept
  // elsewhere behind a link is updated where it lives.
  std::error_code unresolved;
  const std::filesystem::path resolved = std::filesystem::canonical(file, unresolved);
  const std::filesystem::path& target = unresolved ? file : resolved;
  const FileContent content = ReadSmallRegularFile(target);
  if (content.state == FileState::kUnusable) RefuseWrite(file);
  // The rename would also replace a file the user made read-only; honour the flag instead.
  if (content.state == FileState::kRead && ::access(target.c_str(), W_OK) != 0) RefuseWrite(file);

  // Quotes are left as they stand in the file, so the other values are written back unchanged.
  CSimpleIniA ini;
  ini.SetSpaces(false);
  if (ini.LoadData(content.bytes.data(), content.bytes.size()) < 0) RefuseWrite(file);
  const std::string stored = QuotedForStorage(value);
  if (ini.SetValue(std::string(section).c_str(), std::string(key).c_str(), stored.c_str()) < 0) {
    RefuseWrite(file);
  }
  std::string text;
  if (ini.Save(text, ini.IsUnicode()) < 0) RefuseWrite(file);
  KeepDroppedComments(content.bytes, text);
  if (text.size() > kMaxProfileFileBytes || !WriteFileAtomically(target, text)) RefuseWrite(file);
}

}  // namespace orandu
