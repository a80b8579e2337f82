// Saving the region view's painted picture to a PNG, BMP or GeoTIFF file chosen in a save dialog,
// with its world file beside it when the dialog's check box asks for one.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

#include "region/GeoPlacement.h"

class QWidget;

// "拡張子 .<ext> の画像形式では保存できません (保存できるのは .png、.bmp と .tif)", ext as typed.
QString SaveFormatMessage(const QString& extension);

// The save dialog's check box for the world file.
inline constexpr char kWorldFileBoxText[] = "ワールドファイルも保存 (.pgw、.bpw、.tfw)";

class TRegionPictureSave {
 public:
  // Asks the user for a file to write, starting in initialDir; nothing when the user cancels.
  using Runner = std::function<std::optional<QString>(const QString& initialDir)>;

  // The toolkit's own save dialog (never the desktop's, which could not hold the check box) over
  // the owner window, its file types the formats written (PNG first): the chosen type's
  // extension is added to a name typed without one. Below the file types, the world-file check
  // box. The first save starts in firstFolder.
  TRegionPictureSave(QWidget* owner, QString firstFolder);
  TRegionPictureSave(const TRegionPictureSave&) = delete;
  TRegionPictureSave& operator=(const TRegionPictureSave&) = delete;

  // Tests answer in place of the user.
  void SetRunner(Runner runner) { runner_ = std::move(runner); }

  // Whether saves write the world file too: the check box opens in this state.
  bool WorldFile() const { return worldFile_; }
  void SetWorldFile(bool worldFile) { worldFile_ = worldFile; }
  // Told the box's new state when the user closes the dialog (saving or not) with the box
  // changed, and only then.
  std::function<void(bool worldFile)> onWorldFileChanged;

  // Asks for a file and writes the picture there atomically: BMP when its name ends in ".bmp",
  // PNG when in ".png" (any case) or when it has no extension, and, when the placement is given,
  // a GeoTIFF placed on the Earth when in ".tif" or ".tiff". The next save starts in that
  // file's folder. False when the user cancels; throws OranduError when the extension names a
  // format the program cannot write (SaveFormatMessage), before anything is written, or when the
  // file cannot be written ("<path> に書き込めません"), and then whatever the file held before is
  // still there. With WorldFile() and a placement, the world file is then written beside the
  // picture atomically (WorldFilePath); when that is refused the picture stays saved and
  // OranduError says so (WorldFileNotWrittenMessage).
  bool Execute(const QImage& picture,
               const std::optional<orandu::GeoPlacement>& placement = std::nullopt);

 private:
  // The toolkit's dialog with the world-file box; the box's state is taken when it closes.
  std::optional<QString> AskForFile(QWidget* owner, const QString& initialDir);

  Runner runner_;
  QString folder_;
  bool worldFile_ = false;
};
