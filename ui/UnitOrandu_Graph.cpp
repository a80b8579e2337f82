// The region view window: shows itself on a pick and paints the region on every exposure.
#include "UnitOrandu_Graph.h"

#include <QCloseEvent>
#include <QImage>
#include <QPainter>

#include "CentreOnScreen.h"
#include "ColorBarLegend.h"
#include "ErrorReport.h"
#include "FileNames.h"
#include "ImageSurface.h"
#include "PictureFormats.h"
#include "RepaintOnExpose.h"
#include "UnitOrandu_Config.h"
#include "X11Window.h"

TFormOrandu_Graph::TFormOrandu_Graph(const TFormOrandu_Config& config,
                                     const TColorBarLegend& legend, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), legend_(legend) {
  setupUi(this);
  QPalette black = Panel2->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel2->setPalette(black);
  PaintBox1->OnPaint = [this] { PaintBox1Paint(); };
  setAttribute(Qt::WA_QuitOnClose, false);
}

void TFormOrandu_Graph::Show() {
  // The window system's side of the window is made at the first pick, not at start-up.
  if (!placed_) {
    placed_ = true;
    ClearWindowManagerTitle(*this);
    new RepaintOnExpose(*PaintBox1);
    CentreOnScreen(*this);
  }
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void TFormOrandu_Graph::SetCenter(int lon, int lat) {
  reportedFailure_.clear();  // a new pick deserves to hear about a failure again
  region_.SetCenter(lon, lat, PaintBox1->width(), PaintBox1->height());
}

void TFormOrandu_Graph::closeEvent(QCloseEvent* event) {
  hide();  // the window lives on with its centre; the next pick shows it again
  event->ignore();
}

void TFormOrandu_Graph::PaintBox1Paint() {
  const QString gridPath = config_.Edit_ETOPO5->text();
  QImage image(PaintBox1->size(), QImage::Format_RGB32);
  if (image.isNull()) {  // no memory for an area this large: it stays black
    QPainter(PaintBox1).fillRect(PaintBox1->rect(), Qt::black);
    ReportPaintFailure(QString::fromStdString(
                           orandu::PictureTooLargeMessage(PaintBox1->width(), PaintBox1->height())),
                       gridPath);
    return;
  }
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
