// make-bench-grid: writes the benchmarks' global grid at its own spacing, in the layout
// `orandu-import --native` writes, with relief-like heights from -11000 to 8800 m.
//
//   make-bench-grid [SAMPLES_PER_DEGREE] OUTPUT.bil
//
// The samples are 16-bit little-endian, rows from 90° N southwards, columns eastwards from 0°,
// cell-registered (the first sample's centre lies half a step east of 0° and south of 90° N);
// the raster header beside them takes the name with .hdr in place of the extension. The default
// spacing is 15" (240 samples per degree, 86400 x 43200 samples, 7.46 GB).
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/BenchRelief.h"

namespace {

constexpr std::size_t kDefaultSamplesPerDegree = 240;
// 1" already makes 1.68 TB: anything finer is a typing slip.
constexpr std::size_t kMostSamplesPerDegree = 3600;
constexpr std::size_t kBandBytes = 16u << 20;  // rows made and written at once

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.15g", value);
  return text;
}

// The header orandu-import --native writes for the same grid.
std::string RasterHeader(std::size_t rows, std::size_t columns, double step) {
  return "NROWS " + std::to_string(rows) + "\nNCOLS " + std::to_string(columns) +
         "\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT BIL\nULXMAP " +
         Number(step / 2) + "\nULYMAP " + Number(90 - step / 2) + "\nXDIM " + Number(step) +
         "\nYDIM " + Number(step) + "\n";
}

bool Fail(const std::string& what) {
  std::fprintf(stderr, "make-bench-grid: %s: %s\n", what.c_str(), std::strerror(errno));
  return false;
}

// Each file goes to a temporary beside it, renamed into place only once whole, so an
// interrupted run never leaves a file that looks complete. A failed run removes its temporary;
// one that was killed leaves it for the next run to overwrite.
class FileInProgress {
 public:
  explicit FileInProgress(std::filesystem::path target)
      : target_(std::move(target)),
        temporary_(target_.string() + ".partial"),
        file_(std::fopen(temporary_.c_str(), "wb")) {}
  ~FileInProgress() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    std::remove(temporary_.c_str());
  }
  FileInProgress(const FileInProgress&) = delete;
  FileInProgress& operator=(const FileInProgress&) = delete;

  bool Write(std::span<const std::uint8_t> bytes) {
    return file_ != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  bool Write(std::string_view text) {
    return Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  bool Commit() {
    const bool closed = file_ != nullptr && std::fclose(file_) == 0;
    file_ = nullptr;
    if (closed && std::rename(temporary_.c_str(), target_.c_str()) == 0) return true;
    const int reason = errno;
    std::remove(temporary_.c_str());
    errno = reason;
    return false;
  }
  std::string Name() const { return temporary_; }

 private:
  std::filesystem::path target_;
  std::string temporary_;
  std::FILE* file_;
};

bool WriteGrid(const std::filesystem::path& output, std::size_t samplesPerDegree) {
  const std::size_t rows = 180 * samplesPerDegree;
  const std::size_t columns = 360 * samplesPerDegree;
  const double step = 1.0 / static_cast<double>(samplesPerDegree);
  std::filesystem::path header = output;
  header.replace_extension(".hdr");
  if (header == output) {
    errno = EINVAL;
    return Fail(output.string() + " needs an extension for its header to replace");
  }
  // Without its header the samples never pass for a finished grid, so the old one goes first.
  std::error_code ignored;
  std::filesystem::remove(header, ignored);

  std::vector<double> longitudes(columns);
  for (std::size_t j = 0; j < columns; ++j) {
    longitudes[j] = (static_cast<double>(j) + 0.5) * step;
  }
  orandu::bench::BenchRelief relief(longitudes, -11000, 8800);
  const std::size_t bandRows = std::max<std::size_t>(1, kBandBytes / (2 * columns));
  std::vector<std::int16_t> heights(columns);
  std::vector<std::uint8_t> band(bandRows * columns * 2);
  FileInProgress samples(output);
  for (std::size_t first = 0; first < rows; first += bandRows) {
    const std::size_t count = std::min(bandRows, rows - first);
    for (std::size_t i = 0; i < count; ++i) {
      relief.FillRow(90 - (static_cast<double>(first + i) + 0.5) * step, std::span(heights));
      std::uint8_t* to = band.data() + i * columns * 2;
      for (const std::int16_t height : heights) {
        const auto raw = static_cast<std::uint16_t>(height);
        *to++ = static_cast<std::uint8_t>(raw & 0xff);
        *to++ = static_cast<std::uint8_t>(raw >> 8);
      }
    }
    if (!samples.Write(std::span(band).first(count * columns * 2))) {
      return Fail("cannot write " + samples.Name());
    }
  }
  FileInProgress text(header);
  if (!text.Write(RasterHeader(rows, columns, step))) return Fail("cannot write " + text.Name());
  if (!samples.Commit()) return Fail("cannot write " + output.string());
  if (!text.Commit()) return Fail("cannot write " + header.string());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t samplesPerDegree = kDefaultSamplesPerDegree;
  if (argc == 3) {
    const std::string_view text = argv[1];
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), samplesPerDegree);
    if (error != std::errc() || end != text.data() + text.size() || samplesPerDegree == 0 ||
        samplesPerDegree > kMostSamplesPerDegree) {
      std::fprintf(stderr, "make-bench-grid: samples per degree must be 1 ... %zu, not %s\n",
                   kMostSamplesPerDegree, argv[1]);
      return 2;
    }
  } else if (argc != 2) {
    std::fputs("usage: make-bench-grid [SAMPLES_PER_DEGREE] OUTPUT.bil\n", stderr);
    return 2;
  }
  return WriteGrid(argv[argc - 1], samplesPerDegree) ? 0 : 1;
}
