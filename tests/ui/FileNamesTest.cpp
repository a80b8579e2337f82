// File names survive the trip through a text field byte for byte.
#include <QTest>

#include "ui/FileNames.h"

namespace {

// A text given as UTF-16 units, lone surrogates included.
QString Units(const char16_t* units) {
  return QStringView(units).toString();
}

}  // namespace

class FileNamesTest : public QObject {
  Q_OBJECT

 private slots:
  void bytesComeBackWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("/data/P1.BMP") << QStringLiteral("/data/P1.BMP");
    QTest::newRow("japanese") << QByteArray("/地形/色.bmp") << QStringLiteral("/地形/色.bmp");
    QTest::newRow("beyond the basic plane") << QByteArray("/🗾") << QStringLiteral("/🗾");
    QTest::newRow("latin-1 byte") << QByteArray("/caf\xE9") << Units(u"/caf\xDCE9");
    QTest::newRow("stray continuation") << QByteArray(
                                               "\x80"
                                               "a")
                                        << Units(
                                               u"\xDC80"
                                               u"a");
    QTest::newRow("cut sequence") << QByteArray("\xE6\x97") << Units(u"\xDCE6\xDC97");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << Units(u"\xDCC0\xDCAF");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xED\xA0\x80") << Units(u"\xDCED\xDCA0\xDC80");
    QTest::newRow("beyond unicode")
        << QByteArray("\xF4\x90\x80\x80") << Units(u"\xDCF4\xDC90\xDC80\xDC80");
  }
  void bytesComeBackWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString decoded = orandu::FromFileNameBytes(bytes.toStdString());
    QCOMPARE(decoded, text);
    QCOMPARE(QByteArray::fromStdString(orandu::FileNameBytes(decoded)), bytes);
  }

  void loneSurrogateTypedInAFieldBecomesTheReplacementCharacter() {
    QCOMPARE(orandu::FileNameBytes(QString(QChar(0xD800))), std::string("\xEF\xBF\xBD"));
  }
};

QTEST_APPLESS_MAIN(FileNamesTest)
#include "FileNamesTest.moc"
