// Writes GeoTIFF files front to back: the header and the directory first, the strip after them,
// so that the file streams into the atomic writer without seeking back.
#include "region/GeoTiffWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "region/RegionHeights.h"
#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"

namespace orandu {

namespace {

enum class Tag : std::uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kPlanarConfiguration = 284,
  kSampleFormat = 339,
  kModelPixelScale = 33550,
  kModelTiepoint = 33922,
  kGeoKeyDirectory = 34735,
  kGdalNoData = 42113,
};
enum class FieldType : std::uint16_t { kAscii = 2, kShort = 3, kLong = 4, kDouble = 12 };
enum class Photometric : std::uint16_t { kBlackIsZero = 1, kRgb = 2 };
enum class SampleFormat : std::uint16_t { kUnsigned = 1, kSigned = 2 };
constexpr std::uint16_t kNoCompression = 1;
constexpr std::uint16_t kChunky = 1;

// The GeoTIFF keys: a geographic model, pixels as areas, WGS 84 longitude and latitude.
enum class GeoKey : std::uint16_t { kModelType = 1024, kRasterType = 1025, kGeographicType = 2048 };
constexpr std::uint16_t kModelGeographic = 2;
constexpr std::uint16_t kRasterPixelIsArea = 1;
constexpr std::uint16_t kWgs84 = 4326;

constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;  // rows handed to each write

struct Layout {
  std::uint16_t samplesPerPixel;
  std::uint16_t bitsPerSample;
  Photometric photometric;
  SampleFormat sampleFormat;
  std::string noData;  // the value that marks a missing sample, as GDAL reads it; none if empty
};

// The header and the directory, whose values too long for an entry follow it, then the strip.
class TiffHead {
 public:
  std::vector<std::uint8_t> Bytes(int width, int height, const GeoPlacement& placement,
                                  const Layout& layout) {
    const std::uint32_t stripBytes = static_cast<std::uint32_t>(width) *
                                     static_cast<std::uint32_t>(height) * layout.samplesPerPixel *
                                     (layout.bitsPerSample / 8);
    const std::vector<std::uint16_t> bits(layout.samplesPerPixel, layout.bitsPerSample);
    const std::vector<std::uint16_t> formats(layout.samplesPerPixel,
                                             static_cast<std::uint16_t>(layout.sampleFormat));
    const std::vector<double> scale = {placement.pixelDegrees, placement.pixelDegrees, 0};
    const std::vector<double> tiepoint = {0, 0, 0, placement.west, placement.north, 0};
    const std::vector<std::uint16_t> geoKeys = {1,
                                                1,
                                                0,
                                                3,  // version 1, revision 1.0, three keys
                                                static_cast<std::uint16_t>(GeoKey::kModelType),
                                                0,
                                                1,
                                                kModelGeographic,
                                                static_cast<std::uint16_t>(GeoKey::kRasterType),
                                                0,
                                                1,
                                                kRasterPixelIsArea,
                                                static_cast<std::uint16_t>(GeoKey::kGeographicType),
                                                0,
                                                1,
                                                kWgs84};

    Long(Tag::kImageWidth, static_cast<std::uint32_t>(width));
    Long(Tag::kImageLength, static_cast<std::uint32_t>(height));
    Shorts(Tag::kBitsPerSample, bits);
    Short(Tag::kCompression, kNoCompression);
    Short(Tag::kPhotometric, static_cast<std::uint16_t>(layout.photometric));
    Long(Tag::kStripOffsets, 0);  // filled in below, once the head's size is known
    Short(Tag::kSamplesPerPixel, layout.samplesPerPixel);
    Long(Tag::kRowsPerStrip, static_cast<std::uint32_t>(height));
    Long(Tag::kStripByteCounts, stripBytes);
    Short(Tag::kPlanarConfiguration, kChunky);
    Shorts(Tag::kSampleFormat, formats);
    Doubles(Tag::kModelPixelScale, scale);
    Doubles(Tag::kModelTiepoint, tiepoint);
    Shorts(Tag::kGeoKeyDirectory, geoKeys);
    if (!layout.noData.empty()) {
      std::vector<char> text(layout.noData.begin(), layout.noData.end());
      text.push_back('\0');
      Add(Tag::kGdalNoData, FieldType::kAscii, text);
    }

    constexpr std::size_t kHeaderBytes = 8;
    const std::size_t directoryBytes = 2 + entries_.size() * 12 + 4;
    std::size_t extraAt = kHeaderBytes + directoryBytes;
    std::vector<std::uint8_t> head = {'I', 'I', 42, 0};
    Put(head, std::uint32_t{kHeaderBytes});
    Put(head, static_cast<std::uint16_t>(entries_.size()));
    std::vector<std::uint8_t> extra;
    std::size_t stripOffsetAt = 0;
    for (Entry& entry : entries_) {
      Put(head, static_cast<std::uint16_t>(entry.tag));
      Put(head, static_cast<std::uint16_t>(entry.type));
      Put(head, entry.count);
      if (entry.tag == Tag::kStripOffsets) stripOffsetAt = head.size();
      if (entry.value.size() <= 4) {
        entry.value.resize(4, 0);
        head.insert(head.end(), entry.value.begin(), entry.value.end());
      } else {
        if (extraAt % 2 != 0) {  // values start on a word boundary
          extra.push_back(0);
          ++extraAt;
        }
        Put(head, static_cast<std::uint32_t>(extraAt));
        extra.insert(extra.end(), entry.value.begin(), entry.value.end());
        extraAt += entry.value.size();
      }
    }
    Put(head, std::uint32_t{0});  // no next directory
    head.insert(head.end(), extra.begin(), extra.end());
    const auto stripOffset = static_cast<std::uint32_t>(head.size());
    std::memcpy(head.data() + stripOffsetAt, &stripOffset, sizeof stripOffset);
    return head;
  }

 private:
  struct Entry {
    Tag tag;
    FieldType type;
    std::uint32_t count;
    std::vector<std::uint8_t> value;
  };

  template <typename T>
  static void Put(std::vector<std::uint8_t>& out, T value) {
    static_assert(std::endian::native == std::endian::little, "TIFF files written little-endian");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
  }
  template <typename T>
  void Add(Tag tag, FieldType type, const std::vector<T>& values) {
    Entry entry{tag, type, static_cast<std::uint32_t>(values.size()), {}};
    for (const T value : values) Put(entry.value, value);
    entries_.push_back(std::move(entry));
  }
  void Short(Tag tag, std::uint16_t value) { Add(tag, FieldType::kShort, std::vector{value}); }
  void Shorts(Tag tag, const std::vector<std::uint16_t>& values) {
    Add(tag, FieldType::kShort, values);
  }
  void Long(Tag tag, std::uint32_t value) { Add(tag, FieldType::kLong, std::vector{value}); }
  void Doubles(Tag tag, const std::vector<double>& values) { Add(tag, FieldType::kDouble, values); }

  std::vector<Entry> entries_;
};

void WriteTiff(const std::filesystem::path& path, int width, int height,
               const GeoPlacement& placement, const Layout& layout, const RowSource& fillRow) {
  if (width < 1 || height < 1) throw std::invalid_argument("WriteGeoTiff: empty picture");
  CheckPictureSize(width, height);
  AtomicFileWriter file(path);
  // A temporary that could not be made fails here, before any row is painted.
  if (!file.Write(TiffHead().Bytes(width, height, placement, layout))) {
    throw OranduError(CannotWriteMessage(path));
  }
  const std::size_t rowBytes =
      static_cast<std::size_t>(width) * layout.samplesPerPixel * (layout.bitsPerSample / 8);
  const int blockRows = std::clamp(static_cast<int>(kBlockBytes / rowBytes), 1, height);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(blockRows) * rowBytes);
  for (int y = 0; y < height && file.Ok();) {
    const int rows = std::min(blockRows, height - y);
    for (int i = 0; i < rows; ++i, ++y) {
      fillRow(y, std::span(block).subspan(static_cast<std::size_t>(i) * rowBytes, rowBytes));
    }
    file.Write(std::span(block).first(static_cast<std::size_t>(rows) * rowBytes));
  }
  if (!file.Commit()) throw OranduError(CannotWriteMessage(path));
}

}  // namespace

void WriteGeoTiffRows(const std::filesystem::path& path, int width, int height,
                      const GeoPlacement& placement, const RowSource& paintRow) {
  WriteTiff(path, width, height, placement, {3, 8, Photometric::kRgb, SampleFormat::kUnsigned, {}},
            paintRow);
}

void WriteGeoTiffHeightRows(const std::filesystem::path& path, int width, int height,
                            const GeoPlacement& placement, const RowSource& sampleRow) {
  WriteTiff(
      path, width, height, placement,
      {1, 16, Photometric::kBlackIsZero, SampleFormat::kSigned, std::to_string(kMissingHeight)},
      sampleRow);
}

}  // namespace orandu
