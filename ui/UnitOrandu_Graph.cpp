// The region view window: shows itself on a pick and paints the region on every exposure.
#include "ui/UnitOrandu_Graph.h"

#include <QAction>
#include <QCloseEvent>
#include <QPainter>

#include "region/PositionText.h"
#include "region/ZoomNavigation.h"
#include "region/grid/Rounding.h"
#include "region/picture/PictureFormats.h"
#include "settings/ViewSettings.h"
#include "tests/support/PixelBuffer.h"
#include "ui/CentreOnScreen.h"
#include "ui/ColorBarLegend.h"
#include "ui/ErrorReport.h"
#include "ui/FileNames.h"
#include "ui/HeightTip.h"
#include "ui/ImageSurface.h"
#include "ui/RegionViewInput.h"
#include "ui/RepaintOnExpose.h"
#include "ui/UnitOrandu_Config.h"
#include "ui/X11Window.h"
#include "ui_UnitOrandu_Graph.h"

TFormOrandu_Graph::TFormOrandu_Graph(const TFormOrandu_Config& config,
                                     const TColorBarLegend& legend, QWidget* parent)
    : QWidget(parent, Qt::Window),
      SavePictureDialog(this, orandu::FromPath(config.Location().DataDir())),
      ui_(std::make_unique<Ui::TFormOrandu_Graph>()),
      config_(config),
      legend_(legend) {
  ui_->setupUi(this);
  QPalette black = ui_->Panel2->palette();
  black.setColor(QPalette::Window, Qt::black);
  ui_->Panel2->setPalette(black);
  ui_->PaintBox1->OnPaint = [this] { PaintBox1Paint(); };
  setAttribute(Qt::WA_QuitOnClose, false);

  Action_SavePicture = new QAction(QStringLiteral("画像を保存..."), this);
  Action_SavePicture->setShortcut(QKeySequence::Save);
  connect(Action_SavePicture, &QAction::triggered, this, [this] { SavePicture(); });
  addAction(Action_SavePicture);
  ui_->PaintBox1->addAction(Action_SavePicture);
  // The save dialog's world-file box, like the shading, is read once and written only on a change.
  SavePictureDialog.SetWorldFile(orandu::ReadWorldFileSetting(config.Location()));
  SavePictureDialog.onWorldFileChanged = [this](bool worldFile) {
    orandu::RunReportingErrors(
        [this, worldFile] { orandu::SaveWorldFileSetting(config_.Location(), worldFile); });
  };
  // The choice is read once here and written only when the user changes it.
  Action_Shade = new QAction(QStringLiteral("陰影"), this);
  Action_Shade->setCheckable(true);
  Action_Shade->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  Action_Shade->setShortcutVisibleInContextMenu(true);
  if (orandu::ReadShadeSetting(config.Location())) {
    Action_Shade->setChecked(true);
    region_.SetShading(orandu::Light{});
  }
  connect(Action_Shade, &QAction::triggered, this, [this](bool checked) { SetShade(checked); });
  addAction(Action_Shade);
  ui_->PaintBox1->addAction(Action_Shade);
  ui_->PaintBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
  HeightTip1 = new THeightTip(this);
  new TRegionViewInput(*this, *ui_->PaintBox1, *HeightTip1);
}

TFormOrandu_Graph::~TFormOrandu_Graph() = default;

void TFormOrandu_Graph::Show() {
  // The window system's side of the window is made at the first pick, not at start-up.
  if (!placed_) {
    placed_ = true;
    ClearWindowManagerTitle(*this);
    new RepaintOnExpose(*ui_->PaintBox1);
    CentreOnScreen(*this);
  }
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void TFormOrandu_Graph::SetCenter(int lon, int lat) {
  reportedFailure_.clear();  // a new pick deserves to hear about a failure again
  pickedLon_ = lon;
  pickedLat_ = lat;
  LearnGrid();
  region_.SetCenter(lon, lat, ui_->PaintBox1->width(), ui_->PaintBox1->height());
}

void TFormOrandu_Graph::RepaintRegion() {
  ui_->PaintBox1->repaint();
}

void TFormOrandu_Graph::MoveCenter(orandu::LatticePoint towards) {
  LearnGrid();
  region_.MoveCenter(towards, ui_->PaintBox1->width(), ui_->PaintBox1->height());
  ui_->PaintBox1->repaint();
}

void TFormOrandu_Graph::ReturnToPick() {
  LearnGrid();
  region_.SetZoom(orandu::ZoomLevel::OneToOne());
  region_.SetCenter(pickedLon_, pickedLat_, ui_->PaintBox1->width(), ui_->PaintBox1->height());
  ui_->PaintBox1->repaint();
}

void TFormOrandu_Graph::ZoomAbout(orandu::ZoomLevel zoom, QPoint pixel) {
  if (zoom == region_.Zoom()) return;
  LearnGrid();
  const int width = ui_->PaintBox1->width();
  const int height = ui_->PaintBox1->height();
  const orandu::LatticePoint center = orandu::CenterZoomedAbout(
      region_.Grid(), region_.Center(), region_.Zoom(), zoom, width, height, pixel.x(), pixel.y());
  region_.SetZoom(zoom);
  region_.SetCenter(center, width, height);
  ui_->PaintBox1->repaint();
}

void TFormOrandu_Graph::ZoomAboutMiddle(orandu::ZoomLevel zoom) {
  // The pixel the centre's own sample starts at, so that the centre stays where it is.
  ZoomAbout(zoom, QPoint(orandu::RoundHalfEven(ui_->PaintBox1->width(), 2) + 1,
                         orandu::RoundHalfEven(ui_->PaintBox1->height(), 2) + 1));
}

QString TFormOrandu_Graph::ReadoutAt(QPoint pixel) {
  if (!shown_.Zoom().IsOneToOne()) {
    const auto sample = shown_.SampleAt(pixel.x(), pixel.y());
    if (!sample) return {};
    return QString::fromStdString(orandu::ReadoutText(
        *sample, shown_.HeightUnderPixel(pixel.x(), pixel.y()), shown_.Grid(), shown_.Zoom()));
  }
  const auto sample =
      orandu::SampleUnderPixel(shown_.Grid(), region_.Center(), ui_->PaintBox1->width(),
                               ui_->PaintBox1->height(), pixel.x(), pixel.y());
  if (!sample) return {};
  return QString::fromStdString(
      orandu::ReadoutText(*sample, shown_.HeightAt(*sample), shown_.Grid()));
}

void TFormOrandu_Graph::LearnGrid() {
  try {
    region_.SetGrid(orandu::HeightGrid(config_.GridPath()).Geometry());
  } catch (const std::exception&) {
    return;  // the paint reports it
  }
}

void TFormOrandu_Graph::SavePicture() {
  if (painted_.isNull()) return;  // nothing painted yet, nothing to save
  orandu::RunReportingErrors([this] {
    SavePictureDialog.Execute(painted_,
                              orandu::PlaceRegion(shown_.Grid(), region_.Center(), shown_.Zoom(),
                                                  painted_.width(), painted_.height()));
  });
}

void TFormOrandu_Graph::SetShade(bool shade) {
  Action_Shade->setChecked(shade);
  region_.SetShading(shade ? std::optional(orandu::Light{}) : std::nullopt);
  ui_->PaintBox1->repaint();
  orandu::RunReportingErrors(
      [this, shade] { orandu::SaveShadeSetting(config_.Location(), shade); });
}

void TFormOrandu_Graph::closeEvent(QCloseEvent* event) {
  hide();  // the window lives on with its centre; the next pick shows it again
  event->ignore();
}

void TFormOrandu_Graph::PaintBox1Paint() {
  const QString gridPath = config_.GridPathText();
  // The image lives from paint to paint; only the pixels the grid does not cover are blackened.
  if (painted_.size() != ui_->PaintBox1->size()) {
    painted_ = QImage(ui_->PaintBox1->size(), QImage::Format_RGB32);
  }
  if (painted_.isNull()) {  // no memory for an area this large: it stays black, without heights
    shown_ = orandu::ShownSamples();
    QPainter(ui_->PaintBox1).fillRect(ui_->PaintBox1->rect(), Qt::black);
    ReportPaintFailure(QString::fromStdString(orandu::PictureTooLargeMessage(
                           ui_->PaintBox1->width(), ui_->PaintBox1->height())),
                       gridPath);
    return;
  }
  ImageSurface surface(painted_);
  try {
    region_.PaintRegion(config_.GridPath(), legend_.Colors(), surface, shown_);
    reportedFailure_.clear();
  } catch (const std::exception& error) {
    ReportPaintFailure(QString::fromUtf8(error.what()), gridPath);
  }
  shown_.FillUnpainted(orandu::kBlack, surface);
  QPainter painter(ui_->PaintBox1);
  painter.setCompositionMode(QPainter::CompositionMode_Source);  // opaque: a plain copy
  painter.drawImage(0, 0, painted_);
}

void TFormOrandu_Graph::ReportPaintFailure(const QString& message, const QString& gridPath) {
  if (message == reportedFailure_ && gridPath == reportedPath_) return;
  reportedFailure_ = message;
  reportedPath_ = gridPath;
  QMetaObject::invokeMethod(
      this, [message] { orandu::ReportMessage(message); }, Qt::QueuedConnection);
}
