#include "platform/ui/WindowLookup.h"

#include <xcb/xcb.h>

#include <QThread>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct Connection {
  xcb_connection_t* c = nullptr;
  xcb_window_t root = 0;
  Connection() {
    if (!std::getenv("DISPLAY")) return;
    int screenNumber = 0;
    c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
      xcb_disconnect(c);
      c = nullptr;
      return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    root = it.data ? it.data->root : xcb_window_t{0};
  }
  ~Connection() {
    if (c) xcb_disconnect(c);
  }
  xcb_atom_t Atom(const char* name) const {
    auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }
  std::string Property(xcb_window_t w, xcb_atom_t property, xcb_atom_t type) const {
    auto cookie = xcb_get_property(c, 0, w, property, type, 0, 1 << 16);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply) return {};
    const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, static_cast<size_t>(xcb_get_property_value_length(reply.get())));
  }
};

}  // namespace

std::vector<uint32_t> FindWindowsByTitle(const QString& title) {
  Connection x;
  if (!x.c || !x.root) return {};
  const std::string wanted = title.toStdString();
  std::string list = x.Property(x.root, x.Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
  std::vector<uint32_t> found;
  const xcb_atom_t netName = x.Atom("_NET_WM_NAME"), utf8 = x.Atom("UTF8_STRING");
  for (size_t i = 0; i + 4 <= list.size(); i += 4) {
    xcb_window_t w;
    std::memcpy(&w, list.data() + i, 4);
    std::string name = x.Property(w, netName, utf8);
    if (name.empty()) name = x.Property(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    if (name == wanted) found.push_back(w);
  }
  return found;
}

void PostCloseMessage(uint32_t window) {
  Connection x;
  if (!x.c) return;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = x.Atom("WM_PROTOCOLS");
  event.data.data32[0] = x.Atom("WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(x.c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
  xcb_flush(x.c);
}

void CloseWindowsTitled(const QString& title, int rounds) {
  for (int i = 0; i < rounds; ++i) {
    std::vector<uint32_t> windows = FindWindowsByTitle(title);
    if (windows.empty()) return;
    for (uint32_t w : windows) PostCloseMessage(w);
    QThread::msleep(50);  // let the windows go before looking again
  }
}
