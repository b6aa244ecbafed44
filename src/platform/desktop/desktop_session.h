#pragma once

#include <memory>

#include "platform/core/message_box.h"
#include "platform/desktop/clipboard_paster.h"
#include "platform/desktop/desktop_services.h"
#include "platform/desktop/hot_key_grabber.h"

namespace quillon::platform {

// The desktop services of the session the program runs in. On X11 they are all there. In any
// other session (Wayland, or no X server to reach) the program still puts text on the
// clipboard, but has no global hot keys, no foreign windows and no synthetic keys; it then says
// so once per run through the message box it was given, and in the log.
//
// Needs a QGuiApplication. Outlives every object that registered a hot key with it.
class DesktopSession {
public:
    virtual ~DesktopSession() = default;

    static std::unique_ptr<DesktopSession> Create(MessageBox& notices);

    // True when global hot keys and pasting into other applications work.
    virtual bool HasX11() const = 0;
    virtual DesktopServices& Services() = 0;
    virtual HotKeyGrabber& HotKeys() = 0;
    virtual ClipboardPaster& Paster() = 0;
};

// What the user is told once in a session without X11.
inline constexpr const char* kNoX11NoticeCaption = "Quillon";
inline constexpr const char* kNoX11NoticeText =
    "Global hot keys and pasting into other applications need an X11 session, and Quillon "
    "is not running in one. Quillon still puts the names you choose on the clipboard: paste "
    "them yourself with Ctrl+V.";

}  // namespace quillon::platform
