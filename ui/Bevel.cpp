// Paints the etched line.
#include "ui/Bevel.h"

#include <QPainter>

TBevel::TBevel(QWidget* parent) : QWidget(parent) {}

void TBevel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(0, 0, width(), 1, palette().color(QPalette::Dark));
  painter.fillRect(0, 1, width(), 1, palette().color(QPalette::Light));
}
