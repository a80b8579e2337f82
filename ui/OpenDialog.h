// The file-open dialog behind the "..." buttons: a start folder, and the last file chosen.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <utility>

class QWidget;

class TOpenDialog {
 public:
  // Asks the user for a file, starting in initialDir with lastFileName (the last file chosen, or
  // empty) preselected; nothing when the user cancels.
  using Runner =
      std::function<std::optional<QString>(const QString& initialDir, const QString& lastFileName)>;

  // The toolkit's own file-open dialog over the owner window, without a file-type filter.
  explicit TOpenDialog(QWidget* owner);

  // Tests answer in place of the user.
  void SetRunner(Runner runner) { runner_ = std::move(runner); }

  // Runs the dialog; true when the user confirmed, with FileName then holding the full path.
  bool Execute();

  QString InitialDir;
  QString FileName;

 private:
  Runner runner_;
};
