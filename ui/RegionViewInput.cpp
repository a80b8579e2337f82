// Moves the region with the keyboard and the mouse and keeps the read-out beside the cursor.
#include "ui/RegionViewInput.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdlib>

#include "region/ZoomNavigation.h"
#include "ui/HeightTip.h"
#include "ui/UnitOrandu_Graph.h"

namespace {

// The angle one notch of a mouse wheel turns, in eighths of a degree.
constexpr int kWheelNotch = 120;

std::optional<orandu::NavigationKey> ArrowKey(int key) {
  switch (key) {
    case Qt::Key_Left:
      return orandu::NavigationKey::kLeft;
    case Qt::Key_Right:
      return orandu::NavigationKey::kRight;
    case Qt::Key_Up:
      return orandu::NavigationKey::kUp;
    case Qt::Key_Down:
      return orandu::NavigationKey::kDown;
    default:
      return std::nullopt;
  }
}

// Ctrl held moves by single samples of the grid, otherwise by whole degrees.
orandu::StepUnit UnitOf(Qt::KeyboardModifiers modifiers) {
  return modifiers.testFlag(Qt::ControlModifier) ? orandu::StepUnit::kSample
                                                 : orandu::StepUnit::kDegree;
}

}  // namespace

TRegionViewInput::TRegionViewInput(TFormOrandu_Graph& view, QWidget& area, THeightTip& tip)
    : QObject(&view), view_(view), area_(area), tip_(tip) {
  area_.setMouseTracking(true);
  area_.setFocusPolicy(Qt::StrongFocus);  // the only widget that takes keys: it has them
  area_.installEventFilter(this);
  view_.installEventFilter(this);
}

bool TRegionViewInput::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    return KeyPress(key->key(), key->modifiers());
  }
  if (watched != &area_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      dragging_ = true;
      pressPixel_ = mouse->position().toPoint();
      drag_ = orandu::CenterDrag(view_.Region().Grid(), view_.Region().Center(),
                                 UnitOf(mouse->modifiers()));
      return true;
    }
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint pixel = mouse->position().toPoint();
      if (dragging_) {
        // The picture follows the mouse at every level: zoomed out a pixel is k samples.
        const QPoint drag = pixel - pressPixel_;
        const orandu::ZoomLevel zoom = view_.Region().Zoom();
        const orandu::LatticePoint wanted = drag_.WantedPoint(
            orandu::DragAtOneToOne(drag.x(), zoom), orandu::DragAtOneToOne(drag.y(), zoom));
        if (wanted != view_.Region().Center()) {  // only whole units move the picture
          view_.MoveCenter(wanted);
          drag_.ReachedPoint(wanted, view_.Region().Center());
        }
      }
      ShowReadout(pixel, mouse->globalPosition().toPoint());
      return false;
    }
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      // A notch is 120; a touchpad sends parts of one, gathered until they make a whole step.
      wheelAngle_ += wheel->angleDelta().y();
      const int steps = wheelAngle_ / kWheelNotch;
      wheelAngle_ -= steps * kWheelNotch;
      if (steps == 0) return true;
      orandu::ZoomLevel zoom = view_.Region().Zoom();
      for (int step = 0; step < std::abs(steps); ++step) {
        zoom = steps > 0 ? zoom.Closer() : zoom.Farther();
      }
      const QPoint pixel = wheel->position().toPoint();
      view_.ZoomAbout(zoom, pixel);
      ShowReadout(pixel, wheel->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) dragging_ = false;
      return false;
    case QEvent::Leave:
    case QEvent::Hide:
    // The context menu grabs the mouse without a leave the area would hear of; what the tip says
    // would go stale under the menu and the dialogs it opens. The next move shows it afresh.
    case QEvent::ContextMenu:
      tip_.hide();
      return false;
    default:
      return false;
  }
}

bool TRegionViewInput::KeyPress(int key, Qt::KeyboardModifiers modifiers) {
  const orandu::ZoomLevel zoom = view_.Region().Zoom();
  if (key == Qt::Key_Home) {
    view_.ReturnToPick();
  } else if (key == Qt::Key_Plus) {
    view_.ZoomAboutMiddle(zoom.Closer());
  } else if (key == Qt::Key_Minus) {
    view_.ZoomAboutMiddle(zoom.Farther());
  } else if (key == Qt::Key_0 && modifiers.testFlag(Qt::ControlModifier)) {
    view_.ZoomAboutMiddle(orandu::ZoomLevel::OneToOne());
  } else if (const std::optional<orandu::NavigationKey> arrow = ArrowKey(key)) {
    const orandu::LatticePoint step = orandu::KeyMove(*arrow, modifiers.testFlag(Qt::ShiftModifier),
                                                      UnitOf(modifiers), view_.Region().Grid());
    const orandu::LatticePoint center = view_.Region().Center();
    view_.MoveCenter({center.lon + step.lon, center.lat + step.lat});
  } else {
    return false;
  }
  if (tip_.isVisible()) {  // a still cursor now stands over another sample
    ShowReadout(area_.mapFromGlobal(QCursor::pos()), QCursor::pos());
  }
  return true;
}

void TRegionViewInput::ShowReadout(const QPoint& pixel, const QPoint& cursor) {
  const QString text = view_.ReadoutAt(pixel);
  if (text.isEmpty()) {
    tip_.hide();
  } else {
    tip_.ShowAt(cursor, text);
  }
}
