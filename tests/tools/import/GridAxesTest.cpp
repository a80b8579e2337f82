// Fitting regular global axes to stored coordinates: registration, direction, repeated columns.
#include "tools/import/GridAxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/tools/TestGridFile.h"
#include "tools/import/ImportError.h"

namespace orandu {
namespace {

using testing::Spaced;

TEST(GridAxesTest, TellsRegistrationAndDirectionOfLatitudes) {
  const struct {
    const char* name;
    std::vector<double> values;
    double step;
    bool ascending;
    bool gridRegistered;
  } rows[] = {
      {"15″ cells, from the north", Spaced(43200, 90 - 1.0 / 480, -1.0 / 240), 1.0 / 240, false,
       false},
      {"5′ nodes, from the south", Spaced(2161, -90, 1.0 / 12), 1.0 / 12, true, true},
      {"1° cells, from the south", Spaced(180, -89.5, 1), 1, true, false},
      {"single precision 20′ cells", Spaced(540, -89.8333333f, 0.3333333f), 1.0 / 3, true, false},
  };
  for (const auto& row : rows) {
    const LatitudeAxis axis = FitLatitudeAxis("lat", row.values);
    EXPECT_EQ(axis.count, row.values.size()) << row.name;
    EXPECT_DOUBLE_EQ(axis.step, row.step) << row.name;
    EXPECT_EQ(axis.ascending, row.ascending) << row.name;
    EXPECT_EQ(axis.gridRegistered, row.gridRegistered) << row.name;
  }
}

TEST(GridAxesTest, CountsEachLongitudeOnceWhateverTheOrigin) {
  std::vector<double> drifting = Spaced(4320, 0, 1.0 / 12);
  for (std::size_t i = 0; i < drifting.size(); ++i) drifting[i] *= 1.00001;  // 0.0036° at the end
  const struct {
    const char* name;
    std::vector<double> values;
    std::size_t distinct;
    double first;
  } rows[] = {
      {"5′ from 0°", Spaced(4320, 0, 1.0 / 12), 4320, 0},
      {"5′ from 180° W, 180° E repeated", Spaced(4321, -180, 1.0 / 12), 4320, -180},
      {"20′ from 20°10′ E, repeated", Spaced(1081, 20 + 1.0 / 6, 1.0 / 3), 1080, 20 + 1.0 / 6},
      {"5′ drifting", drifting, 4320, 0},
  };
  for (const auto& row : rows) {
    const LongitudeAxis axis = FitLongitudeAxis("lon", row.values);
    EXPECT_EQ(axis.distinct, row.distinct) << row.name;
    EXPECT_DOUBLE_EQ(axis.step, 360.0 / static_cast<double>(row.distinct)) << row.name;
    EXPECT_DOUBLE_EQ(axis.first, row.first) << row.name;
  }
}

TEST(GridAxesTest, RefusesWhatIsNotARegularGlobalAxis) {
  std::vector<double> gap = Spaced(360, 0, 1);
  gap[200] = 200.2;  // twice the drift allowed
  std::vector<double> notANumber = Spaced(181, -90, 1);
  notANumber[5] = std::nan("");
  const struct {
    bool latitude;
    std::vector<double> values;
    std::string message;
  } rows[] = {
      {true, {0}, "v has 1 values: too few for a grid"},
      {true, notANumber, "v holds a value that is not a number"},
      {false, gap, "v is not regular: v[200] is 200.2°, expected 200°"},
      {false, Spaced(360, 359, -1), "v is not regular: longitudes must increase eastwards"},
      {false, Spaced(360, 0, 1.0 / 12), "longitudes v run from 0° to 29.9167°: not a global grid"},
  };
  for (const auto& row : rows) {
    try {
      if (row.latitude) {
        FitLatitudeAxis("v", row.values);
      } else {
        FitLongitudeAxis("v", row.values);
      }
      ADD_FAILURE() << "accepted: " << row.message;
    } catch (const ImportError& error) {
      EXPECT_EQ(error.what(), row.message);
    }
  }
}

}  // namespace
}  // namespace orandu
