#include "platform/x11/xcb_connection.h"

#include <cstring>

namespace quillon::platform::x11 {
namespace {

constexpr std::array<std::string_view, static_cast<std::size_t>(Atom::Count)> kAtomNames = {
    "_NET_ACTIVE_WINDOW",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_SUPPORTED",
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "WM_STATE",
    "WM_TRANSIENT_FOR",
};

}  // namespace

XcbConnection::XcbConnection() {
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return;
    }
    root_ = screens.data->root;

    // Ask for every atom first and collect the answers after: one round trip instead of many.
    std::array<xcb_intern_atom_cookie_t, kAtomNames.size()> cookies{};
    for (std::size_t i = 0; i < kAtomNames.size(); ++i) {
        cookies[i] = xcb_intern_atom(
            connection_, 0, static_cast<std::uint16_t>(kAtomNames[i].size()), kAtomNames[i].data());
    }
    for (std::size_t i = 0; i < kAtomNames.size(); ++i) {
        XcbPtr<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection_, cookies[i], nullptr));
        atoms_[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
}

XcbConnection::~XcbConnection() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

bool XcbConnection::Ok() const {
    return connection_ != nullptr && xcb_connection_has_error(connection_) == 0 && root_ != 0;
}

xcb_window_t XcbConnection::WindowProperty(xcb_window_t window, xcb_atom_t property) const {
    std::vector<std::uint32_t> items = ListProperty(window, property, XCB_ATOM_WINDOW);
    return items.empty() ? 0 : items.front();
}

std::vector<std::uint32_t> XcbConnection::ListProperty(xcb_window_t window, xcb_atom_t property,
                                                       xcb_atom_t type) const {
    // 4096 items are more than any window list or state list holds.
    xcb_get_property_cookie_t cookie =
        xcb_get_property(connection_, 0, window, property, type, 0, 4096);
    XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
    if (!reply || reply->format != 32 || reply->type != type) {
        return {};
    }
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4;
    std::vector<std::uint32_t> items(count);
    if (count > 0) {
        std::memcpy(items.data(), xcb_get_property_value(reply.get()), count * 4);
    }
    return items;
}

bool XcbConnection::HasProperty(xcb_window_t window, xcb_atom_t property) const {
    xcb_get_property_cookie_t cookie =
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0);
    XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

xcb_window_t XcbConnection::Parent(xcb_window_t window) const {
    XcbPtr<xcb_query_tree_reply_t> reply(
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
    if (!reply || reply->parent == root_) {
        return 0;
    }
    return reply->parent;
}

void XcbConnection::Flush() const {
    xcb_flush(connection_);
}

void XcbConnection::Sync() const {
    XcbPtr<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

}  // namespace quillon::platform::x11
