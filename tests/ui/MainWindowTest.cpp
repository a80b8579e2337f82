// The main window: its layout, and a press on the map opening the region view on the point picked.
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "tests/ui/FormWidget.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"

using orandu::testing::FormWidget;
using orandu::testing::ProgramFixture;

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;
  TFormOrandu_Main& main() { return program_->windows().Main(); }
  TFormOrandu_Graph& graph() { return program_->windows().Graph(); }

 private slots:
  void init() {
    program_ = std::make_unique<ProgramFixture>();
    main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&main()));
  }
  void cleanup() { program_.reset(); }

  void windowIsFixedWithTheProgramsTitle() {
    QCOMPARE(main().windowTitle(), QStringLiteral("Orandu    powered by Vornak Tools."));
    QCOMPARE(main().size(), QSize(364, 254));
    QCOMPARE(main().minimumSize(), main().maximumSize());
    QCOMPARE(main().pos(), QPoint(20, 20));
    const Qt::WindowFlags flags = main().windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  }

  void controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("Panel1") << "Panel1" << QRect(0, 0, 364, 31);
    QTest::newRow("Panel4") << "Panel4" << QRect(272, 2, 90, 27);
    QTest::newRow("SpeedButton4") << "SpeedButton4" << QRect(4, 3, 80, 22);
    QTest::newRow("Panel2") << "Panel2" << QRect(0, 31, 364, 185);
    QTest::newRow("Image1") << "Image1" << QRect(2, 2, 360, 180);
    QTest::newRow("Image2") << "Image2" << QRect(-38, 224, 400, 10);
  }
  void controlsSitWhereTheLayoutPutsThem() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    auto* control = main().findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), place);
  }

  void labelsMarkTheLegendFromWhereTheyStand() {
    QCOMPARE(FormWidget<QLabel>(main(), "Label3")->text(), QStringLiteral("-5000"));
    QCOMPARE(FormWidget<QLabel>(main(), "Label1")->text(), QStringLiteral("0"));
    QCOMPARE(FormWidget<QLabel>(main(), "Label2")->text(), QStringLiteral("5000"));
    QCOMPARE(FormWidget<QLabel>(main(), "Label3")->pos(), QPoint(64, 238));
    QCOMPARE(FormWidget<QLabel>(main(), "Label1")->pos(), QPoint(160, 238));
    QCOMPARE(FormWidget<QLabel>(main(), "Label2")->pos(), QPoint(248, 238));
  }

  void mapShowsTheBuiltInWorldAndTheSelectionCursor() {
    QCOMPARE(FormWidget<QLabel>(main(), "Image1")->pixmap().size(), QSize(360, 180));
    const QImage map = FormWidget<QLabel>(main(), "Image1")->pixmap().toImage();
    QVERIFY(qBlue(map.pixel(330, 45)) > qGreen(map.pixel(330, 45)));  // the North Atlantic
    QCOMPARE(FormWidget<QLabel>(main(), "Image1")->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(FormWidget<QLabel>(main(), "Image1")->cursor().hotSpot(), QPoint(0, 0));
    QCOMPARE(FormWidget<QLabel>(main(), "Image1")->cursor().bitmap().size(), QSize(32, 32));
    QCOMPARE(main().cursor().shape(), Qt::ArrowCursor);  // the map's cursor is the map's alone
  }

  void legendShowsTheConfiguredBarAtItsNaturalSize() {
    QCOMPARE(main().Legend().pixmap().size(), QSize(400, 10));
  }

  void regionViewIsHiddenUntilTheFirstPick() { QVERIFY(!graph().isVisible()); }

  void pressPicksThePointUnderTheCrossHair_data() {
    QTest::addColumn<QPoint>("mapPixel");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QPoint>("center");
    const Qt::KeyboardModifiers none;
    // (0, 0) centres on (13, 13), pulled back to (20, 18) for the default paint area.
    QTest::newRow("top-left") << QPoint(0, 0) << Qt::LeftButton << none << QPoint(20, 18);
    // (359, 179) centres on (372, 192), pulled back inside the grid.
    QTest::newRow("bottom-right") << QPoint(359, 179) << Qt::LeftButton << none << QPoint(339, 161);
    QTest::newRow("middle") << QPoint(187, 87) << Qt::LeftButton << none << QPoint(200, 100);
    QTest::newRow("right button") << QPoint(187, 87) << Qt::RightButton << none << QPoint(200, 100);
    QTest::newRow("middle button with shift")
        << QPoint(187, 87) << Qt::MiddleButton << Qt::KeyboardModifiers(Qt::ShiftModifier)
        << QPoint(200, 100);
  }
  void pressPicksThePointUnderTheCrossHair() {
    QFETCH(QPoint, mapPixel);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QPoint, center);
    program_->PressOnMap(mapPixel, button, modifiers);
    QVERIFY(graph().isVisible());
    QCOMPARE(QPoint(graph().Region().CenterLon(), graph().Region().CenterLat()), center);
  }

  void doubleClickPicksTheSamePointAgain() {
    program_->PressOnMap({100, 50});
    program_->PressOnMap({150, 80}, Qt::LeftButton, {}, QEvent::MouseButtonDblClick);
    QCOMPARE(graph().Region().CenterLon(), 163);
    QCOMPARE(graph().Region().CenterLat(), 93);
  }

  void closingTheMainWindowEndsTheProgramWhileTheRegionViewIsOpen() {
    program_->PressOnMap({100, 50});
    QVERIFY(graph().isVisible());
    // The event loop must end by itself once the main window is closed; failing that, the
    // guard ends it with status 1 so that the test fails instead of hanging.
    constexpr int kStillRunning = 1;
    QTimer::singleShot(0, &main(), [this] { main().close(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(kStillRunning); });
    QCOMPARE(QCoreApplication::exec(), 0);
  }

  void settingsButtonIsFlatWithAnIconAndTakesNoFocus() {
    QCOMPARE(FormWidget<QToolButton>(main(), "SpeedButton4")->text(), QStringLiteral("設定"));
    QVERIFY(FormWidget<QToolButton>(main(), "SpeedButton4")->autoRaise());
    QVERIFY(!FormWidget<QToolButton>(main(), "SpeedButton4")->icon().isNull());
    QCOMPARE(FormWidget<QToolButton>(main(), "SpeedButton4")->focusPolicy(), Qt::NoFocus);
  }
};

ORANDU_QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
