// Hands each press on the picture to its handler.
#include "ui/Image.h"

#include <QMouseEvent>

#include "ui/ErrorReport.h"

TImage::TImage(QWidget* parent) : QLabel(parent) {}

void TImage::mousePressEvent(QMouseEvent* event) {
  if (!OnMouseDown) return QLabel::mousePressEvent(event);
  const QPoint pixel = event->position().toPoint();
  orandu::RunReportingErrors([this, pixel] { OnMouseDown(pixel); });
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
}
