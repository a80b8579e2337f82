// Decodes PNG pictures of every colour type and depth to 24-bit colour.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"

namespace orandu {

namespace {

static_assert(sizeof(Rgb) == 3, "libpng fills the pixels in place as packed RGB triples");

// What libpng's reader from memory says when the file ends before the picture does.
constexpr std::string_view kLibpngCutShort = "read beyond end of data";

// libpng's simplified interface catches its own errors and reports them in the image; this
// only makes sure its working memory is freed on every path.
class PngImage {
 public:
  PngImage() { image_.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;

  png_image* operator->() { return &image_; }
  png_image* get() { return &image_; }

  [[noreturn]] void ThrowFailure() const {
    const std::string_view reason = image_.message;
    if (reason == kLibpngCutShort) throw OranduError(std::string(kStreamReadErrorMessage));
    throw OranduError(InvalidPngMessage(reason));
  }

 private:
  png_image image_{};
};

constexpr std::array<std::uint8_t, 8> kSignature = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::size_t kChunkHeadBytes = 8;  // length and type

std::uint32_t ReadU32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
         at[3];
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Appends a chunk with its length and checksum.
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data) {
  PutU32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  PutU32(out, static_cast<std::uint32_t>(crc));
}

// What the header says about the image data.
struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t depth = 0;
  std::uint8_t colorType = 0;
  bool interlaced = false;
  unsigned bitsPerPixel = 0;

  // The bytes of `rows` rows of `columns` pixels: a filter byte and the packed samples each.
  std::uint64_t RowsBytes(std::uint64_t columns, std::uint64_t rows) const {
    return columns == 0 ? 0 : rows * (1 + (columns * bitsPerPixel + 7) / 8);
  }

  // The decompressed image data of the whole picture, pass by pass when it is interlaced.
  std::uint64_t ImageDataBytes() const {
    if (!interlaced) return RowsBytes(width, height);
    struct Pass {
      unsigned x, y, xStep, yStep;
    };
    constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::uint64_t total = 0;
    for (const Pass& pass : kAdam7) {
      const auto count = [](std::uint64_t size, unsigned start, unsigned step) -> std::uint64_t {
        return size > start ? (size - start + step - 1) / step : 0;
      };
      total += RowsBytes(count(width, pass.x, pass.xStep), count(height, pass.y, pass.yStep));
    }
    return total;
  }
};

// The header chunk's content, which libpng has already checked.
PngHeader ReadHeader(std::span<const std::uint8_t> ihdr) {
  PngHeader header;
  header.width = ReadU32(ihdr.data());
  header.height = ReadU32(ihdr.data() + 4);
  header.depth = ihdr[8];
  header.colorType = ihdr[9];
  header.interlaced = ihdr[12] != 0;
  const bool palette = (header.colorType & PNG_COLOR_MASK_PALETTE) != 0;
  const bool color = (header.colorType & PNG_COLOR_MASK_COLOR) != 0;
  const bool alpha = (header.colorType & PNG_COLOR_MASK_ALPHA) != 0;
  header.bitsPerPixel = header.depth * ((color && !palette ? 3 : 1) + (alpha ? 1 : 0));
  return header;
}

// The chunks before the image data that decide the colours: the header, the palette, the
// transparency and any critical chunk libpng must judge. Colour-space chunks (gAMA, cHRM, sRGB,
// iCCP) and the other ancillary ones are left out, so that stored values are read as they are.
struct Preamble {
  std::vector<std::uint8_t> bytes;  // the signature and the chunks, as the file has them
  bool reachesImageData = false;    // the bytes end with the first IDAT chunk's length and type
};

// More chunks than any picture needs; each costs a little, even one of no bytes.
constexpr int kMaxChunks = 100000;

void CountChunk(int& chunks) {
  if (++chunks > kMaxChunks) {
    throw OranduError(InvalidPngMessage("too many chunks"));
  }
}

// Reads up to the first image data chunk's length and type.
Preamble ReadPreamble(PictureByteStream& stream, int& chunks) {
  constexpr std::uint32_t kMaxKeptChunk = 1 << 20;  // a palette is 768 bytes, a tRNS 256
  Preamble preamble;
  preamble.bytes.resize(kSignature.size());
  preamble.bytes.resize(stream.Read(preamble.bytes));
  if (!std::equal(preamble.bytes.begin(), preamble.bytes.end(), kSignature.begin())) {
    return preamble;
  }
  for (;;) {
    CountChunk(chunks);
    std::array<std::uint8_t, kChunkHeadBytes> head;
    const std::size_t got = stream.Read(head);
    preamble.bytes.insert(preamble.bytes.end(), head.begin(), head.begin() + got);
    if (got < head.size()) return preamble;
    const std::uint32_t length = ReadU32(head.data());
    const std::string_view type(reinterpret_cast<const char*>(head.data() + 4), 4);
    if (type == "IDAT") {
      preamble.reachesImageData = true;
      return preamble;
    }
    const bool critical = (type[0] & 0x20) == 0;
    if (critical || type == "tRNS") {
      if (length > kMaxKeptChunk) {
        throw OranduError(InvalidPngMessage(std::string(type) + ": too long"));
      }
      const std::size_t start = preamble.bytes.size();
      preamble.bytes.resize(start + length + 4);
      const std::size_t rest = stream.Read(std::span(preamble.bytes).subspan(start));
      preamble.bytes.resize(start + rest);
      if (rest < length + 4u || type == "IEND") return preamble;
    } else {
      preamble.bytes.resize(preamble.bytes.size() - kChunkHeadBytes);
      if (!stream.Skip(std::uint64_t{length} + 4)) return preamble;
    }
  }
}

// The image data that is kept: the first bytes of each of the first rows, or all of it.
struct KeptData {
  std::uint64_t rowBytes = 0;      // of a whole row; 0 keeps everything
  std::uint64_t keptRowBytes = 0;  // of each kept row
  std::uint64_t needed = 0;        // the decompressed bytes that must be read
  bool whole = false;              // needed is the whole picture's data
  std::vector<std::uint8_t> bytes;

  void Take(std::uint64_t offset, std::span<const std::uint8_t> produced) {
    if (rowBytes == 0) {
      if (offset < needed) {
        bytes.insert(bytes.end(), produced.begin(),
                     produced.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(
                                            produced.size(), needed - offset)));
      }
      return;
    }
    for (std::size_t i = 0; i < produced.size();) {
      const std::uint64_t at = offset + i;
      if (at >= needed) return;
      const std::uint64_t column = at % rowBytes;
      if (column >= keptRowBytes) {
        i += static_cast<std::size_t>(
            std::min<std::uint64_t>(rowBytes - column, produced.size() - i));
        continue;
      }
      const std::size_t count = static_cast<std::size_t>(
          std::min<std::uint64_t>(keptRowBytes - column, produced.size() - i));
      bytes.insert(bytes.end(), produced.begin() + static_cast<std::ptrdiff_t>(i),
                   produced.begin() + static_cast<std::ptrdiff_t>(i + count));
      i += count;
    }
  }
};

// Inflates the image data chunk by chunk, keeping what the kept part needs, and stops once it
// has it. When the whole picture is kept the data is read to its end, and data that runs on
// past the last row is refused: libpng would read it to its end, however far (a file of a few
// megabytes could keep it inflating gigabytes of nothing), and would find data too short only
// after the whole picture's memory had been taken for it.
void InflateImageData(PictureByteStream& file, std::uint32_t firstLength, int& chunks,
                      KeptData& kept, std::uint64_t wholeBytes) {
  constexpr std::uint64_t kSlack = std::uint64_t{1} << 20;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw std::bad_alloc();
  std::array<Bytef, 65536> sink;
  std::uint64_t produced = 0;
  int result = Z_OK;
  bool fileEnded = false;
  bool crcWrong = false;
  const auto enough = [&] {
    return kept.whole ? produced > wholeBytes + kSlack || result == Z_STREAM_END
                      : produced >= kept.needed;
  };
  const auto broken = [&] {
    return result != Z_OK && result != Z_BUF_ERROR && result != Z_STREAM_END;
  };
  std::uint32_t length = firstLength;
  for (bool first = true; !enough(); first = false) {
    if (!first) {
      CountChunk(chunks);
      std::array<std::uint8_t, kChunkHeadBytes> head;
      if (file.Read(head) < head.size()) {
        fileEnded = true;
        break;
      }
      if (std::string_view(reinterpret_cast<const char*>(head.data() + 4), 4) != "IDAT") break;
      length = ReadU32(head.data());
    }
    const std::uint8_t type[] = {'I', 'D', 'A', 'T'};
    uLong crc = crc32(0, type, 4);
    std::uint64_t read = 0;
    while (read < length && !enough()) {
      std::span<const std::uint8_t> input = file.Available();
      if (input.empty()) break;
      input = input.first(
          static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), length - read)));
      crc = crc32(crc, input.data(), static_cast<uInt>(input.size()));
      stream.next_in = const_cast<Bytef*>(input.data());
      stream.avail_in = static_cast<uInt>(input.size());
      do {
        stream.next_out = sink.data();
        stream.avail_out = static_cast<uInt>(sink.size());
        result = inflate(&stream, Z_NO_FLUSH);
        const std::size_t made = sink.size() - stream.avail_out;
        kept.Take(produced, std::span(sink.data(), made));
        produced += made;
        // Z_BUF_ERROR only asks for more input, which the next piece brings.
      } while ((result == Z_OK || result == Z_BUF_ERROR) && stream.avail_in > 0 && !enough());
      file.Consume(input.size());
      read += input.size();
      if (broken()) break;
    }
    if (broken()) break;
    if (read < length) {
      fileEnded = !enough();
      break;
    }
    std::array<std::uint8_t, 4> stored;
    if (file.Read(stored) < stored.size()) {
      fileEnded = !enough();
      break;
    }
    if (ReadU32(stored.data()) != static_cast<std::uint32_t>(crc)) {
      crcWrong = true;
      break;
    }
  }
  const std::string damage = stream.msg != nullptr ? stream.msg : "damaged data";
  inflateEnd(&stream);

  if (crcWrong) throw OranduError(InvalidPngMessage("IDAT: CRC error"));
  if (broken()) {
    throw OranduError(InvalidPngMessage(damage));
  }
  if (kept.whole && produced > wholeBytes + kSlack) {
    throw OranduError(InvalidPngMessage("too much image data"));
  }
  if (produced >= kept.needed) return;
  if (fileEnded && result != Z_STREAM_END) {
    throw OranduError(std::string(kStreamReadErrorMessage));
  }
  throw OranduError(InvalidPngMessage("not enough image data"));
}

// An interlaced picture spreads its top rows over the whole of its data, so all of it is decoded;
// beyond this much work (data and pixels) it cannot be read within the time a bar may take.
constexpr std::uint64_t kMaxInterlacedCropBytes = std::uint64_t{48} << 20;

// libpng judges the signature, the header and the palette, and reads the picture's size. Only the
// header has been read: a tiny file claiming a huge picture stops here.
void CheckHeaderWithLibpng(const Preamble& preamble) {
  PngImage image;
  if (!png_image_begin_read_from_memory(image.get(), preamble.bytes.data(),
                                        preamble.bytes.size())) {
    image.ThrowFailure();
  }
  CheckPictureSize(image->width, image->height);
}

// Where the header's 13 bytes start in the preamble, after the signature and the chunk's head.
constexpr std::size_t kHeaderAt = kSignature.size() + kChunkHeadBytes;

// The part of the picture the window keeps, and the data to inflate for it.
struct KeptPart {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  PngHeader decoded;  // the header of the picture made of the kept data
  KeptData data;
};

// An interlaced picture's data is kept whole; a plain one's, the window's rows and columns.
KeptPart PlanKeptPart(const PngHeader& header, PictureWindow window) {
  KeptPart part;
  part.width = std::min<std::uint32_t>(header.width, window.columns);
  part.height = std::min<std::uint32_t>(header.height, window.rows);
  part.decoded = header;
  const bool cropped = part.width < header.width || part.height < header.height;
  const std::uint64_t wholeBytes = header.ImageDataBytes();
  if (header.interlaced) {
    const std::uint64_t pixelBytes = std::uint64_t{header.width} * header.height * sizeof(Rgb);
    if (cropped && wholeBytes + pixelBytes > kMaxInterlacedCropBytes) {
      throw OranduError(PictureTooLargeMessage(header.width, header.height));
    }
    part.data.needed = wholeBytes;
  } else {
    part.data.rowBytes = header.RowsBytes(header.width, 1);
    part.data.keptRowBytes = header.RowsBytes(part.width, 1);
    part.data.needed = header.RowsBytes(header.width, part.height);
    part.decoded.width = part.width;
    part.decoded.height = part.height;
  }
  part.data.whole = part.data.needed == wholeBytes;
  return part;
}

// The kept part as a PNG of its own: the file's chunks before the data, the header resized, and the
// kept data stored without compression. The kept data is released as it is stored.
std::vector<std::uint8_t> RebuildAsPng(const Preamble& preamble, const PngHeader& decoded,
                                       KeptData& kept) {
  std::vector<std::uint8_t> part(kSignature.begin(), kSignature.end());
  std::array<std::uint8_t, 13> ihdr;
  std::copy_n(preamble.bytes.begin() + kHeaderAt, ihdr.size(), ihdr.begin());
  for (int i = 0; i < 4; ++i) {
    ihdr[i] = static_cast<std::uint8_t>(decoded.width >> (24 - 8 * i));
    ihdr[4 + i] = static_cast<std::uint8_t>(decoded.height >> (24 - 8 * i));
  }
  PutChunk(part, "IHDR", ihdr);
  const std::size_t afterHeader = kHeaderAt + ihdr.size() + 4;
  part.insert(part.end(), preamble.bytes.begin() + static_cast<std::ptrdiff_t>(afterHeader),
              preamble.bytes.end() - kChunkHeadBytes);
  uLongf storedBytes = compressBound(static_cast<uLong>(kept.bytes.size()));
  std::vector<std::uint8_t> stored(storedBytes);
  if (compress2(stored.data(), &storedBytes, kept.bytes.data(),
                static_cast<uLong>(kept.bytes.size()), Z_NO_COMPRESSION) != Z_OK) {
    throw std::bad_alloc();
  }
  kept.bytes = {};
  PutChunk(part, "IDAT", std::span(stored).first(storedBytes));
  stored = {};
  PutChunk(part, "IEND", {});
  return part;
}

// libpng's reading of a whole PNG held in memory, as RGB.
Picture DecodeWithLibpng(std::span<const std::uint8_t> png) {
  PngImage image;
  if (!png_image_begin_read_from_memory(image.get(), png.data(), png.size())) {
    image.ThrowFailure();
  }
  image->format = PNG_FORMAT_RGB;
  // 16-bit samples are taken as ordinary sRGB values, as every paint program means them, rather
  // than as linear light; with no gamma chunk left, 8-bit ones are read as stored.
  image->flags |= PNG_IMAGE_FLAG_16BIT_sRGB;

  Picture picture;
  picture.width = static_cast<int>(image->width);
  picture.height = static_cast<int>(image->height);
  picture.pixels.resize(static_cast<std::size_t>(image->width) * image->height);
  // Transparency is flattened onto black, the colour of pixels a file leaves unset, so that fully
  // transparent pixels read the same whatever colour they happen to store. libpng blends in linear
  // light, so a half-transparent pixel comes out lighter than half its colour.
  const png_color black{0, 0, 0};
  const auto stride = static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(*image.get()));
  if (!png_image_finish_read(image.get(), &black, picture.pixels.data(), stride, nullptr)) {
    image.ThrowFailure();
  }
  return picture;
}

// The top left `width` x `height` of the picture, which is no smaller.
Picture TopLeft(Picture picture, int width, int height) {
  if (picture.width <= width && picture.height <= height) return picture;
  Picture crop{width, height, {}};
  crop.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < crop.height; ++y) {
    const auto row = picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width;
    crop.pixels.insert(crop.pixels.end(), row, row + crop.width);
  }
  return crop;
}

}  // namespace

Picture DecodePng(PictureBytes& file, PictureWindow window) {
  if (file.size() == 0) throw OranduError(std::string(kStreamReadErrorMessage));
  PictureByteStream stream(file, 0, file.size());
  int chunks = 0;
  const Preamble preamble = ReadPreamble(stream, chunks);
  CheckHeaderWithLibpng(preamble);
  // libpng stops reading the header where the image data starts, so a file it accepts has some.
  if (!preamble.reachesImageData) throw OranduError(std::string(kStreamReadErrorMessage));
  const PngHeader header = ReadHeader(std::span(preamble.bytes).subspan(kHeaderAt, 13));
  KeptPart kept = PlanKeptPart(header, window);
  InflateImageData(stream, ReadU32(preamble.bytes.data() + preamble.bytes.size() - kChunkHeadBytes),
                   chunks, kept.data, header.ImageDataBytes());
  Picture picture = DecodeWithLibpng(RebuildAsPng(preamble, kept.decoded, kept.data));
  return TopLeft(std::move(picture), static_cast<int>(kept.width), static_cast<int>(kept.height));
}

Picture DecodePng(std::span<const std::uint8_t> bytes) {
  PictureBytesInMemory file(bytes);
  return DecodePng(file, PictureWindow{});
}

}  // namespace orandu
