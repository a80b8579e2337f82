// The save dialog, the folder it starts in and the writing of the picture by the core's writers.
#include "RegionPictureSave.h"

#include <QFileDialog>
#include <QFileInfo>

#include "FileNames.h"
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

bool TRegionPictureSave::Execute(const QImage& picture) {
  const std::optional<QString> chosen = runner_(folder_);
  if (!chosen) return false;
  const std::filesystem::path path = orandu::ToPath(*chosen);
  if (QFileInfo(*chosen).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) {
    orandu::WriteBmp(path, ToPicture(picture));
  } else {
    orandu::WritePng(path, ToPicture(picture));
  }
  folder_ = QFileInfo(*chosen).absolutePath();
  return true;
}
