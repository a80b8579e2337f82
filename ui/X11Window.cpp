// Title and frame extents of a window, through the X connection the toolkit opened.
#include "ui/X11Window.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t* X11Connection() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const ReplyPtr<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          connection,
          xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
          nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Up to `count` 32-bit values of a property of the window, or none.
std::vector<std::uint32_t> Cardinals(xcb_connection_t* connection, xcb_window_t window,
                                     xcb_atom_t property, xcb_atom_t type, std::uint32_t count) {
  const ReplyPtr<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, window, property, type, 0, count), nullptr),
      &std::free);
  if (!reply || reply->format != 32) return {};
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

xcb_window_t RootOf(xcb_connection_t* connection) {
  return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

}  // namespace

void ClearWindowManagerTitle(QWidget& window) {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  // One empty string: a window manager shows a title property with nothing in it, or none at
  // all, as an unnamed window.
  const char empty = '\0';
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      0, &empty);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, Atom(connection, "_NET_WM_NAME"),
                      Atom(connection, "UTF8_STRING"), 8, 1, &empty);
  xcb_flush(connection);
}

QMargins ExpectedFrameMargins(QWidget& window) {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return {};
  const xcb_window_t root = RootOf(connection);
  if (Cardinals(connection, root, Atom(connection, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1)
          .empty()) {
    return {};  // no window manager
  }
  // A window manager that does not announce the request would never answer it.
  const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
  const std::vector<std::uint32_t> supported =
      Cardinals(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
  const xcb_atom_t requestExtents = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  if (std::find(supported.begin(), supported.end(), requestExtents) == supported.end()) return {};
  const auto id = static_cast<xcb_window_t>(window.winId());
  xcb_client_message_event_t request{};
  request.response_type = XCB_CLIENT_MESSAGE;
  request.format = 32;
  request.window = id;
  request.type = requestExtents;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&request));
  xcb_flush(connection);
  for (int attempt = 0; attempt < 200; ++attempt) {
    const std::vector<std::uint32_t> ltrb =
        Cardinals(connection, id, extents, XCB_ATOM_CARDINAL, 4);
    if (ltrb.size() == 4) {
      return {static_cast<int>(ltrb[0]), static_cast<int>(ltrb[2]), static_cast<int>(ltrb[1]),
              static_cast<int>(ltrb[3])};
    }
    QThread::msleep(10);
  }
  return {};
}
