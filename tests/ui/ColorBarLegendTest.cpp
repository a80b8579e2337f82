// The legend holds the one colour bar: shown at natural size, replaced whole or not at all.
#include <QPixmap>
#include <cerrno>
#include <cstring>

#include "ColorBarLegend.h"
#include "Errors.h"
#include "FileNames.h"
#include "PictureFormats.h"
#include "UiTestSupport.h"
#include "support/TempDir.h"

namespace {

orandu::Picture Strip(int width, orandu::Rgb color) {
  return {width, 1, std::vector<orandu::Rgb>(static_cast<std::size_t>(width), color)};
}

}  // namespace

class ColorBarLegendTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheDesignTimeBarAtNaturalSize() {
    TColorBarLegend legend;
    QCOMPARE(legend.Bar().width, 400);
    QCOMPARE(legend.size(), QSize(400, 10));
    QCOMPARE(legend.pixmap().size(), QSize(400, 10));
    QCOMPARE(legend.pixmap().toImage().pixel(99, 5), qRgb(34, 119, 255));
    QCOMPARE(legend.Colors()[0], orandu::Pack({241, 252, 255}));  // raw sample 0 is 0 m
  }

  void loadedBarReplacesPictureSizeAndColours() {
    orandu::testing::TempDir dir;
    const auto file = dir / "幅広.bmp";
    orandu::WriteBmp(file, Strip(200, {1, 2, 3}));
    TColorBarLegend legend;
    legend.LoadColorBar(orandu::FromPath(file));
    QCOMPARE(legend.size(), QSize(200, 1));
    QCOMPARE(legend.pixmap().toImage().pixel(150, 0), qRgb(1, 2, 3));
    QCOMPARE(legend.Colors()[0], orandu::Pack({1, 2, 3}));
  }

  void emptyBitmapShowsNothing() {
    orandu::testing::TempDir dir;
    const auto file = dir.Write("empty.bmp", std::string());
    TColorBarLegend legend;
    legend.LoadColorBar(orandu::FromPath(file));
    QVERIFY(legend.Bar().empty());
    QVERIFY(legend.Colors().empty());
    QCOMPARE(legend.size(), QSize(0, 0));
    QVERIFY(legend.pixmap().isNull());
  }

  void failedLoadKeepsThePreviousBarWhole_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown kind") << "bar.gif" << QByteArray("GIF89a")
                                  << QString::fromUtf8(orandu::UnsupportedPictureMessage("gif"));
    QTest::newRow("not a bitmap") << "bar.bmp" << QByteArray("PK\3\4 not a bitmap at all")
                                  << QString::fromUtf8(orandu::kInvalidBitmapMessage);
    QTest::newRow("missing") << "" << QByteArray() << QString();
  }
  void failedLoadKeepsThePreviousBarWhole() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    orandu::testing::TempDir dir;
    auto file = dir / "missing.bmp";
    if (fileName.isEmpty()) {
      message = QString::fromUtf8(orandu::CannotOpenMessage(file, std::strerror(ENOENT)));
    } else {
      file = dir.Write(fileName.toStdString(), content.toStdString());
    }
    TColorBarLegend legend;
    const orandu::Picture before = legend.Bar();
    try {
      legend.LoadColorBar(orandu::FromPath(file));
      QFAIL("the load did not fail");
    } catch (const orandu::OranduError& error) {
      QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    QCOMPARE(legend.Bar().pixels, before.pixels);
    QCOMPARE(legend.size(), QSize(400, 10));
    QCOMPARE(legend.Colors()[0], orandu::Pack({241, 252, 255}));
  }
};

ORANDU_QTEST_MAIN(ColorBarLegendTest)
#include "ColorBarLegendTest.moc"
