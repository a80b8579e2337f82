// The region view's additions: the read-out under the cursor, keys and drags, saving the picture.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QAction>
#include <QKeyEvent>
#include <QProcess>

#include <QLineEdit>
#include <QToolButton>

#include <fstream>

#include "tests/support/HeaderGrid.h"
#include "tests/support/TempDir.h"
#include "tests/ui/FormWidget.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HeightTip.h"
#include "ui/RegionPictureSave.h"

using orandu::testing::FormWidget;
using orandu::testing::ProgramFixture;
using orandu::testing::ReportRecorder;

namespace {

QString Centre(const TFormOrandu_Graph& graph) {
  return QStringLiteral("%1,%2").arg(graph.Region().CenterLon()).arg(graph.Region().CenterLat());
}

// Keeps writes of files larger than a few kilobytes failing while it lives, as a full disk does.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previousHandler_;
};

}  // namespace

class RegionViewToolsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;
  TFormOrandu_Graph& graph() { return program_->windows().Graph(); }
  QWidget* area() { return FormWidget<QWidget>(graph(), "PaintBox1"); }

  QImage Exposure() {
    const QImage painted = area()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCoreApplication::processEvents();
    return painted;
  }

  void SendMouse(QEvent::Type type, QPoint pixel, Qt::MouseButton button, Qt::MouseButtons held,
                 Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, QPointF(pixel), area()->mapToGlobal(QPointF(pixel)), button, held,
                      modifiers);
    QCoreApplication::sendEvent(area(), &event);
  }
  void MoveMouse(QPoint pixel, Qt::MouseButtons held = {}) {
    SendMouse(QEvent::MouseMove, pixel, Qt::NoButton, held);
  }

  void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(area(), &press);
  }

  void UseGrid(const std::filesystem::path& path) {
    FormWidget<QLineEdit>(program_->windows().Config(), "Edit_ETOPO5")
        ->setText(orandu::FromPath(path));
  }

  // What gdalinfo says of a file.
  static QString GdalInfo(const std::filesystem::path& file) {
    QProcess gdalinfo;
    gdalinfo.start(QStringLiteral("gdalinfo"), {orandu::FromPath(file)});
    gdalinfo.waitForFinished();
    return QString::fromUtf8(gdalinfo.readAllStandardOutput());
  }

  // Answers the save dialog with a file, and records the folder it started in.
  QStringList startFolders_;
  void AnswerSaveWith(const std::filesystem::path& file) {
    graph().SavePictureDialog.SetRunner([this, file](const QString& initialDir) {
      startFolders_.append(initialDir);
      return std::optional<QString>(orandu::FromPath(file));
    });
  }

 private slots:
  void init() {
    program_ = std::make_unique<ProgramFixture>();
    program_->windows().Main().show();
    startFolders_.clear();
  }
  void cleanup() { program_.reset(); }

  void readoutShowsThePositionAndTheHeightPaintedUnderThePixel() {
    program_->PressOnMap({187, 87});  // centre (200, 100): rows from 979, columns from 2155
    Exposure();
    MoveMouse({10, 20});  // row 999, column 2165: ((999 + 3 * 2165) % 400 - 200) * 50
    QVERIFY(graph().HeightTip1->isVisible());
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 6°45′ 西経 179°35′  4700 m"));
    QCOMPARE(graph().HeightTip1->windowTitle(), graph().HeightTip1->text());
    const QPoint cursor = area()->mapToGlobal(QPoint(10, 20));
    QVERIFY(graph().HeightTip1->x() > cursor.x() && graph().HeightTip1->y() > cursor.y());
    MoveMouse({100, 0});  // row 979, column 2255, below sea level
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 8°25′ 西経 172°05′  -2800 m"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(area(), &leave);
    QVERIFY(!graph().HeightTip1->isVisible());
  }

  void pastTheEndOfAShortFileTheReadoutIsThePositionAndThePixelsAreBlack() {
    program_->PressOnMap({0, 0});  // centre (20, 18): the top rows unshifted, columns from 4315
    Exposure();                    // the whole grid first: the kept image is full of colour
    const auto whole = orandu::testing::ReadFile(program_->dir() / "data/ETOPO5.DOS");
    const auto shortGrid =
        program_->dir().Write("short.dos", std::span(whole).first(2 * orandu::RowBytes + 2 * 10));
    UseGrid(shortGrid);
    const QImage painted = Exposure();
    MoveMouse({10, 1});  // row 1, column 5 was read
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 89°55′ 東経 0°25′  -9200 m"));
    MoveMouse({10, 2});  // the short row holds columns 0 ... 9 only: column 5 is there
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 89°50′ 東経 0°25′  -9150 m"));
    MoveMouse({15, 2});  // column 10 is not
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 89°50′ 東経 0°50′"));
    QCOMPARE(painted.pixel(15, 2), qRgb(0, 0, 0));
    MoveMouse({10, 5});
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 89°35′ 東経 0°25′"));
    QCOMPARE(painted.pixel(10, 5), qRgb(0, 0, 0));
    QCOMPARE(painted.pixel(487, 440), qRgb(0, 0, 0));
    orandu::PixelBuffer expected(488, 441);  // the core painting over black
    graph().Region().PaintRegion(shortGrid, program_->windows().Main().Legend().Colors(), expected);
    for (int y = 0; y < 441; ++y) {
      for (int x = 0; x < 488; ++x) QCOMPARE(painted.pixel(x, y), expected.At(x, y));
    }
  }

  void unreadableGridGivesThePositionOnlyAndNoErrorBoxFromTheMouse() {
    ReportRecorder recorder;
    program_->PressOnMap({187, 87});
    Exposure();
    UseGrid(program_->dir() / "gone.dos");
    const QImage painted = Exposure();
    QCOMPARE(recorder.reports().size(), 1);  // the paint's own report
    QCOMPARE(painted.pixel(10, 20), qRgb(0, 0, 0));
    MoveMouse({10, 20});
    MoveMouse({11, 20});
    QCoreApplication::processEvents();
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 6°45′ 西経 179°30′"));
    QCOMPARE(recorder.reports().size(), 1);
  }

  void arrowKeysStepTheCentreAndHomeReturnsToThePick() {
    program_->PressOnMap({187, 87});
    Key(Qt::Key_Right);
    QCOMPARE(Centre(graph()), QStringLiteral("201,100"));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    Key(Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(Centre(graph()), QStringLiteral("201,90"));
    Key(Qt::Key_Left);
    Key(Qt::Key_Down);
    QCOMPARE(Centre(graph()), QStringLiteral("200,91"));
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_Home);
    QCOMPARE(Centre(graph()), QStringLiteral("200,100"));
  }

  void ctrlArrowsAndCtrlDragsMoveBySingleSamples() {
    program_->PressOnMap({187, 87});  // centre (200, 100)
    Key(Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(graph().Region().Center(), (orandu::LatticePoint{200 * 28800 + 2400, 100 * 28800}));
    QCOMPARE(Centre(graph()), QStringLiteral("200,100"));  // still within the degree
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    MoveMouse({10, 20});  // row 999, column 2166: ((999 + 3 * 2166) % 400 - 200) * 50
    QCOMPARE(graph().HeightTip1->text(), QStringLiteral("北緯 6°45′ 西経 179°30′  4850 m"));
    Key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);  // ten samples north
    QCOMPARE(graph().Region().Center(),
             (orandu::LatticePoint{200 * 28800 + 2400, 100 * 28800 - 24000}));
    // A drag begun with Ctrl held follows the mouse a sample a pixel.
    SendMouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton,
              Qt::ControlModifier);
    MoveMouse({103, 98}, Qt::LeftButton);
    QCOMPARE(graph().Region().Center(),
             (orandu::LatticePoint{200 * 28800 - 4800, 100 * 28800 - 19200}));
    SendMouse(QEvent::MouseButtonRelease, {103, 98}, Qt::LeftButton, {});
    Key(Qt::Key_Right);  // a whole degree from there
    QCOMPARE(graph().Region().Center(),
             (orandu::LatticePoint{201 * 28800 - 4800, 100 * 28800 - 19200}));
    Key(Qt::Key_Home);
    QCOMPARE(graph().Region().Center(), (orandu::LatticePoint{200 * 28800, 100 * 28800}));
  }

  void aGridWithAHeaderIsPaintedAndReadOutToItsSeconds() {
    // A 15″ grid of cells, 86,400 x 43,200 samples, in a sparse file: zeros but for one sample.
    const orandu::testing::GlobalGridShape shape{240, 1, true};
    program_->dir().Write("grid15s.hdr", orandu::testing::HeaderText(shape));
    const auto grid = program_->dir().Write("grid15s.bil", std::string());
    std::filesystem::resize_file(grid, std::uint64_t{2} * 86400 * 43200);
    {
      // Row 100 * 240 - round(220.5) - 1 + 20, column 200 * 240 - 244 - 1 + 10: pixel (10, 20).
      std::fstream file(grid, std::ios::in | std::ios::out | std::ios::binary);
      file.seekp((std::streamoff{23799} * 86400 + 47765) * 2);
      const char height[2] = {static_cast<char>(12345 & 0xFF), static_cast<char>(12345 >> 8)};
      file.write(height, 2);
    }
    UseGrid(grid);
    program_->PressOnMap({187, 87});  // 488 pixels are 2° of 15″: (200, 100) stays
    const QImage painted = Exposure();
    const orandu::ColorTable& colors = program_->windows().Main().Legend().Colors();
    QCOMPARE(painted.pixel(10, 20), colors.For(orandu::SampleEncoding::kSigned16)[12345]);
    QCOMPARE(painted.pixel(11, 20), colors[0]);
    // The cell's centre: 99°09′52.5″ south of 90° N, 199°01′22.5″ east of 0°.
    MoveMouse({10, 20});
    QCOMPARE(graph().HeightTip1->text(),
             QStringLiteral("南緯 9°09′52.5″ 西経 160°58′37.5″  12345 m"));
    // Saved as a GeoTIFF, a pixel is a 15″ cell: the west edge of column 47755 is 47755 / 240
    // degrees east (161.0208333° W), the north edge of row 23779 is 23779 / 240 degrees south of
    // 90° N (9.0791667° S).
    const auto file = program_->dir() / "region.tif";
    AnswerSaveWith(file);
    graph().Action_SavePicture->trigger();
    const QString info = GdalInfo(file);
    QVERIFY2(info.contains(QStringLiteral("Pixel Size = (0.004166666666667,-0.004166666666667)")),
             qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("Upper Left  (-161.0208333,  -9.0791667)")),
             qPrintable(info));
    Key(Qt::Key_Left, Qt::ControlModifier);  // 15″ west: the same sample is a pixel east
    MoveMouse({11, 20});
    QCOMPARE(graph().HeightTip1->text(),
             QStringLiteral("南緯 9°09′52.5″ 西経 160°58′37.5″  12345 m"));
  }

  void stepsArePulledBackIntoTheGridAsAPickIs() {
    program_->PressOnMap({0, 0});  // picked (13, 13), pulled back to (20, 18)
    Key(Qt::Key_Left);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(Centre(graph()), QStringLiteral("20,18"));
    Key(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(Centre(graph()), QStringLiteral("30,18"));
    Key(Qt::Key_Home);  // the pick, pulled back again
    QCOMPARE(Centre(graph()), QStringLiteral("20,18"));
  }

  void draggingMovesTheRegionWithTheMouseInWholeDegrees() {
    program_->PressOnMap({187, 87});
    SendMouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    MoveMouse({111, 89}, Qt::LeftButton);
    QCOMPARE(Centre(graph()), QStringLiteral("200,100"));
    MoveMouse({112, 100}, Qt::LeftButton);
    QCOMPARE(Centre(graph()), QStringLiteral("199,100"));
    MoveMouse({76, 136}, Qt::LeftButton);
    QCOMPARE(Centre(graph()), QStringLiteral("202,97"));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    SendMouse(QEvent::MouseButtonRelease, {76, 136}, Qt::LeftButton, {});
    MoveMouse({300, 300});
    QCOMPARE(Centre(graph()), QStringLiteral("202,97"));
    Key(Qt::Key_Home);  // a drag is not a pick
    QCOMPARE(Centre(graph()), QStringLiteral("200,100"));
  }

  void aStepAfterAResizeMovesOneDegreeNotToThePullBackOfTheLargerArea() {
    program_->PressOnMap({346, 87});  // picked (359, 100), pulled back to (339, 100)
    QCOMPARE(Centre(graph()), QStringLiteral("339,100"));
    graph().resize(1804, 1104);  // the paint area 1800 x 1100 keeps the stored centre
    QCOMPARE(area()->size(), QSize(1800, 1100));
    QCOMPARE(Centre(graph()), QStringLiteral("339,100"));
    Key(Qt::Key_Left);
    QCOMPARE(Centre(graph()), QStringLiteral("338,100"));
    Key(Qt::Key_Right);  // further out: the edge holds it
    QCOMPARE(Centre(graph()), QStringLiteral("338,100"));
    SendMouse(QEvent::MouseButtonPress, {900, 500}, Qt::LeftButton, Qt::LeftButton);
    MoveMouse({924, 500}, Qt::LeftButton);
    QCOMPARE(Centre(graph()), QStringLiteral("336,100"));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    Key(Qt::Key_Home);  // the pick, pulled back for the larger area
    QCOMPARE(Centre(graph()), QStringLiteral("284,100"));
  }

  void aDragHeldPastTheEdgeFollowsTheMouseBackAtOnce() {
    program_->PressOnMap({187, 17});  // centre (200, 30); the northern limit is 18
    SendMouse(QEvent::MouseButtonPress, {100, 50}, Qt::LeftButton, Qt::LeftButton);
    MoveMouse({100, 350}, Qt::LeftButton);  // 25 degrees north: the edge stops it after 12
    QCOMPARE(Centre(graph()), QStringLiteral("200,18"));
    MoveMouse({100, 230}, Qt::LeftButton);  // 10 degrees back
    QCOMPARE(Centre(graph()), QStringLiteral("200,28"));
    MoveMouse({100, 50}, Qt::LeftButton);  // back to the press: 25 degrees south of the edge
    QCOMPARE(Centre(graph()), QStringLiteral("200,43"));
    SendMouse(QEvent::MouseButtonRelease, {100, 50}, Qt::LeftButton, {});
  }

  void saveWritesThePaintedPictureInTheFormatItsExtensionNames() {
    program_->PressOnMap({187, 87});
    const QImage painted = Exposure();
    const auto folder = program_->dir() / "pictures";
    std::filesystem::create_directory(folder);
    for (const char* name : {"region.BMP", "region.png", "region"}) {
      AnswerSaveWith(folder / name);
      graph().Action_SavePicture->trigger();
      const auto bytes = orandu::testing::ReadFile(folder / name);
      const bool bmp = std::string(name).ends_with(".BMP");
      QCOMPARE(bytes.at(0), bmp ? std::uint8_t{'B'} : std::uint8_t{0x89});
      const orandu::Picture saved = bmp ? orandu::DecodeBmp(bytes) : orandu::DecodePng(bytes);
      QCOMPARE(QSize(saved.width, saved.height), QSize(488, 441));
      for (const QPoint at : {QPoint(0, 0), QPoint(487, 0), QPoint(200, 300), QPoint(487, 440)}) {
        const orandu::Rgb rgb = saved.at(at.x(), at.y());
        QCOMPARE(qRgb(rgb.red, rgb.green, rgb.blue), painted.pixel(at));
      }
    }
    QCOMPARE(startFolders_, (QStringList{orandu::FromPath(program_->dir() / "data"),
                                         orandu::FromPath(folder), orandu::FromPath(folder)}));
  }

  // A .tif is a GeoTIFF placed where the region is: rows from 979 and columns from 2155, so the
  // top-left pixel's edges lie half a sample from 90 - 979/12° N and 2155/12° E, written west of
  // 180° as the region's middle lies there. GDAL reads its place and its pixels.
  void saveAsTifWritesAGeoTiffInPlace() {
    program_->PressOnMap({187, 87});
    const QImage painted = Exposure();
    const auto file = program_->dir() / "region.tif";
    AnswerSaveWith(file);
    graph().Action_SavePicture->trigger();
    const QString info = GdalInfo(file);
    QVERIFY2(info.contains(QStringLiteral("Size is 488, 441")), qPrintable(info));
    QVERIFY(info.contains(QStringLiteral("ID[\"EPSG\",4326]]")));
    QVERIFY2(info.contains(QStringLiteral("Upper Left  (-180.4583333,   8.4583333)")),
             qPrintable(info));
    const auto copy = program_->dir() / "region-by-gdal.png";
    QCOMPARE(QProcess::execute(QStringLiteral("gdal_translate"),
                               {QStringLiteral("-q"), QStringLiteral("-of"), QStringLiteral("PNG"),
                                orandu::FromPath(file), orandu::FromPath(copy)}),
             0);
    const orandu::Picture saved = orandu::DecodePng(orandu::testing::ReadFile(copy));
    QCOMPARE(QSize(saved.width, saved.height), painted.size());
    for (const QPoint at : {QPoint(0, 0), QPoint(487, 0), QPoint(200, 300), QPoint(487, 440)}) {
      const orandu::Rgb rgb = saved.at(at.x(), at.y());
      QCOMPARE(qRgb(rgb.red, rgb.green, rgb.blue), painted.pixel(at));
    }
    // The longer spelling, in any case, is the same file type.
    const auto longer = program_->dir() / "region.TIFF";
    AnswerSaveWith(longer);
    graph().Action_SavePicture->trigger();
    QCOMPARE(orandu::testing::ReadFile(longer), orandu::testing::ReadFile(file));
  }

  void ctrlSAndTheContextMenuSave() {
    program_->PressOnMap({187, 87});
    QVERIFY(QTest::qWaitForWindowActive(&graph()));
    AnswerSaveWith(program_->dir() / "keyed.png");
    QTest::keyClick(&graph(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(std::filesystem::exists(program_->dir() / "keyed.png"));
    QCOMPARE(area()->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(area()->actions().size(), 2);  // saving, then shading
    QCOMPARE(area()->actions().constFirst()->text(), QStringLiteral("画像を保存..."));
    QCOMPARE(area()->actions().at(1)->text(), QStringLiteral("陰影"));
  }

  void failedSaveIsReportedAndKeepsTheOldFile() {
    ReportRecorder recorder;
    program_->PressOnMap({187, 87});
    Exposure();
    const auto old = program_->dir().Write("kept.bmp", std::string("the old picture"));
    AnswerSaveWith(old);
    {
      FileSizeLimit full;
      graph().Action_SavePicture->trigger();
    }
    QCOMPARE(recorder.texts(), QStringList(orandu::FromPath(old) + " に書き込めません."));
    QCOMPARE(orandu::testing::ReadText(old), std::string("the old picture"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(program_->dir().path()), {}), 2);
  }

  void saveRefusesAnExtensionItCannotWriteBeforeWriting() {
    ReportRecorder recorder;
    program_->PressOnMap({187, 87});
    Exposure();
    const auto kept = program_->dir().Write("kept.jpg", std::string("an old photograph"));
    for (const char* name : {"pic.jpg", "kept.jpg", "pic.tar.gz", "pic.Png.txt"}) {
      AnswerSaveWith(program_->dir() / name);
      graph().Action_SavePicture->trigger();
    }
    QCOMPARE(recorder.texts(),
             (QStringList{
                 "拡張子 .jpg の画像形式では保存できません (保存できるのは .png、.bmp と .tif)",
                 "拡張子 .jpg の画像形式では保存できません (保存できるのは .png、.bmp と .tif)",
                 "拡張子 .gz の画像形式では保存できません (保存できるのは .png、.bmp と .tif)",
                 "拡張子 .txt の画像形式では保存できません (保存できるのは .png、.bmp と .tif)"}));
    QCOMPARE(orandu::testing::ReadText(kept), std::string("an old photograph"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(program_->dir().path()), {}), 2);
    AnswerSaveWith(program_->dir() / "after.png");  // the next save starts where the last went
    graph().Action_SavePicture->trigger();
    QCOMPARE(startFolders_.last(), orandu::FromPath(program_->dir() / "data"));
  }

  // A FIFO or a folder chosen in the dialog is refused and stays; a link is written where it
  // points and stays a link.
  void saveOverWhatIsNotARegularFileIsRefusedAndALinkIsWrittenThrough() {
    ReportRecorder recorder;
    program_->PressOnMap({187, 87});
    Exposure();
    const auto fifo = program_->dir() / "fifo.png";
    QCOMPARE(::mkfifo(fifo.c_str(), 0644), 0);
    const auto folder = program_->dir() / "folder.bmp";
    std::filesystem::create_directory(folder);
    for (const auto& refused : {fifo, folder}) {
      AnswerSaveWith(refused);
      graph().Action_SavePicture->trigger();
    }
    QCOMPARE(recorder.texts(), (QStringList{orandu::FromPath(fifo) + " に書き込めません.",
                                            orandu::FromPath(folder) + " に書き込めません."}));
    QVERIFY(std::filesystem::is_fifo(fifo));
    QVERIFY(std::filesystem::is_empty(folder));

    const auto real = program_->dir().Write("real.png", std::string("stale"));
    const auto link = program_->dir() / "link.png";
    std::filesystem::create_symlink(real, link);
    AnswerSaveWith(link);
    graph().Action_SavePicture->trigger();
    QVERIFY(std::filesystem::is_symlink(link));
    QCOMPARE(orandu::testing::ReadFile(real).at(0), std::uint8_t{0x89});
  }

  void cancelledSaveWritesNothing() {
    program_->PressOnMap({187, 87});
    Exposure();
    graph().SavePictureDialog.SetRunner([](const QString&) { return std::optional<QString>(); });
    graph().Action_SavePicture->trigger();
    QCOMPARE(std::distance(std::filesystem::directory_iterator(program_->dir().path()), {}), 1);
  }
};

ORANDU_QTEST_MAIN(RegionViewToolsTest)
#include "RegionViewToolsTest.moc"
