// Loading, holding and showing the colour bar.
#include "ui/ColorBarLegend.h"

#include <QPixmap>
#include <utility>

#include "region/palette/ColorBarFile.h"
#include "ui/FileNames.h"
#include "ui/PictureImage.h"

TColorBarLegend::TColorBarLegend(QWidget* parent)
    : QLabel(parent),
      bar_(orandu::DesignTimeColorBar()),
      colors_(std::make_unique<orandu::ColorTable>(bar_)) {
  ShowBar(QPixmap::fromImage(ToQImage(bar_)));
}

TColorBarLegend::~TColorBarLegend() = default;

void TColorBarLegend::LoadColorBar(const QString& path) {
  orandu::Picture bar = orandu::LoadColorBar(orandu::ToPath(path));
  auto colors = std::make_unique<orandu::ColorTable>(bar);
  QPixmap shown = QPixmap::fromImage(ToQImage(bar));
  bar_ = std::move(bar);
  colors_ = std::move(colors);
  ShowBar(std::move(shown));
}

void TColorBarLegend::ShowBar(QPixmap shown) {
  setPixmap(shown);
  resize(bar_.empty() ? QSize(0, 0) : QSize(bar_.width, bar_.height));
}
