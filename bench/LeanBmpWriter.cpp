// lean-bmp-writer: the floor of exporting a region as a BMP file. It reads the grid rows
// bottom-up a block at a time, colours each sample through a table straight into the file's
// bytes and hands them to write(2), then fsync and rename: the least work the same file needs.
// Usage: lean-bmp-writer GRID BAR LON,LAT WIDTHxHEIGHT OUT.bmp
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "region/RegionView.h"
#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/palette/ColorBarFile.h"

namespace {

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: lean-bmp-writer GRID BAR LON,LAT WIDTHxHEIGHT OUT.bmp\n");
    return 2;
  }
  int lon = 0, lat = 0, width = 0, height = 0;
  if (std::sscanf(argv[3], "%d,%d", &lon, &lat) != 2 ||
      std::sscanf(argv[4], "%dx%d", &width, &height) != 2) {
    return 2;
  }
  const orandu::ColorTable colors(orandu::LoadColorBar(argv[2]));
  orandu::RegionView view;
  view.SetCenter(lon, lat, width, height);
  int firstRow = orandu::FirstRow(view.CenterLat(), height);
  if (firstRow < 0) firstRow = 0;
  int firstColumn = orandu::FirstColumn(view.CenterLon(), width) % orandu::GridColumns;
  if (firstColumn < 0) firstColumn += orandu::GridColumns;

  const int grid = open(argv[1], O_RDONLY | O_CLOEXEC);
  const std::string temporary = std::string(argv[5]) + ".lean-tmp";
  const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (grid < 0 || out < 0) return 1;

  const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
  std::uint8_t header[54] = {'B', 'M'};
  Put32(header + 2, static_cast<std::uint32_t>(54 + stride * height));
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<std::uint32_t>(width));
  Put32(header + 22, static_cast<std::uint32_t>(height));
  header[26] = 1;
  header[28] = 24;
  Put32(header + 34, static_cast<std::uint32_t>(stride * height));
  Put32(header + 38, 3780);
  Put32(header + 42, 3780);
  if (write(out, header, sizeof header) != sizeof header) return 1;

  constexpr int kRows = orandu::RowsPerRead;
  std::vector<std::uint8_t> samples(std::size_t(kRows) * orandu::RowBytes);
  std::vector<std::uint8_t> pixels(std::size_t(kRows) * stride);
  // Blocks from the bottom of the region upwards, as the file stores its rows.
  for (int top = (height - 1) / kRows * kRows; top >= 0; top -= kRows) {
    const int rows = height - top < kRows ? height - top : kRows;
    const ssize_t got = pread(grid, samples.data(), std::size_t(rows) * orandu::RowBytes,
                              off_t(firstRow + top) * orandu::RowBytes);
    if (got < 0) return 1;
    for (int r = rows - 1; r >= 0; --r) {
      const std::uint8_t* row = samples.data() + std::size_t(r) * orandu::RowBytes;
      std::uint8_t* bgr = pixels.data() + std::size_t(rows - 1 - r) * stride;
      if ((r + 1) * orandu::RowBytes > got) {  // past the end of a short file: black
        std::memset(bgr, 0, stride);
        continue;
      }
      for (int x = 0; x < width; ++x) {
        int column = firstColumn + x;
        if (column >= orandu::GridColumns) column -= orandu::GridColumns;
        const orandu::PackedColor color = colors[orandu::RawSampleAt(row, column)];
        bgr[3 * x] = static_cast<std::uint8_t>(color);
        bgr[3 * x + 1] = static_cast<std::uint8_t>(color >> 8);
        bgr[3 * x + 2] = static_cast<std::uint8_t>(color >> 16);
      }
    }
    const std::size_t bytes = std::size_t(rows) * stride;
    if (write(out, pixels.data(), bytes) != static_cast<ssize_t>(bytes)) return 1;
  }
  if (fsync(out) != 0 || rename(temporary.c_str(), argv[5]) != 0 || close(out) != 0) return 1;
  close(grid);
  return 0;
}
