// Writes the fuzz targets' seed corpora: small valid files of each kind and variant the readers
// accept, so that fuzzing starts from every branch of every format.
//
//   make_fuzz_corpus tests/fuzz/corpus
//
// The output is the same on every run, so the committed corpora can be remade and compared.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <zlib.h>

#include "region/grid/HeightGrid.h"
#include "region/picture/PictureFormats.h"
#include "region/picture/PictureWriters.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::string_view_literals;

// ---- Output ------------------------------------------------------------------------------

class Corpus {
 public:
  Corpus(const std::filesystem::path& root, const std::string& target) : folder_(root / target) {
    std::filesystem::create_directories(folder_);
  }
  void Add(const std::string& name, const Bytes& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

 private:
  std::filesystem::path folder_;
};

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Text(std::string_view text) {
  return {text.begin(), text.end()};
}

class LittleEndian {
 public:
  LittleEndian& U8(std::uint32_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  LittleEndian& U16(std::uint32_t value) { return U8(value).U8(value >> 8); }
  LittleEndian& U32(std::uint32_t value) { return U16(value).U16(value >> 16); }
  LittleEndian& Append(const Bytes& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  std::size_t size() const { return bytes_.size(); }
  Bytes Take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

// ---- Bitmaps -----------------------------------------------------------------------------

enum class BmpCompression : std::uint32_t { kNone = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

struct BmpSpec {
  std::uint32_t header = 40;  // 12 (OS/2), 40, 52, 56, 108 or 124 bytes
  std::int32_t width = 3;
  std::int32_t height = 2;  // negative: top-down
  std::uint16_t bits = 24;
  BmpCompression compression = BmpCompression::kNone;
  std::vector<std::uint32_t> masks{};  // after a 40-byte header, else in the header
  std::uint32_t paletteEntries = 0;    // a colour ramp
  std::uint32_t colorsUsed = 0;
  Bytes pixels{};  // as stored
};

Bytes BuildBmp(const BmpSpec& layout) {
  const bool core = layout.header == 12;
  const std::size_t masksAfter = layout.header == 40 ? layout.masks.size() * 4 : 0;
  const std::size_t paletteBytes = layout.paletteEntries * (core ? 3 : 4);
  const auto offset = static_cast<std::uint32_t>(14 + layout.header + masksAfter + paletteBytes);
  LittleEndian out;
  out.U8('B').U8('M').U32(offset + static_cast<std::uint32_t>(layout.pixels.size())).U32(0);
  out.U32(offset).U32(layout.header);
  if (core) {
    out.U16(static_cast<std::uint32_t>(layout.width))
        .U16(static_cast<std::uint32_t>(layout.height));
    out.U16(1).U16(layout.bits);
  } else {
    out.U32(static_cast<std::uint32_t>(layout.width))
        .U32(static_cast<std::uint32_t>(layout.height));
    out.U16(1).U16(layout.bits).U32(static_cast<std::uint32_t>(layout.compression));
    out.U32(static_cast<std::uint32_t>(layout.pixels.size())).U32(3780).U32(3780);
    out.U32(layout.colorsUsed).U32(0);
    if (layout.header != 40) {
      for (std::uint32_t mask : layout.masks) out.U32(mask);
      while (out.size() < 14 + layout.header) out.U8(0);
    }
  }
  if (layout.header == 40) {
    for (std::uint32_t mask : layout.masks) out.U32(mask);
  }
  for (std::uint32_t i = 0; i < layout.paletteEntries; ++i) {
    const auto level = static_cast<std::uint8_t>(i * 255 / std::max(layout.paletteEntries - 1, 1u));
    out.U8(level).U8(255 - level).U8(i * 37);
    if (!core) out.U8(0);
  }
  return out.Append(layout.pixels).Take();
}

// Bytes a-from, a-from+1, ... padded with zeros to a multiple of four, `rows` times.
Bytes Rows(int rows, std::size_t rowBytes, std::uint8_t from = 1) {
  const std::size_t stride = (rowBytes + 3) / 4 * 4;
  Bytes bytes(stride * static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    for (std::size_t i = 0; i < rowBytes; ++i) {
      bytes[r * stride + i] = static_cast<std::uint8_t>(from + r * 31 + i * 17);
    }
  }
  return bytes;
}

std::vector<std::pair<std::string, Bytes>> Bitmaps() {
  std::vector<std::pair<std::string, Bytes>> files;
  const auto add = [&](const std::string& name, const BmpSpec& layout) {
    files.emplace_back(name, BuildBmp(layout));
  };
  add("rgb24-bottom-up", {.pixels = Rows(2, 9)});
  add("rgb24-top-down", {.height = -2, .pixels = Rows(2, 9)});
  add("palette1", {.width = 11, .bits = 1, .paletteEntries = 2, .pixels = Rows(2, 2, 0xA5)});
  add("palette4", {.width = 5, .bits = 4, .paletteEntries = 16, .pixels = Rows(2, 3)});
  add("palette8-colours-used",
      {.bits = 8, .paletteEntries = 7, .colorsUsed = 7, .pixels = Bytes{0, 3, 6, 0, 6, 5, 4, 0}});
  // Runs, an end of line, a delta, an odd absolute run with its pad byte, the end of the bitmap.
  add("rle8", {.width = 6,
               .height = 3,
               .bits = 8,
               .compression = BmpCompression::kRle8,
               .paletteEntries = 4,
               .pixels = Bytes{3, 1, 0, 0, 0, 2, 1, 0, 2, 2, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}});
  add("rle4", {.width = 7,
               .height = 2,
               .bits = 4,
               .compression = BmpCompression::kRle4,
               .paletteEntries = 16,
               .pixels = Bytes{4, 0x1F, 0, 3, 0x23, 0x40, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1}});
  add("rgb16-default-masks", {.bits = 16, .pixels = Rows(2, 6)});
  add("rgb16-565-after-header", {.bits = 16,
                                 .compression = BmpCompression::kBitfields,
                                 .masks = {0xF800, 0x07E0, 0x001F},
                                 .pixels = Rows(2, 6)});
  add("rgb16-444-header52", {.header = 52,
                             .bits = 16,
                             .compression = BmpCompression::kBitfields,
                             .masks = {0x0F00, 0x00F0, 0x000F},
                             .pixels = Rows(2, 6)});
  add("rgb32-header108", {.header = 108,
                          .height = -2,
                          .bits = 32,
                          .compression = BmpCompression::kBitfields,
                          .masks = {0xFF000000, 0x00FF0000, 0x0000FF00},
                          .pixels = Rows(2, 12)});
  add("rgb32-header124", {.header = 124, .bits = 32, .pixels = Rows(2, 12)});
  add("os2-palette8",
      {.header = 12, .bits = 8, .paletteEntries = 5, .pixels = Bytes{0, 1, 2, 0, 4, 3, 2, 0}});
  add("os2-rgb24", {.header = 12, .pixels = Rows(2, 9)});
  files.emplace_back("empty", Bytes{});
  return files;
}

// ---- JPEG --------------------------------------------------------------------------------

enum class JpegKind { kBaseline, kProgressive, kGrey, kCmyk, kSubsampledOddSize };

Bytes BuildJpeg(JpegKind kind) {
  const bool grey = kind == JpegKind::kGrey;
  const bool cmyk = kind == JpegKind::kCmyk;
  const int width = kind == JpegKind::kSubsampledOddSize ? 19 : 16;
  const int height = kind == JpegKind::kSubsampledOddSize ? 11 : 16;
  const orandu::JpegCoding coding{.quality = 90,
                                  .colours = grey   ? orandu::JpegColours::kGrey
                                             : cmyk ? orandu::JpegColours::kCmyk
                                                    : orandu::JpegColours::kRgb,
                                  .progression = kind == JpegKind::kProgressive
                                                     ? orandu::JpegProgression::kProgressive
                                                     : orandu::JpegProgression::kBaseline,
                                  .restartRows = kind == JpegKind::kBaseline ? 1 : 0};
  return orandu::EncodeJpegRows(width, height, coding, [](int y, std::span<std::uint8_t> row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      row[i] = static_cast<std::uint8_t>(i * 13 + static_cast<std::size_t>(y) * 29);
    }
  });
}

// ---- PNG ---------------------------------------------------------------------------------

enum class PngColor : std::uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

class BigEndian {
 public:
  void U32(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void Chunk(std::string_view type, const Bytes& data) {
    U32(static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = bytes_.size();
    bytes_.insert(bytes_.end(), type.begin(), type.end());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    U32(static_cast<std::uint32_t>(
        crc32(0, bytes_.data() + typeAt, static_cast<uInt>(bytes_.size() - typeAt))));
  }
  Bytes Take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

struct PngSpec {
  std::uint32_t width = 4;
  std::uint32_t height = 3;
  std::uint8_t depth = 8;
  PngColor color = PngColor::kRgb;
  bool interlaced = false;
  Bytes palette{};                 // PLTE content
  Bytes transparency{};            // tRNS content
  std::vector<Bytes> scanlines{};  // with their filter bytes
};

Bytes BuildPng(const PngSpec& layout) {
  BigEndian out;
  Bytes file = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
  BigEndian header;
  header.U32(layout.width);
  header.U32(layout.height);
  Bytes ihdr = header.Take();
  ihdr.insert(ihdr.end(), {layout.depth, static_cast<std::uint8_t>(layout.color), 0, 0,
                           static_cast<std::uint8_t>(layout.interlaced)});
  out.Chunk("IHDR", ihdr);
  out.Chunk("gAMA", {0, 0, 0xB1, 0x8F});
  if (!layout.palette.empty()) out.Chunk("PLTE", layout.palette);
  if (!layout.transparency.empty()) out.Chunk("tRNS", layout.transparency);
  Bytes raw;
  for (const Bytes& line : layout.scanlines) raw.insert(raw.end(), line.begin(), line.end());
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes compressed(size);
  compress2(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
  compressed.resize(size);
  out.Chunk("IDAT", compressed);
  out.Chunk("IEND", {});
  return Join({file, out.Take()});
}

// `count` scanlines of `bytes` bytes each, cycling through the five filter types.
std::vector<Bytes> Scanlines(std::size_t count, std::size_t bytes) {
  std::vector<Bytes> lines;
  for (std::size_t r = 0; r < count; ++r) {
    Bytes line{static_cast<std::uint8_t>(r % 5)};
    for (std::size_t i = 0; i < bytes; ++i)
      line.push_back(static_cast<std::uint8_t>(r * 41 + i * 23));
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::pair<std::string, Bytes>> Pngs() {
  // Adam7 leaves passes 2 and 3 of a 3 x 3 picture empty; the others hold 1 x 1, 1 x 1, 2 x 1,
  // 1 x 2 and 3 x 1 pixels: six scanlines, listed pass by pass.
  std::vector<Bytes> interlaced;
  for (std::size_t pixels : {1, 1, 2, 1, 1, 3}) {
    interlaced.push_back(Scanlines(1, 3 * pixels).front());
  }
  return {
      {"rgb8", BuildPng({.scanlines = Scanlines(3, 12)})},
      {"rgba16",
       BuildPng(
           {.width = 2, .depth = 16, .color = PngColor::kRgba, .scanlines = Scanlines(3, 16)})},
      {"grey1",
       BuildPng({.width = 9, .depth = 1, .color = PngColor::kGrey, .scanlines = Scanlines(3, 2)})},
      {"grey16-trns", BuildPng({.depth = 16,
                                .color = PngColor::kGrey,
                                .transparency = {0x12, 0x34},
                                .scanlines = Scanlines(3, 8)})},
      {"grey-alpha8", BuildPng({.color = PngColor::kGreyAlpha, .scanlines = Scanlines(3, 8)})},
      {"palette4-trns",
       BuildPng(
           {.width = 5,
            .depth = 4,
            .color = PngColor::kPalette,
            .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255},
            .transparency = {255, 128},
            .scanlines = {{0, 0x01, 0x20, 0x10}, {0, 0x22, 0x11, 0x00}, {0, 0x01, 0x02, 0x00}}})},
      {"rgb8-interlaced",
       BuildPng({.width = 3, .height = 3, .interlaced = true, .scanlines = interlaced})},
  };
}

// ---- Grid --------------------------------------------------------------------------------

struct RegionSpec {
  std::int32_t lon = 13;
  std::int32_t lat = 13;
  std::uint16_t pickWidth = 488;
  std::uint16_t pickHeight = 441;
  std::uint16_t width = 488;
  std::uint16_t height = 441;
  std::uint32_t offset = 0;
  std::uint32_t length = static_cast<std::uint32_t>(orandu::GridBytes);
  bool emptyBar = false;
  std::size_t gridBytes = 2 * orandu::RowBytes;
};

Bytes BuildRegionInput(const RegionSpec& layout) {
  LittleEndian out;
  out.U32(static_cast<std::uint32_t>(layout.lon)).U32(static_cast<std::uint32_t>(layout.lat));
  out.U16(layout.pickWidth).U16(layout.pickHeight).U16(layout.width).U16(layout.height);
  out.U32(layout.offset).U32(layout.length).U8(layout.emptyBar ? 1 : 0);
  // Heights and depths around the threshold, raw values stored low byte first.
  for (std::size_t i = 0; i < layout.gridBytes / 2; ++i) {
    out.U16(static_cast<std::uint32_t>(i % 7 == 0 ? 10001 + i : i * 97 % 10002));
  }
  return out.Take();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_fuzz_corpus <corpus folder>\n";
    return 2;
  }
  const std::filesystem::path root = argv[1];

  const Corpus bmp(root, "bmp");
  for (const auto& [name, bytes] : Bitmaps()) bmp.Add(name + ".bmp", bytes);

  // The first byte picks the file name: 0 "bar.bmp", 1 "BAR.BMP", 2 "bar.jpg", 3 "bar.JPEG",
  // 4 "bar.png", 5 "bar.Png", 6 "bar.gif", 7 "bar".
  const Corpus colorBar(root, "color_bar");
  const auto bitmaps = Bitmaps();
  colorBar.Add("bmp-rgb24", Join({{0}, bitmaps[0].second}));
  colorBar.Add("bmp-rle8", Join({{1}, bitmaps[5].second}));
  colorBar.Add("jpg-baseline-restarts", Join({{2}, BuildJpeg(JpegKind::kBaseline)}));
  colorBar.Add("jpeg-progressive", Join({{3}, BuildJpeg(JpegKind::kProgressive)}));
  colorBar.Add("jpg-grey", Join({{2}, BuildJpeg(JpegKind::kGrey)}));
  colorBar.Add("jpg-cmyk", Join({{2}, BuildJpeg(JpegKind::kCmyk)}));
  colorBar.Add("jpeg-subsampled-odd-size", Join({{3}, BuildJpeg(JpegKind::kSubsampledOddSize)}));
  for (const auto& [name, bytes] : Pngs()) colorBar.Add("png-" + name, Join({{4}, bytes}));
  colorBar.Add("gif", Join({{6}, Text("GIF89a")}));
  colorBar.Add("no-extension", Join({{7}, bitmaps[0].second}));

  // A byte n, n bytes of the value to save, then the settings file.
  const Corpus settings(root, "settings");
  const auto setting = [&](const std::string& name, std::string_view value, std::string_view file) {
    settings.Add(name, Join({{static_cast<std::uint8_t>(value.size())}, Text(value), Text(file)}));
  };
  setting("plain", "/grids/ETOPO5.DOS", "[SYSTEM]\nETOPO5=/old\nColorBar=/bars/P1.BMP\n");
  setting("no-file", "/g", "");
  setting("comments-and-sections", "",
          "; by hand\n[Window]\nLeft=20\n\n[SYSTEM]\n; grid\nETOPO5 = /old \nColorBar=/c\n; end\n");
  setting("signature-crlf", "/データ/ETOPO5.DOS",
          "\xEF\xBB\xBF[SYSTEM]\r\nETOPO5=/a\r\nColorBar=/b\r\n");
  setting("quotes-and-spaces", "  \"spaced\"  ",
          "[SYSTEM]\nColorBar=\"  quoted  \"\nETOPO5=\"\"\n");
  setting("multi-line-tag", "<<<END", "[SYSTEM]\nColorBar=<<<END\nline one\nline two\nEND\n");
  setting("case-and-duplicates", "/x", "[system]\netopo5=/a\nETOPO5=/b\n[SYSTEM]\nColorBar=/c\n");
  setting("line-break-refused", "/a\n[OTHER]", "[SYSTEM]\nETOPO5=/old\n");
  setting("binary", "/g", "\x89PNG\r\n\x1a\n\0\0[SYSTEM]\nETOPO5\xFF=\x01\n"sv);

  const Corpus region(root, "region");
  region.Add("pick-at-the-north-west", BuildRegionInput({}));
  region.Add(
      "middle-rows-in-place",
      BuildRegionInput(
          {.lon = 200, .lat = 100, .offset = static_cast<std::uint32_t>(979 * orandu::RowBytes)}));
  region.Add("cut-inside-a-row", BuildRegionInput({.lon = 200,
                                                   .lat = 100,
                                                   .width = 300,
                                                   .height = 50,
                                                   .offset = 1195 * orandu::RowBytes,
                                                   .length = 1200 * orandu::RowBytes + 777}));
  region.Add(
      "wider-than-the-pick-wraps-east",
      BuildRegionInput({.lon = 372, .lat = 192, .width = 700, .length = 3 * orandu::RowBytes}));
  region.Add("odd-sizes", BuildRegionInput({.lon = 180,
                                            .lat = 90,
                                            .pickWidth = 13,
                                            .pickHeight = 25,
                                            .width = 13,
                                            .height = 25,
                                            .gridBytes = 600}));
  region.Add("shorter-than-a-row",
             BuildRegionInput({.width = 40, .height = 30, .length = 1001, .gridBytes = 1001}));
  region.Add("empty-bar", BuildRegionInput({.width = 20, .height = 20, .emptyBar = true}));
  return 0;
}
