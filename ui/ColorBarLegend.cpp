// Loading, holding and showing the colour bar.
#include "ColorBarLegend.h"

#include <QImage>
#include <QPixmap>
#include <utility>

#include "ColorBarFile.h"
#include "FileNames.h"

namespace {

QImage ToImage(const orandu::Picture& picture) {
  if (picture.empty()) return {};
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < picture.width; ++x) {
      const orandu::Rgb color = picture.at(x, y);
      row[x] = qRgb(color.red, color.green, color.blue);
    }
  }
  return image;
}

}  // namespace

TColorBarLegend::TColorBarLegend(QWidget* parent)
    : QLabel(parent),
      bar_(orandu::DesignTimeColorBar()),
      colors_(std::make_unique<orandu::ColorTable>(bar_)) {
  ShowBar();
}

TColorBarLegend::~TColorBarLegend() = default;

void TColorBarLegend::LoadColorBar(const QString& path) {
  orandu::Picture bar = orandu::LoadColorBar(orandu::ToPath(path));
  auto colors = std::make_unique<orandu::ColorTable>(bar);
  bar_ = std::move(bar);
  colors_ = std::move(colors);
  ShowBar();
}

void TColorBarLegend::ShowBar() {
  setPixmap(QPixmap::fromImage(ToImage(bar_)));
  resize(bar_.empty() ? QSize(0, 0) : QSize(bar_.width, bar_.height));
}
