// The toolkit's own texts are Japanese under the program's application object, whatever the
// locale (the test runs in the C locale), while the program's own texts stay as they are.
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include "settings/SettingsLocation.h"
#include "tests/support/TempDir.h"
#include "tests/ui/FormWidget.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ColorBarLegend.h"
#include "ui/UnitOrandu_Config.h"

using orandu::testing::FormWidget;

class ToolkitTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void standardButtonsAreJapanese_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("Yes") << int(QMessageBox::Yes) << QStringLiteral("はい(&Y)");
    QTest::newRow("No") << int(QMessageBox::No) << QStringLiteral("いいえ(&N)");
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringLiteral("キャンセル");
    QTest::newRow("Open") << int(QMessageBox::Open) << QStringLiteral("開く");
    // The error box's one button reads "OK" in Japanese too.
    QTest::newRow("OK") << int(QMessageBox::Ok) << QStringLiteral("OK");
  }
  void standardButtonsAreJapanese() {
    QFETCH(int, button);
    QFETCH(QString, text);
    QMessageBox box(QMessageBox::Question, "t", "m", QMessageBox::StandardButton(button));
    QCOMPARE(box.button(QMessageBox::StandardButton(button))->text(), text);
  }

  // The settings dialog's buttons are the program's texts, English in the design, and stay so.
  void programsOwnButtonTextsStay() {
    orandu::testing::TempDir dir;
    TColorBarLegend legend;
    TFormOrandu_Config dialog(legend, orandu::SettingsLocation::OfExecutable(dir / "orandu"));
    QCOMPARE(FormWidget<QToolButton>(dialog, "SpeedButton1")->text(), QStringLiteral("Cancel"));
    QCOMPARE(FormWidget<QToolButton>(dialog, "SpeedButton2")->text(), QStringLiteral("Save"));
  }
};

ORANDU_QTEST_MAIN(ToolkitTextsTest)
#include "ToolkitTextsTest.moc"
