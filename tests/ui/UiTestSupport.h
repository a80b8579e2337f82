// What the window tests share: the program's application object and a watch on the reports.
#pragma once

#include <QList>
#include <QString>
#include <QTest>

#include "ui/Application.h"
#include "ui/ErrorReport.h"

// Runs a Qt Test object under the program's own application object, so that reports, fonts and
// scaling are those of the program.
#define ORANDU_QTEST_MAIN(TestObject)            \
  int main(int argc, char** argv) {              \
    orandu::Application application(argc, argv); \
    TestObject test;                             \
    return QTest::qExec(&test, argc, argv);      \
  }

namespace orandu::testing {

struct Report {
  QString title;
  QString text;
};

// Collects the reports made while it lives, in place of the modal message box.
class ReportRecorder {
 public:
  ReportRecorder()
      : previous_(SetReportPresenter([this](const QString& title, const QString& text) {
          reports_.append({title, text});
        })) {}
  ~ReportRecorder() { SetReportPresenter(previous_); }
  ReportRecorder(const ReportRecorder&) = delete;
  ReportRecorder& operator=(const ReportRecorder&) = delete;

  const QList<Report>& reports() const { return reports_; }
  QStringList texts() const {
    QStringList texts;
    for (const Report& report : reports_) texts.append(report.text);
    return texts;
  }

 private:
  QList<Report> reports_;
  ReportPresenter previous_;
};

}  // namespace orandu::testing
