// Start-up settings of the toolkit and the catch-all around event dispatch.
#include "ui/Application.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>

#include "ui/ErrorReport.h"

// The built-in pictures are compiled into the program's static library, whose resource
// registration the linker would drop unless something calls it.
static void RegisterBuiltInPictures() {
  Q_INIT_RESOURCE(resources);
}

namespace orandu {

namespace {

// Runs before QApplication reads the environment. The layouts are given in device pixels at
// 96 dpi, so neither automatic nor user-requested scaling may enlarge them, and the style's
// metrics are taken at 96 dpi whatever the screen reports.
int& WithoutScaling(int& argc) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qputenv("QT_FONT_DPI", "96");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  return argc;
}

}  // namespace

QFont ProgramFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  return font;
}

Application::Application(int& argc, char** argv) : QApplication(WithoutScaling(argc), argv) {
  RegisterBuiltInPictures();
  setFont(ProgramFont());
  setWindowIcon(QIcon(QStringLiteral(":/icons/orandu.png")));
  if (toolkitTexts_.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(&toolkitTexts_);
  }
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}

}  // namespace orandu
