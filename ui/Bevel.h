// An etched separator: a line in the shadow colour over a line in the highlight colour.
#pragma once

#include <QWidget>

class QPaintEvent;

// Painted here rather than by the style, whose lines differ from one style to another.
class TBevel : public QWidget {
  Q_OBJECT

 public:
  explicit TBevel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
