// The main window: the world map to pick a point on, the colour bar legend and the settings button.
#pragma once

#include <QWidget>
#include <memory>

class TColorBarLegend;
class TFormOrandu_Config;
class TFormOrandu_Graph;
namespace Ui {
class TFormOrandu_Main;
}

// Its widgets are its own: the other windows see only the legend.
class TFormOrandu_Main : public QWidget {
  Q_OBJECT

 public:
  // The distance, in both directions, from the map cursor's hot spot to its cross-hair.
  static constexpr int kCursorCrossOffset = 13;

  explicit TFormOrandu_Main(QWidget* parent = nullptr);
  ~TFormOrandu_Main() override;

  // The colour bar legend under the map: the settings dialog loads bars into it and the region
  // view paints in its colours.
  TColorBarLegend& Legend();

  // The windows this one opens. They are built after it, because they use its colour bar
  // legend, so start-up hands them over once they exist.
  void SetWindows(TFormOrandu_Config& config, TFormOrandu_Graph& graph);

  // Installs the map-selection cursor and places the window; run once at start-up.
  void FormCreate();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Image1MouseDown(QPoint mapPixel);
  void SpeedButton4Click();

  std::unique_ptr<Ui::TFormOrandu_Main> ui_;
  TFormOrandu_Config* config_ = nullptr;
  TFormOrandu_Graph* graph_ = nullptr;
};
