// Reads the Windows and OS/2 bitmap files that paint programs write.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"

namespace orandu {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;  // the Windows 3 header; later ones extend it
constexpr std::size_t kMaskBytes = 12;        // red, green and blue masks, 4 bytes each

enum class InfoHeaderSize : std::uint32_t {
  kOs2Core = 12,  // 16-bit sizes, no compression, 3-byte palette entries
  kWindows3 = 40,
  kWithRgbMasks = 52,
  kWithRgbaMasks = 56,
  kWindows95 = 108,
  kWindows98 = 124,
};

enum class Compression : std::uint32_t {
  kNone = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitfields = 3,
};

// The second byte of an RLE pair whose count byte is 0.
enum class RleEscape : std::uint8_t {
  kEndOfLine = 0,
  kEndOfBitmap = 1,
  kDelta = 2,
};

[[noreturn]] void ThrowInvalid() {
  throw OranduError(std::string(kInvalidBitmapMessage));
}
[[noreturn]] void ThrowCutShort() {
  throw OranduError(std::string(kStreamReadErrorMessage));
}

void RequireBytes(std::span<const std::uint8_t> bytes, std::uint64_t end) {
  if (end > bytes.size()) ThrowCutShort();
}

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::int32_t ReadI32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::int32_t>(ReadU32(bytes, at));
}

bool IsKnownHeaderSize(std::uint32_t size) {
  switch (static_cast<InfoHeaderSize>(size)) {
    case InfoHeaderSize::kOs2Core:
    case InfoHeaderSize::kWindows3:
    case InfoHeaderSize::kWithRgbMasks:
    case InfoHeaderSize::kWithRgbaMasks:
    case InfoHeaderSize::kWindows95:
    case InfoHeaderSize::kWindows98:
      return true;
  }
  return false;
}

// One colour channel of a 16- or 32-bit pixel: where its bits are and how to widen them to 8.
class ChannelMask {
 public:
  ChannelMask() = default;
  explicit ChannelMask(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) ThrowInvalid();
    shift_ = std::countr_zero(mask);
    maximum_ = mask >> shift_;
    if ((maximum_ & (maximum_ + 1)) != 0) ThrowInvalid();  // the bits are not contiguous
  }

  std::uint32_t Mask() const { return mask_; }

  std::uint8_t Extract(std::uint32_t pixel) const {
    const std::uint64_t value = (pixel & mask_) >> shift_;
    return static_cast<std::uint8_t>((value * 255 + maximum_ / 2) / maximum_);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  std::uint32_t maximum_ = 1;
};

struct ChannelMasks {
  ChannelMask red;
  ChannelMask green;
  ChannelMask blue;

  Rgb Extract(std::uint32_t pixel) const {
    return {red.Extract(pixel), green.Extract(pixel), blue.Extract(pixel)};
  }
};

ChannelMasks ReadMasks(std::span<const std::uint8_t> bytes, std::size_t at, int bitsPerPixel) {
  ChannelMasks masks{ChannelMask(ReadU32(bytes, at)), ChannelMask(ReadU32(bytes, at + 4)),
                     ChannelMask(ReadU32(bytes, at + 8))};
  const std::uint32_t red = masks.red.Mask();
  const std::uint32_t green = masks.green.Mask();
  const std::uint32_t blue = masks.blue.Mask();
  const bool overlap = (red & green) != 0 || (red & blue) != 0 || (green & blue) != 0;
  const bool beyondPixel = bitsPerPixel == 16 && ((red | green | blue) >> 16) != 0;
  if (overlap || beyondPixel) ThrowInvalid();
  return masks;
}

ChannelMasks DefaultMasks(int bitsPerPixel) {
  if (bitsPerPixel == 16) return {ChannelMask(0x7C00), ChannelMask(0x03E0), ChannelMask(0x001F)};
  return {ChannelMask(0xFF0000), ChannelMask(0x00FF00), ChannelMask(0x0000FF)};
}

// Everything the headers say about where the pixels are and how to read them.
struct BitmapLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  Compression compression = Compression::kNone;
  ChannelMasks masks;
  std::vector<Rgb> palette;
  std::size_t pixelOffset = 0;
  std::uint32_t imageSize = 0;  // bytes of compressed data; 0 means up to the end of the file
};

bool IsValidWindowsDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool IsValidCompression(Compression compression, int bits) {
  switch (compression) {
    case Compression::kNone:
      return true;
    case Compression::kRle8:
      return bits == 8;
    case Compression::kRle4:
      return bits == 4;
    case Compression::kBitfields:
      return bits == 16 || bits == 32;
  }
  return false;
}

// Palette entries are blue, green, red and, except in OS/2 files, a spare byte. A palette may be
// shorter than the depth allows, but it never reaches into the pixel data.
std::vector<Rgb> ReadPalette(std::span<const std::uint8_t> bytes, std::size_t start,
                             std::size_t pixelOffset, std::size_t entryBytes,
                             std::size_t fullPalette, std::uint32_t colorsUsed) {
  std::size_t entries =
      colorsUsed == 0 ? fullPalette : std::min<std::size_t>(colorsUsed, fullPalette);
  entries = std::min(entries, (pixelOffset - start) / entryBytes);
  RequireBytes(bytes, start + entries * entryBytes);
  std::vector<Rgb> palette;
  palette.reserve(entries);
  for (std::size_t entry = start; palette.size() < entries; entry += entryBytes) {
    palette.push_back({bytes[entry + 2], bytes[entry + 1], bytes[entry]});
  }
  return palette;
}

BitmapLayout ReadLayout(std::span<const std::uint8_t> bytes) {
  RequireBytes(bytes, kFileHeaderBytes);
  if (bytes[0] != 'B' || bytes[1] != 'M') ThrowInvalid();
  const std::uint32_t pixelOffset = ReadU32(bytes, 10);

  RequireBytes(bytes, kFileHeaderBytes + 4);
  const std::uint32_t headerSize = ReadU32(bytes, kFileHeaderBytes);
  if (!IsKnownHeaderSize(headerSize)) ThrowInvalid();
  RequireBytes(bytes, kFileHeaderBytes + headerSize);

  BitmapLayout layout;
  std::size_t paletteEntryBytes = 4;
  std::uint32_t colorsUsed = 0;
  const std::size_t at = kFileHeaderBytes;
  if (static_cast<InfoHeaderSize>(headerSize) == InfoHeaderSize::kOs2Core) {
    layout.width = ReadU16(bytes, at + 4);
    layout.height = ReadU16(bytes, at + 6);
    layout.bitsPerPixel = ReadU16(bytes, at + 10);
    paletteEntryBytes = 3;
    const int bits = layout.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) ThrowInvalid();
  } else {
    layout.width = ReadI32(bytes, at + 4);
    const std::int32_t height = ReadI32(bytes, at + 8);
    layout.topDown = height < 0;
    layout.height = layout.topDown ? -static_cast<std::int64_t>(height) : height;
    layout.bitsPerPixel = ReadU16(bytes, at + 14);
    layout.compression = static_cast<Compression>(ReadU32(bytes, at + 16));
    layout.imageSize = ReadU32(bytes, at + 20);
    colorsUsed = ReadU32(bytes, at + 32);
    if (!IsValidWindowsDepth(layout.bitsPerPixel) ||
        !IsValidCompression(layout.compression, layout.bitsPerPixel)) {
      ThrowInvalid();
    }
  }
  const bool runLength =
      layout.compression == Compression::kRle8 || layout.compression == Compression::kRle4;
  if (layout.width <= 0 || layout.height == 0 || (runLength && layout.topDown)) ThrowInvalid();

  // Masks follow a 40-byte header; the longer headers hold them in their own fields.
  std::size_t headersEnd = kFileHeaderBytes + headerSize;
  if (layout.compression == Compression::kBitfields) {
    std::size_t masksAt = kFileHeaderBytes + kInfoHeaderBytes;
    if (headerSize == kInfoHeaderBytes) {
      RequireBytes(bytes, headersEnd + kMaskBytes);
      masksAt = headersEnd;
      headersEnd += kMaskBytes;
    }
    layout.masks = ReadMasks(bytes, masksAt, layout.bitsPerPixel);
  } else if (layout.bitsPerPixel == 16 || layout.bitsPerPixel == 32) {
    layout.masks = DefaultMasks(layout.bitsPerPixel);
  }
  if (pixelOffset < headersEnd) ThrowInvalid();
  layout.pixelOffset = pixelOffset;

  if (layout.bitsPerPixel <= 8) {
    layout.palette = ReadPalette(bytes, headersEnd, pixelOffset, paletteEntryBytes,
                                 std::size_t{1} << layout.bitsPerPixel, colorsUsed);
  }
  return layout;
}

Rgb PaletteColor(const BitmapLayout& layout, unsigned index) {
  if (index >= layout.palette.size()) ThrowInvalid();
  return layout.palette[index];
}

// The part of the picture that is kept: the window's columns of its rows, from the top.
struct KeptPart {
  std::int64_t width = 0;
  std::int64_t height = 0;
};

KeptPart KeptPartOf(const BitmapLayout& layout, PictureWindow window) {
  return {std::min<std::int64_t>(layout.width, window.columns),
          std::min<std::int64_t>(layout.height, window.rows)};
}

// The first `width` pixels of one row of an uncompressed bitmap, from that row's bytes.
void DecodeRow(std::span<const std::uint8_t> row, const BitmapLayout& layout, Rgb* out,
               std::size_t width) {
  for (std::size_t x = 0; x < width; ++x) {
    switch (layout.bitsPerPixel) {
      case 1:
        out[x] = PaletteColor(layout, row[x / 8] >> (7 - x % 8) & 1u);
        break;
      case 4:
        out[x] = PaletteColor(layout, row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 0xFu);
        break;
      case 8:
        out[x] = PaletteColor(layout, row[x]);
        break;
      case 16:
        out[x] = layout.masks.Extract(ReadU16(row, 2 * x));
        break;
      case 24: {
        const std::size_t pixel = 3 * x;
        out[x] = {row[pixel + 2], row[pixel + 1], row[pixel]};
        break;
      }
      default:
        out[x] = layout.masks.Extract(ReadU32(row, 4 * x));
        break;
    }
  }
}

// Reads only the kept rows, each from where it lies in the file: a bottom-up bitmap keeps its
// top row at the end.
void DecodeUncompressed(PictureBytes& file, const BitmapLayout& layout, const KeptPart& kept,
                        Picture& picture) {
  const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(layout.width) * layout.bitsPerPixel;
  const std::uint64_t stride = (bitsPerRow + 31) / 32 * 4;
  if (file.size() < layout.pixelOffset ||
      static_cast<std::uint64_t>(layout.height) > (file.size() - layout.pixelOffset) / stride) {
    ThrowCutShort();
  }
  CheckPictureSize(layout.width, layout.height);
  picture.pixels.resize(static_cast<std::size_t>(kept.width * kept.height));

  const auto width = static_cast<std::size_t>(kept.width);
  std::vector<std::uint8_t> row((width * layout.bitsPerPixel + 7) / 8);
  for (std::int64_t y = 0; y < kept.height; ++y) {
    const std::int64_t fileRow = layout.topDown ? y : layout.height - 1 - y;
    const std::uint64_t at = layout.pixelOffset + static_cast<std::uint64_t>(fileRow) * stride;
    if (file.ReadAt(at, row) < row.size()) ThrowCutShort();
    DecodeRow(row, layout, picture.pixels.data() + static_cast<std::size_t>(y) * width, width);
  }
}

// The most RLE data a picture can need: two bytes a pixel (runs of one pixel, or absolute runs
// of three with their padding) and an end of line for every row, with room for an encoder that
// writes a little more. Data that goes on beyond this only moves the pen over clipped pixels.
std::uint64_t MaxRunLengthBytes(const BitmapLayout& layout) {
  constexpr std::uint64_t kSlack = 4096;
  const auto width = static_cast<std::uint64_t>(layout.width);
  const auto height = static_cast<std::uint64_t>(layout.height);
  return 2 * (width + 2) * height + kSlack;
}

// The most RLE data read before the kept rows are complete: run data is read a pair of bytes at
// a time, and more than this takes longer than a bar may take to load.
constexpr std::uint64_t kMaxRunLengthReadBytes = std::uint64_t{16} << 20;

// RLE8 and RLE4 data, always bottom-up. Pixels that no run sets stay black; runs and deltas
// that go past the right or top edge are clipped. Decoding ends where nothing later can reach a
// kept pixel any more: at the top row, past the kept columns. A run costs the same however much
// of it is clipped.
void DecodeRunLength(PictureBytes& file, const BitmapLayout& layout, const KeptPart& kept,
                     Picture& picture) {
  std::uint64_t end = file.size();
  if (layout.imageSize != 0) {
    end = std::uint64_t{layout.pixelOffset} + layout.imageSize;
    if (end > file.size()) ThrowCutShort();
  }
  if (file.size() < layout.pixelOffset) ThrowCutShort();
  CheckPictureSize(layout.width, layout.height);
  picture.pixels.resize(static_cast<std::size_t>(kept.width * kept.height));

  const bool fourBit = layout.compression == Compression::kRle4;
  const std::uint64_t validEnd = layout.pixelOffset + MaxRunLengthBytes(layout);
  const std::uint64_t workEnd = layout.pixelOffset + kMaxRunLengthReadBytes;
  PictureByteStream data(file, layout.pixelOffset, end);
  std::int64_t x = 0;
  std::int64_t y = 0;  // counted from the bottom row
  const std::int64_t firstKeptY = layout.height - kept.height;
  const auto keptRow = [&]() -> Rgb* {
    if (y < firstKeptY || y >= layout.height) return nullptr;
    return picture.pixels.data() + static_cast<std::size_t>((layout.height - 1 - y) * kept.width);
  };
  // `count` pixels from x on, the i-th of them `indexAt(i)`; only the kept ones are touched.
  const auto put = [&](std::int64_t count, const auto& indexAt) {
    if (Rgb* row = keptRow(); row != nullptr && x < kept.width) {
      const std::int64_t last = std::min(x + count, kept.width);
      for (std::int64_t at = x; at < last; ++at) row[at] = PaletteColor(layout, indexAt(at - x));
    }
    x += count;
  };

  for (;;) {
    if (y > layout.height - 1 || (y == layout.height - 1 && x >= kept.width)) return;
    if (data.AtEnd()) ThrowCutShort();
    if (data.Position() > validEnd) ThrowInvalid();
    if (data.Position() > workEnd)
      throw OranduError(PictureTooLargeMessage(layout.width, layout.height));
    const std::uint8_t count = data.Next();
    const std::uint8_t code = data.Next();
    if (count > 0) {  // a run of one index, or of two alternating nibbles
      if (fourBit) {
        PaletteColor(layout, code >> 4);
        if (count > 1) PaletteColor(layout, code & 0xFu);
        put(count, [&](std::int64_t i) { return i % 2 == 0 ? code >> 4 : code & 0xFu; });
      } else {
        PaletteColor(layout, code);
        put(count, [&](std::int64_t) { return unsigned{code}; });
      }
      continue;
    }
    switch (static_cast<RleEscape>(code)) {
      case RleEscape::kEndOfLine:
        x = 0;
        ++y;
        continue;
      case RleEscape::kEndOfBitmap:
        return;
      case RleEscape::kDelta:
        x += data.Next();
        y += data.Next();
        continue;
    }
    // An absolute run of `code` indices, padded to a 2-byte boundary.
    const unsigned dataBytes = fourBit ? (code + 1u) / 2 : code;
    std::array<std::uint8_t, 256> indices;
    for (unsigned i = 0; i < dataBytes; ++i) {
      const std::uint8_t byte = data.Next();
      if (fourBit) {
        indices[2 * i] = byte >> 4;
        if (2 * i + 1 < code) indices[2 * i + 1] = byte & 0xFu;
      } else {
        indices[i] = byte;
      }
    }
    for (unsigned i = 0; i < code; ++i) PaletteColor(layout, indices[i]);
    put(code, [&](std::int64_t i) { return unsigned{indices[static_cast<std::size_t>(i)]}; });
    if (dataBytes % 2 != 0 && !data.Skip(1)) ThrowCutShort();
  }
}

// The headers and the palette come before the pixels, within this many bytes of the start.
constexpr std::size_t kMaxHeadersBytes = kFileHeaderBytes + 124 + kMaskBytes + 256 * 4;

}  // namespace

Picture DecodeBmp(PictureBytes& file, PictureWindow window) {
  if (file.size() == 0) return {};
  std::vector<std::uint8_t> headers(std::min<std::uint64_t>(file.size(), kMaxHeadersBytes));
  headers.resize(file.ReadAt(0, headers));
  const BitmapLayout layout = ReadLayout(headers);
  const KeptPart kept = KeptPartOf(layout, window);
  Picture picture;
  picture.width = static_cast<int>(kept.width);
  picture.height = static_cast<int>(kept.height);
  if (layout.compression == Compression::kRle8 || layout.compression == Compression::kRle4) {
    DecodeRunLength(file, layout, kept, picture);
  } else {
    DecodeUncompressed(file, layout, kept, picture);
  }
  return picture;
}

Picture DecodeBmp(std::span<const std::uint8_t> bytes) {
  PictureBytesInMemory file(bytes);
  return DecodeBmp(file, PictureWindow{});
}

}  // namespace orandu
