#pragma once

#include "platform/desktop/desktop_services.h"
#include "platform/x11/keyboard_map.h"
#include "platform/x11/xcb_connection.h"

namespace quillon::platform::x11 {

// The desktop's windows through the window manager's EWMH properties on the root window, with
// the core protocol where no such window manager runs.
class X11DesktopServices final : public DesktopServices {
public:
    X11DesktopServices(const XcbConnection& connection, const KeyboardMap& keyboard);

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

    const XcbConnection& connection_;
    const KeyboardMap& keyboard_;
};

}  // namespace quillon::platform::x11
