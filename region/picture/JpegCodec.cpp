// Decodes JPEG pictures to 24-bit colour through libjpeg, refusing damaged or hostile files.
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE without including it
#include <string>
#include <string_view>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"

namespace orandu {

namespace {

// A progressive picture needs a dozen scans or so; thousands of them only make decoding slow.
constexpr int kMaxScans = 500;

// A picture of several scans (progressive, or one scan per colour) keeps every coefficient of
// the whole picture in memory until its last scan: two bytes a sample. Beyond this the picture
// is refused from its header, before any of it is decoded.
constexpr std::int64_t kMaxCoefficientBytes = std::int64_t{16} << 20;

// Each scan passes over the whole picture, so the work grows with scans times pixels: a file of
// a few hundred kilobytes could hold 500 scans of a large picture and keep the decoder busy for
// minutes. A scan that would take the work past this is refused as it starts: a 2-megapixel
// picture may have 16 scans, more than any encoder writes for it; a smaller one more.
constexpr std::int64_t kMaxScannedPixels = std::int64_t{32} * 1024 * 1024;

enum class Failure { kCutShort, kCorrupt };

// libjpeg reports errors through these callbacks, which must not return. They record what went
// wrong and jump back to the guarded step that called into the library; the steps hold no
// objects with destructors, so the jump skips nothing that needs cleaning up.
struct ErrorManager {
  jpeg_error_mgr library;  // first, so that libjpeg's pointer to it is a pointer to the whole
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  Failure failure;
  char message[JMSG_LENGTH_MAX];
};

ErrorManager& ErrorsOf(j_common_ptr info) {
  return *reinterpret_cast<ErrorManager*>(info->err);
}

[[noreturn]] void Fail(j_common_ptr info, Failure failure) {
  ErrorManager& errors = ErrorsOf(info);
  errors.failure = failure;
  (*info->err->format_message)(info, errors.message);
  std::longjmp(errors.jump, 1);
}

void OnError(j_common_ptr info) {
  const int code = info->err->msg_code;
  Fail(info,
       code == JERR_INPUT_EMPTY || code == JERR_INPUT_EOF ? Failure::kCutShort : Failure::kCorrupt);
}

// Warnings that leave every pixel as the file meant it.
bool IsHarmlessWarning(int code) {
  return code == JWRN_EXTRANEOUS_DATA || code == JWRN_ADOBE_XFORM || code == JWRN_JFIF_MAJOR ||
         code == JWRN_BOGUS_ICC;
}

// libjpeg goes on after a warning with made-up data (grey blocks after a premature end), which
// would give half a picture; such warnings are errors here.
void OnMessage(j_common_ptr info, int level) {
  constexpr int kWarning = -1;
  const int code = info->err->msg_code;
  if (level != kWarning || IsHarmlessWarning(code)) return;
  Fail(info, code == JWRN_JPEG_EOF ? Failure::kCutShort : Failure::kCorrupt);
}

// Stops decoding as a damaged picture, for the reason already written in the message.
[[noreturn]] void RefuseWithMessage(j_common_ptr info) {
  ErrorManager& errors = ErrorsOf(info);
  errors.failure = Failure::kCorrupt;
  std::longjmp(errors.jump, 1);
}

void OnProgress(j_common_ptr info) {
  if (!info->is_decompressor) return;
  const auto& decompress = *reinterpret_cast<j_decompress_ptr>(info);
  const int scans = decompress.input_scan_number;
  const std::int64_t pixels = std::int64_t{decompress.image_width} * decompress.image_height;
  if (scans <= kMaxScans && scans * pixels <= kMaxScannedPixels) return;
  char* const message = ErrorsOf(info).message;
  if (scans > kMaxScans) {
    std::snprintf(message, JMSG_LENGTH_MAX, "more than %d scans", kMaxScans);
  } else {
    std::snprintf(message, JMSG_LENGTH_MAX, "%d scans of %lld pixels", scans,
                  static_cast<long long>(pixels));
  }
  RefuseWithMessage(info);
}

// Calls `step` so that an error jumps back here and returns false.
template <typename Step>
bool Guarded(ErrorManager& errors, const Step& step) {
  if (setjmp(errors.jump) != 0) return false;
  step();
  return true;
}

// Feeds libjpeg from the file a piece at a time. At the end of the file it does what libjpeg's
// own sources do: it warns of a premature end (an error here) and hands over an end marker.
struct FileSource {
  jpeg_source_mgr library;  // first, so that libjpeg's pointer to it is a pointer to the whole
  PictureBytes* file;
  std::uint64_t position;
  std::uint64_t readBytes;  // skipped ones are not read
  std::uint64_t maxReadBytes;
  std::array<JOCTET, 65536> buffer;
};

// The most bytes read before the first scan: the markers that describe the picture are small,
// and the large ones libjpeg has no use for are skipped unread.
constexpr std::uint64_t kMaxHeadersReadBytes = std::uint64_t{16} << 20;

// Entropy-coded data larger than the coefficients it holds is made of padding and junk
// between markers, which libjpeg reads byte by byte; the slack is for the markers.
constexpr std::uint64_t kReadSlackBytes = std::uint64_t{1} << 20;

FileSource& SourceOf(j_decompress_ptr info) {
  return *reinterpret_cast<FileSource*>(info->src);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
  FileSource& source = SourceOf(info);
  std::size_t got = 0;
  bool failed = false;
  try {
    got = source.file->ReadAt(source.position, source.buffer);
  } catch (const OranduError&) {
    failed = true;  // the jump out of libjpeg must not start inside a handler
  }
  if (failed) ERREXIT(info, JERR_INPUT_EOF);  // a stream read error, like a short file
  source.position += got;
  source.readBytes += got;
  if (source.readBytes > source.maxReadBytes) {
    const auto common = reinterpret_cast<j_common_ptr>(info);
    std::snprintf(ErrorsOf(common).message, JMSG_LENGTH_MAX, "more data than its pixels hold");
    RefuseWithMessage(common);
  }
  if (got == 0) {
    WARNMS(info, JWRN_JPEG_EOF);
    source.buffer[0] = 0xFF;
    source.buffer[1] = JPEG_EOI;
    got = 2;
  }
  source.library.next_input_byte = source.buffer.data();
  source.library.bytes_in_buffer = got;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  FileSource& source = SourceOf(info);
  const auto skipped = static_cast<std::size_t>(count);
  if (skipped <= source.library.bytes_in_buffer) {
    source.library.next_input_byte += skipped;
    source.library.bytes_in_buffer -= skipped;
    return;
  }
  source.position += skipped - source.library.bytes_in_buffer;
  source.library.bytes_in_buffer = 0;
}

std::int64_t CoefficientBytes(const jpeg_decompress_struct& info) {
  std::int64_t bytes = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    bytes += std::int64_t{component.width_in_blocks} * component.height_in_blocks * DCTSIZE2 *
             static_cast<std::int64_t>(sizeof(JCOEF));
  }
  return bytes;
}

std::uint8_t Scale(unsigned a, unsigned b) {
  return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// Adobe's CMYK JPEGs store every ink inverted (255 = no ink); plain ones store the ink itself.
void ConvertCmykRow(const JSAMPLE* in, Rgb* out, std::size_t width, bool inverted) {
  for (std::size_t x = 0; x < width; ++x, in += 4) {
    const auto paper = [inverted](JSAMPLE ink) -> unsigned { return inverted ? ink : 255u - ink; };
    const unsigned black = paper(in[3]);
    out[x] = {Scale(paper(in[0]), black), Scale(paper(in[1]), black), Scale(paper(in[2]), black)};
  }
}

void CopyRgbRow(const JSAMPLE* in, Rgb* out, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, in += 3) out[x] = {in[0], in[1], in[2]};
}

class Decompressor {
 public:
  Decompressor() {
    info_.err = jpeg_std_error(&errors_.library);
    errors_.library.error_exit = OnError;
    errors_.library.emit_message = OnMessage;
    errors_.progress.progress_monitor = OnProgress;
    Run([this] { jpeg_create_decompress(&info_); });
    info_.progress = &errors_.progress;
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& Info() { return info_; }

  template <typename Step>
  void Run(const Step& step) {
    if (Guarded(errors_, step)) return;
    if (errors_.failure == Failure::kCutShort) {
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    throw OranduError(InvalidJpegMessage(errors_.message));
  }

 private:
  ErrorManager errors_{};
  jpeg_decompress_struct info_{};
};

}  // namespace

Picture DecodeJpeg(PictureBytes& file, PictureWindow window) {
  Decompressor decompressor;
  jpeg_decompress_struct& info = decompressor.Info();
  FileSource source{};
  source.file = &file;
  source.maxReadBytes = kMaxHeadersReadBytes;
  source.library.init_source = InitSource;
  source.library.fill_input_buffer = FillInputBuffer;
  source.library.skip_input_data = SkipInputData;
  source.library.resync_to_restart = jpeg_resync_to_restart;
  source.library.term_source = TermSource;
  info.src = &source.library;
  decompressor.Run([&] { jpeg_read_header(&info, TRUE); });
  // Checked before libjpeg sizes its own buffers.
  CheckPictureSize(info.image_width, info.image_height);
  const bool multipleScans = jpeg_has_multiple_scans(&info);
  const std::int64_t coefficientBytes = CoefficientBytes(info);
  if (multipleScans && coefficientBytes > kMaxCoefficientBytes) {
    throw OranduError(PictureTooLargeMessage(info.image_width, info.image_height));
  }
  // A single scan is read only down to the kept rows and the band of blocks that holds them.
  constexpr std::int64_t kTallestBlockRow = 4 * DCTSIZE;
  const std::int64_t height = info.image_height;
  const std::int64_t rowsRead =
      multipleScans ? height : std::min(height, std::int64_t{window.rows} + kTallestBlockRow);
  source.maxReadBytes = source.readBytes + kReadSlackBytes +
                        static_cast<std::uint64_t>(coefficientBytes / height * rowsRead);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;  // libjpeg widens grey to RGB itself
  // A picture of one scan is decoded row by row, so only the kept rows are; one of several
  // scans has all of them read here.
  decompressor.Run([&] { jpeg_start_decompress(&info); });

  Picture picture;
  picture.width = static_cast<int>(std::min<JDIMENSION>(info.output_width, window.columns));
  picture.height = static_cast<int>(std::min<JDIMENSION>(info.output_height, window.rows));
  const auto width = static_cast<std::size_t>(picture.width);
  picture.pixels.resize(width * picture.height);
  std::vector<JSAMPLE> row(info.output_width * static_cast<std::size_t>(info.output_components));
  Rgb* const pixels = picture.pixels.data();
  JSAMPROW rowPointer = row.data();
  const bool inverted = info.saw_Adobe_marker != 0;
  const auto keptRows = static_cast<JDIMENSION>(picture.height);
  decompressor.Run([&] {
    while (info.output_scanline < keptRows) {
      Rgb* const out = pixels + width * info.output_scanline;
      jpeg_read_scanlines(&info, &rowPointer, 1);
      if (cmyk) {
        ConvertCmykRow(rowPointer, out, width, inverted);
      } else {
        CopyRgbRow(rowPointer, out, width);
      }
    }
    // The rest of a whole picture's file is read to its end marker; a kept part leaves it.
    if (keptRows == info.output_height) {
      jpeg_finish_decompress(&info);
    } else {
      jpeg_abort_decompress(&info);
    }
  });
  return picture;
}

Picture DecodeJpeg(std::span<const std::uint8_t> bytes) {
  PictureBytesInMemory file(bytes);
  return DecodeJpeg(file, PictureWindow{});
}

}  // namespace orandu
