// A picture that hands presses on it to its owner's handler.
#pragma once

#include <QLabel>
#include <QPoint>
#include <functional>

class QMouseEvent;

class TImage : public QLabel {
  Q_OBJECT

 public:
  explicit TImage(QWidget* parent = nullptr);

  // Runs on every press of any button, with the picture pixel under the pointer's hot spot. The
  // second press of a double-click is one more press.
  std::function<void(QPoint picturePixel)> OnMouseDown;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};
