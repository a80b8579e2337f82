// Saving the region view's painted picture to a PNG or BMP file chosen in a save dialog.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

#include "region/GeoPlacement.h"

class QWidget;

// "拡張子 .<ext> の画像形式では保存できません (保存できるのは .png、.bmp と .tif)", ext as typed.
QString SaveFormatMessage(const QString& extension);

class TRegionPictureSave {
 public:
  // Asks the user for a file to write, starting in initialDir; nothing when the user cancels.
  using Runner = std::function<std::optional<QString>(const QString& initialDir)>;

  // The toolkit's own save dialog over the owner window, its file types the formats written
  // (PNG first): the chosen type's extension is added to a name typed without one. The first
  // save starts in firstFolder.
  TRegionPictureSave(QWidget* owner, QString firstFolder);

  // Tests answer in place of the user.
  void SetRunner(Runner runner) { runner_ = std::move(runner); }

  // Asks for a file and writes the picture there atomically: BMP when its name ends in ".bmp",
  // PNG when in ".png" (any case) or when it has no extension, and, when the placement is given,
  // a GeoTIFF placed on the Earth when in ".tif" or ".tiff". The next save starts in that
  // file's folder. False when the user cancels; throws OranduError when the extension names a
  // format the program cannot write (SaveFormatMessage), before anything is written, or when the
  // file cannot be written ("<path> に書き込めません"), and then whatever the file held before is
  // still there.
  bool Execute(const QImage& picture,
               const std::optional<orandu::GeoPlacement>& placement = std::nullopt);

 private:
  Runner runner_;
  QString folder_;
};
