// The windows keep their forms to themselves: the others reach them through a few accessors, and
// every widget still carries the name its form gives it.
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "tests/ui/FormWidget.h"
#include "tests/ui/ProgramFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ColorBarLegend.h"
#include "ui/Image.h"
#include "ui/PaintBox.h"

using orandu::testing::FormWidget;
using orandu::testing::ProgramFixture;

namespace {

// What another window could reach into if a window handed out its form.
template <class Window>
concept RunsItsFormsSetupInPublic = requires(Window& window) {
  window.setupUi(&window);
};
template <class Window>
concept HandsOutTheGridField = requires(Window& window) {
  window.Edit_ETOPO5;
};
template <class Window>
concept HandsOutTheMap = requires(Window& window) {
  window.Image1;
};
template <class Window>
concept HandsOutTheLegendWidget = requires(Window& window) {
  window.Image2;
};
template <class Window>
concept HandsOutThePaintArea = requires(Window& window) {
  window.PaintBox1;
};

static_assert(!RunsItsFormsSetupInPublic<TFormOrandu_Main>);
static_assert(!RunsItsFormsSetupInPublic<TFormOrandu_Config>);
static_assert(!RunsItsFormsSetupInPublic<TFormOrandu_Graph>);
static_assert(!HandsOutTheGridField<TFormOrandu_Config>);
static_assert(!HandsOutTheMap<TFormOrandu_Main>);
static_assert(!HandsOutTheLegendWidget<TFormOrandu_Main>);
static_assert(!HandsOutThePaintArea<TFormOrandu_Graph>);

enum class Window { kMain, kConfig, kGraph };

}  // namespace

Q_DECLARE_METATYPE(Window)

class WindowFormsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ProgramFixture> program_;

  QWidget& window(Window which) {
    switch (which) {
      case Window::kMain:
        return program_->windows().Main();
      case Window::kConfig:
        return program_->windows().Config();
      case Window::kGraph:
        return program_->windows().Graph();
    }
    throw std::logic_error("no such window");
  }

 private slots:
  void init() { program_ = std::make_unique<ProgramFixture>(); }
  void cleanup() { program_.reset(); }

  void widgetsKeepTheNamesTheFormGivesThem_data() {
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::newRow("map") << Window::kMain << "Image1"
                         << "TImage";
    QTest::newRow("legend") << Window::kMain << "Image2"
                            << "TColorBarLegend";
    QTest::newRow("settings button") << Window::kMain << "SpeedButton4"
                                     << "QToolButton";
    QTest::newRow("grid field") << Window::kConfig << "Edit_ETOPO5"
                                << "QLineEdit";
    QTest::newRow("colour bar field") << Window::kConfig << "Edit_ColorBar"
                                      << "QLineEdit";
    QTest::newRow("save button") << Window::kConfig << "SpeedButton2"
                                 << "QToolButton";
    QTest::newRow("paint area") << Window::kGraph << "PaintBox1"
                                << "TPaintBox";
  }
  void widgetsKeepTheNamesTheFormGivesThem() {
    QFETCH(Window, window);
    QFETCH(QString, name);
    QFETCH(QString, className);
    const QList<QWidget*> named = this->window(window).findChildren<QWidget*>(name);
    QCOMPARE(named.size(), 1);
    QCOMPARE(QString::fromLatin1(named.front()->metaObject()->className()), className);
  }

  void theLegendHandedOutIsTheOneUnderTheMap() {
    TFormOrandu_Main& main = program_->windows().Main();
    QCOMPARE(&main.Legend(), FormWidget<TColorBarLegend>(main, "Image2"));
  }

  // The region view reports a failed read under the name as typed, but opens it resolved.
  void theGridPathIsTheFieldAsTypedAndResolvedFromTheProgramsFolder() {
    TFormOrandu_Config& config = program_->windows().Config();
    FormWidget<QLineEdit>(config, "Edit_ETOPO5")->setText(QStringLiteral("grids/relief.dos"));
    QCOMPARE(config.GridPathText(), QStringLiteral("grids/relief.dos"));
    QCOMPARE(config.GridPath(), program_->dir() / "grids/relief.dos");
  }
};

ORANDU_QTEST_MAIN(WindowFormsTest)
#include "WindowFormsTest.moc"
