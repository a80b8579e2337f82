// The region view: the full-resolution relief around the point last picked on the world map.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>

#include "region/RegionView.h"
#include "region/ShownSamples.h"
#include "ui/RegionPictureSave.h"

class QAction;
class TColorBarLegend;
class TFormOrandu_Config;
class THeightTip;
namespace Ui {
class TFormOrandu_Graph;
}

class TFormOrandu_Graph : public QWidget {
  Q_OBJECT

 public:
  // The grid path is asked of the settings dialog at every paint, the colours from the
  // legend's bar: both are read live, never copied.
  TFormOrandu_Graph(const TFormOrandu_Config& config, const TColorBarLegend& legend,
                    QWidget* parent = nullptr);
  ~TFormOrandu_Graph() override;

  // Makes the window visible, restores it when minimised and brings it to the front; the first
  // time, centred on the screen.
  void Show();

  // Centres the region on a picked whole-degree point for the paint area's present size.
  void SetCenter(int lon, int lat);
  // Paints the region at once, not at the next turn of the event loop.
  void RepaintRegion();

  const orandu::RegionView& Region() const { return region_; }

  // Keys and drags: moves the centre towards a point for the present paint area, stopping at
  // the grid's edge and never jumping past the point asked for (RegionView::MoveCenter), and
  // repaints at once. The centre picked on the map stays what Home returns to.
  void MoveCenter(orandu::LatticePoint towards);
  // Home: the picked centre at one pixel a sample, pulled back for the present paint area as a
  // pick is.
  void ReturnToPick();

  // The wheel, + and -, and Ctrl+0: zooms to a level keeping the sample under the pixel where it
  // is (as far as the pull-back lets it), and repaints at once. A new pick keeps the level.
  void ZoomAbout(orandu::ZoomLevel zoom, QPoint pixel);
  // The same about the centre, which stays where it is.
  void ZoomAboutMiddle(orandu::ZoomLevel zoom);

  // The read-out for a pixel of the paint area: the position of the sample painted there and its
  // height, read back from the grid file the last paint read; the position alone where that
  // paint showed nothing or the file cannot be read, and empty off the grid. Zoomed, the level
  // beside the position, and zoomed out the mean painted there with its block's first sample.
  QString ReadoutAt(QPoint pixel);

  // Ctrl+S and the paint area's context menu: saves the painted picture.
  void SavePicture();

  // Shades the region or paints it flat, and remembers the choice in the settings file.
  void SetShade(bool shade);

  QAction* Action_SavePicture;  // "画像を保存..."
  QAction* Action_Shade;        // "陰影", checkable
  TRegionPictureSave SavePictureDialog;
  THeightTip* HeightTip1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Paints the region from the grid file on every paint of PaintBox1: when the window is
  // uncovered, restored or resized, and after every pick.
  void PaintBox1Paint();
  // Takes the geometry of the grid the settings name for the pull-back and the moves: the grid
  // may have changed since the last move. One that cannot be opened leaves the last geometry,
  // and its paint reports why.
  void LearnGrid();
  void ReportPaintFailure(const QString& message, const QString& gridPath);

  std::unique_ptr<Ui::TFormOrandu_Graph> ui_;
  const TFormOrandu_Config& config_;
  const TColorBarLegend& legend_;
  orandu::RegionView region_;
  int pickedLon_ = 0;
  int pickedLat_ = 0;
  // The last paint: its pixels, kept between paints, and which samples it showed.
  QImage painted_;
  orandu::ShownSamples shown_;
  bool placed_ = false;
  // The failure last reported from a paint. A paint may not open a modal box (closing the box
  // would uncover the view, repaint, fail and open another), so a failure is reported after the
  // paint returns, and the same failure again only after a new pick or another grid path.
  QString reportedFailure_;
  QString reportedPath_;
};
