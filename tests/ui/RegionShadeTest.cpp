// The region view's shading: the menu item and its key, the setting, and saves of what is shown.
#include <QAction>
#include <QKeyEvent>
#include <QProcess>

#include "settings/ProfileFile.h"
#include "settings/ViewSettings.h"
#include "tests/support/TempDir.h"
#include "tests/ui/FormWidget.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/RegionPictureSave.h"

using orandu::testing::FormWidget;
using orandu::testing::ProgramFixture;

class RegionShadeTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;
  TFormOrandu_Graph& graph() { return program_->windows().Graph(); }
  QWidget* area() { return FormWidget<QWidget>(graph(), "PaintBox1"); }
  std::filesystem::path settingsFile() {
    return orandu::SettingsFilePath(program_->dir() / "orandu");
  }
  // The key as the file holds it, or "absent".
  std::string storedShade() {
    return orandu::ReadSetting(settingsFile(), "VIEW", "Shade", "absent");
  }

  QImage Exposure() {
    const QImage painted = area()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCoreApplication::processEvents();
    return painted;
  }
  void ShowRegion() {
    program_->PressOnMap({187, 87});
    QVERIFY(QTest::qWaitForWindowActive(&graph()));
  }

 private slots:
  void init() {
    program_ = std::make_unique<ProgramFixture>();
    program_->windows().Main().show();
  }
  void cleanup() { program_.reset(); }

  void theContextMenuOffersShadingWithItsKey() {
    const QList<QAction*> actions = area()->actions();
    QVERIFY(actions.contains(graph().Action_Shade));
    QCOMPARE(graph().Action_Shade->text(), QStringLiteral("陰影"));
    QVERIFY(graph().Action_Shade->isCheckable());
    QCOMPARE(graph().Action_Shade->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
    QVERIFY(graph().Action_Shade->isShortcutVisibleInContextMenu());
  }

  void theKeyTogglesShadingAndTheSettingFollowsOnlyWhenToggled() {
    ShowRegion();
    const QImage flat = Exposure();
    QCOMPARE(flat, program_->ExpectedPaint());
    QVERIFY(!graph().Action_Shade->isChecked());
    QVERIFY(!graph().Region().Shading());
    QCOMPARE(storedShade(), std::string("absent"));  // a fresh start writes nothing

    QTest::keyClick(&graph(), Qt::Key_H, Qt::ControlModifier);
    QVERIFY(graph().Action_Shade->isChecked());
    QCOMPARE(graph().Region().Shading(), std::optional(orandu::Light{}));
    const QImage shaded = Exposure();
    QCOMPARE(shaded, program_->ExpectedPaint());
    QVERIFY(shaded != flat);
    QCOMPARE(storedShade(), std::string("1"));

    graph().Action_Shade->trigger();  // the context menu's item
    QVERIFY(!graph().Action_Shade->isChecked());
    QCOMPARE(Exposure(), flat);
    QCOMPARE(storedShade(), std::string("0"));
  }

  void theStoredChoiceIsReadAtStartAndOtherBytesAreKept() {
    const std::string before =
        "; mine\r\n[SYSTEM]\r\nColorBar=data/P1.BMP\r\n[VIEW]\r\nShade=1\r\n";
    program_->dir().Write(settingsFile().filename().string(), before);
    for (const auto& [stored, shaded] : {std::pair{"1", true}, {"0", false}, {"yes", false}}) {
      orandu::WriteSetting(settingsFile(), "VIEW", "Shade", stored);
      ProgramWindows windows(orandu::SettingsLocation::OfExecutable(program_->dir() / "orandu"));
      QCOMPARE(windows.Graph().Action_Shade->isChecked(), shaded);
      QCOMPARE(windows.Graph().Region().Shading().has_value(), shaded);
    }
    orandu::WriteSetting(settingsFile(), "VIEW", "Shade", "0");
    ProgramWindows windows(orandu::SettingsLocation::OfExecutable(program_->dir() / "orandu"));
    windows.Graph().Action_Shade->trigger();
    QCOMPARE(orandu::testing::ReadText(settingsFile()), before);
  }

#ifdef ORANDU_RENDER_TOOL
  void saveWritesTheShadedPictureOranduRenderPaints() {
    ShowRegion();
    graph().Action_Shade->trigger();
    const QImage shown = Exposure();
    const auto saved = program_->dir() / "shown.png";
    graph().SavePictureDialog.SetRunner(
        [saved](const QString&) { return std::optional<QString>(orandu::FromPath(saved)); });
    QTest::keyClick(&graph(), Qt::Key_S, Qt::ControlModifier);
    const auto rendered = program_->dir() / "rendered.png";
    QProcess render;
    render.start(QStringLiteral(ORANDU_RENDER_TOOL),
                 {"--grid", orandu::FromPath(program_->dir() / "data/ETOPO5.DOS"), "--bar",
                  orandu::FromPath(program_->dir() / "data/P1.BMP"), "--center",
                  QStringLiteral("%1,%2")
                      .arg(graph().Region().CenterLon())
                      .arg(graph().Region().CenterLat()),
                  "--no-pullback", "--shade", "--size",
                  QStringLiteral("%1x%2").arg(area()->width()).arg(area()->height()), "--out",
                  orandu::FromPath(rendered)});
    QVERIFY(render.waitForFinished(60000));
    QCOMPARE(render.exitCode(), 0);
    const QImage savedImage = QImage(orandu::FromPath(saved)).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(savedImage, shown);
    QCOMPARE(QImage(orandu::FromPath(rendered)).convertToFormat(QImage::Format_RGB32), savedImage);
  }
#endif
};

ORANDU_QTEST_MAIN(RegionShadeTest)
#include "RegionShadeTest.moc"
