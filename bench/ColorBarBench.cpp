// Loading hostile colour bar files: time to load or refuse each, and its peak memory.
//
// The files are made at start in a temporary folder (some are hundreds of megabytes) and removed
// at the end. Each load runs in a forked child, so that a file's memory cannot hide behind the
// last one's: the child measures its own time, and its peak resident size (VmHWM) above what it
// held before the load (VmRSS), and reports both to the parent.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <png.h>

#include "region/files/Errors.h"
#include "region/palette/ColorBarFile.h"
#include "region/picture/PictureWriters.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A Windows 3 bitmap's headers; 8-bit pictures get a 256-colour grey palette.
Bytes BitmapHeaders(std::int32_t width, std::int32_t height, int bits, int compression,
                    std::uint64_t fileBytes) {
  const std::uint32_t paletteBytes = bits == 8 ? 1024 : 0;
  Bytes out{'B', 'M'};
  Put32(out, static_cast<std::uint32_t>(fileBytes));
  Put32(out, 0);
  Put32(out, 54 + paletteBytes);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, static_cast<std::uint32_t>(compression));
  Put32(out, 0);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int i = 0; i < 256 && bits == 8; ++i) Put32(out, 0x010101u * static_cast<std::uint32_t>(i));
  return out;
}

void WriteAll(const fs::path& path, const Bytes& head, std::uint64_t bodyBytes,
              const std::function<void(Bytes&, std::uint64_t)>& body) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  Bytes chunk;
  for (std::uint64_t done = 0; done < bodyBytes; done += chunk.size()) {
    chunk.clear();
    body(chunk, done);
    out.write(reinterpret_cast<const char*>(chunk.data()),
              static_cast<std::streamsize>(chunk.size()));
  }
}

void WriteRleOfLongRuns(const fs::path& path, std::uint64_t dataBytes) {
  WriteAll(path, BitmapHeaders(1, 1, 8, 1, 1078 + dataBytes), dataBytes, [](Bytes& chunk, auto) {
    for (int i = 0; i < (1 << 19); ++i) chunk.insert(chunk.end(), {255, 7});
  });
}

// The most run data a picture of this size may have: every pixel a run of its own.
void WriteRleOfOnePixelRuns(const fs::path& path, int size) {
  const std::uint64_t rowBytes = 2 * std::uint64_t(size) + 2;
  WriteAll(path, BitmapHeaders(size, size, 8, 1, 1078 + rowBytes * size), rowBytes * size,
           [&](Bytes& chunk, std::uint64_t) {
             for (int x = 0; x < size; ++x)
               chunk.insert(chunk.end(), {1, static_cast<std::uint8_t>(x)});
             chunk.insert(chunk.end(), {0, 0});
           });
}

void WriteTinyRleOfAHugePicture(const fs::path& path) {
  Bytes file = BitmapHeaders(8192, 8192, 8, 1, 1082);
  file.insert(file.end(), {1, 9, 0, 1});  // one pixel, then the end of the bitmap
  WriteAll(path, file, 0, {});
}

void WriteTwentyFourBit(const fs::path& path, int width, int height) {
  const std::uint64_t stride = (std::uint64_t{3} * width + 3) / 4 * 4;
  WriteAll(path, BitmapHeaders(width, height, 24, 0, 54 + stride * height), stride * height,
           [&](Bytes& chunk, std::uint64_t) {
             for (int x = 0; x < width; ++x) {
               chunk.insert(chunk.end(), {static_cast<std::uint8_t>(x), 90, 200});
             }
             chunk.resize(stride);
           });
}

void WriteSparseTooLarge(const fs::path& path) {
  const std::uint64_t bytes = 54 + std::uint64_t{8200} * 8200 * 3;
  WriteAll(path, BitmapHeaders(8200, 8200, 24, 0, bytes), 0, {});
  fs::resize_file(path, bytes);
}

enum class JpegKind { kProgressiveRgb, kProgressiveCmyk, kProgressiveArithmetic, kProgressiveGrey };

void WriteJpeg(const fs::path& path, int size, JpegKind kind) {
  const orandu::JpegCoding coding{
      .colours = kind == JpegKind::kProgressiveCmyk   ? orandu::JpegColours::kCmyk
                 : kind == JpegKind::kProgressiveGrey ? orandu::JpegColours::kGrey
                                                      : orandu::JpegColours::kRgb,
      .progression = orandu::JpegProgression::kProgressive,
      .arithmeticCoding = kind == JpegKind::kProgressiveArithmetic};
  orandu::WriteJpegRows(path, size, size, coding, [](int, std::span<std::uint8_t> row) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i / 7);
  });
}

void WriteRgba16Png(const fs::path& path, int size) {
  FILE* out = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 16,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(size) * 8, 0xFF);
  for (int y = 0; y < size; ++y) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}

struct BarFile {
  std::string name;
  std::function<void(const fs::path&)> make;
};

const std::vector<BarFile>& BarFiles() {
  static const std::vector<BarFile> files = {
      {"ordinary_400x10.bmp", [](const fs::path& p) { WriteTwentyFourBit(p, 400, 10); }},
      {"rle8_1x1_64MB_of_runs.bmp",
       [](const fs::path& p) { WriteRleOfLongRuns(p, std::uint64_t{64} << 20); }},
      {"rle8_1x1_256MB_of_runs.bmp",
       [](const fs::path& p) { WriteRleOfLongRuns(p, std::uint64_t{256} << 20); }},
      {"rle8_1082_bytes_8192x8192.bmp", WriteTinyRleOfAHugePicture},
      {"bmp24_8192x8192.bmp", [](const fs::path& p) { WriteTwentyFourBit(p, 8192, 8192); }},
      {"bmp24_sparse_201MB_8200x8200.bmp", WriteSparseTooLarge},
      {"progressive_rgb_8192x8192.jpg",
       [](const fs::path& p) { WriteJpeg(p, 8192, JpegKind::kProgressiveRgb); }},
      {"progressive_cmyk_8192x8192.jpg",
       [](const fs::path& p) { WriteJpeg(p, 8192, JpegKind::kProgressiveCmyk); }},
      {"progressive_arithmetic_8192x8192.jpg",
       [](const fs::path& p) { WriteJpeg(p, 8192, JpegKind::kProgressiveArithmetic); }},
      {"rgba16_8192x8192.png", [](const fs::path& p) { WriteRgba16Png(p, 8192); }},
      // The largest work each kind of file may still cause.
      {"rle8_8192x8192_128MB_of_one_pixel_runs.bmp",
       [](const fs::path& p) { WriteRleOfOnePixelRuns(p, 8192); }},
      {"progressive_arithmetic_1440x1440.jpg",
       [](const fs::path& p) { WriteJpeg(p, 1440, JpegKind::kProgressiveArithmetic); }},
      {"progressive_grey_2896x2896.jpg",
       [](const fs::path& p) { WriteJpeg(p, 2896, JpegKind::kProgressiveGrey); }},
  };
  return files;
}

// Where the files are made; created and filled on first use.
const fs::path& BarFolder() {
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "orandu-bar-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    for (const BarFile& file : BarFiles()) file.make(fs::path(pattern) / file.name);
    return fs::path(pattern);
  }();
  return folder;
}

// A kilobyte figure from /proc/self/status ("VmRSS", "VmHWM").
long StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return 0;
}

struct LoadMeasure {
  double seconds = 0;
  double peakMegabytes = 0;  // above the child's resident size before the load
  bool loaded = false;
};

LoadMeasure MeasureInChild(const fs::path& file) {
  int channel[2];
  if (::pipe(channel) != 0) std::abort();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const long resting = StatusKilobytes("VmRSS");
    LoadMeasure measure;
    const auto start = std::chrono::steady_clock::now();
    try {
      benchmark::DoNotOptimize(orandu::LoadColorBar(file));
      measure.loaded = true;
    } catch (const orandu::OranduError&) {
    }
    measure.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measure.peakMegabytes = static_cast<double>(StatusKilobytes("VmHWM") - resting) / 1024;
    if (::write(channel[1], &measure, sizeof measure) != sizeof measure) ::_exit(1);
    ::_exit(0);
  }
  ::close(channel[1]);
  LoadMeasure measure;
  const bool reported = ::read(channel[0], &measure, sizeof measure) == sizeof measure;
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!reported) measure.seconds = -1;
  return measure;
}

void BM_LoadColorBar(benchmark::State& state, const std::string& name) {
  const fs::path file = BarFolder() / name;
  LoadMeasure last;
  double peak = 0;
  for (auto _ : state) {
    last = MeasureInChild(file);
    if (last.seconds < 0) return state.SkipWithError("the child died");
    state.SetIterationTime(last.seconds);
    peak = std::max(peak, last.peakMegabytes);
  }
  state.counters["peak_MB"] = peak;
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / (1 << 20);
  state.SetLabel(last.loaded ? "loaded" : "refused");
}

}  // namespace

int main(int argc, char** argv) {
  for (const BarFile& file : BarFiles()) {
    benchmark::RegisterBenchmark(("BM_LoadColorBar/" + file.name).c_str(), BM_LoadColorBar,
                                 file.name)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(BarFolder(), ignored);
  return 0;
}
