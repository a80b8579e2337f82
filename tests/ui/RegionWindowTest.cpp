// The region view window: what it paints, where it reads the grid path, and how failures show.
#include <QLineEdit>
#include <QToolButton>

#include "tests/ui/FormWidget.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"

using orandu::testing::FormWidget;
using orandu::testing::ProgramFixture;
using orandu::testing::ReportRecorder;

class RegionWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;
  TFormOrandu_Main& main() { return program_->windows().Main(); }
  TFormOrandu_Graph& graph() { return program_->windows().Graph(); }
  TFormOrandu_Config& config() { return program_->windows().Config(); }

  void Pick(QPoint mapPixel) { program_->PressOnMap(mapPixel); }

  // Paints the area the way an exposure does, and lets posted reports through.
  QImage Exposure() {
    const QImage painted = FormWidget<QWidget>(graph(), "PaintBox1")
                               ->grab()
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    QCoreApplication::processEvents();
    return painted;
  }

  void BreakGridPath(const QString& path) {
    config().show();
    FormWidget<QLineEdit>(config(), "Edit_ETOPO5")->setText(path);
    QTest::mouseClick(FormWidget<QToolButton>(config(), "SpeedButton1"),
                      Qt::LeftButton);  // "Cancel" keeps the typed text
  }

 private slots:
  void init() {
    program_ = std::make_unique<ProgramFixture>();
    main().show();
  }
  void cleanup() { program_.reset(); }

  void opensWithTheDesignPaintAreaCentredOnTheScreen() {
    Pick({100, 50});
    QCOMPARE(graph().windowTitle(), QString());
    QCOMPARE(graph().size(), QSize(492, 445));
    QCOMPARE(FormWidget<QWidget>(graph(), "PaintBox1")->geometry(), QRect(2, 2, 488, 441));
    const QPoint offCentre =
        graph().frameGeometry().center() - graph().screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 4, "within the frame's rounding");
  }

  void paintsWhatTheRegionCorePaints() {
    Pick({187, 87});
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    Pick({0, 0});  // the western edge: columns wrap round to the far east of the grid
    QCOMPARE(Exposure(), program_->ExpectedPaint());
  }

  void resizingRepaintsAroundTheStoredCentreWithoutPullingItBack() {
    Pick({359, 179});
    graph().resize(900, 445);
    QCOMPARE(graph().Region().CenterLon(), 339);
    QCOMPARE(FormWidget<QWidget>(graph(), "PaintBox1")->width(), 896);
    QCOMPARE(Exposure(), program_->ExpectedPaint());
  }

  void closingOnlyHidesAndTheNextPickShowsItAgainWhereItWas() {
    Pick({100, 50});
    graph().move(40, 60);
    graph().resize(600, 500);
    graph().close();
    QVERIFY(!graph().isVisible());
    Pick({120, 70});
    QVERIFY(graph().isVisible());
    QCOMPARE(graph().pos(), QPoint(40, 60));
    QCOMPARE(graph().size(), QSize(600, 500));
    QCOMPARE(graph().Region().CenterLon(), 133);
  }

  void gridPathTypedAndLeftWithCancelIsWhatTheNextPaintReads() {
    ReportRecorder recorder;
    Pick({100, 50});
    Exposure();
    QVERIFY(recorder.reports().isEmpty());
    const QString typed = orandu::FromPath(program_->dir() / "elsewhere.dos");
    BreakGridPath(typed);
    Exposure();
    QCOMPARE(recorder.texts(),
             QStringList{"ファイル \"" + typed + "\". No such file or directory は開けません."});
  }

  void failingPaintIsReportedOnceUntilTheNextPick() {
    ReportRecorder recorder;
    Pick({100, 50});
    BreakGridPath(orandu::FromPath(program_->dir() / "gone.dos"));
    const QImage painted = Exposure();
    QCOMPARE(recorder.reports().size(), 1);
    QCOMPARE(painted.pixel(0, 0), qRgb(0, 0, 0));  // nothing painted: the area stays black
    Exposure();
    Exposure();
    QCOMPARE(recorder.reports().size(), 1);  // later exposures stay silent
    Pick({110, 60});
    QCoreApplication::processEvents();
    QCOMPARE(recorder.reports().size(), 2);  // a new pick deserves to hear it again
  }

  void anotherFailingPathIsReportedAgain() {
    ReportRecorder recorder;
    Pick({100, 50});
    BreakGridPath(orandu::FromPath(program_->dir() / "first.dos"));
    Exposure();
    BreakGridPath(orandu::FromPath(program_->dir() / "second.dos"));
    Exposure();
    QCOMPARE(recorder.reports().size(), 2);
    QVERIFY(recorder.texts().last().contains("second.dos"));
  }

  // Typed relative, the grid path means the file in the program's folder, whatever the working
  // folder is.
  void relativeGridPathIsReadFromTheProgramsFolder() {
    ReportRecorder recorder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path("/");
    Pick({187, 87});
    BreakGridPath("data/ETOPO5.DOS");
    const QImage painted = Exposure();
    std::filesystem::current_path(previous);
    QCOMPARE(recorder.texts(), QStringList());
    QCOMPARE(painted, program_->ExpectedPaint());
  }

  // A netCDF file chosen as the grid is refused in the paint's report, not painted as noise.
  void netcdfGridIsRefusedByNameInThePaintsReport() {
    ReportRecorder recorder;
    Pick({100, 50});
    const auto cdf = program_->dir() / "etopo5.cdf";
    program_->dir().Write("etopo5.cdf",
                          std::string("CDF\x01", 4) + std::string(4 * orandu::RowBytes, 'z'));
    BreakGridPath(orandu::FromPath(cdf));
    const QImage painted = Exposure();
    QCOMPARE(recorder.texts(),
             QStringList{"ファイル \"" + orandu::FromPath(cdf) +
                         "\" は netCDF 形式です (orandu-import で変換してください)"});
    QCOMPARE(painted.pixel(244, 220), qRgb(0, 0, 0));
  }

  void browsedColorBarColoursTheNextPaint() {
    Pick({187, 87});
    const orandu::Picture red{400, 1, std::vector<orandu::Rgb>(400, orandu::Rgb{255, 0, 0})};
    orandu::WriteBmp(program_->dir() / "red.bmp", red);
    main().Legend().LoadColorBar(orandu::FromPath(program_->dir() / "red.bmp"));
    const QImage painted = Exposure();
    QCOMPARE(painted.pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(painted.pixel(480, 400), qRgb(255, 0, 0));
  }
};

ORANDU_QTEST_MAIN(RegionWindowTest)
#include "RegionWindowTest.moc"
