// Reading a grid's raster header and checking that it describes a global grid the program shows.
#include "region/grid/GridHeader.h"

#include <charconv>
#include <cmath>
#include <map>
#include <vector>

#include "region/files/AsciiCase.h"
#include "region/files/Errors.h"
#include "region/files/SourceFile.h"

namespace orandu {

namespace {

// A header is a dozen short lines; anything longer is not one, and is not read whole.
constexpr std::uint64_t kMaxHeaderBytes = 64 * 1024;
constexpr int kDegreesAround = 360;
constexpr int kDegreesPoleToPole = 180;
// How far the header's degrees may stray from the lattice point they stand for, in lattice
// parts: they are written with 15 significant digits, which stray far less.
constexpr double kLatticeTolerance = 0.01;
constexpr double kMaxLatticeParts = 1e15;

class Header {
 public:
  Header(std::string_view text, const std::filesystem::path& path) : path_(path) {
    int line = 0;
    while (!text.empty()) {
      ++line;
      const std::size_t end = text.find('\n');
      std::string_view content = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      const std::vector<std::string_view> words = Words(content);
      if (words.empty()) continue;
      if (words.size() != 2) Fail(std::to_string(line) + " 行目が「キー 値」ではありません");
      if (!values_.emplace(LowerCase(words[0]), std::string(words[1])).second) {
        Fail(std::string(words[0]) + " が二度あります");
      }
    }
  }

  [[noreturn]] void Fail(const std::string& reason) const {
    throw OranduError(InvalidGridHeaderMessage(path_, reason));
  }

  std::optional<std::string> Text(std::string_view key) const {
    const auto found = values_.find(LowerCase(key));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }

  std::string Required(std::string_view key) const {
    auto value = Text(key);
    if (!value) Fail(std::string(key) + " がありません");
    return *value;
  }

  // A whole number; `fallback` when absent and one is given.
  std::int64_t Whole(std::string_view key, std::optional<std::int64_t> fallback = {}) const {
    const auto value = Text(key);
    if (!value) {
      if (fallback) return *fallback;
      Fail(std::string(key) + " がありません");
    }
    std::int64_t number = 0;
    const auto result = std::from_chars(value->data(), value->data() + value->size(), number);
    if (result.ec != std::errc() || result.ptr != value->data() + value->size()) {
      Fail(std::string(key) + " の値 " + *value + " が整数ではありません");
    }
    return number;
  }

  double Degrees(std::string_view key) const {
    const std::string value = Required(key);
    double number = 0;
    const auto result = std::from_chars(value.data(), value.data() + value.size(), number);
    if (result.ec != std::errc() || result.ptr != value.data() + value.size() ||
        !std::isfinite(number)) {
      Fail(std::string(key) + " の値 " + value + " が数ではありません");
    }
    return number;
  }

  // A keyword value, compared in any letter case; `fallback` when absent and one is given.
  void Expect(std::string_view key, std::string_view wanted,
              std::optional<std::string_view> fallback = {}) const {
    const auto value = Text(key);
    if (!value && fallback) return;
    if (!value || LowerCase(*value) != LowerCase(wanted)) {
      Fail(std::string(key) + " は " + std::string(wanted) + " でなければなりません");
    }
  }

 private:
  static std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
      const std::size_t start = line.find_first_not_of(" \t\r", at);
      if (start == std::string_view::npos) break;
      const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
      words.push_back(line.substr(start, end - start));
      at = end;
    }
    return words;
  }

  std::filesystem::path path_;
  std::map<std::string, std::string> values_;
};

// Degrees as lattice parts, when they lie on the lattice.
std::optional<std::int64_t> OnLattice(double degrees) {
  const double parts = degrees * static_cast<double>(kLatticePartsPerDegree);
  // Far beyond a turn of the Earth, and beyond what a whole number of parts can hold.
  if (!(std::fabs(parts) < kMaxLatticeParts)) return std::nullopt;
  const double nearest = std::nearbyint(parts);
  if (std::fabs(parts - nearest) > kLatticeTolerance) return std::nullopt;
  return static_cast<std::int64_t>(nearest);
}

}  // namespace

std::optional<std::filesystem::path> GridHeaderPath(const std::filesystem::path& grid) {
  std::filesystem::path header = grid;
  header.replace_extension(".hdr");
  if (header == grid) return std::nullopt;
  return header;
}

GridGeometry ParseGridHeader(std::string_view text, std::uint64_t fileBytes,
                             const std::filesystem::path& headerPath) {
  const Header header(text, headerPath);
  header.Expect("NBITS", "16");
  header.Expect("PIXELTYPE", "SIGNEDINT");
  header.Expect("BYTEORDER", "I", "I");
  header.Expect("NBANDS", "1", "1");
  header.Expect("SKIPBYTES", "0", "0");
  if (const auto layout = header.Text("LAYOUT")) {
    const std::string name = LowerCase(*layout);
    if (name != "bil" && name != "bip" && name != "bsq") header.Expect("LAYOUT", "BIL");
  }
  const std::int64_t columns = header.Whole("NCOLS");
  const std::int64_t rows = header.Whole("NROWS");
  if (columns <= 0 || rows <= 0) header.Fail("NROWS と NCOLS は正でなければなりません");
  const std::string unshownSpacing =
      "NCOLS " + std::to_string(columns) +
      " では 1 度あたり整数個の標本にも標本あたり整数度にもなりません";
  // Checked before any arithmetic on the count, which may be anything a 64-bit number holds.
  if (!IsShownSpacing(columns)) header.Fail(unshownSpacing);
  for (const char* key : {"BANDROWBYTES", "TOTALROWBYTES"}) {
    if (header.Whole(key, 2 * columns) != 2 * columns) {
      header.Fail(std::string(key) + " が NCOLS × 2 ではありません");
    }
  }
  GridGeometry geometry;
  if (columns % kDegreesAround == 0) {
    geometry.samplesPerDegree = static_cast<int>(columns / kDegreesAround);
  } else {
    geometry.degreesPerSample = static_cast<int>(kDegreesAround / columns);
  }
  geometry.columns = static_cast<int>(columns);
  const auto spacing = OnLattice(header.Degrees("XDIM"));
  if (!spacing || *spacing != geometry.Spacing()) {
    header.Fail("XDIM × NCOLS が 360 度 (全球) ではありません");
  }
  if (OnLattice(header.Degrees("YDIM")) != spacing) header.Fail("YDIM が XDIM と異なります");

  const auto west = OnLattice(header.Degrees("ULXMAP"));
  if (!west || *west < 0 || *west >= *spacing) {
    header.Fail("ULXMAP は 0 度以上、XDIM 未満でなければなりません");
  }
  geometry.firstLongitude = *west;
  const auto north = OnLattice(header.Degrees("ULYMAP"));
  const std::int64_t pole = kDegreesPoleToPole / 2 * kLatticePartsPerDegree;
  const std::int64_t intervals = columns / 2;
  if (north == pole) {
    geometry.latitudes = LatitudeRegistration::kNodes;
    if (rows != intervals + 1) header.Fail("NROWS が北極から南極までの標本の数ではありません");
  } else if (north && *north * 2 == pole * 2 - *spacing) {
    geometry.latitudes = LatitudeRegistration::kCells;
    if (rows != intervals) header.Fail("NROWS が北極から南極までのセルの数ではありません");
  } else {
    header.Fail("ULYMAP が 90 度でも、その半標本南でもありません");
  }
  geometry.rows = static_cast<int>(rows);
  if (fileBytes != geometry.Bytes()) {
    header.Fail("グリッドのファイルが " + std::to_string(fileBytes) +
                " バイトで、NROWS × NCOLS × 2 = " + std::to_string(geometry.Bytes()) +
                " バイトと合いません");
  }
  return geometry;
}

std::optional<GridGeometry> ReadGridHeader(const std::filesystem::path& grid,
                                           std::uint64_t fileBytes) {
  const auto headerPath = GridHeaderPath(grid);
  if (!headerPath) return std::nullopt;
  // Only a name that is not there at all means no header: a link to nothing, or a name that
  // cannot be looked at, is a header the opening below says it cannot read.
  std::error_code error;
  const auto status = std::filesystem::symlink_status(*headerPath, error);
  if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
  SourceFile header(*headerPath);
  if (header.size() > kMaxHeaderBytes) {
    throw OranduError(InvalidGridHeaderMessage(*headerPath, "ヘッダーとしては大きすぎます"));
  }
  const std::vector<std::uint8_t> bytes = header.ReadAll();
  return ParseGridHeader(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), fileBytes,
      *headerPath);
}

}  // namespace orandu
