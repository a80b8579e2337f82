// A tool-tip window of the toolkit's tip colours and font, moved with the cursor.
#include "ui/HeightTip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QToolTip>

namespace {
// Far enough from the hot spot that the tip never lies under the cursor.
constexpr QPoint kOffsetFromCursor(16, 20);
}  // namespace

THeightTip::THeightTip(QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
  setPalette(QToolTip::palette());
  setFont(QToolTip::font());
  setForegroundRole(QPalette::ToolTipText);
  setBackgroundRole(QPalette::ToolTipBase);
  setAutoFillBackground(true);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setMargin(2);
  setTextFormat(Qt::PlainText);
}

void THeightTip::ShowAt(const QPoint& cursor, const QString& text) {
  if (text != this->text()) {
    setText(text);
    setWindowTitle(text);
    adjustSize();
  }
  QPoint place = cursor + kOffsetFromCursor;
  if (const QScreen* screen = QGuiApplication::screenAt(cursor)) {
    const QRect area = screen->availableGeometry();
    if (place.x() + width() > area.right())
      place.setX(cursor.x() - kOffsetFromCursor.x() - width());
    if (place.y() + height() > area.bottom())
      place.setY(cursor.y() - kOffsetFromCursor.y() - height());
  }
  move(place);
  if (!isVisible()) show();
}
