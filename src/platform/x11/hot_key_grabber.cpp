#include "platform/x11/hot_key_grabber.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

namespace quillon::platform::x11 {

X11HotKeyGrabber::X11HotKeyGrabber(const XcbConnection& connection, const KeyboardMap& keyboard,
                                   KeysymLookup keysymOf)
    : connection_(connection), keyboard_(keyboard), keysymOf_(std::move(keysymOf)) {}

X11HotKeyGrabber::~X11HotKeyGrabber() {
    for (Registration& registration : registrations_) {
        UngrabKeys(registration);
    }
    connection_.Flush();
}

int X11HotKeyGrabber::Register(WindowId owner, int id, HotKeyCombination combination,
                               PressedHandler onPressed) {
    combination.modifiers &= kModAll;
    auto sameName = [owner, id](const Registration& r) { return r.owner == owner && r.id == id; };
    for (const Registration& r : registrations_) {
        if (!sameName(r) && r.combination == combination) {
            return kHotKeyAlreadyRegistered;
        }
    }
    auto previous = std::find_if(registrations_.begin(), registrations_.end(), sameName);
    if (previous != registrations_.end() && previous->combination == combination &&
        !previous->grabs.empty()) {
        previous->onPressed = std::move(onPressed);
        return kHotKeyOk;
    }

    Registration registration{owner, id, combination, std::move(onPressed), 0, {}};
    const int result = GrabKeys(registration);
    if (result != kHotKeyOk) {
        connection_.Flush();
        return result;
    }
    if (previous != registrations_.end()) {
        // Release what the pair held before, except grabs the new combination shares.
        std::erase_if(previous->grabs, [&registration](const Grab& old) {
            return std::any_of(registration.grabs.begin(), registration.grabs.end(),
                               [&old](const Grab& g) {
                                   return g.keycode == old.keycode && g.modifiers == old.modifiers;
                               });
        });
        UngrabKeys(*previous);
        *previous = std::move(registration);
    } else {
        registrations_.push_back(std::move(registration));
    }
    connection_.Flush();
    return kHotKeyOk;
}

void X11HotKeyGrabber::Unregister(WindowId owner, int id) {
    auto it =
        std::find_if(registrations_.begin(), registrations_.end(),
                     [owner, id](const Registration& r) { return r.owner == owner && r.id == id; });
    if (it == registrations_.end()) {
        return;
    }
    UngrabKeys(*it);
    registrations_.erase(it);
    // A round trip, so the keys are free for other clients once Unregister returns.
    connection_.Sync();
}

std::uint16_t X11HotKeyGrabber::RelevantModifiers() const {
    const ModifierMasks masks = keyboard_.Masks();
    return static_cast<std::uint16_t>(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | masks.alt |
                                      masks.super);
}

int X11HotKeyGrabber::GrabKeys(Registration& registration) {
    registration.grabs.clear();
    const HotKeyCombination& combination = registration.combination;
    const std::uint32_t keysym = keysymOf_(combination.virtualKey);
    const std::vector<xcb_keycode_t> keycodes =
        keysym != 0 ? keyboard_.KeycodesFor(keysym) : std::vector<xcb_keycode_t>{};
    if (keycodes.empty()) {
        return kHotKeyNoSuchKey;
    }

    const ModifierMasks masks = keyboard_.Masks();
    std::uint16_t modifiers = 0;
    if ((combination.modifiers & kModShift) != 0) {
        modifiers |= XCB_MOD_MASK_SHIFT;
    }
    if ((combination.modifiers & kModControl) != 0) {
        modifiers |= XCB_MOD_MASK_CONTROL;
    }
    if ((combination.modifiers & kModAlt) != 0) {
        if (masks.alt == 0) {
            return kHotKeyNoSuchKey;
        }
        modifiers |= masks.alt;
    }
    if ((combination.modifiers & kModWin) != 0) {
        if (masks.super == 0) {
            return kHotKeyNoSuchKey;
        }
        modifiers |= masks.super;
    }
    registration.modifiers = modifiers;

    // NumLock and CapsLock take part in the comparison, so the combination is grabbed for each
    // of their states. A map without NumLock has two states only.
    const std::array<std::uint16_t, 4> lockStates = {
        0, masks.numLock, XCB_MOD_MASK_LOCK,
        static_cast<std::uint16_t>(masks.numLock | XCB_MOD_MASK_LOCK)};
    std::vector<std::uint16_t> variants;
    for (std::uint16_t lock : lockStates) {
        const auto full = static_cast<std::uint16_t>(modifiers | lock);
        if (std::find(variants.begin(), variants.end(), full) == variants.end()) {
            variants.push_back(full);
        }
    }

    xcb_connection_t* c = connection_.get();
    std::vector<std::pair<Grab, xcb_void_cookie_t>> pending;
    for (xcb_keycode_t keycode : keycodes) {
        for (std::uint16_t variant : variants) {
            pending.emplace_back(Grab{keycode, variant},
                                 xcb_grab_key_checked(c, 0, connection_.Root(), variant, keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    int result = kHotKeyOk;
    for (auto& [grab, cookie] : pending) {
        XcbPtr<xcb_generic_error_t> error(xcb_request_check(c, cookie));
        if (!error) {
            registration.grabs.push_back(grab);
        } else if (result == kHotKeyOk) {
            result = error->error_code == XCB_ACCESS ? kHotKeyAlreadyRegistered
                                                     : static_cast<int>(error->error_code);
        }
    }
    if (result != kHotKeyOk) {
        UngrabKeys(registration);
    }
    return result;
}

void X11HotKeyGrabber::UngrabKeys(Registration& registration) {
    for (const Grab& grab : registration.grabs) {
        xcb_ungrab_key(connection_.get(), grab.keycode, connection_.Root(), grab.modifiers);
    }
    registration.grabs.clear();
}

void X11HotKeyGrabber::Regrab() {
    keysDown_.clear();
    // Release everything first: a key of one registration may now be the key of another.
    for (Registration& registration : registrations_) {
        UngrabKeys(registration);
    }
    for (Registration& registration : registrations_) {
        // A combination the new map cannot type, or that another client took meanwhile,
        // stays registered without grabs until the map changes again.
        GrabKeys(registration);
    }
    connection_.Flush();
}

bool X11HotKeyGrabber::HandleEvent(const xcb_generic_event_t* event) {
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_RELEASE) {
        const auto* release = reinterpret_cast<const xcb_key_release_event_t*>(event);
        if (keysDown_.erase(release->detail) == 0) {
            return false;
        }
        lastReleasedKey_ = release->detail;
        lastReleaseTime_ = release->time;
        return true;
    }
    if (type != XCB_KEY_PRESS) {
        return false;
    }
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (press->event != connection_.Root()) {
        return false;
    }
    // A held key repeats. With detectable autorepeat the repeats come without releases; without
    // it each repeat is a release and a press with the same time.
    const bool repeat = keysDown_.contains(press->detail) ||
                        (press->detail == lastReleasedKey_ && press->time == lastReleaseTime_);
    keysDown_.insert(press->detail);
    if (repeat) {
        return true;
    }

    const auto state = static_cast<std::uint16_t>(press->state & RelevantModifiers());
    std::vector<std::tuple<PressedHandler, int, HotKeyCombination>> toCall;
    for (const Registration& r : registrations_) {
        const bool onKey = std::any_of(r.grabs.begin(), r.grabs.end(), [press](const Grab& g) {
            return g.keycode == press->detail;
        });
        if (onKey && r.modifiers == state && r.onPressed) {
            toCall.emplace_back(r.onPressed, r.id, r.combination);
        }
    }
    // Handlers may register or unregister; they run on copies, after the search.
    for (auto& [handler, id, combination] : toCall) {
        handler(id, combination);
    }
    return true;
}

}  // namespace quillon::platform::x11
