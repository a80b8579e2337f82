// Reading just enough of a classic-format header to find where a variable's values end.
#include "tools/import/ClassicLayout.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <vector>

#include "tools/import/ImportError.h"

namespace orandu {
namespace {

enum class Tag : std::uint32_t {
  kAbsent = 0,
  kDimension = 0x0A,
  kVariable = 0x0B,
  kAttribute = 0x0C
};

std::uint64_t TypeSize(std::uint32_t type) {
  switch (type) {
    case 1:  // byte
    case 2:  // char
    case 7:  // unsigned byte
      return 1;
    case 3:  // short
    case 8:  // unsigned short
      return 2;
    case 4:  // int
    case 5:  // float
    case 9:  // unsigned int
      return 4;
    case 6:   // double
    case 10:  // int64
    case 11:  // unsigned int64
      return 8;
    default:
      throw ImportError("cannot read the file's header: unknown value type " +
                        std::to_string(type));
  }
}

std::uint64_t PaddedToFour(std::uint64_t bytes) {
  return (bytes + 3) / 4 * 4;
}

class HeaderReader {
 public:
  HeaderReader(const std::filesystem::path& file, std::uint64_t fileSize)
      : stream_(file, std::ios::binary), fileSize_(fileSize) {}

  std::uint64_t Big(int bytes) {
    unsigned char buffer[8] = {};
    if (!stream_.read(reinterpret_cast<char*>(buffer), bytes)) Fail();
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | buffer[i];
    return value;
  }
  // A count that must fit in the rest of the file, each item taking at least `least` bytes.
  std::uint64_t Count(int bytes, std::uint64_t least) {
    const std::uint64_t count = Big(bytes);
    if (count > fileSize_ / least) Fail();
    return count;
  }
  void Skip(std::uint64_t bytes) {
    if (bytes > fileSize_) Fail();
    if (!stream_.seekg(static_cast<std::streamoff>(bytes), std::ios::cur)) Fail();
  }
  std::string Name(int countBytes) {
    const std::uint64_t length = Count(countBytes, 1);
    std::string name(length, '\0');
    if (!stream_.read(name.data(), static_cast<std::streamsize>(length))) Fail();
    Skip(PaddedToFour(length) - length);
    return name;
  }
  [[noreturn]] static void Fail() { throw ImportError("cannot read the file's header"); }

 private:
  std::ifstream stream_;
  std::uint64_t fileSize_;
};

void SkipAttributes(HeaderReader& header, int countBytes) {
  const auto tag = static_cast<Tag>(header.Big(4));
  const std::uint64_t count = header.Count(countBytes, 12);
  if (tag != Tag::kAttribute && !(tag == Tag::kAbsent && count == 0)) HeaderReader::Fail();
  for (std::uint64_t i = 0; i < count; ++i) {
    header.Name(countBytes);
    const std::uint64_t size = TypeSize(static_cast<std::uint32_t>(header.Big(4)));
    header.Skip(PaddedToFour(header.Count(countBytes, 1) * size));
  }
}

[[noreturn]] void Fail(const std::string& variable, std::uint64_t needed, std::uint64_t fileSize) {
  throw ImportError("the file is cut short: " + variable + " needs " +
                    (needed == UINT64_MAX ? std::string("more") : std::to_string(needed)) +
                    " bytes, the file has " + std::to_string(fileSize));
}

}  // namespace

void RequireWholeClassicVariable(const std::filesystem::path& file, const std::string& variable) {
  const std::uint64_t fileSize = std::filesystem::file_size(file);
  HeaderReader header(file, fileSize);
  if (header.Big(3) != 0x434446) HeaderReader::Fail();  // "CDF"
  const std::uint64_t version = header.Big(1);
  // Version 5 counts in 64 bits; versions 2 and 5 give offsets in 64 bits.
  const int countBytes = version == 5 ? 8 : 4;
  const int offsetBytes = version == 1 ? 4 : 8;
  const std::uint64_t records = header.Big(countBytes);

  std::vector<std::uint64_t> lengths;
  const auto dimensionTag = static_cast<Tag>(header.Big(4));
  const std::uint64_t dimensions = header.Count(countBytes, 8);
  if (dimensionTag != Tag::kDimension && !(dimensionTag == Tag::kAbsent && dimensions == 0)) {
    HeaderReader::Fail();
  }
  for (std::uint64_t i = 0; i < dimensions; ++i) {
    header.Name(countBytes);
    lengths.push_back(header.Big(countBytes));
  }
  SkipAttributes(header, countBytes);

  if (static_cast<Tag>(header.Big(4)) != Tag::kVariable) HeaderReader::Fail();
  const std::uint64_t variables = header.Count(countBytes, 16);
  // Where the variable's values end, once every variable is read: a record variable's last
  // record lies (records - 1) whole records past its first one.
  std::optional<std::uint64_t> wantedBegin;
  std::uint64_t wantedBytes = 0;  // of its values, or of one record of them
  bool wantedIsRecord = false;
  std::uint64_t recordBytes = 0;  // all record variables' values in one record, padded
  std::uint64_t recordVariables = 0;
  for (std::uint64_t i = 0; i < variables; ++i) {
    const std::string name = header.Name(countBytes);
    const std::uint64_t rank = header.Count(countBytes, 4);
    std::uint64_t values = 1;
    bool record = false;
    for (std::uint64_t d = 0; d < rank; ++d) {
      const std::uint64_t id = header.Big(countBytes);
      if (id >= lengths.size()) HeaderReader::Fail();
      // The record dimension's length is 0 in the header: values then counts one record.
      if (lengths[id] == 0) {
        record = true;
        continue;
      }
      if (values > UINT64_MAX / lengths[id]) HeaderReader::Fail();
      values *= lengths[id];
    }
    SkipAttributes(header, countBytes);
    const std::uint64_t size = TypeSize(static_cast<std::uint32_t>(header.Big(4)));
    header.Big(countBytes);  // the padded size, which overflows for large variables
    const std::uint64_t begin = header.Big(offsetBytes);
    // Sizes beyond the file's cannot be on disk; the file is then cut short either way.
    if (values > fileSize / size) Fail(variable, UINT64_MAX, fileSize);
    if (record) {
      recordBytes += PaddedToFour(values * size);
      ++recordVariables;
    }
    if (name != variable) continue;
    wantedBegin = begin;
    wantedBytes = values * size;
    wantedIsRecord = record;
  }
  if (!wantedBegin) return;
  std::uint64_t end = *wantedBegin + wantedBytes;
  if (wantedIsRecord) {
    // The count of records may be "streaming" (all ones): the library then counts them from
    // the file's length, whole records only.
    if (records == (countBytes == 8 ? UINT64_MAX : 0xFFFFFFFFu) || records == 0) return;
    // A file whose only record variable is its record needs no padding between records.
    if (recordVariables == 1) recordBytes = wantedBytes;
    if (records - 1 > (UINT64_MAX - end) / std::max<std::uint64_t>(recordBytes, 1)) {
      Fail(variable, UINT64_MAX, fileSize);
    }
    end += (records - 1) * recordBytes;
  }
  if (end < *wantedBegin || end > fileSize) Fail(variable, end, fileSize);
}

}  // namespace orandu
