// The settings dialog: chooses the grid file and the colour bar picture and saves the choice.
#pragma once

#include <QDialog>
#include <memory>

#include "settings/SettingsLocation.h"
#include "ui/OpenDialog.h"

class QShowEvent;
class TColorBarLegend;
namespace Ui {
class TFormOrandu_Config;
}

// Its two fields are the program's live settings: the region view asks for the grid path in
// Edit_ETOPO5 at every paint, saved or not, and a colour bar chosen here is loaded into the
// legend at once. Between openings the dialog is only hidden and its fields keep their text.
class TFormOrandu_Config : public QDialog {
  Q_OBJECT

 public:
  // Settings at the given location; colour bars are loaded into the given legend.
  TFormOrandu_Config(TColorBarLegend& legend, orandu::SettingsLocation location,
                     QWidget* parent = nullptr);
  ~TFormOrandu_Config() override;

  // Shared by both "..." buttons, so it remembers the last file chosen with either.
  TOpenDialog OpenDialog1;

  // Run once by start-up after construction, inside a guard that reports its errors: reads the
  // settings into the fields, then loads the colour bar they name (on failure the legend keeps
  // its bar and the fields keep what was read).
  void FormCreate();
  // Every opening: reads the saved settings into the fields again, dropping unsaved text.
  void FormShow();
  void SpeedButton1Click();  // "Cancel": closes; nothing is written or undone
  void SpeedButton2Click();  // "Save": writes both fields, then closes; stays open on failure
  void SpeedButton3Click();  // "..." of the grid file
  void SpeedButton4Click();  // "..." of the colour bar: loads the chosen bar at once

  const orandu::SettingsLocation& Location() const { return location_; }

  // The grid file the field names, ready to open: a relative path is taken from the program's
  // folder, not the working folder. The field itself keeps the text as typed or read.
  std::filesystem::path GridPath() const;
  // The grid file's field as typed or read, the name a failure to read it is reported under.
  QString GridPathText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ReadSettingsIntoFields();
  void LoadColorBarOfField();  // the bar Edit_ColorBar names, resolved as GridPath() is

  std::unique_ptr<Ui::TFormOrandu_Config> ui_;
  TColorBarLegend& legend_;
  orandu::SettingsLocation location_;
  bool placed_ = false;  // centred on the first opening; later ones find it where it was left
};
