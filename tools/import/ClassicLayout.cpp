// Reading just enough of a classic-format header to find where a variable's values end.
#include "ClassicLayout.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "ImportError.h"

namespace orandu::import {
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
  HeaderReader(const std::filesystem::path& file, std::uint64_t file_size)
      : stream_(file, std::ios::binary), file_size_(file_size) {}

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
    if (count > file_size_ / least) Fail();
    return count;
  }
  void Skip(std::uint64_t bytes) {
    if (bytes > file_size_) Fail();
    if (!stream_.seekg(static_cast<std::streamoff>(bytes), std::ios::cur)) Fail();
  }
  std::string Name(int count_bytes) {
    const std::uint64_t length = Count(count_bytes, 1);
    std::string name(length, '\0');
    if (!stream_.read(name.data(), static_cast<std::streamsize>(length))) Fail();
    Skip(PaddedToFour(length) - length);
    return name;
  }
  [[noreturn]] static void Fail() { throw ImportError("cannot read the file's header"); }

 private:
  std::ifstream stream_;
  std::uint64_t file_size_;
};

void SkipAttributes(HeaderReader& header, int count_bytes) {
  const auto tag = static_cast<Tag>(header.Big(4));
  const std::uint64_t count = header.Count(count_bytes, 12);
  if (tag != Tag::kAttribute && !(tag == Tag::kAbsent && count == 0)) HeaderReader::Fail();
  for (std::uint64_t i = 0; i < count; ++i) {
    header.Name(count_bytes);
    const std::uint64_t size = TypeSize(static_cast<std::uint32_t>(header.Big(4)));
    header.Skip(PaddedToFour(header.Count(count_bytes, 1) * size));
  }
}

}  // namespace

void RequireWholeClassicVariable(const std::filesystem::path& file, const std::string& variable) {
  const std::uint64_t file_size = std::filesystem::file_size(file);
  HeaderReader header(file, file_size);
  if (header.Big(3) != 0x434446) HeaderReader::Fail();  // "CDF"
  const std::uint64_t version = header.Big(1);
  // Version 5 counts in 64 bits; versions 2 and 5 give offsets in 64 bits.
  const int count_bytes = version == 5 ? 8 : 4;
  const int offset_bytes = version == 1 ? 4 : 8;
  header.Big(count_bytes);  // records so far

  std::vector<std::uint64_t> lengths;
  const auto dimension_tag = static_cast<Tag>(header.Big(4));
  const std::uint64_t dimensions = header.Count(count_bytes, 8);
  if (dimension_tag != Tag::kDimension && !(dimension_tag == Tag::kAbsent && dimensions == 0)) {
    HeaderReader::Fail();
  }
  for (std::uint64_t i = 0; i < dimensions; ++i) {
    header.Name(count_bytes);
    lengths.push_back(header.Big(count_bytes));
  }
  SkipAttributes(header, count_bytes);

  if (static_cast<Tag>(header.Big(4)) != Tag::kVariable) HeaderReader::Fail();
  const std::uint64_t variables = header.Count(count_bytes, 16);
  for (std::uint64_t i = 0; i < variables; ++i) {
    const std::string name = header.Name(count_bytes);
    const std::uint64_t rank = header.Count(count_bytes, 4);
    std::uint64_t values = 1;
    bool record = false;
    for (std::uint64_t d = 0; d < rank; ++d) {
      const std::uint64_t id = header.Big(count_bytes);
      if (id >= lengths.size()) HeaderReader::Fail();
      record = record || lengths[id] == 0;
      if (lengths[id] != 0 && values > UINT64_MAX / lengths[id]) HeaderReader::Fail();
      values *= lengths[id];
    }
    SkipAttributes(header, count_bytes);
    const std::uint64_t size = TypeSize(static_cast<std::uint32_t>(header.Big(4)));
    header.Big(count_bytes);  // the padded size, which overflows for large variables
    const std::uint64_t begin = header.Big(offset_bytes);
    if (name != variable) continue;
    // Record variables interleave with others; the library checks those against the count.
    if (record) return;
    if (values > (UINT64_MAX - begin) / size || begin + values * size > file_size) {
      throw ImportError("the file is cut short: " + variable + " needs " +
                        std::to_string(begin + values * size) + " bytes, the file has " +
                        std::to_string(file_size));
    }
    return;
  }
}

}  // namespace orandu::import
