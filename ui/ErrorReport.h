// The application-wide error report: a modal error box naming the program, then carry on.
#pragma once

#include <QString>
#include <QStringView>
#include <functional>
#include <utility>

namespace orandu {

// The box's title: the executable's file name up to its first ".", every letter after the first
// in lower case ("RELIEF.EXE" gives "Relief", "orandu" gives "orandu").
QString ReportTitle(QStringView executableFileName);

// The box's text: the message, with "." appended when its last character sorts after "."
// ("開けません" gains one, "failed!" and "done." do not; an empty message stays empty).
QString ReportText(QStringView message);

// Shows one report. The program's presenter opens a modal critical message box with one OK
// button; tests put in their own to watch reports without a modal loop.
using ReportPresenter = std::function<void(const QString& title, const QString& text)>;

// Puts a presenter in place and returns the one it replaces; an empty one restores the box.
ReportPresenter SetReportPresenter(ReportPresenter presenter);

// Reports a message under the running executable's title.
void ReportMessage(const QString& message);

// Reports the exception being handled; call it only inside a catch block. The message is the
// exception's UTF-8 what(), or empty for an exception of no standard type. Never throws.
void ReportCurrentException() noexcept;

// The boundary of every handler: runs it and reports any exception it raises, so that no error
// unwinds through the toolkit's event dispatch (which is built without exception support). The
// program then goes on: start-up with its next step, the event loop with its next event.
void RunReportingErrors(const std::function<void()>& handler) noexcept;

// A handler for a signal or a callback, wrapped in RunReportingErrors.
template <typename Handler>
auto ReportingErrors(Handler handler) {
  return [handler = std::move(handler)]() noexcept { RunReportingErrors(handler); };
}

}  // namespace orandu
