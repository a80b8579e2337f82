// The region view: the full-resolution relief around the point last picked on the world map.
#pragma once

#include <QString>
#include <QWidget>

#include "RegionView.h"
#include "ui_UnitOrandu_Graph.h"

class TColorBarLegend;
class TFormOrandu_Config;

class TFormOrandu_Graph : public QWidget, public Ui::TFormOrandu_Graph {
  Q_OBJECT

 public:
  // The grid path comes from the settings dialog's field at every paint, the colours from the
  // legend's bar: both are read live, never copied.
  TFormOrandu_Graph(const TFormOrandu_Config& config, const TColorBarLegend& legend,
                    QWidget* parent = nullptr);

  // Makes the window visible, restores it when minimised and brings it to the front; the first
  // time, centred on the screen.
  void Show();

  // Centres the region on a picked whole-degree point for the paint area's present size.
  void SetCenter(int lon, int lat);

  const orandu::RegionView& Region() const { return region_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Paints the region from the grid file on every paint of PaintBox1: when the window is
  // uncovered, restored or resized, and after every pick.
  void PaintBox1Paint();
  void ReportPaintFailure(const QString& message, const QString& gridPath);

  const TFormOrandu_Config& config_;
  const TColorBarLegend& legend_;
  orandu::RegionView region_;
  bool placed_ = false;
  // The failure last reported from a paint. A paint may not open a modal box (closing the box
  // would uncover the view, repaint, fail and open another), so a failure is reported after the
  // paint returns, and the same failure again only after a new pick or another grid path.
  QString reportedFailure_;
  QString reportedPath_;
};
