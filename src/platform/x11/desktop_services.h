#pragma once

#include <optional>

#include "platform/desktop/desktop_services.h"
#include "platform/x11/keyboard_map.h"
#include "platform/x11/xcb_connection.h"

namespace quillon::platform::x11 {

// The desktop's windows through the window manager's EWMH properties on the root window, with
// the core protocol where no such window manager runs.
//
// The foreground window is asked for on every 10 ms tick, so it is not a round trip: the window
// manager's _NET_ACTIVE_WINDOW is read once and then again each time the server reports that it
// changed. It is therefore as current as the events handled so far.
class X11DesktopServices final : public DesktopServices {
public:
    X11DesktopServices(const XcbConnection& connection, const KeyboardMap& keyboard);

    // Follows changes of the active window; true when the event was one.
    bool HandleEvent(const xcb_generic_event_t* event);

    bool Available() const override { return true; }
    WindowId ForegroundWindow() override;
    bool SetForegroundWindow(WindowId window) override;
    bool RaiseWindow(WindowId window) override;
    WindowId NextWindowBelow(WindowId ours) override;
    WindowId FocusWindow() override;
    bool BelongsTo(WindowId window, WindowId owner) override;
    HeldModifiers HeldModifierKeys() override;

private:
    bool IsViewable(xcb_window_t window) const;
    bool CanTakeFocus(xcb_window_t window) const;
    void ReadActiveWindow();

    const XcbConnection& connection_;
    const KeyboardMap& keyboard_;
    // The window manager's active window (XCB_NONE for none); nullopt while no EWMH window
    // manager runs, and the focus tells instead.
    std::optional<xcb_window_t> active_;
};

}  // namespace quillon::platform::x11
