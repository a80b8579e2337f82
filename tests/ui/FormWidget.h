// A window's widget found by the name its form gives it, as a user's eye finds it: from outside.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>

namespace orandu::testing {

template <class Widget>
Widget* FormWidget(const QObject& window, const char* name) {
  auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) {
    throw std::logic_error(std::string("the window has no widget named ") + name);
  }
  return widget;
}

}  // namespace orandu::testing
