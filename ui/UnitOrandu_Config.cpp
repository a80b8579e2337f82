// Handlers of the settings dialog.
#include "ui/UnitOrandu_Config.h"

#include <QIcon>
#include <QShowEvent>
#include <utility>

#include "settings/Settings.h"
#include "ui/CentreOnScreen.h"
#include "ui/ColorBarLegend.h"
#include "ui/ErrorReport.h"
#include "ui/FileNames.h"
#include "ui_UnitOrandu_Config.h"

TFormOrandu_Config::TFormOrandu_Config(TColorBarLegend& legend, orandu::SettingsLocation location,
                                       QWidget* parent)
    : QDialog(parent),
      OpenDialog1(this),
      ui_(std::make_unique<Ui::TFormOrandu_Config>()),
      legend_(legend),
      location_(std::move(location)) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  ui_->SpeedButton1->setIcon(QIcon(QStringLiteral(":/icons/cancel.png")));
  ui_->SpeedButton2->setIcon(QIcon(QStringLiteral(":/icons/save.png")));
  connect(ui_->SpeedButton1, &QToolButton::clicked, this,
          orandu::ReportingErrors([this] { SpeedButton1Click(); }));
  connect(ui_->SpeedButton2, &QToolButton::clicked, this,
          orandu::ReportingErrors([this] { SpeedButton2Click(); }));
  connect(ui_->SpeedButton3, &QToolButton::clicked, this,
          orandu::ReportingErrors([this] { SpeedButton3Click(); }));
  connect(ui_->SpeedButton4, &QToolButton::clicked, this,
          orandu::ReportingErrors([this] { SpeedButton4Click(); }));
}

TFormOrandu_Config::~TFormOrandu_Config() = default;

void TFormOrandu_Config::FormCreate() {
  ReadSettingsIntoFields();
  LoadColorBarOfField();
}

void TFormOrandu_Config::FormShow() {
  ReadSettingsIntoFields();
}

void TFormOrandu_Config::SpeedButton1Click() {
  close();
}

void TFormOrandu_Config::SpeedButton2Click() {
  orandu::SavePathSettings(location_, {orandu::FileNameBytes(ui_->Edit_ETOPO5->text()),
                                       orandu::FileNameBytes(ui_->Edit_ColorBar->text())});
  close();
}

void TFormOrandu_Config::SpeedButton3Click() {
  OpenDialog1.InitialDir = orandu::FromPath(location_.DataDir());
  if (OpenDialog1.Execute()) ui_->Edit_ETOPO5->setText(OpenDialog1.FileName);
}

void TFormOrandu_Config::SpeedButton4Click() {
  OpenDialog1.InitialDir = orandu::FromPath(location_.DataDir());
  if (!OpenDialog1.Execute()) return;
  ui_->Edit_ColorBar->setText(OpenDialog1.FileName);
  LoadColorBarOfField();
}

void TFormOrandu_Config::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A spontaneous show is the window system restoring the dialog, not an opening.
  if (event->spontaneous()) return;
  if (!placed_) {
    placed_ = true;
    CentreOnScreen(*this);
  }
  orandu::RunReportingErrors([this] { FormShow(); });
}

std::filesystem::path TFormOrandu_Config::GridPath() const {
  return location_.Resolve(orandu::ToPath(GridPathText()));
}

QString TFormOrandu_Config::GridPathText() const {
  return ui_->Edit_ETOPO5->text();
}

void TFormOrandu_Config::LoadColorBarOfField() {
  legend_.LoadColorBar(
      orandu::FromPath(location_.Resolve(orandu::ToPath(ui_->Edit_ColorBar->text()))));
}

void TFormOrandu_Config::ReadSettingsIntoFields() {
  const orandu::PathSettings paths = orandu::ReadPathSettings(location_);
  ui_->Edit_ETOPO5->setText(orandu::FromFileNameBytes(paths.grid));
  ui_->Edit_ColorBar->setText(orandu::FromFileNameBytes(paths.colorBar));
}
