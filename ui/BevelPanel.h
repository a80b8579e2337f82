// A panel framed by a one-pixel lowered outer bevel around a one-pixel raised inner bevel: the
// panel's outermost two rings of pixels.
#pragma once

#include <QFrame>

class TBevelPanel : public QFrame {
  Q_OBJECT

 public:
  explicit TBevelPanel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
