// The application object: unscaled pixels, the program's font, and every error reported.
#pragma once

#include <QApplication>
#include <QFont>
#include <QTranslator>

namespace orandu {

// "ＭＳ Ｐゴシック" at 12 pixels, or where it is missing its metric-compatible stand-in
// IPAPGothic: the first family present wins.
QFont ProgramFont();

class Application : public QApplication {
 public:
  // Turns the toolkit's high-DPI scaling off before it starts, so that every size is a device
  // pixel at 96 dpi, gives every window the program's font, and has the toolkit's own texts (the
  // standard dialogs and buttons) in Japanese, as the program's are, whatever the locale.
  Application(int& argc, char** argv);

  // Dispatches the event. Handlers report their own errors at their boundary; an exception that
  // still leaves one is reported here as a last resort, and the event loop goes on.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  QTranslator toolkitTexts_;  // without the system's translations the toolkit stays in English
};

}  // namespace orandu
