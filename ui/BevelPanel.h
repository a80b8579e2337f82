// A panel framed by a one-pixel lowered outer bevel around a one-pixel raised inner bevel.
#pragma once

#include <QFrame>

class TBevelPanel : public QFrame {
  Q_OBJECT

 public:
  explicit TBevelPanel(QWidget* parent = nullptr);

  // The two bevels take this many pixels on each side.
  static constexpr int kBevelWidth = 2;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
