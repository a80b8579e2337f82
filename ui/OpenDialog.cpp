// Runs the toolkit's file-open dialog.
#include "ui/OpenDialog.h"

#include <QFileDialog>

TOpenDialog::TOpenDialog(QWidget* owner)
    : runner_([owner](const QString& initialDir,
                      const QString& lastFileName) -> std::optional<QString> {
        QFileDialog dialog(owner, QString(), initialDir);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!lastFileName.isEmpty()) dialog.selectFile(lastFileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
          return std::nullopt;
        }
        return dialog.selectedFiles().constFirst();
      }) {}

bool TOpenDialog::Execute() {
  std::optional<QString> chosen = runner_(InitialDir, FileName);
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}
