// The application-wide error report: a modal error box naming the program, then carry on.
#pragma once

#include <QString>
#include <QStringView>
#include <functional>

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

// Runs one step of start-up, such as a window's creation handler, reporting any exception it
// raises; start-up then goes on with the next step.
void RunReportingErrors(const std::function<void()>& step) noexcept;

}  // namespace orandu
