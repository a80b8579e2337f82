// The tools' outputs, named by the user: what exists there and is not a regular file (a FIFO, a
// device, a socket, a folder) is refused and left as it is, a link is written where it points,
// and names as long as the system allows are written.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/picture/PictureFormats.h"
#include "tests/tools/RunTool.h"
#include "tests/tools/TestGridFile.h"

namespace orandu::testing {
namespace {

// What stands at a path, without following a link.
struct Node {
  bool exists = false;
  mode_t type = 0;
  ino_t inode = 0;
  bool operator==(const Node&) const = default;
};

Node NodeAt(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return {};
  return {true, status.st_mode & S_IFMT, status.st_ino};
}

std::size_t TemporariesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    count += entry.path().filename().string().find(".orandu-tmp-") != std::string::npos;
  }
  return count;
}

// A tool that writes one output: how to run it on an output path, what it says when it cannot,
// and how its output begins.
struct OutputTool {
  const char* name;
  std::function<void(const TempDir&)> prepare;
  std::function<std::vector<std::string>(const TempDir&, const std::filesystem::path&)> arguments;
  std::function<std::string(const std::filesystem::path&)> refusal;
  std::function<bool(const std::vector<std::uint8_t>&)> wrote;
};

void PrintTo(const OutputTool& tool, std::ostream* out) {
  *out << tool.name;
}

const OutputTool kRender{"orandu-render",
                         [](const TempDir& dir) {
                           dir.Write("grid.dos", std::vector<std::uint8_t>(2 * RowBytes, 0x10));
                           WriteBmp(dir / "bar.bmp", DesignTimeColorBar());
                         },
                         [](const TempDir& dir, const std::filesystem::path& out) {
                           return std::vector<std::string>{"--grid",   (dir / "grid.dos").string(),
                                                           "--bar",    (dir / "bar.bmp").string(),
                                                           "--center", "100,50",
                                                           "--size",   "20x10",
                                                           "--out",    out.string()};
                         },
                         [](const std::filesystem::path& out) {
                           return "orandu-render: " + out.string() + " に書き込めません\n";
                         },
                         [](const std::vector<std::uint8_t>& bytes) {
                           return bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P';
                         }};

const OutputTool kImport{
    "orandu-import", [](const TempDir& dir) { TestGridFile().Write(dir / "grid.nc"); },
    [](const TempDir& dir, const std::filesystem::path& out) {
      return std::vector<std::string>{(dir / "grid.nc").string(), out.string()};
    },
    [](const std::filesystem::path& out) {
      return "orandu-import: cannot write " + out.string() + "\n";
    },
    [](const std::vector<std::uint8_t>& bytes) { return bytes.size() == GridBytes; }};

class OutputTargetsTest : public ::testing::TestWithParam<OutputTool> {
 protected:
  void SetUp() override { GetParam().prepare(dir_); }
  ToolRun Run(const std::filesystem::path& out) const {
    const auto tool = ToolPath(GetParam().name);
    return RunTool(tool, GetParam().arguments(dir_, out), dir_);
  }

  TempDir dir_;
};

TEST_P(OutputTargetsTest, OutputThatIsNotARegularFileIsRefusedAndLeftAsItIs) {
  const auto targets = dir_ / "targets";
  std::filesystem::create_directory(targets);
  ASSERT_EQ(::mkfifo((targets / "fifo.png").c_str(), 0644), 0);
  // The same device as /dev/null, made where only this test uses it; only root may make one.
  const bool deviceMade =
      ::mknod((targets / "null.png").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  std::filesystem::create_directory(targets / "folder.png");
  const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listening, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (targets / "socket.png").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  std::vector<std::string> names = {"fifo.png", "folder.png", "socket.png"};
  if (deviceMade) names.push_back("null.png");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const Node before = NodeAt(targets / name);
    const ToolRun run = Run(targets / name);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.errors, GetParam().refusal(targets / name));
    EXPECT_EQ(NodeAt(targets / name), before);
  }
  ::close(listening);
  EXPECT_EQ(TemporariesIn(targets), 0u);
}

TEST_P(OutputTargetsTest, LinkIsWrittenWhereItPointsAndStaysALink) {
  std::filesystem::create_directory(dir_ / "kept");
  const auto real = dir_.Write("kept/real.png", std::string("stale"));
  const auto link = dir_ / "link.png";
  std::filesystem::create_symlink("kept/real.png", link);
  const ToolRun run = Run(link);
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(GetParam().wrote(ReadFile(real)));
  EXPECT_EQ(TemporariesIn(dir_.path()), 0u);
}

TEST_P(OutputTargetsTest, NameOfTheLongestLengthTheSystemAllowsIsWritten) {
  for (const std::size_t length : {std::size_t{238}, std::size_t{255}}) {
    SCOPED_TRACE(length);
    const auto out = dir_ / (std::string(length - 4, 'r') + ".png");
    const ToolRun run = Run(out);
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    EXPECT_TRUE(GetParam().wrote(ReadFile(out)));
  }
  EXPECT_EQ(TemporariesIn(dir_.path()), 0u);
}

INSTANTIATE_TEST_SUITE_P(Tools, OutputTargetsTest, ::testing::Values(kRender, kImport),
                         [](const auto& tool) {
                           return std::string(tool.param.name) == "orandu-render" ? "Render"
                                                                                  : "Import";
                         });

}  // namespace
}  // namespace orandu::testing
