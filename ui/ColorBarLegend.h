// The colour bar legend: the one owner of the colour bar picture and of its colour table.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>
#include <memory>

#include "region/colorbar/ColorBar.h"
#include "region/picture/Picture.h"

// Shows the current colour bar at its natural size. The region painting reads its colours here,
// so the legend and the painted relief cannot disagree.
class TColorBarLegend : public QLabel {
  Q_OBJECT

 public:
  // Starts with the design-time bar.
  explicit TColorBarLegend(QWidget* parent = nullptr);
  ~TColorBarLegend() override;

  // Replaces the bar by the picture read from the file and redraws. Throws OranduError with the
  // user's message; the previous bar then stays whole.
  void LoadColorBar(const QString& path);

  const orandu::Picture& Bar() const { return bar_; }
  const orandu::ColorTable& Colors() const { return *colors_; }

 private:
  void ShowBar(QPixmap shown);  // the bar's picture, made before the bar was taken

  orandu::Picture bar_;
  std::unique_ptr<orandu::ColorTable> colors_;  // 256 KiB: kept off the stack
};
