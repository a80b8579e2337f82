// orandu-render --shade: the light it takes and the picture it paints under it.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "region/RegionView.h"
#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/PixelBuffer.h"
#include "tests/tools/RunTool.h"

namespace orandu::testing {
namespace {

// Sixty rows of hills and valleys across the whole width.
std::vector<std::uint8_t> HillyGrid() {
  std::vector<std::uint8_t> bytes;
  for (int row = 0; row < 60; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      const int metres = static_cast<int>(
          std::lround(2000 * std::sin(column * 0.3) + 1500 * std::cos(row * 0.4) - 500));
      const auto raw = static_cast<std::uint16_t>(metres);
      bytes.push_back(static_cast<std::uint8_t>(raw & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(raw >> 8));
    }
  }
  return bytes;
}

class RenderShadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_ = dir_.Write("hills.dos", HillyGrid());
    bar_ = dir_ / "bar.bmp";
    WriteBmp(bar_, DesignTimeColorBar());
  }
  ToolRun Render(const std::vector<std::string>& extra, const std::filesystem::path& out) {
    std::vector<std::string> arguments{"--grid",   grid_.string(), "--bar",  bar_.string(),
                                       "--center", "10,2",         "--size", "120x40",
                                       "--out",    out.string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunTool(ToolPath("orandu-render"), arguments, dir_);
  }
  // The same region painted in this process, packed pixels turned into the picture's colours.
  std::vector<Rgb> PaintedHere(std::optional<Light> light) const {
    RegionView view;
    view.SetCenter(10, 2, 120, 40);
    view.SetShading(light);
    PixelBuffer surface(120, 40);
    view.PaintRegion(grid_, ColorTable(DesignTimeColorBar()), surface);
    std::vector<Rgb> pixels;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 120; ++x) {
        const PackedColor color = surface.At(x, y);
        pixels.push_back({static_cast<std::uint8_t>(color >> 16),
                          static_cast<std::uint8_t>(color >> 8), static_cast<std::uint8_t>(color)});
      }
    }
    return pixels;
  }

  TempDir dir_;
  std::filesystem::path grid_;
  std::filesystem::path bar_;
};

TEST_F(RenderShadeTest, PaintsUnderTheLightGivenOrTheDefaultOne) {
  struct Case {
    std::vector<std::string> flags;
    std::optional<Light> light;
  };
  const Case cases[] = {
      {{}, std::nullopt},
      {{"--shade"}, Light{315, 45, 1}},
      {{"--shade", "315,45"}, Light{315, 45, 1}},
      {{"--shade", "90,30,2.5"}, Light{90, 30, 2.5}},
      {{"--shade", "-45,0"}, Light{-45, 0, 1}},
      {{"--shade", "multi"}, Light{.multidirectional = true}},
  };
  for (const Case& c : cases) {
    for (const char* name : {"shaded.png", "shaded.bmp"}) {
      const auto out = dir_ / name;
      const ToolRun run = Render(c.flags, out);
      ASSERT_EQ(run.exitStatus, 0) << run.errors;
      const std::vector<std::uint8_t> bytes = ReadFile(out);
      const Picture picture =
          std::string(name).ends_with(".png") ? DecodePng(bytes) : DecodeBmp(bytes);
      EXPECT_EQ(picture.pixels, PaintedHere(c.light)) << name << " " << c.flags.size();
    }
  }
  EXPECT_NE(PaintedHere(Light{}), PaintedHere(std::nullopt));
  EXPECT_NE(PaintedHere(Light{.multidirectional = true}), PaintedHere(Light{}));
}

TEST_F(RenderShadeTest, TakesTheShadeFlagBeforeAnotherOption) {
  const auto out = dir_ / "shaded.png";
  const ToolRun run = RunTool(ToolPath("orandu-render"),
                              {"--shade", "--grid", grid_.string(), "--bar", bar_.string(),
                               "--center", "10,2", "--size", "120x40", "--out", out.string()},
                              dir_);
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  EXPECT_EQ(DecodePng(ReadFile(out)).pixels, PaintedHere(Light{}));
}

TEST_F(RenderShadeTest, RefusesALightItCannotUse) {
  for (const char* light : {"315", "315,90", "315,-1", "315,45,0", "315,45,-2", "315,45,1001",
                            "315,45,1,1", "nan,45", "west,45", "315,,1", "multi,45", "Multi"}) {
    const auto out = dir_ / "refused.png";
    const ToolRun run = Render({"--shade", light}, out);
    EXPECT_EQ(run.exitStatus, 2) << light;
    EXPECT_EQ(run.errors.rfind("orandu-render: --shade wants AZIMUTH,ALTITUDE[,EXAGGERATION]", 0),
              0u)
        << run.errors;
    EXPECT_FALSE(std::filesystem::exists(out)) << light;
  }
}

}  // namespace
}  // namespace orandu::testing
