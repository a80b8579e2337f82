// orandu-import given files made to exhaust it: it ends soon, within its memory, with a message.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netcdf.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "region/grid/HeightGrid.h"
#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"
#include "tests/tools/TestGridFile.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::Spaced;
using testing::TempDir;
using testing::TestGridFile;
using testing::ToolPath;

constexpr int kSuccess = 0;
constexpr int kFailed = 1;
constexpr long kMemoryBoundKilobytes = 256 * 1024;

struct LimitedRun {
  int exitStatus = -1;  // -1 when the tool did not exit normally (a crash, a signal)
  std::string errors;
  long peakKilobytes = 0;  // the most memory the tool held at once
};

// Runs orandu-import under a resource limit (none when `resource` is negative), measuring the
// most memory it held. A limit on address space far above the bound keeps a tool that broke its
// bound from taking the machine's memory.
LimitedRun RunImport(const std::vector<std::string>& arguments, const TempDir& scratch,
                     int resource = -1, rlim_t limit = 0) {
  const std::string program = ToolPath("orandu-import").string();
  const std::string errors = (scratch / "tool-errors.txt").string();
  std::vector<std::string> words = arguments;
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
#ifndef __SANITIZE_ADDRESS__
    const rlimit space{rlim_t{2} << 30, rlim_t{2} << 30};
    ::setrlimit(RLIMIT_AS, &space);
#endif
    if (resource >= 0) {
      const rlimit chosen{limit, limit};
      ::setrlimit(resource, &chosen);
    }
    const int quiet = ::open("/dev/null", O_WRONLY);
    const int errorFile = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(errorFile, STDERR_FILENO);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  LimitedRun run;
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  run.errors = ReadText(errors);
  run.peakKilobytes = usage.ru_maxrss;
  return run;
}

bool HasTemporary(const TempDir& scratch) {
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    if (entry.path().filename().string().find(".orandu-tmp-") != std::string::npos) return true;
  }
  return false;
}

struct Shape {
  const char* name;
  std::size_t latitudes;
  std::size_t longitudes;
};

void PrintTo(const Shape& shape, std::ostream* out) {
  *out << shape.name;
}

class ImportMemoryTest : public ::testing::TestWithParam<Shape> {};

// Many latitudes over few longitudes once sized the reduced rows held by the rows read at once,
// which grew as rows narrowed: 670 MB, 1.57 GB and 3.6 GB for these.
TEST_P(ImportMemoryTest, StaysWithinItsMemoryWhateverTheShape) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer holds freed memory and shadows the rest";
#endif
  const TempDir scratch;
  const auto [name, latitudes, longitudes] = GetParam();
  TestGridFile grid;
  const double rowStep = 180.0 / static_cast<double>(latitudes);
  grid.latitude.values = Spaced(latitudes, -90 + rowStep / 2, rowStep);
  grid.longitude.values = Spaced(longitudes, 0, 360.0 / static_cast<double>(longitudes));
  grid.writeRow = [](double) { return false; };  // zeros that take no room on disk
  const auto input = scratch / "grid.nc";
  grid.Write(input);
  const LimitedRun run = RunImport({input.string(), (scratch / "grid.dos").string()}, scratch);
  EXPECT_EQ(run.exitStatus, kSuccess) << run.errors;
  EXPECT_LT(run.peakKilobytes, kMemoryBoundKilobytes);
}

INSTANTIATE_TEST_SUITE_P(NarrowGrids, ImportMemoryTest,
                         ::testing::Values(Shape{"TenThousandRowsOf360", 10800, 360},
                                           Shape{"TwentyThousandRowsOfFour", 21600, 4},
                                           Shape{"FiftyThousandRowsOfTwo", 50000, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

// At its own spacing a 1′ grid's output (445 MB) is far beyond the memory bound: it is written
// a band at a time as it is read.
TEST(ImportMemoryTest, NativeOutputLargerThanTheBoundIsStreamed) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer holds freed memory and shadows the rest";
#endif
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude.values = Spaced(10800, -90 + 1.0 / 120, 1.0 / 60);
  grid.longitude.values = Spaced(21600, -180 + 1.0 / 120, 1.0 / 60);
  grid.writeRow = [](double) { return false; };  // zeros that take no room on disk
  const auto input = scratch / "grid.nc";
  grid.Write(input);
  const auto output = scratch / "grid.bil";
  const LimitedRun run = RunImport({"--native", input.string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kSuccess) << run.errors;
  EXPECT_EQ(std::filesystem::file_size(output), 21600u * 10800 * 2);
  // Its levels (148 MB) are written as their rows are completed, not held.
  for (std::uintmax_t factor = 2; factor <= 64; factor *= 2) {
    EXPECT_EQ(std::filesystem::file_size(scratch / ("grid.z" + std::to_string(factor) + ".bil")),
              (21600 + factor - 1) / factor * ((10800 + factor - 1) / factor) * 2);
  }
  EXPECT_LT(run.peakKilobytes, kMemoryBoundKilobytes);
}

// The import's verdict on a file written here, the output being refused or not.
LimitedRun ImportOf(const TempDir& scratch, const TestGridFile& grid) {
  const auto input = scratch / "grid.nc";
  grid.Write(input);
  return RunImport({input.string(), (scratch / "grid.dos").string()}, scratch);
}

// A grid stored as one chunk of 299 MB: neither the chunk nor the rows reduced from it fit the
// memory bound, and read in bands the library would inflate it once per band.
TEST(ImportHostileFileTest, OneChunkLargerThanTheMemoryBoundIsRefusedByItsSize) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude.values = Spaced(4320, -90 + 1.0 / 48, 1.0 / 24);
  grid.longitude.values = Spaced(8640, -180 + 1.0 / 48, 1.0 / 24);
  grid.type = NC_DOUBLE;
  grid.netcdf4 = true;
  grid.chunkRows = 4320;
  grid.chunkColumns = 8640;
  grid.writeRow = [](double) { return false; };
  const LimitedRun run = ImportOf(scratch, grid);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: " + (scratch / "grid.nc").string() +
                            ": z is stored in chunks of 4320 × 8640 values (299 MB each), too "
                            "large to read within 256 MB: store it in smaller chunks first "
                            "(nccopy -c)\n");
  EXPECT_FALSE(std::filesystem::exists(scratch / "grid.dos"));
}

// A netCDF-4 file declaring 10⁶ × 10⁶ samples it never wrote (its coordinates deflated):
// reading its zeros would take days.
TEST(ImportHostileFileTest, GridsFinerThanOneArcSecondAreRefusedWithTheirCount) {
  const TempDir scratch;
  const auto input = scratch / "grid.nc";
  constexpr std::size_t kCount = 1000000;
  int file = -1;
  int dimensions[2] = {};
  int coordinates[2] = {};
  int heights = -1;
  ASSERT_EQ(nc_create(input.c_str(), NC_NETCDF4 | NC_CLOBBER, &file), NC_NOERR);
  const char* names[2] = {"lat", "lon"};
  const char* units[2] = {"degrees_north", "degrees_east"};
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(nc_def_dim(file, names[i], kCount, &dimensions[i]), NC_NOERR);
    ASSERT_EQ(nc_def_var(file, names[i], NC_DOUBLE, 1, &dimensions[i], &coordinates[i]), NC_NOERR);
    ASSERT_EQ(nc_def_var_deflate(file, coordinates[i], 1, 1, 1), NC_NOERR);
    ASSERT_EQ(nc_put_att_text(file, coordinates[i], "units", std::strlen(units[i]), units[i]),
              NC_NOERR);
  }
  ASSERT_EQ(nc_def_var(file, "z", NC_FLOAT, 2, dimensions, &heights), NC_NOERR);
  ASSERT_EQ(nc_enddef(file), NC_NOERR);
  const double rowStep = 180.0 / kCount;
  ASSERT_EQ(
      nc_put_var_double(file, coordinates[0], Spaced(kCount, -90 + rowStep / 2, rowStep).data()),
      NC_NOERR);
  ASSERT_EQ(nc_put_var_double(file, coordinates[1], Spaced(kCount, 0, 360.0 / kCount).data()),
            NC_NOERR);
  ASSERT_EQ(nc_close(file), NC_NOERR);
  const LimitedRun run = RunImport({input.string(), (scratch / "grid.dos").string()}, scratch);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: " + input.string() +
                            ": z has 1000000 × 1000000 samples: finer than one arc-second, more "
                            "than any global grid has\n");
}

// Latitude the record dimension: the library reads records the file has lost as zeros.
TEST(ImportHostileFileTest, ARecordFileCutShortIsRefused) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitudeUnlimited = true;
  grid.field = [](double latitude, double) { return std::optional(latitude * 10); };
  const auto input = scratch / "grid.nc";
  grid.Write(input);
  const auto output = (scratch / "grid.dos").string();
  const LimitedRun whole = RunImport({input.string(), output}, scratch);
  ASSERT_EQ(whole.exitStatus, kSuccess) << whole.errors;
  const std::vector<std::uint8_t> bytes = testing::ReadFile(output);
  EXPECT_EQ(DecodeSample(RawSampleAt(bytes.data(), 0)), 900);  // the last record, 90° N
  const auto size = std::filesystem::file_size(input);
  for (const std::uintmax_t cut : {1u, 481u, 1441u}) {
    std::filesystem::resize_file(input, size - cut);
    const LimitedRun run = RunImport({input.string(), output}, scratch);
    EXPECT_EQ(run.exitStatus, kFailed) << cut;
    EXPECT_TRUE(run.errors.starts_with("orandu-import: " + input.string() +
                                       ": the file is cut short: z needs " + std::to_string(size) +
                                       " bytes, the file has " + std::to_string(size - cut)))
        << run.errors;
  }
}

// A 1° grid written by libnetcdf as netCDF-4, with one byte changed (at 2072, the length of an
// object in the global heap, 0x08 to 0x28): the library then loops for ever listing variables.
TEST(ImportHostileFileTest, AFileThatMakesTheLibraryLoopEndsWithAMessage) {
  const TempDir scratch;
  const auto input =
      std::filesystem::path(ORANDU_SOURCE_DIR) / "tests/tools/hostile/looping-heap.nc";
  const auto output = scratch / "grid.dos";
  const LimitedRun run = RunImport({input.string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: " + input.string() +
                            ": the netCDF library did not finish reading the file's header within "
                            "2 s of processor time: the file is damaged\n");
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_FALSE(HasTemporary(scratch));
}

// Under a file-size limit a write fails instead of the signal killing the tool.
TEST(ImportHostileFileTest, AFileSizeLimitIsReportedAndLeavesNoTemporary) {
  const TempDir scratch;
  const auto input = scratch / "grid.nc";
  TestGridFile().Write(input);
  const auto output = scratch / "grid.dos";
  const LimitedRun run =
      RunImport({input.string(), output.string()}, scratch, RLIMIT_FSIZE, rlim_t{1} << 20);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: cannot write " + output.string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_FALSE(HasTemporary(scratch));
}

// A native import stopped part way leaves an earlier import to the same output whole: its grid,
// header and levels as they were, none of the new levels beside them.
TEST(ImportHostileFileTest, AStoppedNativeImportLeavesTheEarlierGridAndItsLevels) {
  const TempDir scratch;
  TestGridFile earlier;
  earlier.field = [](double latitude, double longitude) {
    return std::optional<double>(latitude * 3 - longitude);
  };
  earlier.Write(scratch / "earlier.nc");
  const auto output = scratch / "grid.bil";
  ASSERT_EQ(RunImport({"--native", (scratch / "earlier.nc").string(), output.string()}, scratch)
                .exitStatus,
            kSuccess);
  std::vector<std::string> names = {"grid.bil", "grid.hdr"};
  for (int factor = 2; factor <= 64; factor *= 2) {
    names.push_back("grid.z" + std::to_string(factor) + ".bil");
  }
  std::vector<std::vector<std::uint8_t>> before;
  for (const std::string& name : names) before.push_back(testing::ReadFile(scratch / name));

  TestGridFile larger;  // 2.5': 74 MB of zeros, beyond the limit
  larger.latitude.values = Spaced(4320, -90 + 1.0 / 48, 1.0 / 24);
  larger.longitude.values = Spaced(8640, 1.0 / 48, 1.0 / 24);
  larger.writeRow = [](double) { return false; };
  larger.Write(scratch / "larger.nc");
  const LimitedRun run = RunImport({"--native", (scratch / "larger.nc").string(), output.string()},
                                   scratch, RLIMIT_FSIZE, rlim_t{16} << 20);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: cannot write " + output.string() + "\n");
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(testing::ReadFile(scratch / names[i]), before[i]) << names[i];
  }
  EXPECT_FALSE(HasTemporary(scratch));
}

}  // namespace
}  // namespace orandu
