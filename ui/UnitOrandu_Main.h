// The main window: the world map to pick a point on, the colour bar legend and the settings button.
#pragma once

#include <QWidget>

#include "ui_UnitOrandu_Main.h"

class TFormOrandu_Config;
class TFormOrandu_Graph;

class TFormOrandu_Main : public QWidget, public Ui::TFormOrandu_Main {
  Q_OBJECT

 public:
  // The distance, in both directions, from the map cursor's hot spot to its cross-hair.
  static constexpr int kCursorCrossOffset = 13;

  explicit TFormOrandu_Main(QWidget* parent = nullptr);

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

  TFormOrandu_Config* config_ = nullptr;
  TFormOrandu_Graph* graph_ = nullptr;
};
