// The main window's handlers: a press on the map opens the region view on the point picked.
#include "ui/UnitOrandu_Main.h"

#include <QBitmap>
#include <QCursor>
#include <QFile>
#include <span>

#include "region/picture/PictureFormats.h"
#include "ui/ErrorReport.h"
#include "ui/PictureImage.h"
#include "ui/UnitOrandu_Config.h"
#include "ui/UnitOrandu_Graph.h"
#include "ui_UnitOrandu_Main.h"

namespace {

// The world map is kept as a baseline JPEG and decoded by the program's own JPEG reader.
QPixmap DecodeWorldMap() {
  QFile file(QStringLiteral(":/worldmap.jpg"));
  file.open(QIODevice::ReadOnly);
  const QByteArray bytes = file.readAll();
  const orandu::Picture map = orandu::DecodeJpeg(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()));
  return QPixmap::fromImage(ToQImage(map));
}

}  // namespace

TFormOrandu_Main::TFormOrandu_Main(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TFormOrandu_Main>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  // Labels grow with their text from where they stand, so no font can cut a figure short.
  for (QLabel* label : {ui_->Label1, ui_->Label2, ui_->Label3}) label->adjustSize();
  ui_->Image1->OnMouseDown = [this](QPoint mapPixel) { Image1MouseDown(mapPixel); };
  connect(ui_->SpeedButton4, &QToolButton::clicked, this,
          orandu::ReportingErrors([this] { SpeedButton4Click(); }));
}

TFormOrandu_Main::~TFormOrandu_Main() = default;

TColorBarLegend& TFormOrandu_Main::Legend() {
  return *ui_->Image2;
}

void TFormOrandu_Main::SetWindows(TFormOrandu_Config& config, TFormOrandu_Graph& graph) {
  config_ = &config;
  graph_ = &graph;
}

void TFormOrandu_Main::FormCreate() {
  const QBitmap shape(QStringLiteral(":/cursors/selectmap.xbm"));
  const QBitmap mask(QStringLiteral(":/cursors/selectmap_mask.xbm"));
  ui_->Image1->setCursor(QCursor(shape, mask, 0, 0));  // the hot spot is the frame's top-left pixel
  move(20, 20);
}

void TFormOrandu_Main::showEvent(QShowEvent* event) {
  orandu::RunReportingErrors([this] {
    if (ui_->Image1->pixmap().isNull()) ui_->Image1->setPixmap(DecodeWorldMap());
  });
  QWidget::showEvent(event);
}

void TFormOrandu_Main::Image1MouseDown(QPoint mapPixel) {
  // The point under the cursor's cross-hair, not under its hot spot, is the one picked.
  graph_->Show();
  graph_->SetCenter(mapPixel.x() + kCursorCrossOffset, mapPixel.y() + kCursorCrossOffset);
  graph_->RepaintRegion();
}

void TFormOrandu_Main::SpeedButton4Click() {
  config_->exec();
}
