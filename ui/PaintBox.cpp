// Hands each paint of the box to its handler.
#include "ui/PaintBox.h"

#include "ui/ErrorReport.h"

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  if (OnPaint) orandu::RunReportingErrors(OnPaint);
}
