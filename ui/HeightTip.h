// The read-out beside the cursor: a tool-tip window that follows the mouse over the region view.
#pragma once

#include <QLabel>

class THeightTip : public QLabel {
  Q_OBJECT

 public:
  // A top-level tool-tip window owned by the given window, hidden until shown.
  explicit THeightTip(QWidget* owner);

  // Shows the text just below and right of the cursor's global position, inside the screen.
  // The text is also the window's title, so that tools reading window names can read it.
  void ShowAt(const QPoint& cursor, const QString& text);
};
