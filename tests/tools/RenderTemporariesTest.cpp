// orandu-render's output is written through a temporary beside it: a write refused by a
// file-size limit ends with a message and no temporary, and the temporary of a run killed
// part-way is removed by the next run, so they never pile up beside the output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/picture/PictureFormats.h"
#include "tests/tools/RunTool.h"

namespace orandu::testing {
namespace {

// How a run under a file-size limit ended.
struct LimitedRun {
  int status = 0;  // as waitpid gives it
  std::string errors;
};

std::vector<std::string> TemporariesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".orandu-tmp-") != std::string::npos) names.push_back(name);
  }
  return names;
}

class RenderTemporariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two rows of the grid are enough: rows past the end of the file paint as they do.
    grid_ = dir_.Write("grid.dos", std::vector<std::uint8_t>(2 * RowBytes, 0x10));
    bar_ = dir_ / "bar.bmp";
    WriteBmp(bar_, DesignTimeColorBar());
    out_ = dir_ / "out" / "region.bmp";
    std::filesystem::create_directory(out_.parent_path());
  }

  std::vector<std::string> Arguments(const std::string& size) const {
    return {"--grid", grid_.string(), "--bar", bar_.string(), "--center",
            "100,50", "--size",       size,    "--out",       out_.string()};
  }

  // Starts the tool with the arguments; its error output goes to a pipe, which no file-size
  // limit covers, and its other output nowhere. The limit applies to the tool alone.
  pid_t Start(const std::vector<std::string>& arguments, rlim_t fileSizeLimit, int* errors) const {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(pipeEnds[1], 2);
      const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      ::dup2(nowhere, 1);
      ::close(pipeEnds[0]);
      ::close(pipeEnds[1]);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      std::string program = ToolPath("orandu-render").string();
      std::vector<std::string> words = arguments;
      std::vector<char*> argv{program.data()};
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    *errors = pipeEnds[0];
    return child;
  }

  LimitedRun RunUnderLimit(const std::vector<std::string>& arguments, rlim_t fileSizeLimit) const {
    LimitedRun run;
    int errors = -1;
    const pid_t child = Start(arguments, fileSizeLimit, &errors);
    if (child < 0) return run;
    char chunk[4096];
    for (ssize_t got; (got = ::read(errors, chunk, sizeof chunk)) != 0;) {
      if (got > 0) run.errors.append(chunk, static_cast<std::size_t>(got));
      if (got < 0 && errno != EINTR) break;
    }
    ::close(errors);
    ::waitpid(child, &run.status, 0);
    return run;
  }

  TempDir dir_;
  std::filesystem::path grid_;
  std::filesystem::path bar_;
  std::filesystem::path out_;
};

TEST_F(RenderTemporariesTest, WritePastAFileSizeLimitEndsWithAMessageAndNoTemporary) {
  for (const rlim_t limit : {rlim_t{0}, rlim_t{4096}}) {
    SCOPED_TRACE(limit);
    const LimitedRun run = RunUnderLimit(Arguments("488x441"), limit);
    ASSERT_FALSE(WIFSIGNALED(run.status))
        << "orandu-render died of signal " << WTERMSIG(run.status) << " ("
        << ::strsignal(WTERMSIG(run.status)) << ") instead of reporting the refused write";
    EXPECT_EQ(WEXITSTATUS(run.status), 1);
    EXPECT_NE(run.errors.find(out_.string() + " に書き込めません"), std::string::npos)
        << run.errors;
    EXPECT_FALSE(std::filesystem::exists(out_));
    EXPECT_EQ(TemporariesIn(out_.parent_path()), std::vector<std::string>{});
  }
}

// The run is killed as soon as its temporary has content, whatever the tool is doing then.
TEST_F(RenderTemporariesTest, TemporaryOfAKilledRunIsRemovedByTheNextRun) {
  int errors = -1;
  const pid_t child = Start(Arguments("4000x4000"), RLIM_INFINITY, &errors);
  ASSERT_GE(child, 0);
  bool caught = false;
  int status = 0;
  while (!caught && ::waitpid(child, &status, WNOHANG) == 0) {
    for (const std::string& name : TemporariesIn(out_.parent_path())) {
      std::error_code gone;
      caught = caught || std::filesystem::file_size(out_.parent_path() / name, gone) > 0;
    }
    if (caught) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
    } else {
      const timespec pause{0, 200'000};
      ::nanosleep(&pause, nullptr);
    }
  }
  ::close(errors);
  ASSERT_TRUE(caught) << "the run ended before it could be killed part-way";
  ASSERT_EQ(TemporariesIn(out_.parent_path()).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(out_));

  const LimitedRun next = RunUnderLimit(Arguments("48x44"), RLIM_INFINITY);
  ASSERT_TRUE(WIFEXITED(next.status) && WEXITSTATUS(next.status) == 0) << next.errors;
  EXPECT_EQ(DecodeBmp(ReadFile(out_)).width, 48);
  EXPECT_EQ(TemporariesIn(out_.parent_path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace orandu::testing
