// The region view window: shows itself on a pick and paints the region on every exposure.
#include "UnitOrandu_Graph.h"

#include <QCloseEvent>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include "ColorBarLegend.h"
#include "ErrorReport.h"
#include "FileNames.h"
#include "ImageSurface.h"
#include "UnitOrandu_Config.h"

TFormOrandu_Graph* FormOrandu_Graph = nullptr;

TFormOrandu_Graph::TFormOrandu_Graph(const TFormOrandu_Config& config,
                                     const TColorBarLegend& legend, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), legend_(legend) {
  setupUi(this);
  QPalette black = Panel2->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel2->setPalette(black);
  // Every pixel of the paint area is drawn by its paint handler, so Qt need not clear it first.
  PaintBox1->setAttribute(Qt::WA_OpaquePaintEvent);
  PaintBox1->installEventFilter(this);
  setAttribute(Qt::WA_QuitOnClose, false);
}

void TFormOrandu_Graph::Show() {
  if (!placed_) {
    placed_ = true;
    const QRect screen = this->screen()->availableGeometry();
    move(screen.center() - QPoint(width() / 2, height() / 2));
  }
  show();
  raise();
  activateWindow();
}

void TFormOrandu_Graph::SetCenter(int lon, int lat) {
  reportedFailure_.clear();  // a new pick deserves to hear about a failure again
  region_.SetCenter(lon, lat, PaintBox1->width(), PaintBox1->height());
}

bool TFormOrandu_Graph::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PaintBox1 && event->type() == QEvent::Paint) {
    PaintBox1Paint();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TFormOrandu_Graph::closeEvent(QCloseEvent* event) {
  hide();  // the window lives on with its centre; the next pick shows it again
  event->ignore();
}

void TFormOrandu_Graph::PaintBox1Paint() {
  const QString gridPath = config_.Edit_ETOPO5->text();
  QImage image(PaintBox1->size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  ImageSurface surface(image);
  try {
    region_.PaintRegion(orandu::ToPath(gridPath), legend_.Colors(), surface);
    reportedFailure_.clear();
  } catch (const std::exception& error) {
    ReportPaintFailure(QString::fromUtf8(error.what()), gridPath);
  }
  QPainter(PaintBox1).drawImage(0, 0, image);
}

void TFormOrandu_Graph::ReportPaintFailure(const QString& message, const QString& gridPath) {
  if (message == reportedFailure_ && gridPath == reportedPath_) return;
  reportedFailure_ = message;
  reportedPath_ = gridPath;
  QMetaObject::invokeMethod(
      this, [message] { orandu::ReportMessage(message); }, Qt::QueuedConnection);
}
