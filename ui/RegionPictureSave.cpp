// The save dialog, the folder it starts in and the writing of the picture and its world file by the
// core's writers.
#include "ui/RegionPictureSave.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <array>

#include "region/GeoTiffWriter.h"
#include "region/WorldFile.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "ui/FileNames.h"

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

using SaveFormat = orandu::PlacedPictureFormat;

struct SaveType {
  SaveFormat format;
  const char* suffix;       // added to a name typed without one
  const char* otherSuffix;  // also taken for this type, or empty
  const char* nameFilter;
};

// The save dialog's file types, the first chosen when it opens.
constexpr std::array<SaveType, 3> kSaveTypes{{
    {SaveFormat::kPng, "png", "", "PNG 画像 (*.png)"},
    {SaveFormat::kBmp, "bmp", "", "BMP 画像 (*.bmp)"},
    {SaveFormat::kTiff, "tif", "tiff", "GeoTIFF 画像 (*.tif *.tiff)"},
}};

// The format a file name's extension names; a name without one is saved as PNG.
std::optional<SaveFormat> FormatOfName(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix();
  if (suffix.isEmpty()) return SaveFormat::kPng;
  for (const SaveType& type : kSaveTypes) {
    if (suffix.compare(QLatin1String(type.suffix), Qt::CaseInsensitive) == 0 ||
        (*type.otherSuffix != '\0' &&
         suffix.compare(QLatin1String(type.otherSuffix), Qt::CaseInsensitive) == 0)) {
      return type.format;
    }
  }
  return std::nullopt;
}

}  // namespace

QString SaveFormatMessage(const QString& extension) {
  return QStringLiteral(
             "拡張子 .%1 の画像形式では保存できません (保存できるのは .png、.bmp と .tif)")
      .arg(extension);
}

TRegionPictureSave::TRegionPictureSave(QWidget* owner, QString firstFolder)
    : runner_([this, owner](const QString& initialDir) { return AskForFile(owner, initialDir); }),
      folder_(std::move(firstFolder)) {}

std::optional<QString> TRegionPictureSave::AskForFile(QWidget* owner, const QString& initialDir) {
  QFileDialog dialog(owner, QString(), initialDir);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  QStringList filters;
  for (const SaveType& type : kSaveTypes) filters.append(QString::fromUtf8(type.nameFilter));
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QLatin1String(kSaveTypes.front().suffix));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, filters](const QString& filter) {
                     const auto chosen = filters.indexOf(filter);
                     if (chosen >= 0) {
                       dialog.setDefaultSuffix(
                           QLatin1String(kSaveTypes.at(static_cast<std::size_t>(chosen)).suffix));
                     }
                   });
  // Under the file types and next after them for Tab, so the keys that reach the types are as
  // before.
  auto* worldFileBox = new QCheckBox(QString::fromUtf8(kWorldFileBoxText), &dialog);
  worldFileBox->setObjectName(QStringLiteral("WorldFileBox"));
  worldFileBox->setChecked(worldFile_);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(worldFileBox, grid->rowCount(), 1);
  } else {
    dialog.layout()->addWidget(worldFileBox);
  }
  if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
    QWidget::setTabOrder(types, worldFileBox);
  }
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (worldFileBox->isChecked() != worldFile_) {
    worldFile_ = worldFileBox->isChecked();
    if (onWorldFileChanged) onWorldFileChanged(worldFile_);
  }
  if (!accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

bool TRegionPictureSave::Execute(const QImage& picture,
                                 const std::optional<orandu::GeoPlacement>& placement) {
  const std::optional<QString> chosen = runner_(folder_);
  if (!chosen) return false;
  const std::optional<SaveFormat> format = FormatOfName(*chosen);
  if (!format || (*format == SaveFormat::kTiff && !placement)) {
    throw orandu::OranduError(SaveFormatMessage(QFileInfo(*chosen).suffix()).toStdString());
  }
  const std::filesystem::path path = orandu::ToPath(*chosen);
  if (*format == SaveFormat::kBmp) {
    orandu::WriteBmp(path, ToPicture(picture));
  } else if (*format == SaveFormat::kTiff) {
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
  if (worldFile_ && placement) {
    try {
      orandu::WriteWorldFile(path, *format, *placement);
    } catch (const orandu::OranduError&) {
      throw orandu::OranduError(
          orandu::WorldFileNotWrittenMessage(path, orandu::WorldFilePath(path, *format)));
    }
  }
  return true;
}
