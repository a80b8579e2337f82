// Decodes JPEG pictures to 24-bit colour through libjpeg, refusing damaged or hostile files.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE without including it
#include <string>
#include <string_view>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "Errors.h"
#include "PictureFormats.h"

namespace orandu {

namespace {

// A progressive picture needs a dozen scans or so; thousands of them only make decoding slow.
constexpr int kMaxScans = 500;

// Each scan passes over the whole picture, so the work grows with scans times pixels: a file of
// a few hundred kilobytes could hold 500 scans of a picture of the largest size and keep the
// decoder busy for minutes. A picture of that size may have 24 scans, more than any encoder
// writes; a smaller one proportionally more, up to kMaxScans.
constexpr std::int64_t kMaxScannedPixels = kMaxPicturePixels * 24;

constexpr std::string_view kInvalidJpegMessage = "JPEG イメージが不正です";

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

void OnProgress(j_common_ptr info) {
  if (!info->is_decompressor) return;
  const auto& decompress = *reinterpret_cast<j_decompress_ptr>(info);
  const int scans = decompress.input_scan_number;
  const std::int64_t pixels = std::int64_t{decompress.image_width} * decompress.image_height;
  if (scans <= kMaxScans && scans * pixels <= kMaxScannedPixels) return;
  ErrorManager& errors = ErrorsOf(info);
  errors.failure = Failure::kCorrupt;
  if (scans > kMaxScans) {
    std::snprintf(errors.message, sizeof errors.message, "more than %d scans", kMaxScans);
  } else {
    std::snprintf(errors.message, sizeof errors.message, "%d scans of %lld pixels", scans,
                  static_cast<long long>(pixels));
  }
  std::longjmp(errors.jump, 1);
}

// Calls `step` so that an error jumps back here and returns false.
template <typename Step>
bool Guarded(ErrorManager& errors, const Step& step) {
  if (setjmp(errors.jump) != 0) return false;
  step();
  return true;
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

  jpeg_decompress_struct& info() { return info_; }

  template <typename Step>
  void Run(const Step& step) {
    if (Guarded(errors_, step)) return;
    if (errors_.failure == Failure::kCutShort) {
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    throw OranduError(std::string(kInvalidJpegMessage) + " (" + errors_.message + ")");
  }

 private:
  ErrorManager errors_{};
  jpeg_decompress_struct info_{};
};

}  // namespace

Picture DecodeJpeg(std::span<const std::uint8_t> bytes) {
  Decompressor decompressor;
  jpeg_decompress_struct& info = decompressor.info();
  decompressor.Run([&] {
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
  });
  // Checked before libjpeg sizes its own buffers: a progressive picture keeps every
  // coefficient of the whole picture in memory.
  CheckPictureSize(info.image_width, info.image_height);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;  // libjpeg widens grey to RGB itself
  decompressor.Run([&] { jpeg_start_decompress(&info); });

  Picture picture;
  picture.width = static_cast<int>(info.output_width);
  picture.height = static_cast<int>(info.output_height);
  const auto width = static_cast<std::size_t>(info.output_width);
  picture.pixels.resize(width * info.output_height);
  std::vector<JSAMPLE> row(width * static_cast<std::size_t>(info.output_components));
  Rgb* const pixels = picture.pixels.data();
  JSAMPROW rowPointer = row.data();
  const bool inverted = info.saw_Adobe_marker != 0;
  decompressor.Run([&] {
    while (info.output_scanline < info.output_height) {
      Rgb* const out = pixels + width * info.output_scanline;
      jpeg_read_scanlines(&info, &rowPointer, 1);
      if (cmyk) {
        ConvertCmykRow(rowPointer, out, width, inverted);
      } else {
        CopyRgbRow(rowPointer, out, width);
      }
    }
    jpeg_finish_decompress(&info);
  });
  return picture;
}

}  // namespace orandu
