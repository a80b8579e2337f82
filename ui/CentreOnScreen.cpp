// Centres the frame the window manager announces, or the bare client.
#include "ui/CentreOnScreen.h"

#include <QScreen>
#include <QWidget>

#include "ui/X11Window.h"

void CentreOnScreen(QWidget& window) {
  const QMargins frame = ExpectedFrameMargins(window);
  const QRect screen = window.screen()->availableGeometry();
  const QSize outer = window.size().grownBy(frame);
  const QPoint frameTopLeft(screen.x() + (screen.width() - outer.width()) / 2,
                            screen.y() + (screen.height() - outer.height()) / 2);
  // The window exists but the toolkit does not know its frame yet, so a move places the client.
  window.move(frameTopLeft + QPoint(frame.left(), frame.top()));
}
