// The legend holds the one colour bar: shown at natural size, replaced whole or not at all.
#include <sys/resource.h>

#include <QFile>
#include <QPixmap>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ColorBarLegend.h"
#include "ui/FileNames.h"
#include "ui/PictureImage.h"

namespace {

orandu::Picture Strip(int width, orandu::Rgb color) {
  return {width, 1, std::vector<orandu::Rgb>(static_cast<std::size_t>(width), color)};
}

// Only the top rows of a bar are read, so a file is cut short where they are: a tenth of the way
// into its data.
QByteArray CutInsideTheTopRows(const QByteArray& bytes) {
  return bytes.left(bytes.size() / 10);
}

// A 24-bit bitmap header claiming 60000 x 60000 pixels, with no pixels after it.
QByteArray HugeBitmapHeader() {
  QByteArray header(54, '\0');
  const auto put32 = [&](int at, quint32 value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>(value >> (8 * i));
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, 54);
  put32(10, 54);
  put32(14, 40);
  put32(18, 60000);
  put32(22, 60000);
  header[26] = 1;
  header[28] = 24;
  return header;
}

// An 8-bit run-length bitmap of 1,082 bytes declaring 8192 x 8192 pixels: one end of line, then
// the end of the bitmap: the largest picture allowed, 192 MiB of pixels were it decoded whole.
QByteArray LargestRunLengthBitmap() {
  QByteArray bytes(14 + 40 + 256 * 4, '\0');
  const auto put32 = [&](int at, quint32 value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, 1082);
  put32(10, 14 + 40 + 256 * 4);
  put32(14, 40);
  put32(18, 8192);
  put32(22, 8192);
  bytes[26] = 1;
  bytes[28] = 8;
  bytes[30] = 1;  // BI_RLE8
  bytes.append(QByteArray("\0\0\0\1", 4));
  return bytes;
}

// The address space the process has mapped now, in bytes.
rlim_t AddressSpaceInUse() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

// Lowers the process's address-space limit while it lives.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(rlim_t bytes) {
    getrlimit(RLIMIT_AS, &previous_);
    rlimit lowered = previous_;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_AS, &lowered);
  }
  ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &previous_); }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

 private:
  rlimit previous_{};
};

QByteArray PngBytes() {
  orandu::testing::TempDir dir;
  orandu::Picture noise{64, 64, {}};
  for (int i = 0; i < 64 * 64; ++i) {
    noise.pixels.push_back({static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i * 13),
                            static_cast<std::uint8_t>(i * 29)});
  }
  orandu::WritePng(dir / "noise.png", noise);
  const auto bytes = orandu::testing::ReadFile(dir / "noise.png");
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

QByteArray WorldMapJpeg() {
  QFile map(QStringLiteral(":/worldmap.jpg"));
  return map.open(QIODevice::ReadOnly) ? map.readAll() : QByteArray();
}

void ExpectTheDesignTimeBarWhole(const TColorBarLegend& legend) {
  QCOMPARE(legend.Bar().pixels, orandu::DesignTimeColorBar().pixels);
  QCOMPARE(legend.size(), QSize(400, 10));
  QCOMPARE(legend.pixmap().toImage().pixel(99, 5), qRgb(34, 119, 255));
  QCOMPARE(legend.Colors()[0], orandu::Pack({241, 252, 255}));
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

  // Files made to hurt: each is refused with its message and the bar in use stays whole.
  void hostileFileLeavesTheBarWhole_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QString cutShort = QStringLiteral("ストリームからの読み込みエラー");
    QTest::newRow("bitmap claiming 60000 x 60000") << "huge.bmp" << HugeBitmapHeader() << cutShort;
    QTest::newRow("JPEG cut short") << "cut.jpg" << CutInsideTheTopRows(WorldMapJpeg()) << cutShort;
    QTest::newRow("PNG cut short") << "cut.png" << CutInsideTheTopRows(PngBytes()) << cutShort;
  }
  void hostileFileLeavesTheBarWhole() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QVERIFY2(!content.isEmpty(), "the hostile file could not be made");
    orandu::testing::TempDir dir;
    const auto file = dir.Write(fileName.toStdString(), content.toStdString());
    TColorBarLegend legend;
    try {
      legend.LoadColorBar(orandu::FromPath(file));
      QFAIL("the load did not fail");
    } catch (const orandu::OranduError& error) {
      QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    ExpectTheDesignTimeBarWhole(legend);
  }

  // The 1,082-byte bitmap declaring 8192 x 8192 once took 192 MiB to decode and then a second
  // copy for the screen; under a limit that leaves no room for either it loads what is used.
  void hugeBarUnderAMemoryLimitLoadsWhatIsUsed() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer maps far more address space than any limit here would allow");
#endif
    orandu::testing::TempDir dir;
    const QByteArray bitmap = LargestRunLengthBitmap();
    QCOMPARE(bitmap.size(), 1082);
    const auto file = dir.Write("large.bmp", bitmap.toStdString());
    TColorBarLegend legend;
    {
      const AddressSpaceLimit limit(AddressSpaceInUse() + rlim_t{64} * 1024 * 1024);
      legend.LoadColorBar(orandu::FromPath(file));
    }
    // The data sets no pixel: what is kept of the bar is palette index 0, black.
    QCOMPARE(legend.Bar().width, 402);
    QCOMPARE(legend.Bar().height, 30);
    QCOMPARE(legend.Colors()[0], orandu::Pack({0, 0, 0}));
  }

  // Under a memory limit a picture fits but its copy for the screen does not: the toolkit's null
  // image is refused with the size, never written to.
  void pictureTooLargeForTheScreenCopyIsRefused() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer maps far more address space than any limit here would allow");
#endif
    const orandu::Picture picture{8192, 8192, std::vector<orandu::Rgb>(std::size_t{8192} * 8192)};
    QString message;
    {
      // Room for what is in use now, not for a second 192 MiB.
      const AddressSpaceLimit limit(AddressSpaceInUse() + rlim_t{100} * 1024 * 1024);
      try {
        ToQImage(picture);
      } catch (const orandu::OranduError& error) {
        message = QString::fromUtf8(error.what());
      }
    }
    QCOMPARE(message, QStringLiteral("画像が大きすぎます (8192 x 8192 ピクセル)"));
  }

  // /dev/zero under a bitmap's name would be read for ever; it is refused unread.
  void endlessDeviceLeavesTheBarWhole() {
    orandu::testing::TempDir dir;
    const auto link = dir / "x.bmp";
    std::filesystem::create_symlink("/dev/zero", link);
    TColorBarLegend legend;
    try {
      legend.LoadColorBar(orandu::FromPath(link));
      QFAIL("the load did not fail");
    } catch (const orandu::OranduError& error) {
      QCOMPARE(QString::fromUtf8(error.what()),
               QString::fromUtf8(orandu::CannotOpenMessage(link, std::strerror(EINVAL))));
    }
    ExpectTheDesignTimeBarWhole(legend);
  }
};

ORANDU_QTEST_MAIN(ColorBarLegendTest)
#include "ColorBarLegendTest.moc"
