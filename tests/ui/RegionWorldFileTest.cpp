// The world file of the region view's save: the save dialog's check box, its setting under [VIEW],
// and the world file written beside the picture.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <cmath>
#include <functional>

#include "settings/ProfileFile.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/RegionPictureSave.h"

using orandu::testing::ProgramFixture;
using orandu::testing::ReportRecorder;

class RegionWorldFileTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;
  TFormOrandu_Graph& graph() { return program_->windows().Graph(); }
  std::filesystem::path settingsFile() {
    return orandu::SettingsFilePath(program_->dir() / "orandu");
  }
  // The key as the file holds it, or "absent".
  std::string storedWorldFile() {
    return orandu::ReadSetting(settingsFile(), "VIEW", "WorldFile", "absent");
  }

  // Centre (200, 100) in 488 x 441: columns from 2155 and rows from 979, the region's middle past
  // 180° E, so its west lies a whole turn back.
  void ShowRegion() {
    program_->PressOnMap({187, 87});
    QVERIFY(QTest::qWaitForWindowActive(&graph()));
  }

  // Saves through the real dialog, which `answer` handles as the user would.
  void SaveThroughDialog(std::function<void(QFileDialog&)> answer) {
    QTimer::singleShot(0, this, [answer] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      answer(*dialog);
      if (dialog->isVisible()) dialog->reject();  // a failed check must not leave it open
    });
    graph().Action_SavePicture->trigger();
  }
  static QCheckBox* Box(QFileDialog& dialog) {
    return dialog.findChild<QCheckBox*>(QStringLiteral("WorldFileBox"));
  }
  static void Accept(QFileDialog& dialog, const std::filesystem::path& file) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    name->setText(orandu::FromPath(file));
    QTest::keyClick(name, Qt::Key_Return);
  }

  // The widget Tab moves to from `from`, as QWidget::focusNextChild picks it.
  static QWidget* NextTabStop(QWidget* from) {
    for (QWidget* next = from->nextInFocusChain(); next != from; next = next->nextInFocusChain()) {
      if ((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled()) {
        return next;
      }
    }
    return from;
  }

  std::size_t FilesInDir() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(program_->dir().path()), {}));
  }

  // The six lines for the region ShowRegion shows: one sample a pixel, the top-left pixel's
  // centre at column 2155 - 4320 and row 979.
  static void ExpectWorldFileOfTheShownRegion(const std::filesystem::path& world) {
    const QStringList lines =
        QString::fromStdString(orandu::testing::ReadText(world)).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);  // six lines, each ended
    QVERIFY(lines.last().isEmpty());
    const double expected[] = {1.0 / 12, 0, 0, -1.0 / 12, (2155 - 4320) / 12.0, 90 - 979 / 12.0};
    for (int i = 0; i < 6; ++i) {
      bool number = false;
      const double value = lines.at(i).toDouble(&number);
      QVERIFY2(number && std::abs(value - expected[i]) < 1e-9, qPrintable(lines.at(i)));
    }
  }

 private slots:
  void init() {
    program_ = std::make_unique<ProgramFixture>();
    program_->windows().Main().show();
  }
  void cleanup() { program_.reset(); }

  void theBoxSitsInToolkitsDialogAndIsStoredOnlyWhenChanged() {
    ShowRegion();
    SaveThroughDialog([](QFileDialog& dialog) {
      QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
      QCheckBox* box = Box(dialog);
      QVERIFY(box && box->isVisible());
      QCOMPARE(box->text(), QStringLiteral("ワールドファイルも保存 (.pgw、.bpw、.tfw)"));
      QVERIFY(!box->isChecked());
      // Below the file types, and next after them when Tab goes round: the name field still
      // leads to the types.
      auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(types->y() < box->y());
      QCOMPARE(NextTabStop(dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))),
               static_cast<QWidget*>(types));
      QCOMPARE(NextTabStop(types), static_cast<QWidget*>(box));
      dialog.reject();
    });
    QCOMPARE(storedWorldFile(), std::string("absent"));  // opened and closed: nothing written

    SaveThroughDialog([](QFileDialog& dialog) {
      Box(dialog)->click();
      dialog.reject();  // a change is kept even when nothing is saved
    });
    QCOMPARE(storedWorldFile(), std::string("1"));
    QVERIFY(graph().SavePictureDialog.WorldFile());
    QCOMPARE(FilesInDir(), std::size_t{2});  // the data folder and the settings file

    const auto picture = program_->dir() / "region.png";
    SaveThroughDialog([picture](QFileDialog& dialog) {
      QVERIFY(Box(dialog)->isChecked());
      Accept(dialog, picture);
    });
    ExpectWorldFileOfTheShownRegion(program_->dir() / "region.pgw");

    SaveThroughDialog([](QFileDialog& dialog) {
      Box(dialog)->click();
      dialog.reject();
    });
    QCOMPARE(storedWorldFile(), std::string("0"));
    std::filesystem::remove(program_->dir() / "region.pgw");
    const auto plain = program_->dir() / "plain.bmp";
    SaveThroughDialog([plain](QFileDialog& dialog) { Accept(dialog, plain); });
    QVERIFY(std::filesystem::exists(plain));
    QVERIFY(!std::filesystem::exists(program_->dir() / "plain.bpw"));
    QVERIFY(!std::filesystem::exists(program_->dir() / "region.pgw"));
  }

  void theStoredChoiceIsReadAtStart() {
    for (const auto& [stored, on] : {std::pair{"1", true}, {"0", false}, {"on", false}}) {
      orandu::WriteSetting(settingsFile(), "VIEW", "WorldFile", stored);
      ProgramWindows windows(orandu::SettingsLocation::OfExecutable(program_->dir() / "orandu"));
      QCOMPARE(windows.Graph().SavePictureDialog.WorldFile(), on);
    }
  }

  void eachFormatGetsItsWorldFileBesideIt() {
    ShowRegion();
    graph().SavePictureDialog.SetWorldFile(true);
    for (const char* name : {"a.png", "b.BMP", "c.tif", "d.tiff"}) {
      const auto file = program_->dir() / name;
      graph().SavePictureDialog.SetRunner(
          [file](const QString&) { return std::optional<QString>(orandu::FromPath(file)); });
      graph().Action_SavePicture->trigger();
    }
    for (const char* world : {"a.pgw", "b.bpw", "c.tfw", "d.tfw"}) {
      ExpectWorldFileOfTheShownRegion(program_->dir() / world);
    }
    QCOMPARE(FilesInDir(), std::size_t{1 + 4 + 4});
  }

  void refusedWorldFileIsReportedAndThePictureKept() {
    ReportRecorder recorder;
    ShowRegion();
    graph().SavePictureDialog.SetWorldFile(true);
    const auto picture = program_->dir() / "region.png";
    const auto world = program_->dir() / "region.pgw";
    std::filesystem::create_directory(world);
    graph().SavePictureDialog.SetRunner(
        [picture](const QString&) { return std::optional<QString>(orandu::FromPath(picture)); });
    graph().Action_SavePicture->trigger();
    const QString expected =
        QStringLiteral("画像は %1 に保存しましたが、ワールドファイル %2 に書き込めません.")
            .arg(orandu::FromPath(picture), orandu::FromPath(world));
    QCOMPARE(recorder.texts(), QStringList(expected));
    QCOMPARE(orandu::testing::ReadFile(picture).at(0), std::uint8_t{0x89});
    QVERIFY(std::filesystem::is_empty(world));
    QCOMPARE(FilesInDir(), std::size_t{3});  // no temporary left
  }
};

ORANDU_QTEST_MAIN(RegionWorldFileTest)
#include "RegionWorldFileTest.moc"
