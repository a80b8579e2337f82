// Turns every exposure of the native window into a repaint of the target.
#include "ui/RepaintOnExpose.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

RepaintOnExpose::RepaintOnExpose(QWidget& target) : QObject(&target), target_(target) {
  QWidget* window = target.window();
  window->winId();
  window->windowHandle()->installEventFilter(this);
}

bool RepaintOnExpose::eventFilter(QObject* watched, QEvent* event) {
  // Marked dirty before the toolkit handles the exposure, which then paints it at once.
  if (event->type() == QEvent::Expose && target_.isVisible()) target_.update();
  return QObject::eventFilter(watched, event);
}
