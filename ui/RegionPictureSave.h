// Saving the region view's painted picture to a PNG or BMP file chosen in a save dialog.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

#include "GeoPlacement.h"

class QWidget;

class TRegionPictureSave {
 public:
  // Asks the user for a file to write, starting in initialDir; nothing when the user cancels.
  using Runner = std::function<std::optional<QString>(const QString& initialDir)>;

  // The toolkit's own save dialog over the owner window; the first save starts in firstFolder.
  TRegionPictureSave(QWidget* owner, QString firstFolder);

  // Tests answer in place of the user.
  void SetRunner(Runner runner) { runner_ = std::move(runner); }

  // Asks for a file and writes the picture there atomically: BMP when its name ends in ".bmp"
  // (any case), a GeoTIFF placed on the Earth when it ends in ".tif" or ".tiff" and the
  // placement is given, PNG otherwise. The next save starts in that file's folder. False when the
  // user cancels; throws OranduError ("<path> に書き込めません") when the file cannot be written,
  // and then whatever the file held before is still there.
  bool Execute(const QImage& picture,
               const std::optional<orandu::GeoPlacement>& placement = std::nullopt);

 private:
  Runner runner_;
  QString folder_;
};
