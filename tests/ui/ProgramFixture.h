// A program built as start-up builds it, beside a temporary executable path with its own data.
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <memory>

#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"
#include "tests/ui/FormWidget.h"
#include "ui/ColorBarLegend.h"
#include "ui/FileNames.h"
#include "ui/Startup.h"
#include "ui/UnitOrandu_Config.h"
#include "ui/UnitOrandu_Graph.h"
#include "ui/UnitOrandu_Main.h"

namespace orandu::testing {

// A whole grid whose sample at (row, column) is the height ((row + 3 * column) % 400 - 200) * 50,
// so that every place has its own colour pattern, and the design-time bar as P1.BMP.
inline void WriteDefaultData(const TempDir& dir) {
  std::filesystem::create_directory(dir / "data");
  std::vector<std::uint8_t> grid(GridBytes);
  for (int row = 0; row < GridRows; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      const auto raw = static_cast<std::uint16_t>(((row + 3 * column) % 400 - 200) * 50);
      const auto at = static_cast<std::size_t>(row) * RowBytes + 2 * column;
      grid[at] = static_cast<std::uint8_t>(raw & 0xFF);
      grid[at + 1] = static_cast<std::uint8_t>(raw >> 8);
    }
  }
  dir.Write("data/ETOPO5.DOS", grid);
  WriteBmp(dir / "data/P1.BMP", DesignTimeColorBar());
}

class ProgramFixture {
 public:
  ProgramFixture() {
    WriteDefaultData(dir_);
    windows_ = std::make_unique<ProgramWindows>(SettingsLocation::OfExecutable(dir_ / "orandu"));
  }

  const TempDir& dir() const { return dir_; }
  ProgramWindows& windows() { return *windows_; }

  // A press on the map at a pixel, sent through the application like a real one. (QTest's own
  // presses cannot aim at pixel (0, 0): they take it for "the middle of the widget".)
  void PressOnMap(QPoint mapPixel, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {},
                  QEvent::Type type = QEvent::MouseButtonPress) {
    QLabel* map = FormWidget<QLabel>(windows_->Main(), "Image1");
    QMouseEvent press(type, QPointF(mapPixel), map->mapToGlobal(QPointF(mapPixel)), button, button,
                      modifiers);
    QCoreApplication::sendEvent(map, &press);
  }

  // What the region core paints for the view's present centre and paint area, in the same colours.
  QImage ExpectedPaint() {
    TFormOrandu_Graph& graph = windows_->Graph();
    PixelBuffer expected(FormWidget<QWidget>(graph, "PaintBox1")->width(),
                         FormWidget<QWidget>(graph, "PaintBox1")->height());
    graph.Region().PaintRegion(dir_ / "data/ETOPO5.DOS", windows_->Main().Legend().Colors(),
                               expected);
    QImage image(expected.Width(), expected.Height(), QImage::Format_RGB32);
    for (int y = 0; y < expected.Height(); ++y) {
      std::copy_n(expected.Row(y), expected.Width(), reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
  }

 private:
  TempDir dir_;
  std::unique_ptr<ProgramWindows> windows_;
};

}  // namespace orandu::testing
