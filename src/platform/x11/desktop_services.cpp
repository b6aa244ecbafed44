#include "platform/x11/desktop_services.h"

#include <X11/keysym.h>

#include <algorithm>
#include <initializer_list>

namespace quillon::platform::x11 {
namespace {

// Chains of owners and parents are short; the bound only guards against a loop.
constexpr int kMaxChain = 16;
// _NET_ACTIVE_WINDOW source indication of a pager: a request made for the user, which window
// managers grant even when they prevent focus stealing.
constexpr std::uint32_t kSourcePager = 2;

}  // namespace

X11DesktopServices::X11DesktopServices(const XcbConnection& connection, const KeyboardMap& keyboard)
    : connection_(connection), keyboard_(keyboard) {
    // Watch first, then read, so that no change falls between the two.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_.get(), connection_.Root(), XCB_CW_EVENT_MASK, &events);
    ReadActiveWindow();
}

void X11DesktopServices::ReadActiveWindow() {
    const std::vector<std::uint32_t> active = connection_.ListProperty(
        connection_.Root(), connection_.atom(Atom::NetActiveWindow), XCB_ATOM_WINDOW);
    if (!active.empty()) {
        active_ = active.front();
    } else if (connection_.HasProperty(connection_.Root(),
                                       connection_.atom(Atom::NetSupportingWmCheck))) {
        active_ = XCB_NONE;  // a window manager that has not activated any window yet
    } else {
        active_.reset();
    }
}

bool X11DesktopServices::HandleEvent(const xcb_generic_event_t* event) {
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) {
        return false;
    }
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window != connection_.Root() ||
        (notify->atom != connection_.atom(Atom::NetActiveWindow) &&
         notify->atom != connection_.atom(Atom::NetSupportingWmCheck))) {
        return false;
    }
    ReadActiveWindow();
    return true;
}

WindowId X11DesktopServices::ForegroundWindow() {
    if (active_) {
        return *active_;
    }
    // No EWMH window manager: the top-level window that holds the keyboard focus.
    xcb_window_t window = FocusWindow();
    for (int i = 0; window != 0 && i < kMaxChain; ++i) {
        const xcb_window_t parent = connection_.Parent(window);
        if (parent == 0) {
            return window;
        }
        window = parent;
    }
    return 0;
}

bool X11DesktopServices::SetForegroundWindow(WindowId window) {
    if (window == 0) {
        return false;
    }
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes) {
        return false;  // the window no longer exists
    }

    // The window manager activates the window: it raises it, restores it when minimised, moves
    // to its desktop and gives it the focus.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = connection_.atom(Atom::NetActiveWindow);
    message.data.data32[0] = kSourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    message.data.data32[2] = active_.value_or(XCB_NONE);
    xcb_send_event(c, 0, connection_.Root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));

    // The window manager handles that message in its own time. Raising the window and giving it
    // the focus here as well means keys sent right after this call already reach it, and it is
    // the whole job where no window manager runs.
    const bool viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    if (viewable) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    connection_.Flush();
    return viewable || connection_.HasProperty(connection_.Root(),
                                               connection_.atom(Atom::NetSupportingWmCheck));
}

bool X11DesktopServices::RaiseWindow(WindowId window) {
    if (window == 0) {
        return false;
    }
    xcb_connection_t* c = connection_.get();
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    XcbPtr<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_configure_window_checked(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above)));
    return !error;
}

WindowId X11DesktopServices::NextWindowBelow(WindowId ours) {
    // Bottom to top, as the window manager stacks its windows.
    const std::vector<std::uint32_t> stacking = connection_.ListProperty(
        connection_.Root(), connection_.atom(Atom::NetClientListStacking), XCB_ATOM_WINDOW);
    auto at = std::find(stacking.begin(), stacking.end(), ours);
    if (at == stacking.end()) {
        return 0;
    }
    while (at != stacking.begin()) {
        --at;
        if (!BelongsTo(*at, ours) && CanTakeFocus(*at)) {
            return *at;
        }
    }
    return 0;
}

bool X11DesktopServices::IsViewable(xcb_window_t window) const {
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool X11DesktopServices::CanTakeFocus(xcb_window_t window) const {
    if (!IsViewable(window)) {
        return false;
    }
    const std::vector<std::uint32_t> states =
        connection_.ListProperty(window, connection_.atom(Atom::NetWmState), XCB_ATOM_ATOM);
    if (std::find(states.begin(), states.end(), connection_.atom(Atom::NetWmStateHidden)) !=
        states.end()) {
        return false;
    }
    const std::vector<std::uint32_t> types =
        connection_.ListProperty(window, connection_.atom(Atom::NetWmWindowType), XCB_ATOM_ATOM);
    return std::none_of(types.begin(), types.end(), [this](std::uint32_t type) {
        return type == connection_.atom(Atom::NetWmWindowTypeDock) ||
               type == connection_.atom(Atom::NetWmWindowTypeDesktop);
    });
}

WindowId X11DesktopServices::FocusWindow() {
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT) {
        return 0;
    }
    return focus->focus;
}

bool X11DesktopServices::BelongsTo(WindowId window, WindowId owner) {
    if (window == 0 || owner == 0) {
        return false;
    }
    if (window == owner) {
        return true;
    }
    xcb_window_t current = window;
    for (int i = 0; i < kMaxChain; ++i) {
        current = connection_.WindowProperty(current, connection_.atom(Atom::WmTransientFor));
        if (current == owner) {
            return true;
        }
        if (current == 0 || current == window) {
            break;
        }
    }
    current = window;
    for (int i = 0; i < kMaxChain; ++i) {
        current = connection_.Parent(current);
        if (current == owner) {
            return true;
        }
        if (current == 0) {
            break;
        }
    }
    return false;
}

HeldModifiers X11DesktopServices::HeldModifierKeys() {
    const std::vector<bool> down = keyboard_.KeysDown();
    auto anyDown = [&](std::initializer_list<xcb_keysym_t> keysyms) {
        for (xcb_keysym_t keysym : keysyms) {
            for (xcb_keycode_t keycode : keyboard_.KeycodesFor(keysym)) {
                if (down[keycode]) {
                    return true;
                }
            }
        }
        return false;
    };
    HeldModifiers held;
    held.shift = anyDown({XK_Shift_L, XK_Shift_R});
    held.ctrl = anyDown({XK_Control_L, XK_Control_R});
    held.alt = anyDown({XK_Alt_L, XK_Alt_R});
    held.leftWin = anyDown({XK_Super_L});
    held.rightWin = anyDown({XK_Super_R});
    return held;
}

}  // namespace quillon::platform::x11
