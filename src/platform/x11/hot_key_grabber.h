#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "platform/desktop/hot_key_grabber.h"
#include "platform/x11/keyboard_map.h"
#include "platform/x11/xcb_connection.h"

namespace quillon::platform::x11 {

// Global hot keys as passive key grabs on the root window. Each combination is grabbed once for
// every state of NumLock and CapsLock, since X compares lock modifiers like any other. A grab
// the server refuses (another client holds it) fails the registration and leaves nothing
// grabbed. After a keyboard mapping change every registration is grabbed afresh on its new keys.
class X11HotKeyGrabber final : public HotKeyGrabber {
public:
    // `keysymOf` gives the X keysym of a virtual-key code (0 when there is none).
    using KeysymLookup = std::function<std::uint32_t(int virtualKey)>;

    X11HotKeyGrabber(const XcbConnection& connection, const KeyboardMap& keyboard,
                     KeysymLookup keysymOf);
    ~X11HotKeyGrabber() override;

    int Register(WindowId owner, int id, HotKeyCombination combination,
                 PressedHandler onPressed) override;
    void Unregister(WindowId owner, int id) override;

    // Reports the press of a grabbed combination; true when the event was a key event of ours.
    bool HandleEvent(const xcb_generic_event_t* event);
    // Grabs every registration again on the keys of the current keyboard map.
    void Regrab();

private:
    struct Grab {
        xcb_keycode_t keycode;
        std::uint16_t modifiers;
    };
    struct Registration {
        WindowId owner;
        int id;
        HotKeyCombination combination;
        PressedHandler onPressed;
        std::uint16_t modifiers;  // X modifier bits of the combination, without lock bits
        std::vector<Grab> grabs;  // empty while the current map has no key for it
    };

    // Grabs the combination on its keys; returns kHotKeyOk or a code, grabbing nothing then.
    int GrabKeys(Registration& registration);
    void UngrabKeys(Registration& registration);
    std::uint16_t RelevantModifiers() const;

    const XcbConnection& connection_;
    const KeyboardMap& keyboard_;
    KeysymLookup keysymOf_;
    std::vector<Registration> registrations_;
    // Keys pressed through one of our grabs and not yet released: a second press is a repeat.
    std::set<xcb_keycode_t> keysDown_;
    xcb_keycode_t lastReleasedKey_ = 0;
    xcb_timestamp_t lastReleaseTime_ = 0;
};

}  // namespace quillon::platform::x11
