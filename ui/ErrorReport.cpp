// Title and text rules of the error report, and the message box that shows it.
#include "ui/ErrorReport.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>
#include <utility>

namespace orandu {

namespace {

void ShowMessageBox(const QString& title, const QString& text) {
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = QApplication::activeWindow();
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, owner);
  box.exec();
}

ReportPresenter& CurrentPresenter() {
  static ReportPresenter presenter = ShowMessageBox;
  return presenter;
}

QString RunningExecutableFileName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

}  // namespace

QString ReportTitle(QStringView executableFileName) {
  const QStringView name = executableFileName.left(executableFileName.indexOf(u'.'));
  if (name.isEmpty()) return {};
  // The first character is kept as it is, surrogate pair and all.
  const qsizetype firstLength = name.front().isHighSurrogate() && name.size() > 1 ? 2 : 1;
  return name.left(firstLength).toString() + name.mid(firstLength).toString().toLower();
}

QString ReportText(QStringView message) {
  // Every UTF-16 unit of a character beyond the basic plane sorts after ".", as the character
  // itself does, so the last unit decides.
  if (!message.isEmpty() && message.back() > u'.') return message.toString() + u'.';
  return message.toString();
}

ReportPresenter SetReportPresenter(ReportPresenter presenter) {
  if (!presenter) presenter = ShowMessageBox;
  return std::exchange(CurrentPresenter(), std::move(presenter));
}

void ReportMessage(const QString& message) {
  CurrentPresenter()(ReportTitle(RunningExecutableFileName()), ReportText(message));
}

void ReportCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      ReportMessage(QString::fromUtf8(error.what()));
    } catch (...) {
      ReportMessage(QString());
    }
  } catch (...) {
    // Showing the report failed in turn (no memory for the box); there is nobody left to tell.
  }
}

void RunReportingErrors(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (...) {
    ReportCurrentException();
  }
}

}  // namespace orandu
