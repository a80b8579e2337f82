// Writes JPEG files through libjpeg a row at a time, the compressed bytes streamed to the file.
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE without including it
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "region/picture/PictureWriters.h"

namespace orandu {

namespace {

// Compressed bytes are handed on in pieces of this size.
constexpr std::size_t kPieceBytes = std::size_t{64} * 1024;

using ByteSink = std::function<bool(std::span<const std::uint8_t>)>;

// libjpeg's errors must not return: they jump back to the guarded call, which holds no objects
// with destructors, and the compressor then throws. With the coding built here they mean a
// programming error or no memory left.
struct ErrorJump {
  jpeg_error_mgr library;  // first, so that libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
  auto& errors = *reinterpret_cast<ErrorJump*>(info->err);
  (*info->err->format_message)(info, errors.message);
  std::longjmp(errors.jump, 1);
}

// Hands the compressed bytes to the sink a piece at a time. Once the sink refuses, the rest is
// dropped and the compressor reports the failure at the end.
struct SinkDestination {
  jpeg_destination_mgr library;  // first, so that libjpeg's pointer to it is a pointer to the whole
  const ByteSink* sink;
  std::array<JOCTET, kPieceBytes> piece;
  bool refused;

  void Hand(std::size_t bytes) {
    if (!refused && bytes > 0) refused = !(*sink)(std::span(piece.data(), bytes));
    library.next_output_byte = piece.data();
    library.free_in_buffer = piece.size();
  }
};

SinkDestination& DestinationOf(j_compress_ptr info) {
  return *reinterpret_cast<SinkDestination*>(info->dest);
}

void StartDestination(j_compress_ptr info) {
  DestinationOf(info).Hand(0);
}

boolean HandFullPiece(j_compress_ptr info) {
  SinkDestination& destination = DestinationOf(info);
  destination.Hand(destination.piece.size());
  return TRUE;
}

void HandLastPiece(j_compress_ptr info) {
  SinkDestination& destination = DestinationOf(info);
  destination.Hand(destination.piece.size() - destination.library.free_in_buffer);
}

struct ColourModel {
  J_COLOR_SPACE space;
  int components;
};

ColourModel ModelOf(JpegColours colours) {
  switch (colours) {
    case JpegColours::kGrey:
      return {JCS_GRAYSCALE, 1};
    case JpegColours::kCmyk:
      return {JCS_CMYK, 4};
    case JpegColours::kRgb:
      break;
  }
  return {JCS_RGB, 3};
}

std::vector<jpeg_scan_info> ScanScript(const std::vector<JpegScan>& scans) {
  std::vector<jpeg_scan_info> script;
  for (const JpegScan& scan : scans) {
    if (scan.components.empty() || scan.components.size() > std::size_t{MAX_COMPS_IN_SCAN}) {
      throw std::invalid_argument("JPEG scan with no components or too many");
    }
    jpeg_scan_info info{};
    info.comps_in_scan = static_cast<int>(scan.components.size());
    std::copy(scan.components.begin(), scan.components.end(), info.component_index);
    info.Ss = scan.firstCoefficient;
    info.Se = scan.lastCoefficient;
    info.Ah = scan.highBit;
    info.Al = scan.lowBit;
    script.push_back(info);
  }
  return script;
}

class Compressor {
 public:
  explicit Compressor(const ByteSink& sink) {
    info_.err = jpeg_std_error(&errors_.library);
    errors_.library.error_exit = OnError;
    Run([this] { jpeg_create_compress(&info_); });
    destination_.sink = &sink;
    destination_.library.init_destination = StartDestination;
    destination_.library.empty_output_buffer = HandFullPiece;
    destination_.library.term_destination = HandLastPiece;
    info_.dest = &destination_.library;
  }
  ~Compressor() { jpeg_destroy_compress(&info_); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  jpeg_compress_struct& Info() { return info_; }
  bool SinkRefused() const { return destination_.refused; }

  template <typename Step>
  void Run(const Step& step) {
    if (setjmp(errors_.jump) == 0) {
      step();
      return;
    }
    throw std::runtime_error(std::string("libjpeg: ") + errors_.message);
  }

 private:
  ErrorJump errors_{};
  SinkDestination destination_{};
  jpeg_compress_struct info_{};
};

// Compresses the rows into the sink; false when the sink refused some of the bytes.
bool CompressRows(int width, int height, const JpegCoding& coding, const RowSource& paintRow,
                  const ByteSink& sink) {
  if (width < 1 || height < 1) throw std::invalid_argument("EncodeJpegRows: empty picture");
  const ColourModel model = ModelOf(coding.colours);
  const std::vector<jpeg_scan_info> script = ScanScript(coding.scans);
  Compressor compressor(sink);
  jpeg_compress_struct& info = compressor.Info();
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = model.components;
  info.in_color_space = model.space;
  compressor.Run([&] {
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, coding.quality, TRUE);
    if (coding.progression == JpegProgression::kProgressive) jpeg_simple_progression(&info);
  });
  if (coding.fullChroma) {
    for (int i = 0; i < info.num_components; ++i) {
      info.comp_info[i].h_samp_factor = 1;
      info.comp_info[i].v_samp_factor = 1;
    }
  }
  if (!script.empty()) {
    info.scan_info = script.data();
    info.num_scans = static_cast<int>(script.size());
  }
  info.optimize_coding = coding.optimiseHuffman ? TRUE : FALSE;
  info.restart_in_rows = coding.restartRows;
  info.arith_code = coding.arithmeticCoding ? TRUE : FALSE;
  compressor.Run([&] { jpeg_start_compress(&info, TRUE); });
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) *
                           static_cast<std::size_t>(model.components));
  for (int y = 0; y < height; ++y) {
    paintRow(y, row);
    JSAMPROW rows[] = {row.data()};
    compressor.Run([&] { jpeg_write_scanlines(&info, rows, 1); });
  }
  compressor.Run([&] { jpeg_finish_compress(&info); });
  return !compressor.SinkRefused();
}

}  // namespace

void WriteJpegRows(const std::filesystem::path& path, int width, int height,
                   const JpegCoding& coding, const RowSource& paintRow) {
  if (width < 1 || height < 1) throw std::invalid_argument("WriteJpegRows: empty picture");
  CheckPictureSize(width, height);
  AtomicFileWriter file(path);
  // A temporary that could not be made fails here, before any row is painted.
  if (!file.Ok()) throw OranduError(CannotWriteMessage(path));
  const bool written =
      CompressRows(width, height, coding, paintRow,
                   [&](std::span<const std::uint8_t> piece) { return file.Write(piece); });
  if (!written || !file.Commit()) throw OranduError(CannotWriteMessage(path));
}

std::vector<std::uint8_t> EncodeJpegRows(int width, int height, const JpegCoding& coding,
                                         const RowSource& paintRow) {
  std::vector<std::uint8_t> bytes;
  CompressRows(width, height, coding, paintRow, [&](std::span<const std::uint8_t> piece) {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return true;
  });
  return bytes;
}

}  // namespace orandu
