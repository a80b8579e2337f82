// The save dialog, the folder it starts in and the writing of the picture by the core's writers.
#include "RegionPictureSave.h"

#include <QFileDialog>
#include <QFileInfo>

#include "FileNames.h"
#include "GeoTiffWriter.h"
#include "PictureFormats.h"

namespace {

orandu::Picture ToPicture(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  orandu::Picture picture{rgb.width(), rgb.height(),
                          std::vector<orandu::Rgb>(static_cast<std::size_t>(rgb.width()) *
                                                   static_cast<std::size_t>(rgb.height()))};
  auto out = picture.pixels.begin();
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x, ++out) {
      *out = orandu::Rgb{static_cast<std::uint8_t>(qRed(row[x])),
                         static_cast<std::uint8_t>(qGreen(row[x])),
                         static_cast<std::uint8_t>(qBlue(row[x]))};
    }
  }
  return picture;
}

}  // namespace

TRegionPictureSave::TRegionPictureSave(QWidget* owner, QString firstFolder)
    : runner_([owner](const QString& initialDir) -> std::optional<QString> {
        QFileDialog dialog(owner, QString(), initialDir);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("png"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
          return std::nullopt;
        }
        return dialog.selectedFiles().constFirst();
      }),
      folder_(std::move(firstFolder)) {}

bool TRegionPictureSave::Execute(const QImage& picture,
                                 const std::optional<orandu::GeoPlacement>& placement) {
  const std::optional<QString> chosen = runner_(folder_);
  if (!chosen) return false;
  const std::filesystem::path path = orandu::ToPath(*chosen);
  const QString suffix = QFileInfo(*chosen).suffix();
  const bool tiff = suffix.compare(QLatin1String("tif"), Qt::CaseInsensitive) == 0 ||
                    suffix.compare(QLatin1String("tiff"), Qt::CaseInsensitive) == 0;
  if (suffix.compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) {
    orandu::WriteBmp(path, ToPicture(picture));
  } else if (tiff && placement) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    orandu::WriteGeoTiffRows(
        path, rgb.width(), rgb.height(), *placement, [&](int y, std::span<std::uint8_t> row) {
          const auto* pixels = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
          for (std::size_t x = 0; x < row.size() / 3; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(qRed(pixels[x]));
            row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(pixels[x]));
            row[3 * x + 2] = static_cast<std::uint8_t>(qBlue(pixels[x]));
          }
        });
  } else {
    orandu::WritePng(path, ToPicture(picture));
  }
  folder_ = QFileInfo(*chosen).absolutePath();
  return true;
}
