// Region painting over grid files of any bytes and any length, around any centre, in any area up
// to 2048 x 2048: each pixel shows the sample the layout puts there, or keeps its colour where
// the file holds nothing.
//
// Input, little-endian: the picked longitude and latitude (int32 each); the width and height the
// centre was pulled back with, then the painted area's (uint16 each, modulo 2049); the offset at
// which the grid bytes lie in the file (uint32, modulo the grid's size + 1); the file's length
// (uint32, modulo the grid's size + two rows + 1), which cuts the bytes or pads them with zeros;
// a flags byte (bit 0: paint with an empty bar); then the grid bytes.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "region/RegionView.h"
#include "region/colorbar/ColorBar.h"
#include "region/files/Errors.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/PixelBuffer.h"

namespace {

using orandu::fuzz::Require;

constexpr std::uint32_t kMaxSide = 2048;
constexpr std::size_t kHeaderBytes = 25;

class LittleEndianReader {
 public:
  explicit LittleEndianReader(const std::uint8_t* data) : data_(data) {}
  std::uint32_t U32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{*data_++} << (8 * i);
    return value;
  }
  std::uint32_t U16() {
    const std::uint32_t value = data_[0] | std::uint32_t{data_[1]} << 8;
    data_ += 2;
    return value;
  }
  std::uint8_t U8() { return *data_++; }

 private:
  const std::uint8_t* data_;
};

// The grid file: zeros with the fuzzer's bytes at an offset, cut or padded to a length.
struct GridLayout {
  const std::uint8_t* bytes;
  std::int64_t size;
  std::int64_t offset;
  std::int64_t length;

  __attribute__((no_sanitize("coverage"))) std::uint8_t At(std::int64_t at) const {
    return at >= offset && at < offset + size ? bytes[at - offset] : 0;
  }
};

std::filesystem::path WriteGrid(const orandu::fuzz::ScratchFolder& folder, const GridLayout& grid) {
  const auto file = folder.Write("ETOPO5.DOS", {});
  const int descriptor = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
  Require(descriptor >= 0, "cannot open the scratch grid");
  const std::int64_t stored = std::clamp<std::int64_t>(grid.length - grid.offset, 0, grid.size);
  Require(::pwrite(descriptor, grid.bytes, static_cast<std::size_t>(stored), grid.offset) == stored,
          "cannot write the scratch grid");
  Require(::ftruncate(descriptor, grid.length) == 0, "cannot size the scratch grid");
  ::close(descriptor);
  return file;
}

// The first four bytes of the file WriteGrid makes are a netCDF (versions 1, 2, 5) or HDF5
// signature: such a file is refused, not painted.
bool StartsAsAContainer(const GridLayout& grid) {
  constexpr std::size_t kSignatureBytes = 4;
  if (grid.length < static_cast<std::int64_t>(kSignatureBytes)) return false;
  const std::int64_t stored = std::clamp<std::int64_t>(grid.length - grid.offset, 0, grid.size);
  std::array<char, kSignatureBytes> head{};
  for (std::int64_t at = 0; at < static_cast<std::int64_t>(kSignatureBytes); ++at) {
    const std::int64_t in = at - grid.offset;
    if (in >= 0 && in < stored)
      head[static_cast<std::size_t>(at)] = static_cast<char>(grid.bytes[in]);
  }
  const std::string_view text(head.data(), head.size());
  return text == std::string_view("CDF\x01", 4) || text == std::string_view("CDF\x02", 4) ||
         text == std::string_view("CDF\x05", 4) || text == std::string_view("\x89HDF", 4);
}

const orandu::ColorTable& Colors(bool emptyBar) {
  static const auto design = std::make_unique<orandu::ColorTable>(orandu::DesignTimeColorBar());
  static const auto empty = std::make_unique<orandu::ColorTable>(orandu::Picture{});
  return emptyBar ? *empty : *design;
}

// Every pixel shows the sample the file holds at its place, or black where it holds none.
// Left out of the coverage the fuzzer steers by: its comparisons say nothing about the program
// and, traced, would cost more than the painting.
__attribute__((no_sanitize("coverage"))) void ExpectPainted(const orandu::RegionView& view,
                                                            const GridLayout& grid,
                                                            const orandu::ColorTable* colors,
                                                            orandu::PixelBuffer& surface) {
  using namespace orandu;
  const int width = surface.Width();
  const int height = surface.Height();
  // A negative first row leaves the file at its start.
  const int firstRow = std::max(FirstRow(view.CenterLat(), height), 0);
  const int firstColumn = FirstColumn(view.CenterLon(), width);
  std::vector<int> columns(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    columns[x] = ((firstColumn + x) % GridColumns + GridColumns) % GridColumns;
  }
  for (int y = 0; y < height; ++y) {
    const std::int64_t rowStart = std::int64_t{firstRow + y} * RowBytes;
    const std::int64_t held = std::clamp<std::int64_t>(grid.length - rowStart, 0, RowBytes);
    const std::int64_t columnsHeld = colors == nullptr ? 0 : held / 2;
    const PackedColor* pixels = surface.Row(y);
    for (int x = 0; x < width; ++x) {
      PackedColor expected = kBlack;
      if (columns[x] < columnsHeld) {
        const std::int64_t at = rowStart + 2 * std::int64_t{columns[x]};
        expected = (*colors)[static_cast<std::uint16_t>(grid.At(at) | grid.At(at + 1) << 8)];
      }
      Require(pixels[x] == expected, "a pixel does not show its grid sample");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orandu;
  static const fuzz::ScratchFolder folder;
  if (size < kHeaderBytes) return 0;
  LittleEndianReader in(data);
  const auto lon = static_cast<std::int32_t>(in.U32());
  const auto lat = static_cast<std::int32_t>(in.U32());
  const auto pickWidth = static_cast<int>(in.U16() % (kMaxSide + 1));
  const auto pickHeight = static_cast<int>(in.U16() % (kMaxSide + 1));
  const auto width = static_cast<int>(in.U16() % (kMaxSide + 1));
  const auto height = static_cast<int>(in.U16() % (kMaxSide + 1));
  GridLayout grid{data + kHeaderBytes, static_cast<std::int64_t>(size - kHeaderBytes), 0, 0};
  grid.offset = in.U32() % (GridBytes + 1);
  grid.length = in.U32() % (GridBytes + 2 * RowBytes + 1);
  const bool emptyBar = (in.U8() & 1) != 0;
  const ColorTable& colors = Colors(emptyBar);

  RegionView view;
  view.SetCenter(lon, lat, pickWidth, pickHeight);
  Require(view.CenterLon() >= -1000 && view.CenterLon() <= 1000, "centre longitude ran away");
  Require(view.CenterLat() >= -1000 && view.CenterLat() <= 1000, "centre latitude ran away");
  PixelBuffer surface(width, height);
  const auto file = WriteGrid(folder, grid);
  if (StartsAsAContainer(grid)) {
    bool refused = false;
    try {
      view.PaintRegion(file, colors, surface);
    } catch (const OranduError&) {
      refused = true;
    }
    Require(refused, "a netCDF or HDF5 file was painted as a grid");
    return 0;
  }
  view.PaintRegion(file, colors, surface);

  ExpectPainted(view, grid, emptyBar ? nullptr : &colors, surface);
  return 0;
}
