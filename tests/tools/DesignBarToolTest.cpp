// make-design-bar: the built-in colour bar as a file, and the tools' exit statuses.
#include <gtest/gtest.h>

#include "region/colorbar/ColorBar.h"
#include "region/picture/PictureFormats.h"
#include "tests/tools/RunTool.h"

namespace orandu::testing {
namespace {

TEST(DesignBarToolTest, WritesTheBuiltInBar) {
  const TempDir dir;
  const auto out = dir / "P1.BMP";
  const ToolRun run = RunTool(ToolPath("make-design-bar"), {out.string()}, dir);
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  EXPECT_EQ(DecodeBmp(ReadFile(out)).pixels, DesignTimeColorBar().pixels);
}

TEST(DesignBarToolTest, WrongArgumentCountIsAUsageError) {
  const TempDir dir;
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"a.bmp", "b.bmp"}}) {
    const ToolRun run = RunTool(ToolPath("make-design-bar"), arguments, dir);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.errors, "usage: make-design-bar OUTPUT.bmp\n");
  }
}

TEST(DesignBarToolTest, RefusedWriteIsAFailureWithTheMessage) {
  const TempDir dir;
  const auto out = dir / "missing" / "P1.BMP";
  const ToolRun run = RunTool(ToolPath("make-design-bar"), {out.string()}, dir);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.errors, "make-design-bar: " + out.string() + " に書き込めません\n");
}

}  // namespace
}  // namespace orandu::testing
