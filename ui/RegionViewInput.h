// The region view's mouse and keys: the read-out under the cursor, dragging, arrow keys and Home;
// with Ctrl held, drags and arrow keys move by single samples. The wheel zooms about the cursor,
// + and - about the middle, Ctrl+0 back to one pixel a sample.
#pragma once

#include <QObject>
#include <QPoint>
#include <QWidget>

#include "region/RegionNavigation.h"

class TFormOrandu_Graph;
class THeightTip;

class TRegionViewInput : public QObject {
  Q_OBJECT

 public:
  // Watches the view's paint area (mouse, keys) and the window itself (keys when the area has
  // no focus); the read-out shows in the given tip.
  TRegionViewInput(TFormOrandu_Graph& view, QWidget& area, THeightTip& tip);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
  void ShowReadout(const QPoint& pixel, const QPoint& cursor);

  TFormOrandu_Graph& view_;
  QWidget& area_;
  THeightTip& tip_;
  bool dragging_ = false;
  QPoint pressPixel_;
  orandu::CenterDrag drag_{orandu::DegreeCell{}};
  int wheelAngle_ = 0;  // the part of a wheel notch turned so far
};
