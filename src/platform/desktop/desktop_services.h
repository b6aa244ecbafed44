#pragma once

#include "platform/desktop/window_id.h"

namespace quillon::platform {

// Which of the modifier keys are held down right now.
struct HeldModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool leftWin = false;
    bool rightWin = false;
};

// The desktop's windows as the program sees them: who has the foreground, bringing a window
// forward, the stacking order and the keyboard.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // False where the session offers none of these services (then every query answers 0).
    virtual bool Available() const = 0;

    // The window the user is working in (the window manager's active window), or 0.
    virtual WindowId ForegroundWindow() = 0;
    // Asks for the window to become the foreground window and gives it the keyboard focus at
    // once, so that keys sent right afterwards reach it. False when the window cannot take it.
    virtual bool SetForegroundWindow(WindowId window) = 0;
    // Puts the window on top of its stacking layer.
    virtual bool RaiseWindow(WindowId window) = 0;
    // The next window below `ours` in the stacking order that can take the focus (shown, not
    // minimised, not a dock or the desktop, not owned by `ours`), or 0.
    virtual WindowId NextWindowBelow(WindowId ours) = 0;
    // The window that has the keyboard focus, or 0: a top-level window, or a window inside one.
    // Which of the program's own controls has the focus is Qt's to say
    // (QApplication::focusWidget()): its controls have no native windows of their own.
    virtual WindowId FocusWindow() = 0;
    // True when `window` is `owner`, one of its child windows, or a window it owns (a dialog
    // that names it as its transient owner).
    virtual bool BelongsTo(WindowId window, WindowId owner) = 0;
    // The modifier keys held down now, as the keyboard reports them.
    virtual HeldModifiers HeldModifierKeys() = 0;
};

}  // namespace quillon::platform
