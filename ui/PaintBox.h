// A paint area drawn entirely by its owner's paint handler.
#pragma once

#include <QWidget>
#include <functional>

class QPaintEvent;

class TPaintBox : public QWidget {
  Q_OBJECT

 public:
  explicit TPaintBox(QWidget* parent = nullptr);

  // Runs on every paint, inside the paint event, so it may draw with a QPainter on the box.
  // Every pixel is its to draw: nothing is cleared first.
  std::function<void()> OnPaint;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
