// The error report: its title and text rules, and errors caught wherever they leave a handler.
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "region/files/Errors.h"
#include "tests/ui/UiTestSupport.h"

namespace {

// Throws from its event handler, as a window's handler does when a file fails.
class Thrower : public QObject {
 public:
  int handled = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    ++handled;
    throw orandu::OranduError("ファイルは開けません");
  }
};

}  // namespace

class ErrorReportTest : public QObject {
  Q_OBJECT

 private slots:
  void titleIsTheExecutableNameUpToItsFirstDot_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");
    QTest::newRow("no dot") << "orandu"
                            << "orandu";
    QTest::newRow("upper case") << "RELIEF.EXE"
                                << "Relief";
    QTest::newRow("several dots") << "Map.Tool.exe"
                                  << "Map";
    QTest::newRow("first kept as is") << "oRANDU"
                                      << "orandu";
    QTest::newRow("accented") << "ÉCRAN.BIN"
                              << "Écran";
    QTest::newRow("japanese") << "地図.exe"
                              << "地図";
    QTest::newRow("starts with dot") << ".hidden"
                                     << "";
  }
  void titleIsTheExecutableNameUpToItsFirstDot() {
    QFETCH(QString, fileName);
    QFETCH(QString, title);
    QCOMPARE(orandu::ReportTitle(fileName), title);
  }

  void textGainsAFullStopAfterCharactersSortingAfterIt_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("text");
    QTest::newRow("japanese") << "ファイルは開けません"
                              << "ファイルは開けません.";
    QTest::newRow("letter") << "failed"
                            << "failed.";
    QTest::newRow("digit") << "error 5"
                           << "error 5.";
    QTest::newRow("slash, just after") << "/data/"
                                       << "/data/.";
    QTest::newRow("beyond the basic plane") << "🗾"
                                            << "🗾.";
    QTest::newRow("full stop") << "done."
                               << "done.";
    QTest::newRow("hyphen, just before") << "a-"
                                         << "a-";
    QTest::newRow("exclamation") << "stop!"
                                 << "stop!";
    QTest::newRow("parenthesis") << "(x)"
                                 << "(x)";
    QTest::newRow("space") << "end "
                           << "end ";
    QTest::newRow("empty") << ""
                           << "";
  }
  void textGainsAFullStopAfterCharactersSortingAfterIt() {
    QFETCH(QString, message);
    QFETCH(QString, text);
    QCOMPARE(orandu::ReportText(message), text);
  }

  void errorLeavingAnEventHandlerIsReportedAndDispatchGoesOn() {
    orandu::testing::ReportRecorder recorder;
    Thrower thrower;
    QEvent sent(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&thrower, &sent));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(thrower.handled, 2);
    QCOMPARE(recorder.reports().size(), 2);
    QCOMPARE(recorder.reports().front().title, QStringLiteral("error_report_tests"));
    QCOMPARE(recorder.reports().front().text, QStringLiteral("ファイルは開けません."));
  }

  // Handlers are connected through the boundary that reports their errors, so that none unwinds
  // through the button's own frames (which would skip their clean-up).
  void errorLeavingAClickHandlerLeavesTheButtonWorking() {
    orandu::testing::ReportRecorder recorder;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, orandu::ReportingErrors([] {
      throw orandu::OranduError("ビットマップイメージが不正です");
    }));
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(recorder.texts(), QStringList(2, QStringLiteral("ビットマップイメージが不正です.")));
    QVERIFY(!button.isDown());
  }

  void startUpStepIsReportedAndStartUpGoesOn() {
    orandu::testing::ReportRecorder recorder;
    orandu::RunReportingErrors([] {});
    orandu::RunReportingErrors([] { throw orandu::OranduError("x に書き込めません"); });
    orandu::RunReportingErrors([] { throw 42; });
    QCOMPARE(recorder.texts(), (QStringList{QStringLiteral("x に書き込めません."), QString()}));
  }

  void programsReportIsAModalErrorBoxWithOneOkButton() {
    QString seenTitle, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons seenButtons;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      seenTitle = box->windowTitle();
      seenText = box->text();
      seenIcon = box->icon();
      seenButtons = box->standardButtons();
      box->button(QMessageBox::Ok)->click();
    });
    orandu::ReportMessage(QStringLiteral("画像形式は処理できません"));
    QCOMPARE(seenTitle, QStringLiteral("error_report_tests"));
    QCOMPARE(seenText, QStringLiteral("画像形式は処理できません."));
    QCOMPARE(seenIcon, QMessageBox::Critical);
    QCOMPARE(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void everyWindowUsesTheProgramFontInUnscaledPixels() {
    const QFont font = QApplication::font();
    QCOMPARE(font.families(),
             (QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")}));
    QCOMPARE(font.pixelSize(), 12);
    QWidget window;
    const QFontInfo used(window.font());
    QCOMPARE(used.pixelSize(), 12);
    QVERIFY2(QStringList({"IPAPGothic", "IPA Pゴシック", "ＭＳ Ｐゴシック", "MS PGothic"})
                 .contains(used.family()),
             qPrintable(used.family()));
    QCOMPARE(window.devicePixelRatio(), 1.0);
  }
};

ORANDU_QTEST_MAIN(ErrorReportTest)
#include "ErrorReportTest.moc"
