// Zooming the region view: the wheel about the cursor, + and - about the centre, Ctrl+0 and Home
// back to one pixel a sample, the level kept by a new pick, and the read-out of what was painted.
#include <QKeyEvent>
#include <QWheelEvent>

#include "tests/ui/FormWidget.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HeightTip.h"

using orandu::testing::FormWidget;
using orandu::testing::ProgramFixture;

class RegionZoomTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;
  TFormOrandu_Graph& graph() { return program_->windows().Graph(); }
  QWidget* area() { return FormWidget<QWidget>(graph(), "PaintBox1"); }

  QImage Exposure() {
    const QImage painted = area()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCoreApplication::processEvents();
    return painted;
  }
  void MoveMouse(QPoint pixel) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pixel), area()->mapToGlobal(QPointF(pixel)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area(), &event);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(area(), &press);
  }
  // A turn of the wheel by `angle` eighths of a degree (a notch is 120; up zooms in).
  void Wheel(QPoint pixel, int angle) {
    QWheelEvent event(QPointF(pixel), area()->mapToGlobal(QPointF(pixel)), QPoint(),
                      QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(area(), &event);
  }
  QString Level() { return QString::fromStdString(graph().Region().Zoom().ArgumentText()); }
  QString Tip() { return graph().HeightTip1->text(); }

 private slots:
  void init() {
    program_ = std::make_unique<ProgramFixture>();
    program_->windows().Main().show();
  }
  void cleanup() { program_.reset(); }

  // The fixture's grid holds ((row + 3 * column) % 400 - 200) * 50 m. Around (200, 100) pixel
  // (10, 20) shows row 999, column 2165: 4700 m at 北緯 6°45′ 西経 179°35′.
  void theWheelZoomsAboutTheSampleUnderTheCursor() {
    program_->PressOnMap({187, 87});
    Exposure();
    MoveMouse({10, 20});
    QCOMPARE(Tip(), QStringLiteral("北緯 6°45′ 西経 179°35′  4700 m"));
    Wheel({10, 20}, 120);
    QCOMPARE(Level(), QStringLiteral("2"));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    MoveMouse({10, 20});
    QCOMPARE(Tip(), QStringLiteral("北緯 6°45′ 西経 179°35′  2:1  4700 m"));
    // Two notches out: the pixel now shows the 2 x 2 block of rows 998 and 999, columns 2164
    // and 2165, whose mean (4500 + 4650 + 4550 + 4700) / 4 is 4600 m; the read-out places it at
    // its first sample.
    Wheel({10, 20}, -240);
    QCOMPARE(Level(), QStringLiteral("1/2"));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    MoveMouse({10, 20});
    QCOMPARE(Tip(), QStringLiteral("北緯 6°50′ 西経 179°40′  1:2  4600 m"));
    // Half a notch from a touchpad does nothing until the other half comes.
    Wheel({10, 20}, 60);
    QCOMPARE(Level(), QStringLiteral("1/2"));
    Wheel({10, 20}, 60);
    QCOMPARE(Level(), QStringLiteral("1"));
    MoveMouse({10, 20});
    QCOMPARE(Tip(), QStringLiteral("北緯 6°45′ 西経 179°35′  4700 m"));
  }

  void keysZoomAboutTheCentreAndCtrlZeroAndHomeReturnToOneToOne() {
    program_->PressOnMap({187, 87});
    const orandu::LatticePoint picked = graph().Region().Center();
    Key(Qt::Key_Plus);
    Key(Qt::Key_Plus);
    QCOMPARE(Level(), QStringLiteral("4"));
    QCOMPARE(graph().Region().Center(), picked);
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    for (int step = 0; step < 3; ++step) Key(Qt::Key_Plus);  // 8 is the closest
    QCOMPARE(Level(), QStringLiteral("8"));
    Key(Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(Level(), QStringLiteral("1"));
    QCOMPARE(graph().Region().Center(), picked);
    Key(Qt::Key_Minus);
    Key(Qt::Key_Minus);
    Key(Qt::Key_Minus);
    QCOMPARE(Level(), QStringLiteral("1/8"));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
    Key(Qt::Key_Right);  // moves keep the level
    QCOMPARE(Level(), QStringLiteral("1/8"));
    Key(Qt::Key_Home);
    QCOMPARE(Level(), QStringLiteral("1"));
    QCOMPARE(graph().Region().Center(), picked);
    QCOMPARE(Exposure(), program_->ExpectedPaint());
  }

  void aNewPickKeepsTheLevelAndIsPulledBackForIt() {
    program_->PressOnMap({187, 87});
    for (int step = 0; step < 6; ++step) Key(Qt::Key_Minus);
    QCOMPARE(Level(), QStringLiteral("1/64"));
    for (int step = 0; step < 2; ++step) Key(Qt::Key_Minus);  // 1/64 is the farthest
    QCOMPARE(Level(), QStringLiteral("1/64"));
    program_->PressOnMap({40, 40});
    QCOMPARE(Level(), QStringLiteral("1/64"));
    // 488 x 441 pixels of 64 samples are wider and taller than the Earth: the centre goes to the
    // middle the pull-back allows, 179° and 89°.
    QCOMPARE(graph().Region().Center(), orandu::DegreePoint(179, 89));
    QCOMPARE(Exposure(), program_->ExpectedPaint());
  }
};

ORANDU_QTEST_MAIN(RegionZoomTest)
#include "RegionZoomTest.moc"
