#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "platform/x11/desktop_services.h"
#include "platform/x11/hot_key_grabber.h"
#include "platform/x11/keyboard_map.h"
#include "platform/x11/paste_keys.h"
#include "platform/x11/xcb_connection.h"

namespace quillon::platform::x11 {

// The program's own connection to the X server and the services built on it. Its events (the
// presses of grabbed keys, keyboard map changes) are read on the thread that created it,
// through a socket notifier on the connection, so hot keys arrive there like any other event.
//
// This is a connection of its own rather than Qt's: grabs, XKB client flags and borrowed keys
// then never disturb Qt's handling of its windows, and the services work whatever Qt platform
// plugin runs, as long as an X server is reachable.
class X11Session final : public QObject {
public:
    // Connects to the X server of DISPLAY; nullptr when there is none to reach.
    static std::unique_ptr<X11Session> Connect(X11HotKeyGrabber::KeysymLookup keysymOf);
    ~X11Session() override;

    X11DesktopServices& Services() { return services_; }
    X11HotKeyGrabber& HotKeys() { return grabber_; }
    X11PasteKeys& PasteKeys() { return pasteKeys_; }
    const XcbConnection& Connection() const { return *connection_; }

    // Handles every event that has arrived. Runs by itself whenever the event loop waits.
    void ProcessEvents();

private:
    X11Session(std::unique_ptr<XcbConnection> connection, X11HotKeyGrabber::KeysymLookup keysymOf);
    void Handle(const xcb_generic_event_t* event);
    void ProcessQueuedEvents();

    std::unique_ptr<XcbConnection> connection_;
    KeyboardMap keyboard_;
    X11DesktopServices services_;
    X11HotKeyGrabber grabber_;
    X11PasteKeys pasteKeys_;
    QSocketNotifier notifier_;
    bool reportedLostConnection_ = false;
};

}  // namespace quillon::platform::x11
