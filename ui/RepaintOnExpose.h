// Repaints a widget from its own paint handler whenever the window system uncovers its window.
#pragma once

#include <QObject>

class QWidget;

// The toolkit serves an uncovered part of a window from its own copy of the last paint. A widget
// whose picture comes from a file that may have changed since, such as the region view's paint
// area, must instead be painted again: this watches the window's exposures and asks for that.
class RepaintOnExpose : public QObject {
  Q_OBJECT

 public:
  // Creates the window's native window if need be; the watch ends with the target.
  explicit RepaintOnExpose(QWidget& target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& target_;
};
