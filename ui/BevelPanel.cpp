// Draws the double bevel in the palette's light and shadow colours.
#include "ui/BevelPanel.h"

#include <QPainter>

TBevelPanel::TBevelPanel(QWidget* parent) : QFrame(parent) {}

void TBevelPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QColor light = palette().color(QPalette::Light);
  const QColor shadow = palette().color(QPalette::Dark);
  // Lowered outer bevel: shadow on the top and left edges, light on the bottom and right.
  QRect edge = rect();  // its right() and bottom() are the last column and row
  for (const auto& [topLeft, bottomRight] : {std::pair{shadow, light}, std::pair{light, shadow}}) {
    painter.setPen(topLeft);
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
    edge.adjust(1, 1, -1, -1);  // then the raised inner bevel, one pixel further in
  }
}
